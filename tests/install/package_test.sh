#!/usr/bin/env bash
# The Debian package as a user gets it: built by cpack from the build tree, its file list and
# control fields checked, its desktop entry, metainfo and manual pages validated, then unpacked
# into a temporary root and run from there with a fresh home folder.
#
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    "$@" || fail "$what"
}

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }

# --- the package -------------------------------------------------------------------------
# Built twice with SOURCE_DATE_EPOCH at the commit's time, as reproducible builds do: the two
# packages must be byte for byte the same.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null ||
    echo 1796947200)}
for run in package package-again; do
    if ! (cd "$build" && cpack -G DEB -B "$work/$run") >"$work/cpack.log" 2>&1; then
        cat "$work/cpack.log" >&2
        echo "FAIL: cpack -G DEB" >&2
        exit 1
    fi
done
deb_name=lumiro_${version}_$(dpkg --print-architecture).deb
deb=$work/package/$deb_name
[ -f "$deb" ] || { ls "$work/package" >&2; echo "FAIL: no package $deb" >&2; exit 1; }
cmp -s "$deb" "$work/package-again/$deb_name" ||
    fail "two packages of the same tree differ: $(cmp "$deb" "$work/package-again/$deb_name" 2>&1)"

# Debian's own checks: no error and no warning. The informational tags that remain are
# explained in cmake/Packaging.cmake.
if ! lintian --fail-on error,warning --no-tag-display-limit "$deb" >"$work/lintian.log" 2>&1; then
    cat "$work/lintian.log" >&2
    fail "lintian"
fi

# --- its files ---------------------------------------------------------------------------
dpkg-deb -c "$deb" >"$work/contents"
awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' "$work/contents" |
    sed 's|/$||' >"$work/files"
has() { grep -qxF "./$1" "$work/files" || fail "the package lacks $1"; }
has usr/bin/lumiro
has usr/bin/lumiro-db
has usr/share/applications/pl.lumiro.Lumiro.desktop
has usr/share/metainfo/pl.lumiro.Lumiro.metainfo.xml
has usr/share/man/man1/lumiro.1.gz
has usr/share/man/man1/lumiro-db.1.gz
has usr/share/doc/lumiro/copyright
has usr/share/doc/lumiro/changelog.gz
for size in 16 22 24 32 48 64 128 256; do
    has "usr/share/icons/hicolor/${size}x${size}/apps/lumiro.png"
done
# Every file of the installation tables, the guide and the help document, names with spaces
# and Polish letters included.
for folder in install LUMIRO help; do
    while IFS= read -r file; do
        has "usr/share/lumiro/$folder/$file"
    done < <(cd "$source/resources/$folder" && find . -type f | sed 's|^\./||')
done
outside=$(grep -v -e '^\./usr/' -e '^\./usr$' -e '^\./$' -e '^\.$' "$work/files" || true)
[ -z "$outside" ] || fail "files outside /usr: $outside"
owners=$(awk '$2 != "root/root"' "$work/contents")
[ -z "$owners" ] || fail "files not owned by root: $owners"
programs=$(awk '$6 == "./usr/bin/lumiro" || $6 == "./usr/bin/lumiro-db" { print $1 }' \
    "$work/contents" | sort -u)
[ "$programs" = "-rwxr-xr-x" ] || fail "programs' modes: $programs"

# --- its control fields ------------------------------------------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
check "package name" [ "$(field Package)" = lumiro ]
check "package version $(field Version)" [ "$(field Version)" = "$version" ]
check "a maintainer" [ -n "$(field Maintainer)" ]
check "a description" [ -n "$(field Description)" ]
depends=$(field Depends)
# The libraries dpkg-shlibdeps finds and what is loaded at run time without being linked.
for package in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libjpeg62-turbo \
    libcups2 qt6-qpa-plugins fonts-liberation2 qt6-translations-l10n; do
    grep -qE "(^|, )$package( |,|$)" <<<"$depends" || fail "Depends lacks $package: $depends"
done
dpkg-deb -I "$deb" >/dev/null || fail "dpkg-deb -I"

# --- unpacked ----------------------------------------------------------------------------
root=$work/root
dpkg -x "$deb" "$root"
entry=$root/usr/share/applications/pl.lumiro.Lumiro.desktop
metainfo=$root/usr/share/metainfo/pl.lumiro.Lumiro.metainfo.xml
desktop-file-validate "$entry" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    { cat "$work/appstream.log" >&2; fail "appstreamcli validate"; }
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the metainfo's newest release is not $version"
newest=$(zcat "$root/usr/share/doc/lumiro/changelog.gz" | head -n 1)
check "the changelog's newest entry is $version: $newest" \
    [ "$newest" = "lumiro ($version) unstable; urgency=medium" ]
