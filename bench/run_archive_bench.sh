#!/usr/bin/env bash
# Builds the archive benchmark (Release, no sanitizers) in build/bench and runs it: the archive
# of a data folder of 20,000 employees and 300,000 earnings rows against cp -r and sync.
# The fixture goes under build/bench/fixtures (a real disk); LUMIRO_BENCH_DIR chooses another.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target archive_bench -j"$(nproc)"
export LUMIRO_BENCH_DIR=${LUMIRO_BENCH_DIR:-$PWD/$BUILD_DIR/fixtures}
exec "$BUILD_DIR/bench/archive_bench" "$@"
