#!/usr/bin/env python3
"""corvane --decode-wav: Morse written to WAV files of different rates, sample
formats and channel counts is printed as the text heard; a file that is no WAV
is refused with exit code 1.

usage: decode_wav_test.py CORVANE OUT_DIR
"""

import math
import os
import random
import struct
import subprocess
import sys
import wave

CODE = {"0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-", "5": ".....", "6": "-....",
        "7": "--...", "8": "---..", "9": "----.", ".": ".-.-.-"}


def morse(text, rate, wpm=22, pitch=650, noise=0.05):
    unit = int(1.2 / wpm * rate)
    keyed = [0] * (rate // 2)
    for i, c in enumerate(text):
        if i:
            keyed += [0] * (3 * unit)
        for j, e in enumerate(CODE[c]):
            if j:
                keyed += [0] * unit
            keyed += [1] * (unit * (3 if e == "-" else 1))
    keyed += [0] * (rate // 2)
    rng = random.Random(5)
    return [0.4 * k * math.sin(2 * math.pi * pitch * n / rate) + rng.gauss(0, noise) for n, k in enumerate(keyed)]


def write(path, samples, rate, width, channels):
    with wave.open(path, "wb") as w:
        w.setnchannels(channels)
        w.setsampwidth(width)
        w.setframerate(rate)
        frames = bytearray()
        for v in samples:
            v = max(-1.0, min(1.0, v))
            one = struct.pack("<h", int(v * 32767)) if width == 2 else struct.pack("<B", int(v * 127 + 128))
            frames += one * channels
        w.writeframes(bytes(frames))


def main():
    corvane, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    failures = 0
    for text, rate, width, channels in (("7030.05", 8000, 2, 1), ("040.2", 44100, 2, 2), ("14060.00", 16000, 1, 1)):
        path = os.path.join(out, f"{text}-{rate}-{width}-{channels}.wav")
        write(path, morse(text, rate), rate, width, channels)
        result = subprocess.run([corvane, "--decode-wav", path], capture_output=True, text=True, timeout=120)
        if result.returncode != 0 or result.stdout != text + "\n":
            print(f"FAILED: {path}: exit {result.returncode}, printed {result.stdout!r}, expected {text!r}")
            failures += 1
    bad = os.path.join(out, "not-a-wav.wav")
    with open(bad, "w") as f:
        f.write("no sound here\n")
    result = subprocess.run([corvane, "--decode-wav", bad], capture_output=True, text=True, timeout=60)
    if result.returncode != 1 or "no WAV file" not in result.stderr:
        print(f"FAILED: a file that is no WAV: exit {result.returncode}, {result.stderr!r}")
        failures += 1
    print(f"{4 - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
