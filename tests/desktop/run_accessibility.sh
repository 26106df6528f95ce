#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs tst_accessibility.py against PROGRAM on an X server and a D-Bus session of its own; the
# accessibility bus starts on demand through D-Bus activation. Exit code 77 (skipped) only when
# a package the test needs is missing.
#
# -noreset: the bus launcher touches the display and leaves; an X server that reset when its last
# client left would refuse the program's connection for a moment.
set -euo pipefail
program=$1
here=$(dirname "${BASH_SOURCE[0]}")
for tool in xvfb-run dbus-run-session /usr/bin/python3 /usr/libexec/at-spi-bus-launcher; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is missing (packages xvfb, dbus, python3-pyatspi, at-spi2-core)"
        exit 77
    fi
done
exec xvfb-run -a -s "-screen 0 1024x768x24 -noreset" \
    dbus-run-session -- /usr/bin/python3 "$here/tst_accessibility.py" "$program"
