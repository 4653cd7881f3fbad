#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, into build-fuzz) and runs them from their
# seeds (fuzz/seeds/<target>/) and checked-in corpora (fuzz/corpus/<target>/). Any finding fails
# a run: a crash, a sanitizer report, a leak, a failed check, a timeout or running out of memory.
# Findings are kept in build-fuzz/findings/<target>/ (reproduce: build-fuzz/fuzz/<target> FILE).
#
#   tools/fuzz.sh                  every target for 30 s (CI), one per core at a time
#   tools/fuzz.sh 600 [TARGET...]  the targets named (default all) for 600 s each
#   tools/fuzz.sh --long [TARGET...]
#                                  starts, or resumes, the long campaign in the background
#                                  (nohup, nice 19, one target at a time) and says where it stands
#   tools/fuzz.sh --status         where the campaign stands (executions per target, findings)
#   tools/fuzz.sh --stop           ends the background campaign; what it did so far is kept
#   tools/fuzz.sh --minimise [TARGET...]
#                                  merges the campaign's corpus into a fresh, minimal
#                                  fuzz/corpus/<target>/ (libFuzzer -merge=1), to be checked in
#
# The campaign. Its goal is BREVRA_FUZZ_GOAL executions per target (10 million). It runs in
# slices of at most BREVRA_FUZZ_SLICE seconds (300), always on the target with the fewest
# executions, and stops after BREVRA_FUZZ_BUDGET seconds (3600) or when every target has reached
# the goal or has a finding: each call is bounded, the next call resumes. The state lives in
# build-fuzz/campaign/: `state` (one line per target: executions, seconds, findings), a log per
# target, `campaign.log`. New inputs go to build-fuzz/corpus/<target>/ in every mode (kept
# between runs; the checked-in corpora change only through --minimise). Short runs write their
# figures to build-fuzz/fuzz-summary.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(fuzz_tga fuzz_tga_file fuzz_bmp fuzz_region fuzz_texture_slots)
build="${BREVRA_FUZZ_BUILD_DIR:-build-fuzz}"
campaign="$build/campaign"
goal="${BREVRA_FUZZ_GOAL:-10000000}"
slice="${BREVRA_FUZZ_SLICE:-300}"
budget="${BREVRA_FUZZ_BUDGET:-3600}"

mode=short
seconds=30
case "${1:-}" in
  --long | --status | --stop | --minimise | --campaign-worker)
    mode=${1#--}
    shift
    ;;
  *)
    if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
      seconds=$1
      shift
    fi
    ;;
esac
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# ---- building ----------------------------------------------------------------------------------

build_targets() {
  if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ is missing (Debian packages clang and libclang-rt-14-dev)" >&2
    exit 1
  fi
  local launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang CXX=clang++ cmake -S . -B "$build" -DBREVRA_FUZZ=ON -DBREVRA_BUILD_TESTS=OFF \
    -DBREVRA_BUILD_BENCH=OFF -DBREVRA_BUILD_EXAMPLES=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    "${launcher[@]}" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null
}

# Leaks are findings; llvmpipe's own allocations for the process lifetime are not ours.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan.supp:${LSAN_OPTIONS:-}"

dict_for() {
  case "$1" in
    fuzz_tga | fuzz_tga_file) echo "-dict=fuzz/tga.dict" ;;
    fuzz_bmp | fuzz_region) echo "-dict=fuzz/bmp.dict" ;;
  esac
}

# fuzz TARGET LOG EXTRA_OPTIONS...: one libFuzzer run over the working corpus, the checked-in
# corpus and the seeds; returns libFuzzer's exit status.
fuzz() {
  local t=$1 log=$2
  shift 2
  local inputs=("$build/corpus/$t")
  local d
  for d in "fuzz/corpus/$t" "fuzz/seeds/$t"; do
    [ -d "$d" ] && inputs+=("$d")
  done
  mkdir -p "$build/corpus/$t" "$build/findings/$t"
  local dict
  dict=$(dict_for "$t")
  "$build/fuzz/$t" "${inputs[@]}" ${dict:+"$dict"} -max_len=65536 -timeout=20 \
    -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$build/findings/$t/" "$@" \
    >"$log" 2>&1
}

# Executions of a finished (or interrupted) run from its log: the final figure, or else the last
# progress line.
executions_in() {
  local n
  n=$(sed -n 's/^stat::number_of_executed_units: *//p' "$1" | tail -1)
  [ -n "$n" ] || n=$(sed -n 's/^#\([0-9][0-9]*\)\t.*/\1/p' "$1" | tail -1)
  echo "${n:-0}"
}

