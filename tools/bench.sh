#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all (about 10 minutes on 2 cores).
#
#   tools/bench.sh [--quick]
#
# Build folder: build-bench/ (or $BREVRA_BENCH_DIR). Results: <build>/results/images.json and
# scene.json (Google Benchmark JSON, 5 repetitions, aggregates only), machine.txt, summary.md
# (the tables of docs/performance.md, every ratio from medians of the same run), scaling.csv, and
# the scaling chart docs/tree-scaling.png. The summary is printed at the end.
# --quick: a smoke run (1 repetition, images up to 1024, tree levels up to 3); its numbers are
# not for quoting, and it leaves the chart in docs/ alone.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BREVRA_BENCH_DIR:-build-bench}"
quick=0
if [ "${1:-}" = "--quick" ]; then quick=1; fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --target bench-images bench-scene bench-startup-probe bench-plot demo_images \
  -j"$(nproc)"

results="$(pwd)/$build/results"
mkdir -p "$results"
{
  echo "nproc: $(nproc)"
  lscpu | head -n 20
  echo
  free -h | head -n 2
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

"$build/bin/bench-images" "${images_extra[@]}" "${common[@]}" \
  --benchmark_out="$results/images.json"
"$build/bin/bench-scene" "${scene_extra[@]}" "${common[@]}" \
  --benchmark_out="$results/scene.json"

python3 bench/summary.py "$results" --csv "$results/scaling.csv" >"$results/summary.md"
chart="$results/tree-scaling.png"
"$build/bin/bench-plot" "$results/scaling.csv" "$chart"
if [ "$quick" = 0 ]; then cp "$chart" docs/tree-scaling.png; fi

echo
cat "$results/machine.txt" | head -n 3
cat "$results/summary.md"
echo
echo "Results in $results (chart: $chart)"
