#!/usr/bin/env bash
# Builds the import and export benchmark (Release, no sanitizers) in build/bench and runs it:
# 20,000 RP7 cards and 300,000 ZAR rows out to the text file and back, against a plain copy.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target transfer_bench -j"$(nproc)"
exec "$BUILD_DIR/bench/transfer_bench" "$@"