for page in lumiro lumiro-db; do
    zcat "$root/usr/share/man/man1/$page.1.gz" | grep -qF "\"Lumiro $version\"" ||
        fail "manual page $page does not name version $version"
done
exec_line=$(sed -n 's/^Exec=//p' "$entry")
check "Exec names the installed program: $exec_line" [ -x "$root/usr/bin/${exec_line%% *}" ]
icon=$(sed -n 's/^Icon=//p' "$entry")
check "the entry's icon $icon is in the theme" \
    [ -f "$root/usr/share/icons/hicolor/48x48/apps/$icon.png" ]
for size in 16 22 24 32 48 64 128 256; do
    png=$root/usr/share/icons/hicolor/${size}x${size}/apps/lumiro.png
    dims=$(file -b "$png" | grep -o '[0-9]* x [0-9]*' || true)
    check "icon ${size}: $dims" [ "$dims" = "$size x $size" ]
done
for page in lumiro lumiro-db; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/usr/share/man/man1/$page.1.gz" \
        2>&1 >/dev/null || echo "man failed")
    [ -z "$warnings" ] || fail "manual page $page: $warnings"
done

# The unpacked program in a fresh home, started in a folder without tables: it makes
# ~/Lumiro from the package's own data, and the PDF's name counts from where it was started.
export HOME=$work/home
unset LUMIRO_HOME LUMIRO_DATA_DIR DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM || true
mkdir -p "$HOME" "$work/start"
cd "$work/start"
lumiro=$root/usr/bin/lumiro

check "--version" [ "$("$lumiro" --version)" = "lumiro $version" ]
help=$("$lumiro" --help) || fail "--help exit status"
for word in "rok RRRR" --home --pdf rp7; do
    grep -qF -- "$word" <<<"$help" || fail "--help does not name $word"
done
check "nothing made by --help" [ ! -e "$HOME/Lumiro" ]

if "$lumiro" --pdf rp7 rp7.pdf 2>"$work/stderr"; then
    pages=$(pdfinfo rp7.pdf | sed -n 's/^Pages: *//p')
    check "the demonstration data's Rp-7 is 8 pages, not $pages" [ "$pages" = 8 ]
    text=$(pdftotext rp7.pdf -)
    grep -qF "Kowalska Anna" <<<"$text" || fail "the Rp-7 lacks the first employee"
else
    fail "lumiro --pdf rp7 from the package: $(cat "$work/stderr")"
fi
check "the home folder holds the company table" [ -f "$HOME/Lumiro/FIRMA.DB" ]
check "the home folder holds the help document" [ -f "$HOME/Lumiro/help/lumiro_pomoc.html" ]
check "the start folder holds only the PDF" [ "$(ls -A)" = rp7.pdf ]

# Later starts use the folder as it is: the user's files and own copies of the documents stay.
echo "moje" >"$HOME/Lumiro/notatki.txt"
echo "moja pomoc" >"$HOME/Lumiro/help/lumiro_pomoc.html"
"$lumiro" --pdf rp7 one.pdf --employee 1 2>"$work/stderr" ||
    fail "a second run: $(cat "$work/stderr")"
check "the user's file stays" [ "$(cat "$HOME/Lumiro/notatki.txt")" = moje ]
check "the user's help document stays" \
    [ "$(cat "$HOME/Lumiro/help/lumiro_pomoc.html")" = "moja pomoc" ]
check "the second run's PDF" [ "$(pdfinfo one.pdf | sed -n 's/^Pages: *//p')" = 2 ]

# A home folder that cannot be made: exit status 1, one Polish sentence, no file.
touch "$work/plik"
status=0
LUMIRO_HOME=$work/plik/Lumiro "$lumiro" --pdf rp7 x.pdf 2>"$work/stderr" || status=$?
check "exit status $status for a home that cannot be made" [ "$status" = 1 ]
grep -q "Nie można utworzyć folderu roboczego" "$work/stderr" ||
    fail "message for a home that cannot be made: $(cat "$work/stderr")"
check "no PDF without a working folder" [ ! -e x.pdf ]

if [ "$failures" -ne 0 ]; then
    echo "$failures checks failed" >&2
    exit 1
fi
echo "package $deb: all checks passed"
