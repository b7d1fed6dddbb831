#!/usr/bin/env bash
# Builds one benchmark program (Release, no sanitizers) in build/bench and runs it:
#   bash bench/run_target.sh TARGET [arguments for the program]
# Fixture files go under build/bench/fixtures (a real disk: durable writes on a tmpfs /tmp
# would cost nothing); LUMIRO_BENCH_DIR chooses another folder.
set -euo pipefail
cd "$(dirname "$0")/.."
target=$1
shift
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}" libbenchmark-dev libsqlite3-dev

BUILD_DIR=${LUMIRO_BENCH_BUILD_DIR:-build/bench}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_SANITIZE=OFF \
      -DLUMIRO_BUILD_TESTS=OFF -DLUMIRO_BUILD_BENCH=ON >/dev/null
cmake --build "$BUILD_DIR" --target "$target" -j"$(nproc)"
export LUMIRO_BENCH_DIR=${LUMIRO_BENCH_DIR:-$PWD/$BUILD_DIR/fixtures}
mkdir -p "$LUMIRO_BENCH_DIR"
exec "$BUILD_DIR/bench/$target" "$@"
