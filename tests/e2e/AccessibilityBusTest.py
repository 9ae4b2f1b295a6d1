#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program's window as a screen reader reads it over the accessibility bus (AT-SPI).

Starts a private X server, a private session bus and the accessibility bus launcher, runs the
program there with Qt's accessibility bridge on, and reads the window's tree with pyatspi: the
window's role and caption, the lists and the text field named by their labels, the soft keys,
the waveform frame, the focus on the device list at launch, and the window's layout on the
screen. No sound server is needed: the window comes up without one. Every process started here is
stopped here, by its PID.

    AccessibilityBusTest.py [--screen=WIDTHxHEIGHT] [--screenshot=PATH] PROGRAM CAPTION

On a screen that holds the desktop window (the default screen, 1024x768, does), the window keeps
the desktop size. On a screen that does not, as a phone's, the window fills the screen, keeps every
control on it with the soft keys along its bottom edge, and makes every control that takes a tap
tall enough for a finger. Once everything holds, a picture of the screen goes to PATH.

Debian's pyatspi is built for the system's Python, hence the interpreter above.
"""

import argparse
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# How long to wait for a process or the program's window before giving up. A guard against
# hanging on a busy machine, never a measure of speed: nothing is asserted about time.
PATIENCE_SECONDS = 120
BUS_LAUNCHER = "/usr/libexec/at-spi-bus-launcher"

DEVICE_LIST = "放音设备:"
FUNCTION_LIST = "功能:"
# The only static text before the text field is the meter's readout, hidden whenever the field
# shows: the field has no label.
TEXT_FIELD = ""
SOFT_KEYS = ["关于", "菜单"]
WAVEFORM_FRAME = "波形"
SIGNALS_BOX = "插入起始和结束编码"
START_BUTTON = "启动"

# The window's size on a screen that holds it, in logical pixels.
DESKTOP_WINDOW = (374, 498)
# The smallest height a finger hits reliably, in logical pixels.
TOUCH_TARGET = 44


class Failure(Exception):
    pass


def deadline():
    return time.monotonic() + PATIENCE_SECONDS


def read_line_from(fd, what):
    """The first line a process writes to the pipe fd, once it has written it."""
    until = deadline()
    data = b""
    while not data.endswith(b"\n"):
        remaining = until - time.monotonic()
        if remaining <= 0 or not select.select([fd], [], [], remaining)[0]:
            raise Failure(f"{what} did not come up")
        chunk = os.read(fd, 256)
        if not chunk:
            raise Failure(f"{what} ended before it came up")
        data += chunk
    os.close(fd)
    return data.decode().strip()


class Session:
    """The private X server, session bus and accessibility bus, and the program under them."""

    def __init__(self, work):
        self.work = work
        self.processes = []
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("WAYLAND_DISPLAY", "AT_SPI_BUS_ADDRESS", "PULSE_SERVER")}

    def start(self, name, command, pass_fds=(), env=None):
        log = open(os.path.join(self.work, name + ".log"), "wb")
        process = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=log,
                                   stderr=subprocess.STDOUT, pass_fds=pass_fds,
                                   env=env or self.env)
        log.close()
        self.processes.append((name, process))
        return process

    def log(self, name):
        with open(os.path.join(self.work, name + ".log"), "rb") as log:
            return log.read().decode(errors="replace")

    def start_display(self, screen):
        read_end, write_end = os.pipe()
        width, height = screen
        # The buses' clients open and close the display while they come up; by default the server
        # resets whenever its last client leaves, and refuses the program if it connects then.
        self.start("xvfb", ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                            f"{width}x{height}x24", "-nolisten", "tcp", "-noreset"],
                   pass_fds=(write_end,))
        os.close(write_end)
        self.env["DISPLAY"] = ":" + read_line_from(read_end, "Xvfb")

    def start_session_bus(self):
        read_end, write_end = os.pipe()
        self.start("session-bus", ["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                   f"--print-address={write_end}"], pass_fds=(write_end,))
        os.close(write_end)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = read_line_from(read_end, "the session bus")
        runtime = os.path.join(self.work, "xdg")
        os.mkdir(runtime, 0o700)
        self.env["XDG_RUNTIME_DIR"] = runtime

    def start_accessibility_bus(self):
        """Starts the launcher and waits until it answers for the accessibility bus, so that no
        client has the session bus start a second one."""
        from gi.repository import Gio, GLib

        launcher = self.start("at-spi-bus-launcher",
                              [BUS_LAUNCHER, "--launch-immediately", "--a11y=1"])
        bus = Gio.DBusConnection.new_for_address_sync(
            self.env["DBUS_SESSION_BUS_ADDRESS"],
            Gio.DBusConnectionFlags.AUTHENTICATION_CLIENT |
            Gio.DBusConnectionFlags.MESSAGE_BUS_CONNECTION, None, None)
        until = deadline()
        while time.monotonic() < until:
            if launcher.poll() is not None:
                raise Failure("the accessibility bus launcher ended:\n" +
                              self.log("at-spi-bus-launcher"))
            owned = bus.call_sync("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                  "org.freedesktop.DBus", "NameHasOwner",
                                  GLib.Variant("(s)", ("org.a11y.Bus",)), None,
                                  Gio.DBusCallFlags.NONE, -1, None)
            if owned.unpack()[0]:
                bus.close_sync(None)
                return
            time.sleep(0.1)
        raise Failure("the accessibility bus launcher never took its name")

    def start_program(self, program):
        env = dict(self.env)
        env["QT_QPA_PLATFORM"] = "xcb"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        # A socket nobody listens on: the program finds no sound server, quickly and for sure.
        env["PULSE_SERVER"] = "unix:" + os.path.join(self.work, "no-sound-server")
        return self.start("program", [program], env=env)

    def take_screenshot(self, path):
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        try:
            taken = subprocess.run(["import", "-window", "root", path], stdin=subprocess.DEVNULL,
                                   capture_output=True, env=self.env, timeout=PATIENCE_SECONDS)
        except subprocess.TimeoutExpired:
            raise Failure("import did not take the screenshot")
        if taken.returncode != 0:
            raise Failure(f"import could not take the screenshot:\n{taken.stderr.decode()}")

    def stop_all(self):
        # The buses' clients first, the X server last.
        for name, process in reversed(self.processes):
            if process.poll() is None:
                process.send_signal(signal.SIGTERM)
            try:
                process.wait(timeout=PATIENCE_SECONDS)
            except subprocess.TimeoutExpired:
                print(f"{name} did not end on SIGTERM; killing it", file=sys.stderr)
                process.kill()
                process.wait()


def descendants(accessible):
    for index in range(accessible.childCount):
        child = accessible.getChildAtIndex(index)
        if child is not None:
            yield child
            yield from descendants(child)


def labels_of(accessible):
    import pyatspi

    names = []
    for relation in accessible.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def role_name(pyatspi, accessible):
    """The role's name as this test spells it: newer accessibility libraries call a push button
    "button"."""
    if accessible.getRole() == pyatspi.ROLE_PUSH_BUTTON:
        return "push button"
    return accessible.getRoleName()


def in_list(pyatspi, accessible):
    """Whether the object is an entry of a drop-down list, or part of one."""
    parent = accessible.parent
    while parent is not None:
        if parent.getRole() == pyatspi.ROLE_COMBO_BOX:
            return True
        parent = parent.parent
    return False


def find_window(pyatspi, pid):
    """The program's top-level window once it is on the bus, or None."""
    desktop = pyatspi.Registry.getDesktop(0)
    for application in (desktop.getChildAtIndex(i) for i in range(desktop.childCount)):
        if application is not None and application.get_process_id() == pid:
            windows = [application.getChildAtIndex(i) for i in range(application.childCount)]
            return next((window for window in windows if window is not None), None)
    return None


