#!/usr/bin/env python3
"""Corvane hears the rig through a real audio server: a private PulseAudio with
a null sink "rig" (the simulated rig plays into it) and a source made from its
monitor (the panel captures it, as it would the sound card's line input). The
real program runs in a real X window under Xvfb and is worked with xdotool.

The simulated rig sends a label before its frequency ("F 7040.00"). Checks
that after annunciate the heard line says the record agrees; that with the
panel's Encoder set unlike the rig's (a drifted record) it shows the
difference; that taking the rig's frequency (Alt+T) makes the record the
rig's own, with no port traffic; and, with verify by ear on (Alt+V), that "E"
ends "Arrived, verified by ear" where the rig arrived, and offers the rig's
frequency where the record has drifted. Controls are found over AT-SPI by
their accessible names, as in panel_e2e.

Exits 0 when every check passes, 1 on the first that fails, and 77 (skipped)
only when the audio server or Xvfb cannot start.

usage: hear_e2e.py --corvane BINARY --out DIR
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import Display, Failure, Panel, Trace, accessible_session, check, skip, stop, wait_until  # noqa: E402

SESSION_MARK = "CORVANE_HEAR_SESSION"


class AudioServer:
    """A PulseAudio of our own, in a private runtime folder, gone with close()."""

    def __init__(self, folder, log_path):
        self.env = dict(os.environ, XDG_RUNTIME_DIR=os.path.join(folder, "run"), HOME=os.path.join(folder, "home"))
        self.env.pop("PULSE_SERVER", None)
        for sub in ("run", "home"):
            os.makedirs(os.path.join(folder, sub), mode=0o700, exist_ok=True)
        self.process = None
        pulseaudio, pactl = shutil.which("pulseaudio"), shutil.which("pactl")
        if not pulseaudio or not pactl:
            raise SystemExit(skip("pulseaudio or pactl is not installed"))
        with open(log_path, "w") as log:
            self.process = subprocess.Popen(
                [pulseaudio, "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1", "--disallow-exit",
                 "-L", "module-native-protocol-unix",
                 "-L", "module-null-sink sink_name=rig sink_properties=device.description=Rig"],
                env=self.env, stdout=log, stderr=log)
        deadline = time.monotonic() + 15
        while self.pactl("info").returncode != 0:
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.close()
                raise SystemExit(skip(f"the audio server does not start (see {log_path})"))
            time.sleep(0.1)
        # Qt lists no monitor sources: the monitor, remapped, is an input like a line input.
        result = self.pactl("load-module", "module-remap-source", "master=rig.monitor", "source_name=rig_in",
                            "source_properties=device.description=RigIn")
        if result.returncode != 0:
            self.close()
            raise Failure(f"cannot make the rig's input: {result.stderr.strip()}")

    def pactl(self, *args):
        return subprocess.run(["pactl", *args], env=self.env, capture_output=True, text=True, timeout=10)

    def close(self):
        if self.process:
            stop(self.process)


def heard_lines(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return [line[len("heard: "):] for line in f.read().splitlines() if line.startswith("heard: ")]


def wait_heard(path, seen, corvane, timeout=60):
    """The first line the heard line shows after the `seen` ones, other than 'Listening...'."""
    def probe():
        if corvane.poll() is not None:
            raise Failure(f"corvane ended with code {corvane.returncode}")
        new = [line for line in heard_lines(path)[seen:] if not line.startswith("Listening")]
        return new[0] if new else None
    return wait_until("a heard line", probe, timeout, interval=0.2)


def go_to(panel, path, corvane, khz):
    """ "E" on `khz`: the heard line once the move's reading is in."""
    panel.type_into("Freq entry, kilohertz", khz)
    seen = len(heard_lines(path))
    panel.click("Go to the entered frequency")
    return wait_heard(path, seen, corvane)


def last_rig_tx(trace):
    rigs = [line for line in trace.lines() if line.startswith("rig ")]
    return rigs[-1].split()[1] if rigs else None


