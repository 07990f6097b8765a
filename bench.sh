#!/usr/bin/env bash
# Installs what is missing, builds a Release with the benchmarks and runs them.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh bench
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTESS_BENCH=ON >/dev/null
cmake --build build-bench -j"$(nproc)"
for b in build-bench/bench/*_bench; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
done
echo "== frame times (headless flight)"
bench/flight_bench.sh build-bench
