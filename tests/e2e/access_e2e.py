#!/usr/bin/env python3
"""Corvane as a blind operator and a keyboard-only operator meet it: the real
program under Xvfb, read by a real accessibility client (pyatspi over AT-SPI, in
its own D-Bus session) and worked with xdotool keys only, never the mouse.

Checks that every control has a name and its role, that the labels are tied to
their displays, that each action is announced once (a name change of the
focused object, carrying the new name, what a screen reader speaks) however
many steps it runs,
that the model, the steps, "Freq entry" + Enter and RIT work from the keys, and
that Port and zoom survive a restart while the start-up traffic stays the same.

Exits 0 when every check passes, 1 on the first that fails, and 77 (skipped)
when there is no display, no D-Bus session or no pyatspi.

usage: access_e2e.py --corvane BINARY --out DIR
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import Display, Failure, Trace, accessible_session, check, stop, wait_until  # noqa: E402

SESSION_MARK = "CORVANE_ACCESS_SESSION"

ROLES = {  # name -> AT-SPI role name
    "Xmit freq, kilohertz": "text", "Rcv freq, kilohertz": "text", "Freq entry, kilohertz": "text",
    "Go to the entered frequency": "push button", "Decimal point": "push button", "Clear the entry": "push button",
    "Annunciate": "push button", "Up 500 steps": "push button", "Port base address, decimal": "combo box",
    "Encoder kind, 1 or 2": "combo box", "Rig model": "list", "Step speed": "list", "RIT on": "radio button",
}
# A label is named as its display is, so that a reader reading the label hears the unit.
TIED = ["Xmit freq, kilohertz", "Rcv freq, kilohertz", "Freq entry, kilohertz"]


class Reader:
    """The accessibility client: the application's tree and the events a screen reader acts on."""

    def __init__(self):
        import pyatspi
        from gi.repository import GLib
        self.pyatspi = pyatspi
        self.context = GLib.MainContext.default()
        self.named = []  # the new names of the focused object's name changes
        self.focused = None
        self.focus_path = None  # the object a reader follows: the last one to take the focus
        pyatspi.Registry.registerEventListener(self.on_event, "object:property-change:accessible-name",
                                               "object:state-changed:focused")

    def on_event(self, event):
        if event.type.startswith("object:state-changed:focused"):
            if event.detail1:
                self.focused = event.source.name
                self.focus_path = event.source.path
        elif event.source.path == self.focus_path:
            # What a screen reader speaks: the name the event carries, of the
            # object it follows (a control given its own name back once focus
            # has left it is not spoken; a list item still reports itself
            # focused when its list no longer is).
            self.named.append(str(event.any_data).strip())

    def pump(self, seconds=0.3):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            while self.context.pending():
                self.context.iteration(False)
            time.sleep(0.02)

    def app(self):
        desktop = self.pyatspi.Registry.getDesktop(0)
        return next((a for a in desktop if a is not None and a.name == "corvane"), None)

    def controls(self, role_wanted=None):
        found = {}
        def walk(node, depth):
            for child in node:
                if child is None:
                    continue
                if (child.getRoleName() == "label") == (role_wanted == "label"):
                    found.setdefault(child.name, child)
                if depth < 4:
                    walk(child, depth + 1)
        app = self.app()
        if app is not None:
            walk(app, 0)
        return found

    def take_announcements(self):
        self.pump()
        taken, self.named = self.named, []
        return taken


def check_tree(reader):
    controls = wait_until("the panel's accessible tree", lambda: len(reader.controls()) > 40 and reader.controls(),
                          30)
    for name, role in ROLES.items():
        check(name in controls, f"no control named {name!r} among {sorted(controls)}")
        check(controls[name].getRoleName() == role, f"{name!r} is a {controls[name].getRoleName()}, not a {role}")
    focusable = ("push button", "text", "list", "combo box", "radio button")
    unnamed = [c.getRoleName() for c in controls.values()
               if c.getRoleName() in focusable and not c.name and c.parent.getRoleName() != "combo box"]
    check(not unnamed, f"unnamed controls: {unnamed}")
    labels = reader.controls("label")
    for display in TIED:
        relations = labels[display].getRelationSet()
        targets = [r.getTarget(0).name for r in relations
                   if r.getRelationType() == reader.pyatspi.RELATION_LABEL_FOR]
        check(display in targets, f"label {display!r} is tied to {targets}")
    return controls


