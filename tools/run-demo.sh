#!/usr/bin/env bash
# Sets up, builds and starts the demo in a real window.
set -euo pipefail
cd "$(dirname "$0")/.."
./tools/setup.sh
./tools/build.sh
build="${BREVRA_BUILD_DIR:-build}"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the demo needs a graphical session (DISPLAY is not set)." >&2
  echo "Without one, render a picture instead:" >&2
  echo "  (cd $build/bin && ./fogliame-snapshot --out bush.png)" >&2
  exit 1
fi
cd "$build/bin"
exec ./fogliame
