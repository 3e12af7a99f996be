#!/usr/bin/env python3
"""Writes a short music-like clip (a bass note and a chord with decaying harmonics over soft pink noise,
44.1 kHz stereo 16-bit WAV), the same every time: the source of the README's spectrum picture.
Usage: scripts/music-like.py OUT.wav"""
import math
import random
import struct
import sys
import wave

RATE, SECONDS = 44100, 3.0
NOTES = [(110.0, 0.20), (261.63, 0.10), (329.63, 0.08), (392.0, 0.08), (1046.5, 0.03)]  # Hz, amplitude


def main(path):
    random.seed(34)
    frames = int(RATE * SECONDS)
    # Pink noise from white by a sum of one-pole filters (Kellet's economy filter).
    b0 = b1 = b2 = 0.0
    data = bytearray()
    for n in range(frames):
        t = n / RATE
        x = 0.0
        for freq, amp in NOTES:
            for h in range(1, 9):
                if freq * h < RATE / 2:
                    x += amp / h ** 1.5 * math.sin(2 * math.pi * freq * h * t + h)
        white = random.uniform(-1.0, 1.0)
        b0 = 0.99765 * b0 + white * 0.0990460
        b1 = 0.96300 * b1 + white * 0.2965164
        b2 = 0.57000 * b2 + white * 1.0526913
        x += 0.02 * (b0 + b1 + b2 + white * 0.1848)
        sample = max(-32768, min(32767, round(x * 32767 * 0.7)))
        data += struct.pack('<hh', sample, sample)
    with wave.open(path, 'wb') as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(bytes(data))


if __name__ == '__main__':
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    main(sys.argv[1])
