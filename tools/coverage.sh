#!/usr/bin/env bash
# Measures which lines and branches of the library the tests and the fuzz corpora reach: builds
# everything with clang's source-based coverage into build-coverage, runs the unit and gl tests,
# replays every fuzz target's seeds and checked-in corpus (and build-fuzz/corpus/<target>/ when
# a campaign has left one) through a plain main, merges the profiles and writes
#
#   build-coverage/coverage-summary.txt   one line per library source file: path lines% branches%
#   build-coverage/html/index.html        the annotated sources
#
#   tools/coverage.sh                     build, run, report
#   tools/coverage.sh -R Tga              extra arguments go to ctest (a subset of the tests)
#
# Needs clang, llvm-profdata-14 and llvm-cov-14 (Debian: clang, llvm-14).
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BREVRA_COVERAGE_BUILD_DIR:-build-coverage}"
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata || true)
llvmcov=$(command -v llvm-cov-14 || command -v llvm-cov || true)
if [ -z "$profdata" ] || [ -z "$llvmcov" ] || ! command -v clang++ >/dev/null; then
  echo "coverage.sh: needs clang, llvm-profdata and llvm-cov (Debian packages clang, llvm-14)" >&2
  exit 1
fi

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DBREVRA_COVERAGE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DBREVRA_BUILD_BENCH=OFF -DBREVRA_BUILD_EXAMPLES=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

profiles="$build/profiles"
rm -rf "$profiles"
mkdir -p "$profiles"
# One raw profile per program (merged at exit by every process that runs it, %m).
export LLVM_PROFILE_FILE="$PWD/$profiles/%m.profraw"

targets=(fuzz_tga fuzz_tga_file fuzz_bmp fuzz_region fuzz_texture_slots)
for t in "${targets[@]}"; do
  inputs=()
  for d in "fuzz/seeds/$t" "fuzz/corpus/$t" "build-fuzz/corpus/$t"; do
    [ -d "$d" ] && inputs+=("$d")
  done
  echo "coverage.sh: $t: $("$build/fuzz/$t" "${inputs[@]}" 2>/dev/null | tail -1)"
done

# The unit and gl tests, and the window tests (headless platform windows, no X server).
if ! (cd "$build" && ctest -j"$(nproc)" -L 'unit|gl|window' "$@" >ctest.log 2>&1); then
  echo "coverage.sh: some tests failed (see $build/ctest.log); the report covers what ran" >&2
fi
grep -E 'tests passed' "$build/ctest.log" || true

"$profdata" merge -sparse -o "$build/coverage.profdata" "$profiles"/*.profraw
objects=()
for exe in "$build"/tests/test_* "$build"/fuzz/fuzz_*; do
  [ -x "$exe" ] && [ -f "$exe" ] && objects+=(-object "$exe")
done
# The first -object is the main binary of llvm-cov's command line; the others follow it.
first=${objects[1]}
rest=("${objects[@]:2}")
# Only the library's sources. (ccache makes the recorded paths relative to the build tree, such
# as build-coverage/brevra/platform/../../../brevra/platform/bitmap.cpp: matched by name.)
others='(^|/)(tests|fuzz|tools|demo|examples|bench)/|^/usr/'
# (The fuzz targets all define the same entry points, which llvm-cov reports as "functions
# with mismatched data"; none of them is in the library.)
"$llvmcov" export -format=text -summary-only -instr-profile="$build/coverage.profdata" \
  -ignore-filename-regex="$others" "$first" "${rest[@]}" 2>/dev/null >"$build/coverage.json"
python3 - "$build/coverage.json" >"$build/coverage-summary.txt" <<'PY'
import json, os, sys
report = json.load(open(sys.argv[1]))
rows = []
for f in report["data"][0]["files"]:
    name = os.path.normpath(f["filename"])
    name = os.path.relpath(name) if os.path.isabs(name) else name
    if not (name.startswith("brevra/") and name.endswith(".cpp")):
        continue
    s = f["summary"]
    def pct(kind):
        return "%.1f" % s[kind]["percent"] if s[kind]["count"] else "-"
    rows.append("%s %s%% %s%%" % (name, pct("lines"), pct("branches")))
print("\n".join(sorted(rows)))
PY
"$llvmcov" show -format=html -output-dir="$build/html" -show-branches=count \
  -instr-profile="$build/coverage.profdata" -ignore-filename-regex="$others" "$first" \
  "${rest[@]}" >/dev/null 2>&1
cat "$build/coverage-summary.txt"
echo "coverage.sh: HTML report in $build/html/index.html"
