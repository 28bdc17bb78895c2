#!/usr/bin/env python3
"""Corvane end to end, as a person would use it: starts the real `corvane --trace`
on a simulated KRV-80 at port 4264 with a whole-cycle encoder, in a real X window
under Xvfb, finds its controls by their accessible names where a screen reader
sees them on the screen (AT-SPI, in its own D-Bus session), clicks them with
xdotool, types into the Port and Encoder boxes and the entry, and checks the
port trace and the rig's lines on standard error. Saves a screenshot
(corvane.png) in the output folder.

Exits 0 when every check passes, 1 on the first that fails, and 77 (skipped)
when Xvfb cannot start a display at all, or there is no D-Bus session or pyatspi.

usage: panel_e2e.py --corvane BINARY --out DIR
"""

import argparse
import importlib.util
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import sys
import time

SKIPPED = 77
TWIPS_PER_PIXEL = 15
# The rig's panel (3810 twips high) and the heard line below it (510).
CLIENT_AREA = (4455 // TWIPS_PER_PIXEL, (3810 + 510) // TWIPS_PER_PIXEL)
SESSION_MARK = "CORVANE_PANEL_SESSION"


class Failure(Exception):
    pass


def wait_until(what, probe, timeout=20, interval=0.05):
    """Polls probe() until it returns something true, at most `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


def locate_controls():
    """Accessible name -> (left, top, width, height) on the screen, as a screen
    reader finds the controls over AT-SPI; the nearest to the window first."""
    import pyatspi

    def places():
        desktop = pyatspi.Registry.getDesktop(0)
        app = next((a for a in desktop if a is not None and a.name == "corvane"), None)
        found = {}
        level = [app] if app is not None else []
        while level:
            below = []
            for node in level:
                for child in node:
                    if child is None:
                        continue
                    # A label bears its control's name; only the control is worked.
                    if child.name and child.name not in found and child.getRole() != pyatspi.ROLE_LABEL:
                        box = child.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
                        found[child.name] = (box.x, box.y, box.width, box.height)
                    below.append(child)
            level = below
        return found if len(found) > 40 else None

    return wait_until("the panel's controls over AT-SPI", places, 30)


class Display:
    """A private Xvfb display, on the first free number."""

    def __init__(self, log_path):
        xvfb = shutil.which("Xvfb")
        if not xvfb:
            raise SystemExit(skip("Xvfb is not installed"))
        read_end, write_end = os.pipe()
        with open(log_path, "w") as log:
            self.process = subprocess.Popen(
                [xvfb, "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=log)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 15
        os.set_blocking(read_end, False)
        while not number.endswith(b"\n") and time.monotonic() < deadline and self.process.poll() is None:
            try:
                number += os.read(read_end, 16)
            except BlockingIOError:
                time.sleep(0.05)
        os.close(read_end)
        if not number.endswith(b"\n"):
            self.close()
            with open(log_path, encoding="utf-8", errors="replace") as log:
                error = log.read().strip().splitlines()[-3:]
            raise SystemExit(skip(f"Xvfb could not start a display: {' '.join(error) or 'no display number'}"))
        self.name = ":" + number.decode().strip()

    def close(self):
        stop(self.process)


def own_session(mark):
    """Runs this script again inside a D-Bus session of its own, so that its
    accessibility bus is nobody else's. Returns that run's exit code, or None
    when this already is that run."""
    if os.environ.get(mark) == "1":
        return None
    if not shutil.which("dbus-run-session"):
        return skip("dbus-run-session is not installed")
    env = dict(os.environ, **{mark: "1"})
    return subprocess.run(["dbus-run-session", "--", sys.executable, *sys.argv], env=env).returncode


def accessible_session(doc, mark):
    """The command line every end-to-end test takes (--corvane, --out), read
    inside a D-Bus session of the test's own where pyatspi can reach the
    accessibility bus. Returns (args, None) to go on, or (None, exit code)."""
    parser = argparse.ArgumentParser(description=doc.splitlines()[0])
    parser.add_argument("--corvane", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    rerun = own_session(mark)
    if rerun is not None:
        return None, rerun
    if importlib.util.find_spec("pyatspi") is None:
        return None, skip(f"pyatspi is not importable by {sys.executable}")
    return args, None


def skip(reason):
    print(f"SKIPPED: {reason}")
    return SKIPPED


def stop(process):
    if process.poll() is None:
        process.send_signal(signal.SIGTERM)
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


class Trace:
    """The program's standard error, read as it grows: whole lines of the trace
    and the rig only, whatever Qt may say in between."""

    LINE = re.compile(r"(in|out|define|wait|rig) |-?\d+\.\d\d$")

    def __init__(self, path, process):
        self.path = path
        self.process = process
        self.seen = 0

    def lines(self):
        with open(self.path, encoding="utf-8", errors="replace") as f:
            text = f.read()
        return [line for line in text[: text.rfind("\n") + 1].splitlines() if self.LINE.match(line)]

    def wait_for(self, last, timeout=30):
        """The lines after the ones already taken, up to and including `last`."""
        def probe():
            new = self.lines()[self.seen:]
            if last in new:
                return new[: new.index(last) + 1]
            if self.process.poll() is not None:
                raise Failure(f"corvane ended with code {self.process.returncode} before \"{last}\"")
            return None
        new = wait_until(f'"{last}" in the trace', probe, timeout)
        self.seen += len(new)
        return new

    def quiet(self, settle=0.3):
        """Checks that nothing more has been written, after a short settle."""
        time.sleep(settle)
        extra = self.lines()[self.seen:]
        if extra:
            raise Failure(f"unexpected traffic: {extra[:5]}")


class Panel:
    """The window on the screen, worked with xdotool."""

    def __init__(self, display):
        self.env = dict(os.environ, DISPLAY=display)
        found = wait_until("the Corvane window", lambda: self.xdotool(
            "search", "--onlyvisible", "--name", "^Corvane rel", check=False).split(), 60)
        self.window = found[0]
        geometry = dict(line.split("=", 1) for line in self.xdotool(
            "getwindowgeometry", "--shell", self.window).split())
        # No window manager: the window is its client area.
        size = (int(geometry["WIDTH"]), int(geometry["HEIGHT"]))
        check(size == CLIENT_AREA, f"window size {size}, expected the client area {CLIENT_AREA}")
        # Without a window manager nobody gives the window the keyboard.
        self.xdotool("windowfocus", "--sync", self.window)
        self.places = locate_controls()

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True, timeout=30)
        if check and result.returncode != 0:
            raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
        return result.stdout

    def click(self, name, at=None):
        """Clicks a control by its accessible name: at its centre, or at (x, y) pixels inside it."""
        if name not in self.places:
            raise Failure(f"no control named {name!r} among {sorted(self.places)}")
        left, top, width, height = self.places[name]
        x, y = at if at else (width // 2, height // 2)
        self.xdotool("mousemove", "--sync", str(left + x), str(top + y), "click", "1")

    def type_into(self, name, text):
        """Clicks into a text box, selects what it holds and types over it."""
        self.click(name, at=(8, self.places[name][3] // 2))
        self.xdotool("key", "ctrl+a")
        self.xdotool("type", "--delay", "30", text)

    def screenshot(self, path):
        """Saves the window once two shots in a row agree (painting has settled)."""
        def settled():
            previous = open(path, "rb").read() if os.path.exists(path) else None
            subprocess.run(["import", "-window", self.window, path], env=self.env, check=True, timeout=30)
            return open(path, "rb").read() == previous
        if os.path.exists(path):
            os.remove(path)
        wait_until("the window to settle for a screenshot", settled, 10, interval=0.2)


def check(condition, message):
    if not condition:
        raise Failure(message)


def expect_lines(got, expected, what):
    check(got == expected, f"{what}:\n  got      {got}\n  expected {expected}")


def rig_lines(lines):
    return [line for line in lines if line.startswith("rig ")]


def png_size(path):
    with open(path, "rb") as f:
        header = f.read(24)
    check(header[:8] == b"\x89PNG\r\n\x1a\n", f"{path} is not a PNG")
    return struct.unpack(">II", header[16:24])


def run(args, display):
    trace_path = os.path.join(args.out, "trace.txt")
    env = dict(os.environ, DISPLAY=display.name, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    # Ended by a signal below, as closing the window needs a window manager;
    # what Qt and the X libraries keep until exit is not a leak of ours.
    env["ASAN_OPTIONS"] = "detect_leaks=0:" + env.get("ASAN_OPTIONS", "")
    env.pop("WAYLAND_DISPLAY", None)
    rigctld_port = free_loopback_port()
    with open(trace_path, "w") as trace_file:
        corvane = subprocess.Popen(
            [args.corvane, "--no-settings", "--trace", "--rig-model", "KRV-80", "--rig-port", "4264",
             "--rig-encoder", "2", f"--rigctld={rigctld_port}"],
            env=env, stdout=subprocess.DEVNULL, stderr=trace_file)
    try:
        trace = Trace(trace_path, corvane)
        startup = trace.wait_for("define 26 1 4")
        # The rig sits at 4264: start-up's RIT-off read at 890 finds no port.
        check(startup[:2] == ["in 890 255", "out 890 253"], f"start-up traffic: {startup}")
        check(not rig_lines(startup), f"start-up moved the rig: {rig_lines(startup)}")

        panel = Panel(display.name)
        try:
            drive(panel, trace, args.out)
            stop_a_run(panel, trace, rigctld_port)
            end_during_a_key_press(panel, trace, corvane)
        except Failure:
            # What the window showed when it went wrong, if it still shows anything.
            try:
                panel.screenshot(os.path.join(args.out, "failure.png"))
            except (Failure, subprocess.SubprocessError):
                pass
            raise
    finally:
        stop(corvane)


def drive(panel, trace, out):
    """What the operator does, each action checked against the trace."""
    panel.click("KRV-80")
    panel.type_into("Port base address, decimal", "4264")
    panel.type_into("Encoder kind, 1 or 2", "2")
    trace.quiet()

    panel.click("Up 1 step")  # a whole cycle on 4264
    expect_lines(trace.wait_for("in 4264 255"),
                 ["out 4264 251", "wait 3", "out 4264 243", "wait 3", "out 4264 247", "wait 3",
                  "out 4264 255", "rig 3560.20 3560.20 200 off", "wait 3", "in 4264 255"], "up 1 step")

    panel.click("RIT on", at=(10, 8))
    expect_lines(trace.wait_for("rig 3560.20 3560.20 200 on"),
                 ["out 4266 254", "rig 3560.20 3560.20 200 on"], "RIT ON")

    panel.click("Down 5 steps")  # on receive only
    lines = trace.wait_for("in 4264 255")
    expect_lines(rig_lines(lines), [f"rig 3560.20 {khz} 200 on" for khz in
                                    ("3560.15", "3560.10", "3560.05", "3560.00", "3559.95")], "dn 5 steps")
    panel.screenshot(os.path.join(out, "corvane.png"))

    panel.click("RIT off", at=(10, 8))
    expect_lines(trace.wait_for("rig 3560.20 3560.20 200 off"),
                 ["out 4266 255", "rig 3560.20 3560.20 200 off"], "RIT OFF")

    panel.click("Step size")  # the long press
    lines = trace.wait_for("rig 3560.20 3560.20 50 off")
    expect_lines(lines, ["out 4265 254", "wait 2", "out 4265 255", "rig 3560.20 3560.20 50 off"],
                 "Step size")
    trace.wait_for("wait 2")
    panel.click("Step size")
    trace.wait_for("rig 3560.20 3560.20 200 off")
    trace.wait_for("wait 2")

    panel.type_into("Freq entry, kilohertz", "3550.5")
    panel.click("Go to the entered frequency")  # E: 2 steps of 50 Hz, then 48 of 200 Hz
    lines = trace.wait_for("rig 3550.50 3550.50 200 off")
    rigs = rig_lines(lines)
    check(len(rigs) == 52 and rigs[0] == "rig 3560.20 3560.20 50 off" and
          rigs[2] == "rig 3560.10 3560.10 50 off" and rigs[3] == "rig 3560.10 3560.10 200 off",
          f"E to 3550.5: {len(rigs)} rig lines, starting {rigs[:4]}")

    for key in ("Clear the entry", "3", "5", "6", "0", "Go to the entered frequency"):
        panel.click(key)
    lines = trace.wait_for("rig 3560.00 3560.00 200 off")
    check(rig_lines(lines)[0] == "rig 3550.50 3550.50 50 off", f"E to 3560: {rig_lines(lines)[:2]}")

    panel.click("Annunciate")
    expect_lines(trace.wait_for("3560.00")[-4:], ["out 4265 254", "wait 1", "out 4265 255", "3560.00"],
                 "annunciate")

    # Everywhere, the rig's line follows the write that changed it.
    everything = trace.lines()
    for i, line in enumerate(everything):
        if line.startswith("rig "):
            check(everything[i - 1].startswith("out "), f"line {i + 1}: {line} after {everything[i - 1]}")
    width, height = png_size(os.path.join(out, "corvane.png"))
    check((width, height) == CLIENT_AREA, f"screenshot is {width}x{height}")


def free_loopback_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def ask_frequency(client):
    """The panel's record through its rigctld server, in Hz, and how long the answer took."""
    start = time.monotonic()
    client.sendall(b"f\n")
    answer = b""
    while not answer.endswith(b"\n"):
        chunk = client.recv(64)
        if not chunk:
            break
        answer += chunk
    return int(answer.decode().strip()), time.monotonic() - start


def stop_a_run(panel, trace, rigctld_port):
    """up 5k steps at "Low" (52 s with this encoder), Esc after about a second."""
    logger = socket.create_connection(("127.0.0.1", rigctld_port), timeout=5)
    with logger:
        panel.click("Up 5000 steps")
        trace.wait_for("rig 3560.20 3560.20 200 off")
        time.sleep(1)
        hz, took = ask_frequency(logger)
        check(took < 0.1 and 3_560_000 < hz < 3_600_000, f"f during the run: {hz} after {took:.3f} s")
        with socket.create_connection(("127.0.0.1", rigctld_port), timeout=5) as second:
            ask_frequency(second)
        panel.click("Down 1 step")  # held back until the run has ended
        panel.xdotool("key", "Escape")
        lines = trace.wait_for("in 4264 255", timeout=2)
        stopped = float(rig_lines(lines)[-1].split()[1])
        check(len(rig_lines(lines)) < 500, f"Esc stopped the run only after {len(rig_lines(lines))} steps")
        below = f"{stopped - 0.2:.2f}"
        expect_lines(rig_lines(trace.wait_for("in 4264 255", timeout=5)), [f"rig {below} {below} 200 off"],
                     "the click held back during the run, after it")
        hz, _ = ask_frequency(logger)
        check(f"{hz / 1000:.2f}" == below, f"after Esc the record says {hz} Hz, the rig {below} kHz")
    trace.quiet()


def end_during_a_key_press(panel, trace, corvane):
    """SIGTERM during the long key press: the release still goes out, then exit 0."""
    panel.click("Step size")
    trace.wait_for("out 4265 254")
    corvane.send_signal(signal.SIGTERM)
    expect_lines(trace.wait_for("out 4265 255"), ["wait 2", "out 4265 255"], "the key press under SIGTERM")
    try:
        code = corvane.wait(timeout=10)
    except subprocess.TimeoutExpired:
        raise Failure("corvane did not end within 10 s of SIGTERM")
    check(code == 0, f"corvane ended with code {code} after SIGTERM")


def main():
    args, done = accessible_session(__doc__, SESSION_MARK)
    if done is not None:
        return done
    for tool in ("xdotool", "import"):
        if not shutil.which(tool):
            print(f"FAILED: {tool} is not installed (scripts/test installs it)")
            return 1
    os.makedirs(args.out, exist_ok=True)
    display = Display(os.path.join(args.out, "xvfb.log"))
    os.environ["DISPLAY"] = display.name
    try:
        run(args, display)
    except Failure as failure:
        print(f"FAILED: {failure}\n(trace in {os.path.join(args.out, 'trace.txt')})")
        return 1
    finally:
        display.close()
    print(f"panel_e2e: every check passed; screenshot {os.path.join(args.out, 'corvane.png')}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
