#!/usr/bin/env bash
# Soak of the demo on a real desktop (tests/soak/soak.py): Xvfb with openbox, the real demo
# answered No, scripted drags, keys, minimise and restore and focus changes for the given time,
# the demo's resident memory sampled every 2 s, its GL errors watched; Escape at the end must
# give exit code 0. CI runs two minutes of it (ctest -R soak_demo_2min).
#
#   tools/soak.sh                 30 minutes
#   tools/soak.sh 300             5 minutes
#
# Figures go to build/soak-<seconds>s/ (rss.csv, summary.txt, gl-errors.txt).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-1800}"
build="${BREVRA_BUILD_DIR:-build}"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target fogliame brevra_gl_error_shim >/dev/null
exec python3 tests/soak/soak.py --fogliame "$build/bin/fogliame" \
  --shim "$build/tests/libgl_error_shim.so" --seconds "$seconds" --out "$build/soak-${seconds}s"
