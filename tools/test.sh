#!/usr/bin/env bash
# Sets up, builds and runs every test (unit, gl, window, e2e under Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
build="${BREVRA_BUILD_DIR:-build}"
cd "$build"
ctest --output-on-failure -j"$(nproc)" "$@"
