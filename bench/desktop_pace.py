#!/usr/bin/python3
"""The real programs under Xvfb, as a person runs them, measured from outside.

For each build given (LABEL=BIN_DIR, the folder holding the programs, their
pictures and data/), prints:
  - each effect program's CPU share (of one core) and frames per second,
    counted from its ZELK_TRACE frame lines after a warm-up;
  - scenedemo's CPU share over one whole cycle, from the first cycle line of
    its trace to the second, with the theme mixed through SDL's disk driver;
  - the lateness of scenedemo's scene starts (and of the next cycle's start)
    against the times of its scene list, from the same trace.

Programs of all builds run one after another on one private Xvfb, so the
figures of one run can be compared. The load average is printed before and
after: other work on the machine shows in the lateness and CPU figures.

Usage: bench/desktop_pace.py [--effect-seconds N] LABEL=BIN_DIR [LABEL=BIN_DIR ...]
e.g.   bench/desktop_pace.py after=build/bin before=../old/build/bin
"""
import argparse
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

EFFECTS = ["lensdemo", "spindemo", "ripdemo", "plasmademo"]
TICKS = os.sysconf("SC_CLK_TCK")
CYCLE_MS = 171000

# Scene starts the scene list fixes, in ms after the cycle's start, with what
# ends the step before: a wait for that very moment, or a loop that looks at
# the clock once per frame and so may run up to a frame past it.
FIXED_STARTS = [
    ("TitleWaveScene", 1, 7000, "title hold: wait"),
    ("FadeSlideScene", 1, 12000, "wave loop: 24 ms frames"),
    ("CometScene", 1, 36000, "plasma loop: 32 ms frames"),
    ("MosaicPortraitScene", 1, 60000, "comet sway: a frame"),
    ("LensScene", 1, 67000, "portrait hold: wait"),
    ("RotationScene", 1, 85000, "lens loop: 32 ms frames"),
    ("MosaicPortraitScene", 2, 109000, "rotation hold: wait"),
    ("RippleScene", 1, 120000, "portrait hold: wait"),
    ("GalleryScene", 1, 132000, "ripple loop: a frame"),
]


