#!/usr/bin/env bash
# Configures and builds Brevra into ./build (or $BREVRA_BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BREVRA_BUILD_DIR:-build}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="${BREVRA_BUILD_TYPE:-RelWithDebInfo}" "$@"
cmake --build "$build" -j"$(nproc)"
