#!/usr/bin/env bash
# Builds the report engine's benchmark (Release, no sanitizers) in build/bench and runs it.
# Extra arguments go to the benchmark program, e.g. --benchmark_repetitions=3.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target reports_bench -j"$(nproc)"
exec "$BUILD_DIR/bench/reports_bench" "$@"
