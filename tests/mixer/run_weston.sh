#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs TEST on Qt's Wayland platform against a headless Weston of its own, drawn in software.
# PLUGINS is Qt's plugin folder. Exit code 77 (skipped) when weston or Qt's Wayland plugin
# (packages weston, qt6-wayland) is missing, unless TARVIX_REQUIRE_WAYLAND is set, as in CI.
set -euo pipefail
test_program=$1
plugins=$2

skip() {
    echo "SKIP: $1"
    [ -z "${TARVIX_REQUIRE_WAYLAND:-}" ] || exit 1
    exit 77
}
command -v weston >/dev/null || skip "weston is missing (package weston)"
compgen -G "$plugins/platforms/libqwayland-*.so" >/dev/null ||
    skip "Qt's Wayland platform plugin is missing (package qt6-wayland)"

runtime=$(mktemp -d)
chmod 700 "$runtime"
socket=tarvix-test
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --use-pixman --socket="$socket" \
    --idle-time=0 --log="$runtime/weston.log" &
weston=$!
trap 'kill "$weston" 2>/dev/null; wait "$weston" 2>/dev/null; rm -rf "$runtime"' EXIT

# The compositor is ready once its socket is there.
for _ in $(seq 100); do
    [ -S "$runtime/$socket" ] && break
    kill -0 "$weston" 2>/dev/null || break
    sleep 0.1
done
if [ ! -S "$runtime/$socket" ]; then
    echo "Weston did not start:" >&2
    cat "$runtime/weston.log" >&2
    exit 1
fi

# Mesa's EGL driver, which Qt's plugin brings up, is unloaded before the leak check and has no
# frame pointers: only the full unwinder reaches the frames the suppressions name.
env -u DISPLAY XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" QT_QPA_PLATFORM=wayland \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}fast_unwind_on_malloc=0" "$test_program"
