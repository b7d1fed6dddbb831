#!/usr/bin/env bash
# Installs what is missing, builds the program (and lumiro-db) and starts it in its home
# working folder, as the desktop menu does; arguments are passed on to the program (for
# example: rok 2004).
#
# The program itself chooses and prepares the folder: ${LUMIRO_HOME:-$HOME/Lumiro}, filled
# from the installation data on the first start (lumiro(1), docs/man/lumiro.1). Here those
# data are the source tree's resources folder, laid out as an installation's share/lumiro.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"

BUILD_DIR=${LUMIRO_BUILD_DIR:-build/release}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
PROGRAM=$(cd "$BUILD_DIR/src/app" && pwd)/lumiro

export LUMIRO_DATA_DIR=$PWD/resources
exec "$PROGRAM" --home "$@"
