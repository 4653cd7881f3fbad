#!/usr/bin/env bash
# Runs the demo's headless frame loop under valgrind's memcheck: the whole life of the demo
# (question, window, scene, frames, Escape, release) through tests/faults/demo_frames.cpp.
# Fails on any memcheck error or on memory definitely (or indirectly) lost. Reachable blocks at
# exit (the GL driver's) are reported but not counted. Builds demo-frames in ./build (or
# $BREVRA_BUILD_DIR) if needed.
#
#   tools/memcheck.sh            20 frames (CI: about 1.5 minutes; every frame costs ~2.5 s)
#   tools/memcheck.sh 300        300 frames (about 13 minutes)
#
# Valgrind's summary is kept in <build>/memcheck.log. Mesa's own false positives (its JIT code and
# the driver's uninitialised padding) are silenced by tools/memcheck.supp; nothing of Brevra's
# is listed there.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
frames="${1:-20}"
build="${BREVRA_BUILD_DIR:-build}"
if ! command -v valgrind >/dev/null; then
  echo "memcheck.sh: valgrind is missing (Debian package valgrind)" >&2
  exit 1
fi
if [ ! -x "$build/tests/demo-frames" ]; then
  cmake -S . -B "$build" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target demo-frames
fi
log="$root/$build/memcheck.log"
cd "$build/bin"  # the demo's pictures lie here
# llvmpipe without its rasteriser threads: the same drawing, fewer false alarms and faster
# under valgrind, which runs one thread at a time anyway.
set +e
LP_NUM_THREADS=0 valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
  --show-leak-kinds=definite,indirect --errors-for-leak-kinds=definite,indirect \
  --suppressions="$root/tools/memcheck.supp" --num-callers=30 --log-file="$log" \
  ../tests/demo-frames "$frames"
rc=$?
set -e
grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|possibly lost|still reachable' "$log" || true
if [ $rc -ne 0 ]; then
  echo "memcheck.sh: FAILED (exit $rc): see $log" >&2
fi
exit $rc