class Keys:
    def __init__(self, display, reader):
        self.env = dict(os.environ, DISPLAY=display)
        self.reader = reader
        found = wait_until("the Corvane window", lambda: self.xdotool(
            "search", "--onlyvisible", "--name", "^Corvane rel").split(), 60)
        self.window = found[0]
        self.xdotool("windowfocus", "--sync", self.window)

    def xdotool(self, *args):
        return subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=30).stdout

    def press(self, *keys):
        self.xdotool("key", "--delay", "40", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def tab_to(self, name):
        for _ in range(60):
            self.reader.pump(0.1)
            if self.reader.focused == name:
                return
            self.press("Tab")
        raise Failure(f"Tab never reached {name!r} (last {self.reader.focused!r})")

    def size(self):
        geometry = dict(line.split("=", 1) for line in self.xdotool("getwindowgeometry", "--shell",
                                                                      self.window).split())
        return int(geometry["WIDTH"]), int(geometry["HEIGHT"])


def start(args, display, config, name):
    env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb", XDG_CONFIG_HOME=config,
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", ASAN_OPTIONS="detect_leaks=0")
    path = os.path.join(args.out, name)
    with open(path, "w") as log:
        process = subprocess.Popen([args.corvane, "--trace", "--rig-model", "KRV-80", "--rig-port", "4264"],
                                   env=env, stdout=subprocess.DEVNULL, stderr=log)
    trace = Trace(path, process)
    return process, trace, trace.wait_for("define 26 1 4")


def announced(reader, *says):
    got = reader.take_announcements()
    check(got == list(says), f"announcements: {got}, expected {list(says)}")


def first_run(args, display, config, reader):
    corvane, trace, startup = start(args, display, config, "first.txt")
    try:
        check_tree(reader)
        keys = Keys(display.name, reader)
        keys.tab_to("Port base address, decimal")
        keys.press("ctrl+a")
        keys.type("4264")
        keys.tab_to("Rig model")
        keys.press("Down", "Up")  # through KRV-40 to the first model, KRV-80
        trace.quiet()
        reader.take_announcements()
        keys.tab_to("7")
        keys.press("Prior")  # PgUp: 25 steps, one announcement
        trace.wait_for("rig 3565.00 3565.00 200 off")
        announced(reader, "3565 kilohertz")
        keys.tab_to("Freq entry, kilohertz")
        keys.type("3550.5")
        keys.press("Return")
        trace.wait_for("rig 3550.50 3550.50 200 off")
        announced(reader, "going to 3550.5 kilohertz", "3550.5 kilohertz")
        keys.press("alt+r")
        trace.wait_for("rig 3550.50 3550.50 200 on")
        announced(reader, "RIT on, transmit 3550.5 kilohertz, receive 3550.5 kilohertz")
        keys.press("ctrl+plus")
        wait_until("the zoomed window", lambda: keys.size() == (371, 360), 10)
        reader.pump(0.5)  # the settings are written from the event loop
    finally:
        stop(corvane)
    return startup


def second_run(args, display, config, reader, first_startup):
    corvane, trace, startup = start(args, display, config, "second.txt")
    try:
        check(startup == first_startup, f"start-up traffic changed:\n{startup}\n{first_startup}")
        keys = Keys(display.name, reader)
        wait_until("the remembered zoom", lambda: keys.size() == (371, 360), 10)
        keys.tab_to("Annunciate")
        keys.press("Up")  # a step at the remembered Port, 4264
        trace.wait_for("rig 3560.20 3560.20 200 off")
    finally:
        stop(corvane)


def main():
    args, done = accessible_session(__doc__, SESSION_MARK)
    if done is not None:
        return done
    os.makedirs(args.out, exist_ok=True)
    display = Display(os.path.join(args.out, "xvfb.log"))
    os.environ["DISPLAY"] = display.name
    try:
        reader = Reader()
        with tempfile.TemporaryDirectory() as config:
            startup = first_run(args, display, config, reader)
            second_run(args, display, config, reader, startup)
    except Failure as failure:
        print(f"FAILED: {failure}\n(traces in {args.out})")
        return 1
    finally:
        display.close()
    print("access_e2e: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
