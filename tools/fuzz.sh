#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, into build-fuzz) and runs each one for a
# bounded time from its checked-in seeds, one target per core at a time. Fails on any finding: a crash, a sanitizer report, a
# leak, a failed check, a timeout or running out of memory. Findings are kept in
# build-fuzz/findings/<target>/ (reproduce one with: build-fuzz/fuzz/<target> <file>).
#
#   tools/fuzz.sh                  every target for 30 s (CI)
#   tools/fuzz.sh 600              every target for 600 s
#   tools/fuzz.sh --long           every target for 30 min
#   tools/fuzz.sh 60 fuzz_tga ...  only the targets named
#
# New inputs found during a run go to build-fuzz/corpus/<target>/ (kept between runs, never
# into the checked-in seeds). The figures of the run are written to build-fuzz/fuzz-summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=30
if [ "${1:-}" = "--long" ]; then
  seconds=1800
  shift
elif [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  seconds=$1
  shift
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=(fuzz_tga fuzz_tga_file fuzz_bmp fuzz_region fuzz_texture_slots)
fi

build="${BREVRA_FUZZ_BUILD_DIR:-build-fuzz}"
if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 1
fi
CC=clang CXX=clang++ cmake -S . -B "$build" -DBREVRA_FUZZ=ON -DBREVRA_BUILD_TESTS=OFF \
  -DBREVRA_BUILD_BENCH=OFF -DBREVRA_BUILD_EXAMPLES=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" >/dev/null

# Leaks are findings; llvmpipe's own allocations for the process lifetime are not ours.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:${LSAN_OPTIONS:-}"

# One target per core at a time (libFuzzer runs one input at a time).
run_target() {
  local t=$1 corpus="$build/corpus/$1" findings="$build/findings/$1" dict=()
  mkdir -p "$corpus" "$findings"
  case "$t" in
    fuzz_tga | fuzz_tga_file) dict=(-dict=fuzz/tga.dict) ;;
    fuzz_bmp | fuzz_region) dict=(-dict=fuzz/bmp.dict) ;;
  esac
  local rc=0
  "$build/fuzz/$t" "$corpus" "fuzz/corpus/$t" "${dict[@]}" -max_total_time="$seconds" \
    -max_len=65536 -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$build/$t.log" 2>&1 || rc=$?
  echo $rc >"$build/$t.rc"
}

jobs_max=$(nproc)
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  echo "fuzz.sh: $t for ${seconds}s"
  run_target "$t" &
done
wait

summary="$build/fuzz-summary.txt"
printf '%-20s %8s %12s %10s %8s %s\n' target seconds executions exec/s corpus result >"$summary"
failed=0
for t in "${targets[@]}"; do
  log="$build/$t.log"
  rc=$(cat "$build/$t.rc")
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  size=$(find "$build/corpus/$t" -type f | wc -l)
  result=ok
  if [ "$rc" -ne 0 ]; then
    result="FINDING (exit $rc; see $log and $build/findings/$t/)"
    failed=1
    grep -E 'ERROR|SUMMARY|fuzz check failed|runtime error' "$log" | head -5 >&2 || true
  fi
  printf '%-20s %8s %12s %10s %8s %s\n' "$t" "$seconds" "${runs:-?}" "${rate:-?}" "$size" \
    "$result" >>"$summary"
done
cat "$summary"
exit $failed
