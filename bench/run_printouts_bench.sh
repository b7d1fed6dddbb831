#!/usr/bin/env bash
# Builds the printouts' benchmark (Release, no sanitizers) in build/bench and runs it: the Rp-7
# of 1,000 employees through the program's forms against a bare QPdfWriter.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target printouts_bench -j"$(nproc)"
exec "$BUILD_DIR/bench/printouts_bench" "$@"
