#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, gl, window, e2e under Xvfb), then the reliability
# checks: the test suite under ASan + UBSan + LSan (tools/sanitize.sh), short runs of every fuzz
# target (tools/fuzz.sh) and the demo's frame loop under valgrind (tools/memcheck.sh). Any
# failure or finding fails the script. BREVRA_QUICK=1 stops after the ordinary tests.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
build="${BREVRA_BUILD_DIR:-build}"
(cd "$build" && ctest --output-on-failure -j"$(nproc)" "$@")
if [ "${BREVRA_QUICK:-0}" = "1" ]; then
  exit 0
fi
./tools/sanitize.sh
./tools/fuzz.sh
./tools/memcheck.sh
