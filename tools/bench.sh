#!/usr/bin/env bash
# Builds the benchmarks the way users build the library (the default build type, RelWithDebInfo:
# -O2 -g) and runs them all (about 10 minutes on 2 cores).
#
#   tools/bench.sh [--quick]
#
# Build folder: build-bench/ (or $BREVRA_BENCH_DIR). Results: <build>/results/images.json and
# scene.json (Google Benchmark JSON, 5 repetitions, aggregates only), machine.txt, summary.md
# (the tables of docs/performance.md, every ratio from medians of the same run), scaling.csv, and
# the scaling chart docs/tree-scaling.png, and export.json and menus.json (the bush export and
# the menu frames; their tables in docs/performance.md are read from them by hand). The summary
# is printed at the end.
# --quick: a smoke run (1 repetition, images up to 1024, tree levels up to 3); its numbers are
# not for quoting, and it leaves the chart in docs/ alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BREVRA_BENCH_DIR:-build-bench}"
quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench-images bench-scene bench-startup-probe bench-plot demo_images \
  bench-export bench-menus fogliame-export -j"$(nproc)"

results="$(pwd)/$build/results"
mkdir -p "$results"
{
  echo "nproc: $(nproc)"
  lscpu | head -n 20
  echo
  free -h | head -n 2
  echo "transparent huge pages: $(cat /sys/kernel/mm/transparent_hugepage/enabled 2>/dev/null)"
  echo "GLIBC_TUNABLES for the runs: $([ "${BREVRA_BENCH_HUGEPAGES:-1}" = 1 ] && echo glibc.malloc.hugetlb=1 || echo none)"
} >"$results/machine.txt"

reps=5
images_extra=()
scene_extra=()
if [ "$quick" = 1 ]; then
  reps=1
  images_extra=(--quick)
  scene_extra=(--max-level 3)
fi
common=(--benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true
  --benchmark_out_format=json)

# Large blocks from malloc on transparent huge pages (where the kernel offers them on request):
# on a virtual machine a first touch of a fresh 4 KiB page costs microseconds, and the 4096 x 4096
# cases would measure nothing but that, equally for every contender (see docs/performance.md).
# BREVRA_BENCH_HUGEPAGES=0 runs with the usual 4 KiB pages.
if [ "${BREVRA_BENCH_HUGEPAGES:-1}" = 1 ]; then
  export GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1"
fi

"$build/bin/bench-images" "${images_extra[@]}" "${common[@]}" \
  --benchmark_out="$results/images.json"
"$build/bin/bench-scene" "${scene_extra[@]}" "${common[@]}" \
  --benchmark_out="$results/scene.json"

if [ "$quick" = 0 ]; then
  "$build/bin/bench-export" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
    --benchmark_out_format=json --benchmark_out="$results/export.json"
  "$build/bin/bench-menus" --benchmark_out_format=json --benchmark_out="$results/menus.json"
fi

python3 bench/summary.py "$results" --csv "$results/scaling.csv" >"$results/summary.md"
chart="$results/tree-scaling.png"
"$build/bin/bench-plot" "$results/scaling.csv" "$chart"
if [ "$quick" = 0 ]; then cp "$chart" docs/tree-scaling.png; fi

echo
cat "$results/machine.txt" | head -n 3
cat "$results/summary.md"
echo
echo "Results in $results (chart: $chart)"
