#!/usr/bin/env python3
"""Makes app/sounds/alarm.wav, the sound of the PSK alarm: a soft two-tone chime ("ding-dong",
E5 then C5, each with two quieter overtones and a bell-like decay), one second of 16-bit mono
at 22050 samples per second.

    tools/make_alarm_wav.py [OUTPUT]

Uses only the Python standard library; the same run always writes the same bytes.
"""

import math
import struct
import sys
import wave
from pathlib import Path

RATE_HZ = 22050
LENGTH_S = 1.0
PEAK = 0.7  # of full scale
ATTACK_S = 0.005
FADE_S = 0.05

# (start in seconds, fundamental in Hz)
NOTES = [(0.0, 659.25), (0.35, 523.25)]
# (multiple of the fundamental, amplitude, decay time constant in seconds)
PARTIALS = [(1.0, 1.0, 0.30), (2.0, 0.25, 0.15), (3.0, 0.10, 0.08)]


def note(t: float, fundamental_hz: float) -> float:
    if t < 0.0:
        return 0.0
    attack = min(1.0, t / ATTACK_S)
    return attack * sum(
        amplitude * math.exp(-t / tau) * math.sin(2.0 * math.pi * multiple * fundamental_hz * t)
        for multiple, amplitude, tau in PARTIALS
    )


def chime() -> list:
    count = int(RATE_HZ * LENGTH_S)
    samples = []
    for n in range(count):
        t = n / RATE_HZ
        value = sum(note(t - start, hz) for start, hz in NOTES)
        left = LENGTH_S - t
        if left < FADE_S:
            value *= left / FADE_S
        samples.append(value)
    peak = max(abs(s) for s in samples)
    return [s * PEAK / peak for s in samples]


def main() -> None:
    default = Path(__file__).resolve().parent.parent / "app" / "sounds" / "alarm.wav"
    output = Path(sys.argv[1]) if len(sys.argv) > 1 else default
    frames = b"".join(struct.pack("<h", round(s * 32767)) for s in chime())
    with wave.open(str(output), "wb") as wav:
        wav.setnchannels(1)
        wav.setsampwidth(2)
        wav.setframerate(RATE_HZ)
        wav.writeframes(frames)


if __name__ == "__main__":
    main()
