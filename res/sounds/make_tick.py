#!/usr/bin/env python3
"""Writes tick2.wav: a 40 ms wooden tick (two damped partials), 22050 Hz, 16-bit mono."""
import math
import struct
import os
import wave

RATE = 22050
LENGTH = int(RATE * 0.040)

samples = []
for n in range(LENGTH):
    t = n / RATE
    body = math.sin(2 * math.pi * 1800 * t) * math.exp(-t / 0.004)
    knock = 0.5 * math.sin(2 * math.pi * 3700 * t) * math.exp(-t / 0.0015)
    attack = min(1.0, n / 12.0)
    samples.append(int(32767 * 0.6 * attack * (body + knock) / 1.5))

with wave.open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tick2.wav"), "wb") as out:
    out.setnchannels(1)
    out.setsampwidth(2)
    out.setframerate(RATE)
    out.writeframes(b"".join(struct.pack("<h", s) for s in samples))