def extents_of(pyatspi, accessible):
    extents = accessible.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return (extents.x, extents.y, extents.width, extents.height)


def read_layout(pyatspi, window, items, screen):
    """Where the window and its controls are on the screen: (check, expected, found) for every
    check."""
    window_extents = extents_of(pyatspi, window)
    if screen[0] >= DESKTOP_WINDOW[0] and screen[1] >= DESKTOP_WINDOW[1]:
        return [("the window's size", DESKTOP_WINDOW, window_extents[2:])]

    def described(item):
        return (role_name(pyatspi, item), item.name, extents_of(pyatspi, item))

    # What is hidden is neither seen nor tapped, wherever it would be: the Morse function hides
    # the waveform frame and the meter's readout.
    showing = [item for item in items if item.getState().contains(pyatspi.STATE_SHOWING)]
    tappable_roles = (pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_PUSH_BUTTON)
    tappable = [described(item) for item in showing if item.getRole() in tappable_roles]
    controls = tappable + [described(item) for item in showing
                           if item.getRole() == pyatspi.ROLE_TEXT]
    x, y, width, height = window_extents

    def inside(extents):
        return (extents[0] >= x and extents[1] >= y and extents[0] + extents[2] <= x + width
                and extents[1] + extents[3] <= y + height)

    # No window manager runs here, so nothing frames the window: its extents are its client area,
    # and the screen's available area is all of the screen.
    return [
        ("the window's extents", (0, 0) + screen, window_extents),
        ("the tappable controls showing",
         sorted([("combo box", DEVICE_LIST), ("combo box", FUNCTION_LIST),
                 ("check box", SIGNALS_BOX), ("push button", START_BUTTON)] +
                [("push button", name) for name in SOFT_KEYS]),
         sorted((role, name) for role, name, _ in tappable)),
        (f"the controls outside the window {window_extents}", [],
         [control for control in controls if not inside(control[2])]),
        ("the soft keys' bottom edges", [y + height] * len(SOFT_KEYS),
         [extents[1] + extents[3] for _, name, extents in tappable if name in SOFT_KEYS]),
        (f"the tappable controls under {TOUCH_TARGET} px tall", [],
         [control for control in tappable if control[2][3] < TOUCH_TARGET]),
    ]


