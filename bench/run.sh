#!/usr/bin/env bash
# Builds the compiler and its benchmarks in Release (build-bench), runs the
# Google Benchmark suite, then times the command line against cp of its
# outputs (compare.sh). Arguments go to the benchmark binary, e.g.
#   bench/run.sh --benchmark_filter=Largest
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DSCENARIOC_BENCH=ON \
  -DSCENARIOC_TESTS=OFF >/dev/null
cmake --build build-bench -j
echo "== benchmarks"
./build-bench/bench/scenarioc_bench "$@"
echo "== the language server: diagnostics after an edit of the largest scenario"
./build-bench/bench/scenarioc_lsp_bench "$@"
echo "== the command line against cp"
bench/compare.sh build-bench
