#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real program's window as a screen reader reads it over the accessibility bus (AT-SPI).

Starts a private X server, a private session bus, the accessibility bus launcher and a private
PulseAudio with two null sinks, runs the program there with Qt's accessibility bridge on, and
reads the window's tree with pyatspi: the window's role and caption, the lists reading their
chosen entries beside their labels, the text field's name, the soft keys, the waveform frame,
the focus on the device list at launch, and the window's layout on the screen. Then it chooses
the second device and the meter with the keyboard, as a user does, and reads the lists again.
Every process started here is stopped here, by its PID.

    AccessibilityBusTest.py [--screen=WIDTHxHEIGHT] [--screenshot=PATH] [--english] PROGRAM CAPTION

On a screen that holds the desktop window (the default screen, 1024x768, does), the window keeps
the desktop size. On a screen that does not, as a phone's, the window fills the screen, keeps every
control on it with the soft keys along its bottom edge, and makes every control that takes a tap
tall enough for a finger. Once everything holds, a picture of the screen goes to PATH.

With --english the program runs on an English desktop: no text of the window may be Chinese, and
a message sent through the reader's interfaces turns Start into Stop and back by itself.

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

SOUND_SERVER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                            "pulse-test-server")
DEVICES = ["Test_Sink", "Second_Sink"]
FUNCTIONS = ["摩尔斯码", "分贝计"]
DEVICE_LIST = "放音设备:"
FUNCTION_LIST = "功能:"
# The only static text before the text field is the meter's readout, hidden whenever the field
# shows: the field has no label, and a name of its own.
TEXT_FIELD = "文本"
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

    def start_sound_server(self):
        """A private PulseAudio with the test sink and a second one, so that there is a device to
        choose."""
        self.sound_dir = os.path.join(self.work, "pa")
        started = subprocess.run([SOUND_SERVER, "start", self.sound_dir], stdin=subprocess.DEVNULL,
                                 capture_output=True, env=self.env, timeout=PATIENCE_SECONDS)
        if started.returncode != 0:
            raise Failure(f"the sound server did not start:\n{started.stderr.decode()}")
        server = started.stdout.decode().strip().splitlines()[-1].split("=", 1)[1]
        second = subprocess.run(["pactl", f"--server={server}", "load-module", "module-null-sink",
                                 "sink_name=second_sink", "rate=22500", "channels=1",
                                 "sink_properties=device.description=" + DEVICES[1]],
                                stdin=subprocess.DEVNULL, capture_output=True, env=self.env,
                                timeout=PATIENCE_SECONDS)
        if second.returncode != 0:
            raise Failure(f"no second sink:\n{second.stderr.decode()}")
        self.sound_server = server

    def start_program(self, program, english):
        env = {key: value for key, value in self.env.items()
               if key not in ("LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG")}
        # The language is the test's choice, never the machine's.
        if english:
            env.update(LANG="en_US.UTF-8", LANGUAGE="en_US:en")
        else:
            env["LANG"] = "zh_CN.UTF-8"
        env["QT_QPA_PLATFORM"] = "xcb"
        env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        env["PULSE_SERVER"] = self.sound_server
        return self.start("program", [program], env=env)

    def press_keys(self, pid, *keys):
        """Types keys into the program's window, as a user at its keyboard does."""
        try:
            found = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--pid",
                                    str(pid)], stdin=subprocess.DEVNULL, capture_output=True,
                                   env=self.env, timeout=PATIENCE_SECONDS)
            window = found.stdout.decode().split()[0]
            subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "--delay", "100",
                            *keys], stdin=subprocess.DEVNULL, check=True, env=self.env,
                           timeout=PATIENCE_SECONDS)
        except (subprocess.TimeoutExpired, subprocess.CalledProcessError, IndexError) as error:
            raise Failure(f"could not type {keys} into the window: {error}")

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
        if getattr(self, "sound_dir", None):
            subprocess.run([SOUND_SERVER, "stop", self.sound_dir], stdin=subprocess.DEVNULL,
                           env=self.env, timeout=PATIENCE_SECONDS)
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
         sorted([("combo box", DEVICES[0]), ("combo box", FUNCTIONS[0]),
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
        ("the lists' names, their chosen entries", [DEVICES[0], FUNCTIONS[0]],
         [item.name for item in lists]),
        ("the lists' labels", [[DEVICE_LIST], [FUNCTION_LIST]], [labels_of(i) for i in lists]),
        ("the text fields' names", [TEXT_FIELD], [item.name for item in fields]),
        ("the text fields' labels", [[]], [labels_of(item) for item in fields]),
        ("the soft keys", SOFT_KEYS, [name for name in buttons if name in SOFT_KEYS]),
        ("the named panes", [WAVEFORM_FRAME], panels),
        ("what has the focus at launch", [("combo box", DEVICES[0])], focused),
    ] + read_layout(pyatspi, window, items, screen)


def read_choice(pyatspi, window):
    """The lists' names and the names of their labels, in the window's order."""
    lists = [item for item in descendants(window) if item.getRole() == pyatspi.ROLE_COMBO_BOX]
    return ([item.name for item in lists], [labels_of(item) for item in lists])


def read_until(pyatspi, process, expected):
    """Reads the lists until they hold `expected` or patience runs out; returns what was read."""
    until = deadline()
    found = None
    while True:
        if process.poll() is not None:
            raise Failure(f"the program ended with {process.returncode}")
        try:
            found = read_choice(pyatspi, find_window(pyatspi, process.pid))
        except Exception as error:  # The tree changes under a reader while it switches.
            print(f"reading again after: {error}", file=sys.stderr)
        if found == expected or time.monotonic() > until:
            return found
        time.sleep(0.2)


# Han characters and the punctuation and full-width forms that go with them.
CHINESE = re.compile("[\u3000-\u303f\u3400-\u9fff\uf900-\ufaff\uff00-\uffef]")
ENGLISH_FUNCTIONS = ["Morse code", "Sound meter"]


def read_english_window(pyatspi, window):
    """What a reader finds in the English window: (check, expected, found) for every check."""
    items = [window] + list(descendants(window))
    lists = [item for item in items if item.getRole() == pyatspi.ROLE_COMBO_BOX]
    buttons = [item.name for item in items if item.getRole() == pyatspi.ROLE_PUSH_BUTTON]
    return [
        ("the texts in Chinese", [],
         [(role_name(pyatspi, item), item.name) for item in items if CHINESE.search(item.name)]),
        ("the lists' names", [DEVICES[0], ENGLISH_FUNCTIONS[0]], [item.name for item in lists]),
        ("the lists' labels", [["Device:"], ["Function:"]], [labels_of(item) for item in lists]),
        ("the buttons", ["About", "Menu", "Start"], sorted(buttons)),
    ]


def find_named(pyatspi, window, role, names):
    return next((item for item in descendants(window)
                 if item.getRole() == role and item.name in names), None)


def send_in_english(pyatspi, process, window):
    """Sends a short message as a reader's user does, through the text field's and the button's
    accessible interfaces: (check, expected, found) for what the button reads on the way."""
    field = find_named(pyatspi, window, pyatspi.ROLE_TEXT, ["Text"])
    button = find_named(pyatspi, window, pyatspi.ROLE_PUSH_BUTTON, ["Start"])
    if field is None or button is None:
        return [("the text field and the Start button", True, False)]
    field.queryEditableText().setTextContents("SOS")
    button.queryAction().doAction(0)
    # What the button reads from the press on, each change once, until it reads Start again
    # after Stop.
    read = []
    until = deadline()
    while time.monotonic() < until and read[-2:] != ["Stop", "Start"]:
        if process.poll() is not None:
            raise Failure(f"the program ended with {process.returncode}")
        name = button.name
        if name != "Start" or read:
            if not read or read[-1] != name:
                read.append(name)
        time.sleep(0.05)
    return [("the button while the message plays and after it", ["Stop", "Start"], read)]


def run(program, caption, screen, screenshot, english=False):
    work = tempfile.mkdtemp(prefix="tsv-a11y-", dir="/tmp")
    session = Session(work)
    try:
        session.start_display(screen)
        session.start_session_bus()
        session.start_accessibility_bus()
        session.start_sound_server()
        # pyatspi finds the accessibility bus through the session set up above.
        os.environ.update(session.env)
        import pyatspi

        process = session.start_program(program, english)
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
                    checks = (read_english_window(pyatspi, window) if english
                              else read_window(pyatspi, window, caption, screen))
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
        if english:
            for check, expected, found in send_in_english(pyatspi, process, window):
                if expected == found:
                    print(f"ok: {check}")
                else:
                    print(f"FAILED: {check}: expected {expected!r}, found {found!r}",
                          file=sys.stderr)
                    return 1
            return 0

        # The device list has the focus: Down chooses the next device, Tab moves on to the
        # function list, where Down chooses the meter. A reader hears each choice as it is made.
        labels = [[DEVICE_LIST], [FUNCTION_LIST]]
        for keys, names in ((["Down"], [DEVICES[1], FUNCTIONS[0]]),
                            (["Tab", "Down"], [DEVICES[1], FUNCTIONS[1]])):
            session.press_keys(process.pid, *keys)
            found = read_until(pyatspi, process, (names, labels))
            check = f"the lists after {'+'.join(keys)}"
            if found == (names, labels):
                print(f"ok: {check}")
            else:
                failed += 1
                print(f"FAILED: {check}: expected {(names, labels)!r}, found {found!r}",
                      file=sys.stderr)
        return 1 if failed else 0
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
    parser.add_argument("--english", action="store_true",
                        help="run the window in English and send a message through it")
    parser.add_argument("program")
    parser.add_argument("caption")
    arguments = parser.parse_args()
    try:
        sys.exit(run(arguments.program, arguments.caption, arguments.screen,
                     arguments.screenshot, arguments.english))
    except Failure as failure:
        print(f"AccessibilityBusTest: {failure}", file=sys.stderr)
        sys.exit(1)
