#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""TarvixMixer through the real accessibility bus, as a screen reader sees and drives it.

Run inside an X server and a D-Bus session of its own (run_accessibility.sh does both): starts
the program, finds it on the AT-SPI bus with pyatspi, checks that every control says what it is
and that the level sliders carry their dB read-outs, then drives the window with default actions
only: ticks "Phantom power, left", moves a slider, stores a preset with "Store preset…" and the
file dialog's "Save", and reads the file to prove the switch reached the device. Then it starts
the program with a preset file, which must be loaded, and with --simulator-panel, whose switches
must reach the main window as a device's would. A wait that times out is a failure. What needs no
accessibility bus (the boxes' states and actions, what a loaded preset shows) the C++ tests check.

Exit codes: 0 passed, 1 failed, 77 skipped because a needed package is missing.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMEOUT = float(os.environ.get("TARVIX_A11Y_TIMEOUT", "60"))

try:
    import pyatspi
except ImportError:
    print("SKIP: python3-pyatspi is not installed")
    sys.exit(SKIP)

NAMES = {
    "push button": ["Load preset…", "Store preset…"],
    "slider": ["Output level, left", "Output level, right", "Input gain, left",
               "Input gain, right"],
    "check box": ["Link output channels", "Output mute", "Link input channels", "Input mute",
                  "Phantom power, left", "Phantom power, right", "Loopback, left",
                  "Loopback, right", "Always on top"],
}
READ_OUT = re.compile(r"^(-?\d+(\.\d)? dB|-∞ dB|< -72 dB)$")

failures = []
program_process = None


def check(condition, message):
    print(("ok: " if condition else "FAILED: ") + message)
    if not condition:
        failures.append(message)
    return condition


def wait_for(what, probe):
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        if program_process is not None and program_process.poll() is not None:
            raise TimeoutError("the program ended (exit code %d) while waiting for %s"
                               % (program_process.returncode, what))
        try:
            result = probe()
        except Exception:  # the tree may change under us while the program starts
            result = None
        if result:
            return result
        time.sleep(0.2)
    raise TimeoutError("timed out waiting for " + what)


def find_application(pid):
    for app in pyatspi.Registry.getDesktop(0):
        if app is not None and app.get_process_id() == pid:
            return app
    return None


def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)


def controls(app):
    found = {}
    for node in walk(app):
        if node.getRoleName() in NAMES and node.name:
            found[(node.getRoleName(), node.name)] = node
    return found


def is_checked(node):
    return node.getState().contains(pyatspi.STATE_CHECKED)


def default_action(node):
    action = node.queryAction()
    check(action.nActions > 0, "'%s' has a default action (%s)" % (
        node.name, action.getName(0) if action.nActions else "none"))
    action.doAction(0)


def start(command, work):
    """Starts the program and returns it with its accessible application."""
    global program_process
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", XDG_CONFIG_HOME=work)
    process = program_process = subprocess.Popen(command, env=env)
    return process, wait_for("the program on the accessibility bus",
                             lambda: find_application(process.pid))


def stop(process):
    process.terminate()
    process.wait(timeout=30)


