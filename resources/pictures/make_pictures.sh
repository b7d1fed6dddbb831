#!/usr/bin/env bash
# Redraws splash.jpg and welcome.jpg in this folder (needs qt6-base-dev and a C++ compiler).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++20 -O1 -fPIC draw_pictures.cpp -o "$tmp/draw_pictures" $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$tmp/draw_pictures"
ls -l splash.jpg welcome.jpg
