#!/usr/bin/env bash
# Starts the program through its desktop entry on a virtual screen, as a menu would, and saves
# a picture of the screen: the check by eye that the entry, the icon theme's program and the
# first start in a fresh home folder come together.
#
# Usage: desktop_screenshot.sh ROOT OUTPUT.png [SECONDS]
#   ROOT     where the package is installed or unpacked (/ or a dpkg -x folder)
# Needs xvfb, imagemagick (import) and libglib2.0-bin (gio).
set -euo pipefail
root=$(cd "$1" && pwd)
output=$(realpath -m "$2")
wait_seconds=${3:-8}
entry=$root/usr/share/applications/pl.lumiro.Lumiro.desktop
[ -f "$entry" ] || { echo "no desktop entry at $entry" >&2; exit 1; }

work=$(mktemp -d)
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
cleanup() {
    [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X${display#:}" ] && break
    sleep 0.1
done

export DISPLAY=$display HOME=$work/home PATH=$root/usr/bin:$PATH
export XDG_DATA_DIRS=$root/usr/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}
unset LUMIRO_HOME LUMIRO_DATA_DIR QT_QPA_PLATFORM WAYLAND_DISPLAY || true
mkdir -p "$HOME"
cd "$HOME"
# gio runs the entry's Exec line itself and ends once the program is started; the program
# ends with the virtual screen.
gio launch "$entry" >"$work/program.log" 2>&1 &
program=$!
sleep "$wait_seconds"
import -display "$display" -window root "$output"
echo "saved $output; the working folder made: $(ls "$HOME/Lumiro" | tr '\n' ' ')"