def read_window(pyatspi, window, caption, screen):
    """What a screen reader finds in the window: (check, expected, found) for every check."""
    items = list(descendants(window))

    def named(role):
        return [item for item in items if item.getRole() == role]

    lists = named(pyatspi.ROLE_COMBO_BOX)
    fields = named(pyatspi.ROLE_TEXT)
    buttons = [item.name for item in named(pyatspi.ROLE_PUSH_BUTTON)]
    panels = [item.name for item in named(pyatspi.ROLE_PANEL)]
    # Newer Qt marks the current entry of a closed drop-down list focused as well: that is the
    # list's own focus within it, while the focus a reader announces is on the control.
    focused = [(role_name(pyatspi, item), item.name) for item in items
               if item.getState().contains(pyatspi.STATE_FOCUSED) and not in_list(pyatspi, item)]
    # A screen reader treats a dialog and a frame alike, as a top-level window.
    top_level = "dialog or frame"
    window_role = (top_level if window.getRole() in (pyatspi.ROLE_DIALOG, pyatspi.ROLE_FRAME)
                   else role_name(pyatspi, window))
    return [
        ("the window's role", top_level, window_role),
        ("the window's name", caption, window.name),
        ("the lists' names", [DEVICE_LIST, FUNCTION_LIST], [item.name for item in lists]),
        ("the lists' labels", [[DEVICE_LIST], [FUNCTION_LIST]], [labels_of(i) for i in lists]),
        ("the text fields' names", [TEXT_FIELD], [item.name for item in fields]),
        ("the text fields' labels", [[]], [labels_of(item) for item in fields]),
        ("the soft keys", SOFT_KEYS, [name for name in buttons if name in SOFT_KEYS]),
        ("the named panes", [WAVEFORM_FRAME], panels),
        ("what has the focus at launch", [("combo box", DEVICE_LIST)], focused),
    ] + read_layout(pyatspi, window, items, screen)


def run(program, caption, screen, screenshot):
    work = tempfile.mkdtemp(prefix="tsv-a11y-", dir="/tmp")
    session = Session(work)
    try:
        session.start_display(screen)
        session.start_session_bus()
        session.start_accessibility_bus()
        # pyatspi finds the accessibility bus through the session set up above.
        os.environ.update(session.env)
        import pyatspi

        process = session.start_program(program)
        # The window comes up, is named and takes the focus in steps of its own: read until
        # everything holds, and report what was last read if it never does.
        until = deadline()
        checks = []
        while True:
            if process.poll() is not None:
                raise Failure(f"the program ended with {process.returncode}:\n" +
                              session.log("program"))
            try:
                window = find_window(pyatspi, process.pid)
                if window is not None:
                    checks = read_window(pyatspi, window, caption, screen)
            except Exception as error:  # The tree changes under a reader while it comes up.
                print(f"reading again after: {error}", file=sys.stderr)
            if checks and all(expected == found for _, expected, found in checks):
                break
            if time.monotonic() > until:
                break
            time.sleep(0.2)
        if not checks:
            raise Failure("the program's window never showed on the accessibility bus; "
                          "the program wrote:\n" + session.log("program"))
        failed = 0
        for check, expected, found in checks:
            if expected == found:
                print(f"ok: {check}")
            else:
                failed += 1
                print(f"FAILED: {check}: expected {expected!r}, found {found!r}", file=sys.stderr)
        if failed:
            return 1
        if screenshot:
            session.take_screenshot(screenshot)
            print(f"screenshot: {screenshot}")
        return 0
    finally:
        session.stop_all()
        shutil.rmtree(work, ignore_errors=True)


def screen_size(text):
    size = re.fullmatch(r"([1-9][0-9]*)x([1-9][0-9]*)", text)
    if size is None:
        raise argparse.ArgumentTypeError(f"not a screen size such as 1024x768: {text!r}")
    return (int(size.group(1)), int(size.group(2)))


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--screen", type=screen_size, default=(1024, 768),
                        help="the private X server's screen size, WIDTHxHEIGHT")
    parser.add_argument("--screenshot", metavar="PATH",
                        help="where to write a picture of the screen once everything holds")
    parser.add_argument("program")
    parser.add_argument("caption")
    arguments = parser.parse_args()
    try:
        sys.exit(run(arguments.program, arguments.caption, arguments.screen,
                     arguments.screenshot))
    except Failure as failure:
        print(f"AccessibilityBusTest: {failure}", file=sys.stderr)
        sys.exit(1)
