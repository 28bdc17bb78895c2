#!/usr/bin/env python3
"""Corvane's remote panel end to end in a real browser: sets a passphrase,
starts the real `corvane --trace --web` with no window (the offscreen
platform) on a simulated KRV-40, and works it from headless Chromium through
Selenium as an operator would: logs in, takes control, tunes by steps and by
the keypad and "E", stops a run of 5000 steps, lets a second browser follow
and take control from the first. After each move the page's displays must say
what the simulated rig says on standard error ("rig XMIT RCV STEP RIT").

Exits 0 when every check passes, 1 on the first that fails, and 77 (skipped)
without chromium, chromedriver or python3-selenium.

usage: web_e2e.py --corvane BINARY --out DIR
"""

import argparse
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
PASSPHRASE = "a long enough passphrase"


sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from panel_e2e import Failure, wait_until  # noqa: E402


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Trace:
    """The program's standard error, read as it grows."""

    def __init__(self, path):
        self.path = path

    def rig(self):
        """The simulated rig's last state: (xmit, rcv, step, rit) as written."""
        with open(self.path, errors="replace") as f:
            lines = [line.split() for line in f if line.startswith("rig ")]
        return tuple(lines[-1][1:5]) if lines else None

    def text(self):
        with open(self.path, errors="replace") as f:
            return f.read()


def browser(out, name):
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service

    options = webdriver.ChromeOptions()
    for arg in ("--headless=new", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                f"--user-data-dir={out}/{name}-profile", "--window-size=900,1000"):
        options.add_argument(arg)
    options.binary_location = shutil.which("chromium")
    return webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)


def text_of(driver, element_id):
    return driver.execute_script(f"return document.getElementById('{element_id}').value "
                                 f"|| document.getElementById('{element_id}').textContent;")


def click(driver, label):
    from selenium.webdriver.common.by import By
    button = driver.find_element(By.XPATH, f"//button[normalize-space(.)='{label}' or @aria-label='{label}']")
    button.click()


def login(driver, url):
    from selenium.webdriver.common.by import By
    driver.get(url)
    wait_until("the login form", lambda: driver.find_element(By.ID, "pass").is_displayed())
    driver.find_element(By.ID, "pass").send_keys(PASSPHRASE)
    driver.find_element(By.ID, "login-button").click()
    wait_until("the panel after logging in", lambda: driver.find_element(By.ID, "panel").is_displayed())


def displays_match_rig(driver, trace, what):
    """Waits until the page's transmit and receive displays are the rig's."""
    def same():
        rig = trace.rig()
        if not rig:
            return None
        xmit, rcv = text_of(driver, "xmit"), text_of(driver, "rcv")
        return rig if (float(xmit) == float(rig[0]) and float(rcv) == float(rig[1])) else None
    try:
        return wait_until(what, same)
    except (Failure, ValueError) as e:
        raise Failure(f"{what}: page {text_of(driver, 'xmit')}/{text_of(driver, 'rcv')}, rig {trace.rig()}") from e


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--corvane", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        print("skipped: chromium or chromedriver missing")
        return SKIPPED
    try:
        import selenium  # noqa: F401
    except ImportError:
        print("skipped: python3-selenium missing")
        return SKIPPED
    os.makedirs(args.out, exist_ok=True)
    config = tempfile.mkdtemp(prefix="config-", dir=args.out)
    env = dict(os.environ, XDG_CONFIG_HOME=config, QT_QPA_PLATFORM="offscreen")
    subprocess.run([args.corvane, "--set-web-passphrase"], input=f"{PASSPHRASE}\n{PASSPHRASE}\n", text=True,
                   env=env, check=True, capture_output=True, timeout=120)

    port = free_port()
    url = f"http://localhost:{port}/"
    trace_path = os.path.join(args.out, "trace.txt")
    with open(trace_path, "w") as trace_file:
        program = subprocess.Popen([args.corvane, "--no-settings", "--trace", "--model", "KRV-40",
                                    f"--web={port}"], env=env, stdout=subprocess.DEVNULL, stderr=trace_file)
    trace = Trace(trace_path)
    first = second = None
    try:
        wait_until("the server", lambda: "--web: serving" in trace.text(), timeout=60)
        first = browser(args.out, "first")
        login(first, url)
        wait_until("the record on the page", lambda: text_of(first, "xmit"))
        click(first, "Take control")
        wait_until("control", lambda: text_of(first, "control") == "You have control")

        click(first, "up 1 step")
        rig = displays_match_rig(first, trace, "up 1 step")
        if rig[0] != "7040.20":
            raise Failure(f"up 1 step from 7040: the rig is at {rig}")

        for key in "7050":
            click(first, key)
        wait_until("the entry 7050", lambda: text_of(first, "entry") == "7050")
        click(first, "E, go to the entry")
        wait_until("the rig at 7050", lambda: trace.rig() and trace.rig()[0] == "7050.00", timeout=60)
        displays_match_rig(first, trace, "E to 7050")

        click(first, "up 5k steps")
        wait_until("the run shown with its Stop", lambda: first.execute_script(
            "return !document.getElementById('stop').disabled;"))
        second = browser(args.out, "second")
        login(second, url)
        wait_until("the second browser following the run", lambda: text_of(second, "xmit") not in ("", "7050"))
        click(first, "Stop")
        wait_until("the run stopped", lambda: first.execute_script(
            "return document.getElementById('stop').disabled;"), timeout=30)
        rig = displays_match_rig(first, trace, "after Stop")
        if not 7050 < float(rig[0]) < 8000:
            raise Failure(f"Stop: the rig is at {rig}, not partway up")
        displays_match_rig(second, trace, "the second browser after Stop")

        click(second, "Take control")
        wait_until("the first browser told", lambda: text_of(first, "control") == "Another browser has control")
        before = trace.rig()
        click(second, "dn 1 step")
        # The page already shows the rig as it was, so wait for the rig to move before comparing.
        wait_until("dn 1 step from the second browser at the rig", lambda: trace.rig() != before, timeout=30)
        rig = displays_match_rig(first, trace, "the first browser following the second's step")
        if float(rig[0]) != round(float(before[0]) - 0.2, 2):
            raise Failure(f"dn 1 step from {before}: the rig is at {rig}")
        first.save_screenshot(os.path.join(args.out, "web.png"))
        print(f"web_e2e: passed; the rig ends at {rig}")
        return 0
    except Failure as e:
        print(f"web_e2e: FAILED: {e}", file=sys.stderr)
        return 1
    finally:
        for driver in (first, second):
            if driver:
                driver.quit()
        program.terminate()
        try:
            program.wait(timeout=30)
        except subprocess.TimeoutExpired:
            program.kill()


if __name__ == "__main__":
    sys.exit(main())