def run(args, display, server):
    trace_path = os.path.join(args.out, "trace.txt")
    env = dict(server.env, DISPLAY=display.name, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    env["ASAN_OPTIONS"] = "detect_leaks=0:" + env.get("ASAN_OPTIONS", "")
    env.pop("WAYLAND_DISPLAY", None)
    with open(trace_path, "w") as trace_file:
        corvane = subprocess.Popen(
            [args.corvane, "--no-settings", "--trace", "--model", "KRV-40", "--rig-encoder", "2",
             "--rig-wpm", "30", "--rig-label", "F", "--rig-audio-output", "rig", "--audio-input", "rig_in"],
            env=env, stdout=subprocess.DEVNULL, stderr=trace_file)
    try:
        trace = Trace(trace_path, corvane)
        trace.wait_for("define 26 1 4")
        panel = Panel(display.name)
        panel.type_into("Encoder kind, 1 or 2", "2")

        seen = len(heard_lines(trace_path))
        panel.click("Annunciate")
        line = wait_heard(trace_path, seen, corvane)
        check(line == "Heard 'F 7040.00': the record agrees", f"after annunciate: {line!r}")

        # The panel now counts a detent where the rig counts two: the record drifts.
        panel.type_into("Encoder kind, 1 or 2", "1")
        panel.click("Up 5 steps")
        wait_until("the rig to move", lambda: last_rig_tx(trace) not in (None, "7040.00"), 30)
        time.sleep(1)
        rig = last_rig_tx(trace)
        seen = len(heard_lines(trace_path))
        panel.click("Annunciate")
        line = wait_heard(trace_path, seen, corvane)
        check(re.fullmatch(rf"Heard 'F {re.escape(rig)}': the rig is at {re.escape(rig)} kHz; the record says [\d.]+ \(\d+ Hz apart\)", line) is not None,
              f"with a drifted record (rig on {rig}): {line!r}")

        seen = len(heard_lines(trace_path))
        traffic = len(trace.lines())
        panel.xdotool("key", "alt+t")
        line = wait_heard(trace_path, seen, corvane, timeout=20)
        check(line == f"Heard 'F {rig}': the record agrees", f"after taking the rig's frequency: {line!r}")
        check(len(trace.lines()) == traffic, f"taking wrote to the port: {trace.lines()[traffic:][:5]}")

        # Verify by ear: "E" ends with an annunciate press and the reading of the rig's answer.
        panel.xdotool("key", "alt+v")
        panel.type_into("Encoder kind, 1 or 2", "2")
        line = go_to(panel, trace_path, corvane, "7041")
        check(line == "Arrived, verified by ear: Heard 'F 7041.00': the record agrees", f"after \"E\" on 7041: {line!r}")

        panel.type_into("Encoder kind, 1 or 2", "1")
        line = go_to(panel, trace_path, corvane, "7042")
        rig = last_rig_tx(trace)
        check(rig != "7042.00", "the rig came to 7042.00 with a drifted record")
        check(re.fullmatch(rf"The rig says {re.escape(rig)}; Take\? Heard 'F {re.escape(rig)}': the rig is at {re.escape(rig)} kHz; the record says 7042 \(\d+ Hz apart\)", line) is not None,
              f"after \"E\" on 7042 with a drifted record (rig on {rig}): {line!r}")

    finally:
        stop(corvane)


def main():
    args, done = accessible_session(__doc__, SESSION_MARK)
    if done is not None:
        return done
    if not shutil.which("xdotool"):
        print("FAILED: xdotool is not installed (scripts/test installs it)")
        return 1
    os.makedirs(args.out, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="corvane-pulse-") as folder:
        server = AudioServer(folder, os.path.join(args.out, "pulseaudio.log"))
        try:
            display = Display(os.path.join(args.out, "xvfb.log"))
            # The accessibility bus is found through the display.
            os.environ["DISPLAY"] = display.name
            try:
                run(args, display, server)
            finally:
                display.close()
        except Failure as failure:
            print(f"FAILED: {failure}\n(trace in {os.path.join(args.out, 'trace.txt')})")
            return 1
        finally:
            server.close()
    print("hear_e2e: every check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
