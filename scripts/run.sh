#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds TarvixMixer and runs it. Without a display the window is
# shown on a virtual X server instead, photographed, and closed again.

source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

BUILD_DIR=build
PROGRAM="$BUILD_DIR/app/tarvixmixer"
SCREENSHOT="$BUILD_DIR/tarvixmixer-screenshot.png"
SCREENSHOT_DELAY=4

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    if [ -n "${WAYLAND_DISPLAY:-}" ] || [ "${XDG_SESSION_TYPE:-}" = wayland ]; then
        # A Wayland session: Qt picks its Wayland platform plugin there, XWayland or not.
        install_packages "${BUILD_PACKAGES[@]}" qt6-wayland
    else
        install_packages "${BUILD_PACKAGES[@]}"
    fi
    configure_and_build "$BUILD_DIR" -- tarvixmixer
    exec "$PROGRAM" "$@"
fi

echo "No display found (neither DISPLAY nor WAYLAND_DISPLAY is set): TarvixMixer will be shown" \
    "on a virtual X server (Xvfb), photographed after ${SCREENSHOT_DELAY} seconds and closed."
install_packages "${BUILD_PACKAGES[@]}" xvfb xauth imagemagick
configure_and_build "$BUILD_DIR" -- tarvixmixer

echo "Starting TarvixMixer under Xvfb..."
rm -f "$SCREENSHOT"
# xvfb-run gives the inner shell its own DISPLAY; -a picks a free display number.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    program=$1 screenshot=$2 delay=$3
    shift 3
    QT_QPA_PLATFORM=xcb "$program" "$@" &
    pid=$!
    sleep "$delay"
    if ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid"
        echo "TarvixMixer ended before the screenshot (exit code $?)." >&2
        exit 1
    fi
    import -window root "$screenshot"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
' run "$PROGRAM" "$SCREENSHOT" "$SCREENSHOT_DELAY" "$@"

echo "Screenshot saved to $(pwd)/$SCREENSHOT"
echo "TarvixMixer has been closed."
