#!/usr/bin/env python3
"""Corvane heard through a real screen reader: Orca (as Debian ships it, with
speech-dispatcher and espeak-ng, speaking to a null audio device) reads the
real program under Xvfb while xdotool works it. What Orca speaks is read from
its debug log ("SPEECH OUTPUT" lines).

For a step, a run, Step size, RIT on, annunciate, a keypad digit, a preset,
"E" and an entry "E" drops, the news is spoken exactly once; by mouse too,
where each click moves the focus: keypad clicks a third of a second apart,
"E", an edit of "Xmit freq" left by a click, an entry dropped right after
typing and Take, each spoken once, in order, as a line of its own after the
focus, never as a control's name; a focus change right after a 5000-step run
at High is spoken within a second.

Exits 0 when every check passes, 1 on the first that fails, and 77 (skipped)
when there is no display, no D-Bus session or Orca cannot start.

usage: orca_e2e.py --corvane BINARY --out DIR
"""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import panel_e2e  # noqa: E402
from panel_e2e import Display, Failure, accessible_session, check, skip, stop, wait_until  # noqa: E402

SESSION_MARK = "CORVANE_ORCA_SESSION"
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)' ?\{'established'")
# Centres of controls in the window at 100 %, in pixels (the layout's twips / 15).
class Orca:
    def __init__(self, out, env):
        self.log_path = os.path.join(out, "orca-debug.txt")
        if os.path.exists(self.log_path):
            os.remove(self.log_path)
        # Orca writes its debug log through a buffer; line by line, it can be
        # read while Orca speaks.
        launcher = (
            "import builtins, runpy, sys\n"
            "real = builtins.open\n"
            "log, orca = sys.argv[1:3]\n"
            "def opener(f, mode='r', buffering=-1, *a, **k):\n"
            "    return real(f, mode, 1 if f == log else buffering, *a, **k)\n"
            "builtins.open = opener\n"
            "sys.argv = [orca, '--replace', '--debug-file=' + log]\n"
            "runpy.run_path(orca, run_name='__main__')\n")
        with open(os.path.join(out, "orca-stderr.txt"), "w") as err:
            self.process = subprocess.Popen(["/usr/bin/python3", "-c", launcher, self.log_path, shutil.which("orca")],
                                            env=env, stdout=subprocess.DEVNULL, stderr=err)
        self.mark = 0

    def started(self, timeout=40):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline and self.process.poll() is None:
            if any("Screen reader on" in s for s in self.spoken_all()):
                return True
            time.sleep(0.2)
        return False

    def spoken_all(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as log:
                return [m.group(1) for m in map(SPOKEN.search, log) if m]
        except FileNotFoundError:
            return []

    def take(self):
        """What was spoken since the last take."""
        spoken = self.spoken_all()
        new, self.mark = spoken[self.mark:], len(spoken)
        return new

    def hear(self, text, timeout=20, settle=1.0, whole=False):
        """Waits until `text` is spoken (as a whole utterance, or within one),
        lets the speech settle, and checks it was spoken once."""
        heard = []
        def said(s):
            return s.strip() == text if whole else s.count(text)
        def probe():
            heard.extend(self.take())
            return any(map(said, heard))
        wait_until(f"Orca to speak {text!r}", probe, timeout, 0.05)
        time.sleep(settle)
        heard.extend(self.take())
        times = sum(map(said, heard))
        check(times == 1, f"{text!r} spoken {times} times: {heard}")
        return heard


def environment(out, display):
    home = os.path.join(out, "home")
    shutil.rmtree(home, ignore_errors=True)
    config = os.path.join(home, ".config")
    runtime = os.path.join(home, "runtime")
    for d in (config, runtime, os.path.join(config, "speech-dispatcher")):
        os.makedirs(d, exist_ok=True)
    os.chmod(runtime, 0o700)
    # Speech to ALSA's null device: nothing to hear, everything still spoken.
    with open(os.path.join(config, "speech-dispatcher", "speechd.conf"), "w") as conf:
        conf.write('AudioOutputMethod "alsa"\nAudioALSADevice "null"\nDefaultModule espeak-ng\n'
                   'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\nLogLevel 3\n')
    return dict(os.environ, DISPLAY=display.name, HOME=home, XDG_CONFIG_HOME=config,
                XDG_DATA_HOME=os.path.join(home, ".local", "share"), XDG_RUNTIME_DIR=runtime,
                QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", ASAN_OPTIONS="detect_leaks=0")


class Panel(panel_e2e.Panel):
    """The panel test's window, worked with keys at the pace Orca keeps up with."""

    def press(self, *keys):
        self.xdotool("key", "--delay", "60", *keys)

    def click(self, name, at=None):
        # A move to where the pointer already is never ends with --sync.
        left, top, width, height = self.places.get(name, (0, 0, 0, 0))
        x, y = at if at else (width // 2, height // 2)
        if getattr(self, "pointer", None) == (left + x, top + y):
            self.xdotool("click", "1")
            return
        super().click(name, at)
        self.pointer = (left + x, top + y)


def session(args, env, orca):
    log = open(os.path.join(args.out, "corvane-stderr.txt"), "w")
    # The rig counts two steps where the panel counts one: a reading differs, and can be taken.
    corvane = subprocess.Popen([args.corvane, "--no-settings", "--model", "KRV-40", "--rig-model", "KRV-40",
                                "--rig-encoder", "2", "--rig-wpm", "40"], env=env,
                               stdout=subprocess.DEVNULL, stderr=log)
    try:
        panel = Panel(env["DISPLAY"])
        wait_until("Orca to read the panel", lambda: any("Encoder kind" in s for s in orca.take()), 30)
        panel.press("Tab", "Tab", "Tab")  # Port, Xmit freq, then "Down 5000 steps"
        wait_until("focus on a step button", lambda: any("Down 5000 steps" in s for s in orca.take()), 10)
        panel.press("Up")
        orca.hear("7040.2 kilohertz")
        panel.press("shift+Prior")  # 125 steps
        orca.hear("7065.2 kilohertz")
        panel.press("alt+s")
        orca.hear("50 hertz steps")
        panel.press("alt+s")
        orca.hear("200 hertz steps")
        panel.press("alt+r")
        orca.hear("RIT on, transmit 7065.2 kilohertz, receive 7065.2 kilohertz")
        panel.press("alt+r")
        orca.hear("RIT off, 7065.2 kilohertz")
        panel.press("alt+a")
        orca.hear("annunciate sent")
        panel.press("7")
        orca.hear("Freq entry 7")
        panel.click("Preset CHU")
        orca.hear("Freq entry 7335.8")
        panel.click("Clear the entry")
        orca.hear("Freq entry empty")
        panel.press("7", "0", "5", "0")  # the first figure takes the focus to the entry, the rest are typed there
        orca.hear("Freq entry 7")
        panel.click("Go to the entered frequency")
        heard = orca.hear("7050 kilohertz", whole=True)
        check(any("going to 7050 kilohertz" in s for s in heard), f"no target before the arrival: {heard}")
        panel.press("9", "9", "9", "9", "9")
        # Orca reads the entry's name afresh with each of its text events: one
        # still behind the news would take it as the old name and not speak it.
        orca.hear("Freq entry 9")
        panel.press("Return")
        orca.hear('Freq entry "99999" dropped')
        record = by_mouse(panel, orca)
        focus_after_a_long_run(panel, orca, record)
        explore_during_a_run(panel, orca)
        reading_on_the_heard_line(panel, orca)
        refused(panel, orca)
    finally:
        stop(corvane)
        log.close()


def heard_in_order(orca, lines, timeout=20, settle=1.0, focused=None):
    """Waits until each of `lines` has been spoken as an utterance of its own,
    lets the speech settle, and checks each was spoken once, in this order,
    and never within a control's presentation ("... push button"); and that
    the control `focused` was presented by its own name first."""
    heard = []
    def probe():
        heard.extend(orca.take())
        return all(line in heard for line in lines)
    try:
        wait_until(f"Orca to speak {lines}", probe, timeout, 0.05)
    except Failure as failure:
        raise Failure(f"{failure}; heard {heard}")
    time.sleep(settle)
    heard.extend(orca.take())
    for line in lines:
        check(heard.count(line) == 1, f"{line!r} spoken {heard.count(line)} times: {heard}")
        within = [s for s in heard if s != line and s.startswith(line + " ")]
        check(not within, f"{line!r} spoken as a control's name: {within}")
    check([heard.index(line) for line in lines] == sorted(heard.index(line) for line in lines),
          f"not in the order {lines}: {heard}")
    if focused:
        named = [i for i, s in enumerate(heard) if s.startswith(focused + " push button")]
        check(named and named[0] < heard.index(lines[0]), f"{focused!r} not presented by its own name first: {heard}")
    return heard


def by_mouse(panel, orca):
    """Each click moves the focus to what it clicks; its news follows as a line of its own."""
    panel.click("Clear the entry")
    heard_in_order(orca, ["Freq entry empty"])
    for key in "7005":
        panel.click(key)
        time.sleep(0.3)
    heard_in_order(orca, ["Freq entry 7", "Freq entry 70", "Freq entry 700", "Freq entry 7005"])
    panel.click("Go to the entered frequency")
    heard_in_order(orca, ["going to 7005 kilohertz", "7005 kilohertz"], focused="Go to the entered frequency")
    # Keys reach the program through the accessibility bus, clicks straight:
    # the click that leaves the box waits until the box holds what was typed.
    panel.type_into("Xmit freq, kilohertz", "7010")
    wait_until("the typing to arrive", lambda: text_of("Xmit freq, kilohertz") == "7010", 30, 0.1)
    panel.click("Rcv freq, kilohertz", at=(8, 8))  # leaving the box commits the edit
    heard_in_order(orca, ["7010 kilohertz"])
    panel.type_into("Freq entry, kilohertz", "99999")
    wait_until("the typing to arrive", lambda: text_of("Freq entry, kilohertz") == "99999", 30, 0.1)
    panel.click("Go to the entered frequency")  # it carried the news of the last "E" when it was left
    heard_in_order(orca, ['Freq entry "99999" dropped: not a frequency from 540 to 25000 kilohertz'],
                   focused="Go to the entered frequency")
    panel.click("Annunciate")
    heard = heard_in_order(orca, ["annunciate sent"])
    reading = re.compile(r"Heard '([\d.]+)': the rig is at")
    def differs():
        heard.extend(orca.take())
        return next((m.group(1) for m in map(reading.match, heard) if m), None)
    rig = wait_until("a reading that differs from the record", differs, 30)
    panel.click("Take the rig's frequency")
    taken = rig.rstrip("0").rstrip(".")
    heard = heard_in_order(orca, [f"{taken} kilohertz"])
    check(not any("Encoder" in s and taken in s for s in heard), f"Take spoken on the Encoder box: {heard}")
    check("Annunciate" not in heard, f"a name spoken again after Take: {heard}")
    return float(rig)


def focus_after_a_long_run(panel, orca, record):
    panel.click("High")
    # Round the panel (the heard line is a stop) to "Down 5000 steps".
    for _ in range(8):
        panel.press("Tab")
        if any("Down 5000 steps" in s for s in wait_for_speech(orca)):
            break
    else:
        raise Failure("Tab never reached \"Down 5000 steps\"")
    panel.press("space")  # 5000 steps down at High
    down = f"{record - 1000:.2f}".rstrip("0").rstrip(".")  # 5000 steps of 200 Hz
    orca.hear(f"{down} kilohertz", timeout=60, settle=0)
    start = time.monotonic()
    panel.press("Tab")
    wait_until("Orca to speak the new focus", lambda: any("Up 5000 steps" in s for s in orca.take()), 10, 0.02)
    took = time.monotonic() - start
    print(f"orca_e2e: focus change after a 5000-step run spoken after {took:.2f} s")
    check(took < 1.0, f"the focus change took {took:.2f} s to be spoken")


def explore_during_a_run(panel, orca):
    """At "Low", a run started by mouse: Tab moves the focus meanwhile and is
    spoken; in the model list an arrow moves the cursor at once and is spoken;
    the model it went to is chosen when the run has been stopped, and its
    record spoken once."""
    panel.click("Low")
    panel.click("Down 5000 steps")  # 26 s at "Low"
    start = time.monotonic()
    for _ in range(40):
        panel.press("Tab")
        said = []
        try:
            wait_until("the new focus spoken", lambda: said.extend(orca.take()) or said, 3, 0.05)
        except Failure:
            pass
        time.sleep(0.2)
        said.extend(orca.take())
        if any(s.startswith("Rig model") for s in said):
            break
    else:
        raise Failure("Tab never reached the model list during the run")
    panel.press("Down")
    wait_until("the model list's cursor on KRV-30 spoken", lambda: any("KRV-30" in s for s in orca.take()), 5, 0.02)
    took = time.monotonic() - start
    print(f"orca_e2e: during a run, the model list reached by Tab and its cursor moved, spoken {took:.1f} s in")
    check(took < 24, f"the cursor move was spoken {took:.1f} s into a run of 26 s")
    panel.press("Escape")
    orca.hear("10110 kilohertz", timeout=30)


def reading_on_the_heard_line(panel, orca):
    """With the focus on the heard line, whose name changes Orca ignores, a
    reading is spoken once as a notice."""
    for _ in range(40):
        panel.press("Tab")
        said = wait_for_speech(orca, 3)
        if any(s.startswith("Listening to") or s.startswith("Heard '") for s in said):
            break
    else:
        raise Failure("Tab never reached the heard line")
    panel.press("alt+a")
    orca.hear("notification Heard '", timeout=30)


def text_of(name):
    """The text of the panel's text box named `name`, read over AT-SPI."""
    import pyatspi
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "corvane"), None)
    box = app and pyatspi.findDescendant(app, lambda a: a is not None and a.name == name
                                         and a.getRole() == pyatspi.ROLE_TEXT)
    return box.queryText().getText(0, -1) if box else None


def wait_for_speech(orca, timeout=5):
    """What Orca speaks next, once it has been quiet for a moment."""
    heard = []
    def quiet():
        new = orca.take()
        heard.extend(new)
        return heard and not new
    try:
        wait_until("Orca to speak", quiet, timeout, 0.3)
    except Failure:
        pass
    return heard


def refused(panel, orca):
    """A step the Port refuses: its message box is read, the message once."""
    panel.click("Port base address, decimal", at=(8, 8))
    panel.press("ctrl+a")
    panel.xdotool("type", "--delay", "60", "abc")
    panel.press("Tab", "Up")  # a step from "Xmit freq"
    orca.hear('"abc"')
    panel.press("Return")


def main():
    args, done = accessible_session(__doc__, SESSION_MARK)
    if done is not None:
        return done
    if not shutil.which("orca") or not shutil.which("xdotool"):
        return skip("orca or xdotool is not installed")
    os.makedirs(args.out, exist_ok=True)
    display = Display(os.path.join(args.out, "xvfb.log"))
    # The controls are found over the accessibility bus, which is found through the display.
    os.environ["DISPLAY"] = display.name
    env = environment(args.out, display)
    subprocess.run(["gsettings", "set", "org.gnome.desktop.interface", "toolkit-accessibility", "true"], env=env,
                   capture_output=True)
    orca = Orca(args.out, env)
    try:
        if not orca.started():
            return skip(f"Orca could not start (see {args.out}/orca-stderr.txt)")
        orca.take()
        session(args, env, orca)
    except Failure as failure:
        print(f"FAILED: {failure}\n(logs in {args.out})")
        return 1
    finally:
        stop(orca.process)
        display.close()
    print("orca_e2e: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
