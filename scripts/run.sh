#!/usr/bin/env bash
# Installs what is missing, builds the program (and lumiro-db) and starts it in its working
# folder; arguments are passed on to the program (for example: rok 2004).
#
# The working folder holds FIRMA.DB, KAD.DB and the data folder BAZA. It is
# ${LUMIRO_HOME:-$HOME/Lumiro}; a folder that does not exist yet or is empty first receives
# the installation tables (resources/install). A folder that already holds files is used as
# it is, so LUMIRO_HOME may name the folder of an older release, whose year folders the
# program then carries into BAZA\KADRY.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"

BUILD_DIR=${LUMIRO_BUILD_DIR:-build/release}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DLUMIRO_BUILD_TESTS=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
PROGRAM=$(cd "$BUILD_DIR/src/app" && pwd)/lumiro

HOME_DIR=${LUMIRO_HOME:-$HOME/Lumiro}
if [ ! -d "$HOME_DIR" ] || [ -z "$(ls -A "$HOME_DIR")" ]; then
    echo "Folder roboczy programu: $HOME_DIR (dane instalacyjne)"
    mkdir -p "$HOME_DIR"
    cp -R resources/install/. "$HOME_DIR/"
    chmod -R u+w "$HOME_DIR"
fi
# The guide documents and the help document live in the working folder too; missing ones
# are copied at every start, a user's own copies are left alone.
cp -Rn resources/LUMIRO resources/help "$HOME_DIR/"
cd "$HOME_DIR"
exec "$PROGRAM" "$@"