# ---- the campaign ------------------------------------------------------------------------------

# The state file: one line per target, "TARGET EXECUTIONS SECONDS FINDINGS CPU_MILLISECONDS".
state_get() {  # state_get TARGET FIELD (1 executions, 2 seconds, 3 findings, 4 CPU ms)
  local line
  line=$(grep -E "^$1 " "$campaign/state" 2>/dev/null | tail -1 || true)
  [ -n "$line" ] || line="$1 0 0 0 0"
  echo "$line" | awk -v f="$(($2 + 1))" '{print ($f == "" ? 0 : $f)}'
}

state_set() {  # state_set TARGET EXECUTIONS SECONDS FINDINGS CPU_MILLISECONDS (atomically)
  local tmp="$campaign/state.tmp"
  { grep -vE "^$1 " "$campaign/state" 2>/dev/null || true; echo "$1 $2 $3 $4 $5"; } |
    sort >"$tmp"
  mv "$tmp" "$campaign/state"
}

# timed FILE COMMAND...: runs the command and writes the CPU time it used in milliseconds (user
# + system, children included) to FILE; returns the command's status. Executions per CPU second
# is the rate on one core, whatever else the machine runs.
timed() {
  local out=$1 rc=0 TIMEFORMAT='%3U %3S'
  shift
  { time "$@" 2>&3 || rc=$?; } 3>&2 2>"$out.raw"
  awk '{printf "%d\n", ($1 + $2) * 1000 + 0.5}' "$out.raw" >"$out"
  return $rc
}

worker_pid() {
  local pid
  pid=$(cat "$campaign/pid" 2>/dev/null || true)
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then echo "$pid"; fi
}

print_status() {
  local pid
  pid=$(worker_pid)
  local now="not running"
  [ -z "$pid" ] || now="running, process $pid"
  echo "Fuzz campaign (goal: $goal executions per target): $now"
  printf '%-20s %12s %5s %8s %10s %8s %8s %8s\n' target executions done seconds \
    exec/cpu-s cpu-s corpus findings
  local t runs secs found cpu rate size
  for t in "${all_targets[@]}"; do
    runs=$(state_get "$t" 1)
    secs=$(state_get "$t" 2)
    found=$(state_get "$t" 3)
    cpu=$(state_get "$t" 4)
    rate=$([ "$cpu" -gt 0 ] && echo $((runs * 1000 / cpu)) || echo -)
    size=$( (find "$build/corpus/$t" -type f 2>/dev/null || true) | wc -l)
    printf '%-20s %12s %4s%% %8s %10s %8s %8s %8s\n' "$t" "$runs" $((runs * 100 / goal)) \
      "$secs" "$rate" $((cpu / 1000)) "$size" "$found"
  done
}

# The background process: slices until the budget is spent or nothing is left to do.
campaign_worker() {
  local started=$SECONDS t best runs left secs found rc log begin took done_now
  while [ $((SECONDS - started)) -lt "$budget" ]; do
    best=""
    for t in "${targets[@]}"; do
      [ "$(state_get "$t" 3)" -eq 0 ] || continue  # a finding stops that target until fixed
      runs=$(state_get "$t" 1)
      [ "$runs" -lt "$goal" ] || continue
      if [ -z "$best" ] || [ "$runs" -lt "$(state_get "$best" 1)" ]; then best=$t; fi
    done
    [ -n "$best" ] || break
    t=$best
    runs=$(state_get "$t" 1)
    left=$((budget - (SECONDS - started)))
    secs=$((left < slice ? left : slice))
    [ "$secs" -ge 10 ] || break
    log="$campaign/$t.last.log"
    echo "$(date -u +%FT%TZ) $t: slice of ${secs}s from $runs executions" >>"$campaign/campaign.log"
    begin=$SECONDS
    rc=0
    timed "$campaign/cpu" fuzz "$t" "$log" -runs=$((goal - runs)) -max_total_time="$secs" || rc=$?
    took=$((SECONDS - begin))
    done_now=$(executions_in "$log")
    cat "$log" >>"$campaign/$t.log"
    found=0
    # 72: interrupted (--stop); anything else but 0 is a finding.
    if [ "$rc" -ne 0 ] && [ "$rc" -ne 72 ] && [ "$rc" -ne 130 ] && [ "$rc" -ne 143 ]; then
      found=1
    fi
    state_set "$t" $((runs + done_now)) $(($(state_get "$t" 2) + took)) \
      $(($(state_get "$t" 3) + found)) $(($(state_get "$t" 4) + $(cat "$campaign/cpu")))
    echo "$(date -u +%FT%TZ) $t: +$done_now executions in ${took}s ($(($(cat "$campaign/cpu") / 1000)) s CPU), exit $rc" \
      >>"$campaign/campaign.log"
    [ "$stopping" -eq 0 ] || break
  done
  rm -f "$campaign/pid"
}