def cpu_seconds(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS


def trace_lines(path):
    try:
        with open(path) as f:
            return [json.loads(line) for line in f if line.endswith("\n")]
    except FileNotFoundError:
        return []


class Xvfb:
    def __init__(self):
        read, write = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=[write], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as r:
            self.display = ":" + r.readline().strip()

    def close(self):
        self.proc.terminate()
        self.proc.wait()


class Program:
    """One program started from its folder with its own runtime folder and trace."""

    def __init__(self, bin_dir, name, display, env_extra=None):
        self.work = tempfile.mkdtemp(prefix="zelk-pace-")
        self.trace = os.path.join(self.work, "trace.jsonl")
        run = os.path.join(self.work, "run")
        os.mkdir(run, 0o700)
        env = dict(os.environ, DISPLAY=display, XDG_RUNTIME_DIR=run, ZELK_TRACE=self.trace,
                   SDL_AUDIODRIVER="dummy")
        for k in ("ZELK_MSGBOX_ANSWERS", "ZELK_MSGBOX_LOG", "ZELK_SCALE"):
            env.pop(k, None)
        env.update(env_extra or {})
        self.proc = subprocess.Popen([os.path.join(bin_dir, name)], cwd=bin_dir, env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def sample(self):
        """(wall seconds, CPU seconds, trace lines) now."""
        return time.monotonic(), cpu_seconds(self.proc.pid), trace_lines(self.trace)

    def wait_for(self, test, limit):
        end = time.monotonic() + limit
        while time.monotonic() < end:
            if self.proc.poll() is not None:
                raise RuntimeError(f"program ended with {self.proc.returncode}")
            s = self.sample()
            if test(s[2]):
                return s
            time.sleep(0.02)
        raise RuntimeError("timed out")

    def stop(self):
        if self.proc.poll() is None:
            self.proc.send_signal(signal.SIGTERM)
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)


def frames(lines):
    return sum(1 for j in lines if j.get("event") == "frame")


def measure_effect(bin_dir, name, display, seconds):
    p = Program(bin_dir, name, display)
    try:
        p.wait_for(lambda lines: frames(lines) > 0, 20)
        time.sleep(2)
        w0, c0, l0 = p.sample()
        time.sleep(seconds)
        w1, c1, l1 = p.sample()
        return 100 * (c1 - c0) / (w1 - w0), (frames(l1) - frames(l0)) / (w1 - w0)
    finally:
        p.stop()


def measure_scenedemo(bin_dir, display):
    p = Program(bin_dir, "scenedemo", display,
                {"SDL_AUDIODRIVER": "disk", "SDL_DISKAUDIOFILE": "/dev/null"})
    cycles = lambda lines: [j for j in lines if j.get("event") == "cycle"]
    try:
        w0, c0, _ = p.wait_for(lambda lines: len(cycles(lines)) >= 1, 60)
        w1, c1, lines = p.wait_for(lambda lines: len(cycles(lines)) >= 2, CYCLE_MS / 1000 + 120)
    finally:
        p.stop()
    first, second = cycles(lines)[:2]
    starts, ends, seen = {}, {}, {}
    for j in lines:
        if j["tick"] < first["tick"] or j["tick"] >= second["tick"]:
            continue
        if j.get("event") == "start":
            seen[j["scene"]] = seen.get(j["scene"], 0) + 1
            starts[(j["scene"], seen[j["scene"]])] = j["at"]
        elif j.get("event") == "end":
            ends[j["scene"]] = j["at"]
    late = []
    for scene, n, at, why in FIXED_STARTS:
        late.append((f"{scene} at {at / 1000:g} s", why, starts[(scene, n)] - at))
    gallery = starts[("GalleryScene", 1)]
    late.append(("FinaleScene at gallery + 18 s", "gallery: waits",
                 starts[("FinaleScene", 1)] - gallery - 18000))
    late.append(("end of the cycle at 171 s", "finale hold: wait", ends["FinaleScene"] - CYCLE_MS))
    # The next cycle starts once the theme has been opened again.
    reopen = (second["tick"] - first["tick"]) % 2**32 - ends["FinaleScene"]
    return 100 * (c1 - c0) / (w1 - w0), late, reopen


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--effect-seconds", type=float, default=10)
    parser.add_argument("builds", nargs="+", metavar="LABEL=BIN_DIR")
    args = parser.parse_args()
    builds = []
    for b in args.builds:
        label, _, path = b.partition("=")
        if not path:
            label, path = os.path.basename(os.path.dirname(os.path.abspath(b))), b
        if not os.path.isfile(os.path.join(path, "scenedemo")):
            sys.exit(f"no programs in {path}")
        builds.append((label, os.path.abspath(path)))

    print("load average before: %.2f %.2f %.2f" % os.getloadavg(), flush=True)
    x = Xvfb()
    try:
        print(f"\nEffect programs ({args.effect_seconds:g} s each after 2 s of warm-up):")
        print(f"  {'program':<12}" + "".join(f"{l:>28}" for l, _ in builds))
        print(f"  {'':<12}" + "".join(f"{'CPU %   frames/s':>28}" for _ in builds))
        for name in EFFECTS:
            row = [measure_effect(path, name, x.display, args.effect_seconds) for _, path in builds]
            print(f"  {name:<12}" + "".join(f"{c:>20.1f}{f:>8.1f}" for c, f in row), flush=True)

        print("\nscenedemo over one whole cycle (171 s each):", flush=True)
        results = [measure_scenedemo(path, x.display) for _, path in builds]
        print(f"  {'CPU share of one core':<58}" +
              "".join(f"{r[0]:>13.1f} %" for r in results))
        print(f"  {'opening the theme again between cycles, ms':<58}" +
              "".join(f"{r[2]:>15}" for r in results))
        print(f"\n  {'scene-start lateness, ms':<32}{'what ends the step before':<26}" +
              "".join(f"{l:>15}" for l, _ in builds))
        for i, (what, why, _) in enumerate(results[0][1]):
            print(f"  {what:<32}{why:<26}" + "".join(f"{r[1][i][2]:>15}" for r in results))
        for label, (_, late, _) in zip([l for l, _ in builds], results):
            ms = [v for _, _, v in late]
            waits = [v for _, why, v in late if "wait" in why]
            print(f"  {label}: median {statistics.median(ms):g} ms, worst {max(ms)} ms; "
                  f"after a wait: median {statistics.median(waits):g}, worst {max(waits)}")
    finally:
        x.close()
    print("\nload average after: %.2f %.2f %.2f" % os.getloadavg())


if __name__ == "__main__":
    main()
