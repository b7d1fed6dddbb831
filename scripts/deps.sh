# Installs missing Debian packages. Sourced by the run and test scripts.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Instalowanie pakietów: ${missing[*]}"
        local sudo=""
        [ "$(id -u)" -ne 0 ] && sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# Packages every build needs (zlib for checksums, Qt 6 for the windows, libjpeg for the pictures).
BUILD_PACKAGES=(g++ cmake make pkg-config zlib1g-dev qt6-base-dev libjpeg62-turbo-dev)
# Packages only running the program needs (Qt's own dialog and menu texts in Polish).
RUN_PACKAGES=(qt6-translations-l10n)
# Packages only the tests need.
TEST_PACKAGES=(libgtest-dev pxlib-dev)
# The report engine: the CUPS client library, to check that a print job was taken.
BUILD_PACKAGES+=(libcups2-dev)
# Liberation Serif and Sans stand in for the forms' Times New Roman and Arial, width for width.
RUN_PACKAGES+=(fonts-liberation2)
# Printouts are read back with poppler's tools, and the printing test runs a private CUPS
# server (cups-core-drivers brings the pass-through filter its test queues need).
TEST_PACKAGES+=(fonts-liberation2 poppler-utils cups-daemon cups-core-drivers)
# The package test builds the Debian package, runs Debian's lintian on it and validates its
# desktop entry, metainfo and manual pages.
TEST_PACKAGES+=(dpkg-dev desktop-file-utils appstream man-db file lintian)
