#!/usr/bin/env bash
# Renders icon.svg to the PNG files of the hicolor icon theme in ../icons (needs rsvg-convert,
# Debian package librsvg2-bin). The PNG files are kept in the tree, so building never needs it.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
    out=../icons/hicolor/${size}x${size}/apps
    mkdir -p "$out"
    rsvg-convert --width "$size" --height "$size" icon.svg --output "$out/lumiro.png"
done
ls -l ../icons/hicolor/*/apps/lumiro.png
