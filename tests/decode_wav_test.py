#!/usr/bin/env python3
"""corvane --decode-wav: Morse written to WAV files as recorders write them
(sample codings, widths, channel counts, extensible headers, streamed and cut
sizes, chunks in any order) is printed as the text heard, at the level it was
written; a file that cannot be read is refused with exit code 1 and the reason.

usage: decode_wav_test.py CORVANE OUT_DIR
"""

import math
import os
import random
import re
import struct
import subprocess
import sys

CODE = {"0": "-----", "1": ".----", "2": "..---", "3": "...--", "4": "....-", "5": ".....", "6": "-....",
        "7": "--...", "8": "---..", "9": "----.", ".": ".-.-.-"}
GUID_TAIL = bytes.fromhex("000000001000800000aa00389b71")

# text (None: refused), rate, coding, bytes a sample, channels, how the file is laid out,
# what standard error must say. Layout words: ext (WAVE_FORMAT_EXTENSIBLE), one (the tone on one
# channel, the others silent), riff=N / data=N (the sizes written), cut (the data chunk declares
# more than is there), odd (an odd-sized chunk first), datafirst, nodata, nofmt, code=N.
ROWS = (
    ("7030.05", 8000, "pcm", 2, 1, "", ""),
    ("040.2", 44100, "pcm", 2, 2, "", ""),
    ("14060.00", 16000, "pcm", 1, 1, "", ""),
    ("3560.2", 8000, "float", 4, 1, "", "32-bit float"),
    ("10110.05", 11025, "float", 8, 1, "", "64-bit float"),
    ("7040.2", 8000, "mulaw", 1, 1, "", "mu-law"),
    ("040.25", 8000, "alaw", 1, 1, "", "A-law"),
    ("14060.1", 48000, "pcm", 3, 2, "ext", "24-bit PCM"),
    ("7030.1", 8000, "pcm", 4, 4, "ext one", "4 channels"),
    ("3560.05", 8000, "pcm", 2, 1, "riff=4294967295 data=4294967295", ""),
    ("030.2", 8000, "pcm", 2, 1, "riff=0 data=0", ""),
    ("7000.1", 8000, "pcm", 2, 1, "cut", "cut short"),
    ("7010.0", 8000, "pcm", 2, 1, "odd datafirst", ""),
    (None, 8000, "pcm", 2, 1, "nodata", "no data chunk"),
    (None, 8000, "pcm", 2, 1, "data=0 datafirst", "no fmt chunk"),
    (None, 8000, "pcm", 2, 1, "code=2", "format code 0x0002"),
    (None, 4000, "pcm", 2, 1, "", "8000 Hz or more"),
)


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
    return [max(-1.0, min(1.0, 0.4 * k * math.sin(2 * math.pi * pitch * n / rate) + rng.gauss(0, noise)))
            for n, k in enumerate(keyed)]


def mu_law(v):
    """G.711 compression of a 16-bit sample."""
    sign = 0x80 if v < 0 else 0
    v = min(abs(v), 32635) + 0x84
    exponent = min(7, v.bit_length() - 8)
    return ~(sign | exponent << 4 | (v >> (exponent + 3)) & 0x0F) & 0xFF


def a_law(v):
    """G.711 compression of a 16-bit sample."""
    sign = 0x80 if v >= 0 else 0
    v = min(abs(v) >> 3, 0xFFF)
    segment = max(0, v.bit_length() - 5)
    mantissa = (v >> 1 if segment == 0 else v >> segment) & 0x0F
    return (sign | segment << 4 | mantissa) ^ 0x55


def coded(v, coding, width):
    if coding == "float":
        return struct.pack("<f" if width == 4 else "<d", v)
    if coding in ("mulaw", "alaw"):
        return bytes([(mu_law if coding == "mulaw" else a_law)(round(v * 32767))])
    if width == 1:
        return bytes([round(v * 127) + 128])
    return round(v * (2 ** (8 * width - 1) - 1)).to_bytes(width, "little", signed=True)


def wav(samples, rate, coding, width, channels, layout):
    words = dict(w.partition("=")[::2] for w in layout.split())
    silent = coded(0.0, coding, width)
    frames = bytearray()
    for v in samples:
        one = coded(v, coding, width)
        frames += b"".join(one if "one" not in words or c == 2 else silent for c in range(channels))
    code = int(words.get("code", {"pcm": 1, "float": 3, "alaw": 6, "mulaw": 7}[coding]))
    block = width * channels
    fmt = struct.pack("<HHIIHH", 0xFFFE if "ext" in words else code, channels, rate, rate * block, block, 8 * width)
    if "ext" in words:
        fmt += struct.pack("<HHI", 22, 8 * width, 0) + struct.pack("<H", code) + GUID_TAIL
    declared = int(words.get("data", len(frames) + (rate * block * 10 if "cut" in words else 0)))
    chunks = [] if "nofmt" in words else [b"fmt " + struct.pack("<I", len(fmt)) + fmt]
    if "nodata" not in words:
        chunks.insert(0 if "datafirst" in words else 1, b"data" + struct.pack("<I", declared) + frames)
    if "odd" in words:
        chunks.insert(0, b"LIST" + struct.pack("<I", 3) + b"abc\0")
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", int(words.get("riff", len(body)))) + body


def level(samples, channels, layout):
    share = 1 / channels if "one" in layout.split() else 1
    return 10 * math.log10(sum((v * share) ** 2 for v in samples) / len(samples))


def check(corvane, out, row):
    text, rate, coding, width, channels, layout, said = row
    samples = morse(text or "5.0", rate)
    path = os.path.join(out, f"{text}-{rate}-{coding}{width}-{channels}-{layout.replace(' ', '_')}.wav")
    with open(path, "wb") as f:
        f.write(wav(samples, rate, coding, width, channels, layout))
    result = subprocess.run([corvane, "--decode-wav", path], capture_output=True, text=True, timeout=120)
    got = re.search(r"level (-?[0-9.]+) dBFS", result.stderr)
    wrong = []
    if said not in result.stderr or path not in result.stderr and text is None:
        wrong.append(f"standard error lacks {said!r} or the file's name")
    if text is None:
        if result.returncode != 1 or result.stdout:
            wrong.append("not refused")
    elif result.returncode != 0 or result.stdout != text + "\n":
        wrong.append(f"read {result.stdout!r}")
    elif not got or abs(float(got.group(1)) - level(samples, channels, layout)) > 0.3:
        wrong.append(f"not at {level(samples, channels, layout):.1f} dBFS")
    if wrong:
        print(f"FAILED: {path}: {', '.join(wrong)}: exit {result.returncode}, {result.stderr!r}")
    return not wrong


def main():
    corvane, out = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    bad = os.path.join(out, "not-a-wav.wav")
    with open(bad, "w") as f:
        f.write("no sound here\n")
    result = subprocess.run([corvane, "--decode-wav", bad], capture_output=True, text=True, timeout=60)
    passed = result.returncode == 1 and "no WAV file" in result.stderr
    if not passed:
        print(f"FAILED: a file that is no WAV: exit {result.returncode}, {result.stderr!r}")
    failures = (not passed) + sum(not check(corvane, out, row) for row in ROWS)
    print(f"{len(ROWS) + 1 - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
