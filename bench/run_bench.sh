#!/usr/bin/env bash
# Builds the benchmarks (Release, no sanitizers) in build/bench and runs them. Extra
# arguments go to the benchmark program, e.g. --benchmark_filter=Rp7Open.
# Fixture files are written under build/bench/fixtures (a real disk: durable writes on a
# tmpfs /tmp would cost nothing); set LUMIRO_BENCH_DIR to put them elsewhere.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target lumiro_bench -j"$(nproc)"

export LUMIRO_BENCH_DIR=${LUMIRO_BENCH_DIR:-$PWD/$BUILD_DIR/fixtures}
exec "$BUILD_DIR/bench/lumiro_bench" --lumiro_summary="$BUILD_DIR/summary.md" "$@"