def test_window(program, work):
    preset = os.path.join(work, "reached-the-device.tarvix")
    process, app = start([program, "--backend", "simulator"], work)
    try:
        found = wait_for("the window's controls", lambda: (lambda c: c if len(c) >= 14 else None)(
            controls(app)))
        for role, names in NAMES.items():
            for name in names:
                check((role, name) in found, "a %s named '%s'" % (role, name))
        # Qt 6.4 names a combo box by its current item; what it is goes to its description.
        combos = [n for n in walk(app) if n.getRoleName() == "combo box"]
        check(len(combos) == 1 and combos[0].description == "Device"
              and combos[0].name.startswith("Tarvix"),
              "the device list says 'Device' and names the selected device")
        if failures:
            return

        sliders = [found[("slider", name)] for name in NAMES["slider"]]
        for slider in sliders:
            check(READ_OUT.match(slider.description or "") is not None,
                  "'%s' reads out '%s'" % (slider.name, slider.description))

        # A slider moved through its value interface: the read-out follows the device's level.
        slider = found[("slider", "Output level, left")]
        before = slider.description
        value = slider.queryValue()
        value.currentValue = max(value.minimumValue, value.currentValue - 12)
        wait_for("the new read-out", lambda: slider.description != before)
        check(READ_OUT.match(slider.description) is not None,
              "after a move '%s' reads out '%s' (was '%s')" % (slider.name, slider.description,
                                                                before))

        phantom = found[("check box", "Phantom power, left")]
        wanted = not is_checked(phantom)
        default_action(phantom)
        wait_for("the box to change", lambda: is_checked(phantom) == wanted)

        # Store the device's state, through the default actions of the button and the dialog.
        default_action(found[("push button", "Store preset…")])
        dialog = wait_for("the store dialog", lambda: next(
            (n for n in app if n is not None and n.getRoleName() in ("dialog", "file chooser")),
            None))
        name_field = wait_for("the file name field", lambda: next(
            (n for n in walk(dialog) if n.getRoleName() == "text"
             and n.getState().contains(pyatspi.STATE_EDITABLE)
             and n.getState().contains(pyatspi.STATE_FOCUSED)), None))
        name_field.queryEditableText().setTextContents(preset)
        save = next(n for n in walk(dialog)
                    if n.getRoleName() == "push button" and n.name.replace("&", "") == "Save")
        default_action(save)
        wait_for("the preset file", lambda: os.path.exists(preset) and os.path.getsize(preset))
        with open(preset, encoding="utf-8") as stored:
            document = stored.read()
        check("<PhantomLeft>%s</PhantomLeft>" % ("true" if wanted else "false") in document,
              "the device holds phantom power %s, as the box says" % wanted)
    finally:
        stop(process)


def test_preset_argument(program, work):
    preset = os.path.join(work, "argument.tarvix")
    with open(preset, "w", encoding="utf-8") as file:
        file.write('<?xml version="1.0" encoding="UTF-8"?>\n<Tarvix><Mixer><Output>'
                   "<VolumeLeft>-31.5</VolumeLeft><VolumeRight>-31.5</VolumeRight>"
                   "<Muted>false</Muted></Output></Mixer><Hid><PhantomLeft>true</PhantomLeft>"
                   "<PhantomRight>false</PhantomRight><LoopbackLeft>false</LoopbackLeft>"
                   "<LoopbackRight>true</LoopbackRight></Hid></Tarvix>\n")
    process, app = start([program, "--backend", "simulator", preset], work)
    try:
        # What a loaded preset shows in the window is the C++ tests'; here, that it is loaded.
        wait_for("the preset named on the command line to set the output to -31.5 dB",
                 lambda: controls(app).get(("slider", "Output level, left")).description
                 == "-31.5 dB")
    finally:
        stop(process)


def test_simulator_panel(program, work):
    process, app = start([program, "--simulator-panel"], work)
    try:
        panel = wait_for("the simulated hardware window", lambda: next(
            (n for n in app if n is not None and n.name == "Simulated hardware"), None))
        window = next(n for n in app if n is not None and n.name == "TarvixMixer")
        on_device = wait_for("the panel's switch", lambda: next(
            (n for n in walk(panel) if n.getRoleName() == "check box"
             and n.name == "Phantom power, left"), None))
        in_window = wait_for("the window's switch", lambda: next(
            (n for n in walk(window) if n.getRoleName() == "check box"
             and n.name == "Phantom power, left"), None))
        wanted = not is_checked(in_window)
        default_action(on_device)
        wait_for("phantom power turned on the simulated device to show in the main window",
                 lambda: is_checked(in_window) == wanted)
    finally:
        stop(process)


def main(program):
    work = tempfile.mkdtemp(prefix="tarvix-a11y-")
    for test in (test_window, test_preset_argument, test_simulator_panel):
        try:
            test(program, work)
        except TimeoutError as error:
            check(False, "%s: %s" % (test.__name__, error))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: tst_accessibility.py PROGRAM", file=sys.stderr)
        sys.exit(2)
    main(sys.argv[1])
    print("%d passed, %d failed" % (0 if failures else 1, 1 if failures else 0))
    sys.exit(1 if failures else 0)
