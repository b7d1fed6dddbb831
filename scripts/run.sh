#!/usr/bin/env bash
# Installs what is missing, builds the program (and lumiro-db) and starts it; arguments are
# passed on to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}"

BUILD_DIR=${LUMIRO_BUILD_DIR:-build/release}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
exec "$BUILD_DIR/src/app/lumiro" "$@"
