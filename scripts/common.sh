# Shared by run.sh and test.sh: package installation and the CMake build. Source it; it moves
# the shell to the repository root.

set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The packages that building the program and its tests needs on Debian 12.
BUILD_PACKAGES=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libgl-dev libasound2-dev)
# What the test suite needs beyond the build: the validators of the desktop entry and metainfo,
# an X server, a D-Bus session and the accessibility bus with its Python client, and amixer
# (alsa-utils), which changes the ALSA tests' virtual cards from another process, and
# systemd-analyze (systemd), which checks the restore unit.
TEST_PACKAGES=(desktop-file-utils appstream xvfb xauth dbus at-spi2-core python3-pyatspi
    alsa-utils systemd)
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

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages: ${missing[*]}. Install them as root (apt-get install)." >&2
            exit 1
        fi
        sudo=(sudo)
    fi
    echo "Installing missing packages: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
        "${missing[@]}"
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
