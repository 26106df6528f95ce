#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds TarvixMixer's Debian package into build-package/ (Release build, no tests).
#
#   scripts/package.sh            build the package and print its path
#   scripts/package.sh --install  build it and install it with apt-get, which also pulls in the
#                                 libraries it depends on
#   scripts/package.sh --check    build, check the package with lintian, install it, start the
#                                 installed program with --version, validate the installed
#                                 desktop files, then remove the package again (what CI does)

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD_DIR=build-package
mode=${1:-}
case "$mode" in
"" | --install | --check) ;;
*)
    echo "Unknown argument '$mode': use --install or --check." >&2
    exit 2
    ;;
esac

install_packages "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"
rm -f "$BUILD_DIR"/tarvixmixer_*.deb
# Configured for /usr, where the package installs, so that the program's private library folder
# is Debian's multiarch one.
# The maintainer is whoever builds the package, named as Debian's tools name them.
maintainer="TarvixMixer developers"
if [ -n "${DEBEMAIL:-}" ]; then
    maintainer="${DEBFULLNAME:-$maintainer} <$DEBEMAIL>"
fi
configure_and_build "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr "-DTARVIX_MAINTAINER=$maintainer" --
(cd "$BUILD_DIR" && cpack -G DEB)
package=$(ls "$(pwd)/$BUILD_DIR"/tarvixmixer_*.deb)
echo "Package: $package"
dpkg-deb --field "$package" Package Version Depends Recommends

if [ -z "$mode" ]; then
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "$package"

if [ "$mode" = --check ]; then
    trap '"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get purge -y tarvixmixer' EXIT
    install_packages "${TEST_PACKAGES[@]}" "${PACKAGE_CHECK_PACKAGES[@]}"
    # Debian's checks of the package, pedantic ones too: any error or warning fails.
    lintian --pedantic --fail-on error,warning "$package"
    installed=$(command -v tarvixmixer)
    [ "$installed" = /usr/bin/tarvixmixer ] || {
        echo "tarvixmixer is not installed in /usr/bin (found: '$installed')." >&2
        exit 1
    }
    # No display: --version must answer before Qt's GUI starts.
    version=$(env -u DISPLAY -u WAYLAND_DISPLAY tarvixmixer --version)
    echo "Installed program says: $version"
    [ "$version" = "tarvixmixer $(dpkg-query -W -f='${Version}' tarvixmixer | sed 's/-[^-]*$//')" ]
    # A card from a state file, served by the plugin installed beside the program.
    env -u DISPLAY -u WAYLAND_DISPLAY tarvixmixer \
        --card-state tests/backends/alsa/cards/unknown-usb-audio-codec.state --list | grep -q '^alsa:CODEC'
    desktop-file-validate /usr/share/applications/com.tarvix.TarvixMixer.desktop
    appstreamcli validate --no-net --pedantic /usr/share/metainfo/com.tarvix.TarvixMixer.metainfo.xml
    for file in /usr/share/icons/hicolor/scalable/apps/com.tarvix.TarvixMixer.svg \
        /usr/share/icons/hicolor/48x48/mimetypes/application-x-tarvix-preset.png \
        /usr/share/mime/packages/com.tarvix.TarvixMixer.xml \
        /usr/share/man/man1/tarvixmixer.1.gz \
        /usr/lib/systemd/user/tarvixmixer-restore@.service; do
        [ -f "$file" ] || {
            echo "Missing from the installed package: $file" >&2
            exit 1
        }
    done
    # The user's manager, as systemd-analyze plays it, finds the installed program by name.
    runtime=$(mktemp -d)
    XDG_RUNTIME_DIR=$runtime systemd-analyze verify --user --man=no \
        "/usr/lib/systemd/user/tarvixmixer-restore@.service:tarvixmixer-restore@usb:1235:8210:A1.service"
    rm -rf "$runtime"
    echo "The installed package passed its checks."
fi