# ---- the modes ---------------------------------------------------------------------------------

case "$mode" in
  status)
    print_status
    exit 0
    ;;
  stop)
    pid=$(worker_pid)
    if [ -n "$pid" ]; then
      # The worker's process group: the worker and the fuzzer it runs (libFuzzer prints its
      # figures on SIGTERM, so the slice still counts).
      kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid"
      echo "fuzz.sh: campaign process $pid asked to stop"
    else
      echo "fuzz.sh: no campaign is running"
    fi
    exit 0
    ;;
  long)
    mkdir -p "$campaign"
    if [ -n "$(worker_pid)" ]; then
      echo "fuzz.sh: the campaign is already running"
    else
      build_targets "${targets[@]}"
      # A process group of its own, so that --stop reaches the fuzzer too.
      setsid nohup nice -n 19 "$0" --campaign-worker "${targets[@]}" \
        >>"$campaign/campaign.log" 2>&1 </dev/null &
      echo $! >"$campaign/pid"
      echo "fuzz.sh: campaign started in the background (process $!; $campaign/campaign.log)"
      echo "fuzz.sh: it stops after ${budget}s; run tools/fuzz.sh --long again to go on"
    fi
    print_status
    exit 0
    ;;
  campaign-worker)
    mkdir -p "$campaign"
    echo $$ >"$campaign/pid"
    trap 'rm -f "$campaign/pid"' EXIT
    # --stop: the fuzzer ends its slice and prints its figures, the slice is recorded, then the
    # loop ends.
    stopping=0
    trap 'stopping=1' TERM INT
    campaign_worker
    exit 0
    ;;
  minimise)
    build_targets "${targets[@]}"
    for t in "${targets[@]}"; do
      fresh="$build/minimised/$t"
      rm -rf "$fresh"
      mkdir -p "$fresh" "$build/corpus/$t"
      inputs=("$build/corpus/$t")
      for d in "fuzz/corpus/$t" "fuzz/seeds/$t"; do
        [ -d "$d" ] && inputs+=("$d")
      done
      "$build/fuzz/$t" -merge=1 -max_len=65536 -timeout=20 -rss_limit_mb=2560 "$fresh" \
        "${inputs[@]}" >"$build/minimise-$t.log" 2>&1
      rm -rf "fuzz/corpus/$t"
      mkdir -p "fuzz/corpus/$t"
      cp "$fresh"/* "fuzz/corpus/$t/" 2>/dev/null || true
      echo "fuzz.sh: fuzz/corpus/$t: $(find "fuzz/corpus/$t" -type f | wc -l) files," \
        "$(du -sk "fuzz/corpus/$t" | cut -f1) KiB"
    done
    exit 0
    ;;
esac

# ---- short runs (CI) ---------------------------------------------------------------------------

build_targets "${targets[@]}"
run_target() {
  local rc=0
  timed "$build/$1.cpu" fuzz "$1" "$build/$1.log" -max_total_time="$seconds" || rc=$?
  echo $rc >"$build/$1.rc"
}

jobs_max="${BREVRA_FUZZ_JOBS:-$(nproc)}"
for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$jobs_max" ]; do wait -n || true; done
  echo "fuzz.sh: $t for ${seconds}s"
  run_target "$t" &
done
wait

summary="$build/fuzz-summary.txt"
printf '%-20s %8s %12s %10s %10s %8s %s\n' target seconds executions exec/s exec/cpu-s corpus \
  result >"$summary"
failed=0
for t in "${targets[@]}"; do
  log="$build/$t.log"
  rc=$(cat "$build/$t.rc")
  runs=$(executions_in "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  size=$(find "$build/corpus/$t" -type f | wc -l)
  cpu=$(cat "$build/$t.cpu")
  per_cpu=$([ "$cpu" -gt 0 ] && echo $((runs * 1000 / cpu)) || echo -)
  result=ok
  if [ "$rc" -ne 0 ]; then
    result="FINDING (exit $rc; see $log and $build/findings/$t/)"
    failed=1
    grep -E 'ERROR|SUMMARY|fuzz check failed|runtime error' "$log" | head -5 >&2 || true
  fi
  printf '%-20s %8s %12s %10s %10s %8s %s\n' "$t" "$seconds" "$runs" "${rate:-?}" "$per_cpu" \
    "$size" "$result" >>"$summary"
done
cat "$summary"
exit $failed
