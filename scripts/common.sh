# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: package installation and the CMake build. Source it; it moves
# the shell to the repository root.

set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The packages that building the program and its tests needs on Debian 12.
# qt6-tools-dev and qt6-l10n-tools: Qt's LinguistTools (lupdate, lrelease) for the translations.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev libasound2-dev
    qt6-tools-dev qt6-l10n-tools)
# What the test suite needs beyond the build: the validators of the desktop entry and metainfo,
# an X server, a D-Bus session and the accessibility bus with its Python client, and amixer
# (alsa-utils), which changes the ALSA tests' virtual cards from another process, and
# systemd-analyze (systemd), which checks the restore unit, and the locale data that the preset
# test with a decimal comma generates its locale from, and Qt's own translations
# (qt6-translations-l10n).
TEST_PACKAGES=(desktop-file-utils appstream xvfb xauth dbus at-spi2-core python3-pyatspi
    alsa-utils systemd locales qt6-translations-l10n)
# The locales that the tests switch to.
TEST_LOCALES=(de_DE.UTF-8 fr_FR.UTF-8 es_ES.UTF-8)
# What the Wayland test (tests/mixer/run_weston.sh) needs: a compositor and Qt's Wayland plugin.
WAYLAND_TEST_PACKAGES=(weston qt6-wayland)
# What building the Debian package needs beyond the build: dpkg-shlibdeps computes its
# dependencies.
PACKAGE_PACKAGES=(dpkg-dev file)
# What scripts/package.sh --check runs on the package beyond the tests: lintian.
PACKAGE_CHECK_PACKAGES=(lintian)
# What tools/imagegen needs to redraw the images: Qt SVG and the word mark's font.
IMAGEGEN_PACKAGES=(qt6-svg-dev fonts-dejavu-core)

# Installs those of the named Debian packages that are not installed yet.
install_packages() {
    local missing=()
    local package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi

    echo "Installing missing packages: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        "${missing[@]}"
}

# Runs a command as root, through sudo where the shell is not root.
as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    elif command -v sudo >/dev/null; then
        sudo "$@"
    else
        echo "Run as root: $*" >&2
        exit 1
    fi
}

# Generates those of the named locales (such as de_DE.UTF-8) that are not installed yet.
generate_locales() {
    local name
    for name in "$@"; do
        local normalized="${name%%.*}.utf8"
        if locale -a 2>/dev/null | grep -qix "$normalized"; then
            continue
        fi
        echo "Generating the locale $name"
        as_root localedef -i "${name%%.*}" -f "${name#*.}" "$name"
    done
}

# configure_and_build BUILD_DIR [CMAKE_ARGUMENTS...] -- [TARGETS...]
configure_and_build() {
    local build_dir=$1
    shift
    local cmake_args=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do
        cmake_args+=("$1")
        shift
    done
    [ $# -gt 0 ] && shift
    local targets=()
    if [ $# -gt 0 ]; then
        targets=(--target "$@")
    fi

    cmake -S . -B "$build_dir" -G Ninja "${cmake_args[@]}"
    cmake --build "$build_dir" -j2 "${targets[@]}"
}
