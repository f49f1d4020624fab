#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""latency_probe: key -> first audible sample of the real program, through a sound server.

Run by scripts/measure_latency.sh with DISPLAY and PULSE_SERVER set and the match window
focused. It records the server's null sink through its monitor (parec), presses a match
key with XTEST (one X connection, kept open, so no process start lies between the
timestamp and the key), and finds where each press's sound starts in the recording.

Time of a recorded sample: parec delivers the monitor in small pieces as the sink plays
them; a piece arriving at time a holds samples played at a at the latest. Around each
press the mapping sample -> time is the lower envelope over the pieces of the two seconds
around it (t0 + index / rate, with t0 the earliest that none of them contradicts), so a
figure can only err on the long side, by at most the monitor's own delivery delay. (Taken
over the whole recording instead, one burst of the monitor after an underrun's rewind
would shift every later press.)

Onset of a press's sound: the first sample after the press on the key's side whose
magnitude passes three times the loudest sample of the 30 ms before it (the match's own
continuous sounds), at least -30 dBFS and at most -10.5 dBFS (the gun's crack passes that
at once, whatever still sounds around it).

usage: latency_probe.py PRESSES KEY SIDE
       latency_probe.py --play SECONDS
  KEY: an X keysym name (space, Shift_R), or several with commas, pressed in turn;
  SIDE 0 (left) or 1 (right)
Prints one line per press and a summary: min, median, max in ms. With --play it records
nothing and only plays the match busily for SECONDS (both craft moving, shots), so that
the server's underruns can be counted under an ordinary sink latency.
"""
import ctypes
import ctypes.util
import os
import statistics
import subprocess
import sys
import threading
import time

RATE = 48000


class XTest:
    """Key presses through the XTEST extension on one open connection."""

    def __init__(self):
        self.x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.xtst = ctypes.CDLL(ctypes.util.find_library("Xtst"))
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x11.XStringToKeysym.restype = ctypes.c_ulong
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.dpy = self.x11.XOpenDisplay(None)
        if not self.dpy:
            raise SystemExit("latency_probe: cannot open the display")

    def key(self, name, down):
        sym = self.x11.XStringToKeysym(name.encode())
        code = self.x11.XKeysymToKeycode(self.dpy, sym)
        self.xtst.XTestFakeKeyEvent(self.dpy, code, 1 if down else 0, 0)
        self.x11.XSync(self.dpy, 0)  # the server has the event when this returns


class Recorder:
    """The null sink's monitor, with each piece's arrival time."""

    def __init__(self):
        self.proc = subprocess.Popen(
            ["parec", "-d", "vlnull.monitor", "--raw", "--format=s16le", f"--rate={RATE}",
             "--channels=2", "--latency-msec=2"], stdout=subprocess.PIPE, bufsize=0)
        self.pieces = []
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()

    def _read(self):
        fd = self.proc.stdout.fileno()
        while True:
            data = os.read(fd, 1024)
            if not data:
                return
            self.pieces.append((time.monotonic(), data))

    def stop(self):
        self.proc.terminate()
        self.proc.wait()
        self.thread.join(2)

    def timeline(self):
        """Samples of both channels, and for each piece its arrival and the earliest time
        its first frame can have been played: (arrived, t0) with frame i at t0 + i / RATE."""
        raw = bytearray()
        marks = []
        for arrived, data in self.pieces:
            raw += data
            end = len(raw) // 4  # frames so far; the last one played by `arrived`
            marks.append((arrived, arrived - end / RATE))
        frames = memoryview(bytes(raw[: len(raw) // 4 * 4])).cast("h")
        return frames, marks


def play(x, seconds):
    """Busy play: each craft moving one way and then the other, the left gun firing."""
    end = time.monotonic() + seconds
    moves = ["e", "Up", "c", "Down"]
    i = 0
    while time.monotonic() < end:
        k = moves[i % 4]
        x.key(k, True)
        x.key("space", True)
        time.sleep(0.4)
        x.key("space", False)
        x.key(k, False)
        i += 1


def main():
    x = XTest()
    if sys.argv[1] == "--play":
        play(x, float(sys.argv[2]))
        return 0
    presses, key, side = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
    rec = Recorder()
    # The monitor's stream takes a while to deliver its first piece; the presses start a
    # second after it, on a steady recording.
    deadline = time.monotonic() + 10
    while not rec.pieces and time.monotonic() < deadline:
        time.sleep(0.01)
    time.sleep(1.0)
    stamps = []
    keys = key.split(",")
    for n in range(presses):
        stamps.append(time.monotonic())
        x.key(keys[n % len(keys)], True)
        time.sleep(0.05)
        x.key(keys[n % len(keys)], False)
        time.sleep(0.85)  # the bullet and what it hit have gone quiet before the next shot
    time.sleep(0.5)
    rec.stop()
    frames, marks = rec.timeline()
    if not marks:
        raise SystemExit("latency_probe: nothing was recorded from the sink's monitor")
    count = len(frames) // 2
    floor = 32768 * 10 ** (-30 / 20)
    results = []
    for n, t in enumerate(stamps):
        near = [t0 for arrived, t0 in marks if abs(arrived - t) < 1.0]
        if not near:
            print(f"press {n + 1}: nothing recorded around it")
            continue
        t0 = min(near)
        first = max(0, int((t - t0) * RATE))
        bed_from = max(0, first - int(0.03 * RATE))
        bed = max((abs(frames[2 * i + side]) for i in range(bed_from, first)), default=0)
        threshold = min(max(3 * bed, floor), 0.3 * 32768)
        onset = None
        for i in range(first, min(count, first + int(0.2 * RATE))):
            if abs(frames[2 * i + side]) > threshold:
                onset = i
                break
        if onset is None:
            print(f"press {n + 1}: no sound within 200 ms (bed {bed})")
            continue
        ms = (t0 + onset / RATE - t) * 1000
        results.append(ms)
        print(f"press {n + 1}: {ms:.1f} ms")
    if not results:
        raise SystemExit("latency_probe: no press was heard")
    print(f"key -> first audible sample over {len(results)} presses: "
          f"min {min(results):.1f} ms, median {statistics.median(results):.1f} ms, "
          f"max {max(results):.1f} ms")
    return 0 if len(results) == presses else 1


if __name__ == "__main__":
    sys.exit(main())
