#!/usr/bin/env python3
"""Writes a click, and finds the onsets of clicks in a 16-bit WAV file to check their timing.

  onsets.py click FILE.wav
  onsets.py check FILE.wav INTERVAL_MS COUNT FIRST_MS [TOLERANCE_MS]

The click is 5 ms of a decaying 2 kHz tone from full scale, then silence to 20 ms (44.1 kHz mono).

An onset is the first frame whose level (either channel) passes a tenth of full scale after at
least 5 ms of silence. The first COUNT onsets must lie INTERVAL_MS apart (each one measured from
the first, so errors cannot add up) and the first at FIRST_MS, all within TOLERANCE_MS (1 ms).
"""
import math
import struct
import sys
import wave


def write_click(path):
    rate = 44100
    frames = []
    for i in range(rate * 20 // 1000):
        v = 0.0
        if i < rate * 5 // 1000:
            v = 0.8 * math.cos(2 * math.pi * 2000 * i / rate) * math.exp(-i / 60.0)
        frames.append(struct.pack("<h", int(v * 32767)))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(b"".join(frames))


def onsets(path):
    with wave.open(path, "rb") as w:
        if w.getsampwidth() != 2:
            sys.exit(f"{path}: not 16-bit PCM")
        rate, channels = w.getframerate(), w.getnchannels()
        data = w.readframes(w.getnframes())
    samples = memoryview(data).cast("h")
    threshold = 32768 // 10
    quiet_frames = rate * 5 // 1000
    found, quiet = [], quiet_frames
    for frame in range(len(samples) // channels):
        level = max(abs(samples[frame * channels + c]) for c in range(channels))
        if level >= threshold:
            if quiet >= quiet_frames:
                found.append(frame)
            quiet = 0
        elif level < threshold // 8:
            quiet += 1
    return rate, found


def main():
    if sys.argv[1] == "click":
        write_click(sys.argv[2])
        return
    path, interval, count, first = sys.argv[2], float(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5])
    tolerance = float(sys.argv[6]) if len(sys.argv) > 6 else 1.0
    rate, found = onsets(path)
    ms = [f * 1000.0 / rate for f in found]
    if len(ms) < count:
        sys.exit(f"{path}: {len(ms)} onsets, expected at least {count}")
    worst = 0.0
    for i in range(count):
        error = ms[i] - (first + i * interval)
        worst = max(worst, abs(error))
    steps = [b - a for a, b in zip(ms[:count], ms[1:count])]
    print(f"{count} onsets: first at {ms[0]:.3f} ms (expected {first:.3f}), intervals "
          f"{min(steps):.3f} .. {max(steps):.3f} ms (expected {interval:.3f}), worst error {worst:.3f} ms")
    if worst > tolerance:
        for i in range(count):
            print(f"  onset {i}: frame {found[i]}, {ms[i]:.3f} ms, expected {first + i * interval:.3f}")
        sys.exit(f"{path}: an onset is {worst:.3f} ms off, more than {tolerance} ms")


main()
