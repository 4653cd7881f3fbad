#!/usr/bin/env python3
"""Soak of the fogliame demo on a real desktop: Xvfb with the openbox window manager, the real
demo (the start-up question answered No: the 800 x 600 window), and scripted input for a
given time, while the demo's resident memory is sampled.

The input comes in rounds: a drag with the left button (turns the bush), a drag with the right
button (nearer or farther), a few keys (letters, arrows, space; never Escape), the window
minimised and restored, the keyboard focus given to a second small window and back. The demo
draws with the GL error watch preloaded (gl_error_shim.c), which counts the GL errors of every
frame.

It passes when the demo keeps running through every round, its resident memory (VmRSS, sampled
every --sample-every seconds) grows by no more than --max-growth-kb after the warm-up (the first
minute, or half the run when that is shorter; the lowest level of the minute after the warm-up
against the lowest level of the last minute, or of the two halves of a shorter rest), no GL
error was seen, frames were drawn, and Escape at the end ends the demo with exit code 0.

    soak.py --fogliame PATH --shim PATH [--seconds 1800] [--out DIR]

Writes DIR/rss.csv (seconds, VmRSS in kB, rounds done) and DIR/summary.txt. Needs Xvfb, openbox,
wmctrl, xdotool, xmessage (x11-utils), xwininfo and xdpyinfo.
"""

import argparse
import os
import random
import re
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_window import Failure, Xvfb, wait_for  # noqa: E402

TITLE = "Fogliame generico"
QUESTION_CAPTION = "Video!"
OTHER_TITLE = "Brevra soak: another window"
KEYS = ["a", "w", "s", "d", "space", "Left", "Right", "Up", "Down", "1", "Return", "shift"]
START = time.monotonic()


def log(message):
    print("[%7.1f s] %s" % (time.monotonic() - START, message), flush=True)


def rss_kb(pid):
    with open("/proc/%d/status" % pid) as status:
        found = re.search(r"^VmRSS:\s+(\d+) kB", status.read(), re.M)
    if not found:
        raise Failure("no VmRSS for process %d" % pid)
    return int(found.group(1))


def read_gl_log(path):
    """(swaps, errors, error lines) from the GL error watch's file."""
    try:
        with open(path) as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        return 0, 0, []
    found = re.match(r"swaps (\d+) errors (\d+)", lines[0]) if lines else None
    if not found:
        return 0, 0, []
    return int(found.group(1)), int(found.group(2)), lines[1:]


class Desktop:
    """The X server with openbox, the demo and a second window."""

    def __init__(self, args):
        # The e2e tests' server with openbox (it is started again when it ends at start).
        self.x = Xvfb("openbox")
        self.wm = self.x.wm
        self.other = subprocess.Popen(
            ["xmessage", "-title", OTHER_TITLE, "-geometry", "260x80+900+700",
             "another window"], env=self.x.env, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL)
        self.other_window = wait_for("the second window", lambda: self.x.find_window(
            OTHER_TITLE), 20)
        # (an absolute path: the demo runs in its own directory)
        self.gl_log = os.path.abspath(os.path.join(args.out, "gl-errors.txt"))
        if os.path.exists(self.gl_log):
            os.remove(self.gl_log)
        env = dict(self.x.env, LD_PRELOAD=os.path.abspath(args.shim),
                   BREVRA_GL_ERROR_LOG=self.gl_log)
        if args.inject_gl_error:
            env["BREVRA_GL_ERROR_INJECT"] = str(args.inject_gl_error)
        self.demo = subprocess.Popen([os.path.abspath(args.fogliame)],
                                     cwd=os.path.dirname(os.path.abspath(args.fogliame)), env=env)

    def run(self, *command):
        return self.x.run(*command)

    def expect_running(self):
        if self.demo.poll() is not None:
            raise Failure("the demo ended early with exit code %d" % self.demo.returncode)

    def activate(self, window):
        """Raises `window`, gives it the keyboard and puts the pointer over it."""
        self.run("wmctrl", "-i", "-a", window)
        geo = self.x.geometry(window)
        self.run("xdotool", "mousemove", str(geo["x"] + geo["w"] // 2),
                 str(geo["y"] + geo["h"] // 2))
        return geo

    def close(self):
        for process in (self.demo, self.other, self.wm):
            if process is not None and process.poll() is None:
                process.kill()
                process.wait()
        self.x.close()


def answer_no(desk):
    dialog = wait_for('the question box "%s"' % QUESTION_CAPTION,
                      lambda: desk.expect_running() or desk.x.find_window(QUESTION_CAPTION), 30)
    for attempt in range(5):
        time.sleep(0.5)
        desk.activate(dialog)
        desk.run("xdotool", "key", "Escape")
        try:
            wait_for("the question box to close", lambda: desk.expect_running() or
                     desk.x.find_window(QUESTION_CAPTION) is None, 5)
            log("answered No")
            return
        except Failure:
            if attempt == 4:
                raise


def drag(desk, button, center, rng):
    cx, cy = center
    desk.run("xdotool", "mousemove", str(cx), str(cy))
    desk.run("xdotool", "mousedown", str(button))
    for _ in range(6):
        desk.run("xdotool", "mousemove", str(cx + rng.randint(-200, 200)),
                 str(cy + rng.randint(-150, 150)))
        time.sleep(0.05)
    desk.run("xdotool", "mouseup", str(button))


def one_round(desk, window, rng):
    geo = desk.activate(window)
    center = (geo["x"] + geo["w"] // 2, geo["y"] + geo["h"] // 2)
    drag(desk, 1, center, rng)
    drag(desk, 3, center, rng)
    for key in rng.sample(KEYS, 4):
        desk.run("xdotool", "key", key)
        time.sleep(0.03)
    # Minimised for a moment, then restored by the window manager (asked again if a request
    # was lost on the busy machine).
    viewable = lambda: "IsViewable" in desk.run("xwininfo", "-id", window)  # noqa: E731
    desk.run("xdotool", "windowminimize", window)
    wait_for("the demo's window to be minimised", lambda: not viewable(), 10)
    time.sleep(0.3)
    desk.expect_running()
    for attempt in range(3):
        desk.run("wmctrl", "-i", "-a", window)
        try:
            wait_for("the demo's window to come back", viewable, 5)
            break
        except Failure:
            if attempt == 2:
                raise
    # The keyboard to the other window, keys typed there, and back.
    desk.activate(desk.other_window)
    desk.run("xdotool", "key", "b")
    time.sleep(0.3)
    desk.activate(window)
    desk.expect_running()


def soak(args):
    os.makedirs(args.out, exist_ok=True)
    rng = random.Random(args.seed)
    desk = Desktop(args)
    try:
        answer_no(desk)
        window = wait_for('the window "%s"' % TITLE,
                          lambda: desk.expect_running() or desk.x.find_window(TITLE), 30)
        # Under the window manager the 800 x 600 is the outer size, its frame included.
        geo = desk.x.frame_geometry(window)
        log("main window %s: %dx%d with its frame" % (window, geo["w"], geo["h"]))
        if (geo["w"], geo["h"]) != (800, 600):
            raise Failure("window of %dx%d with its frame, expected 800x600" % (geo["w"], geo["h"]))
        # The GL error watch must be seen at work before the soak counts on it.
        wait_for("the GL error watch to count frames in " + desk.gl_log,
                 lambda: read_gl_log(desk.gl_log)[0] > 0, 20)

        warmup = min(60.0, args.seconds / 2)
        began = time.monotonic()
        samples = []  # (seconds, kB, rounds)
        rounds = 0
        next_sample = 0.0
        while True:
            now = time.monotonic() - began
            if now >= next_sample:
                samples.append((now, rss_kb(desk.demo.pid), rounds))
                next_sample += args.sample_every
            if now >= args.seconds:
                break
            one_round(desk, window, rng)
            rounds += 1
        samples.append((time.monotonic() - began, rss_kb(desk.demo.pid), rounds))

        # The end: Escape to the demo's window.
        code = None
        for attempt in range(3):
            desk.activate(window)
            desk.run("xdotool", "key", "Escape")
            try:
                code = desk.demo.wait(10)
                break
            except subprocess.TimeoutExpired:
                log("Escape did not end the demo (attempt %d)" % (attempt + 1))
        if code is None:
            raise Failure("the demo did not end on Escape")
        swaps, errors, error_lines = read_gl_log(desk.gl_log)
    finally:
        desk.close()

    with open(os.path.join(args.out, "rss.csv"), "w") as f:
        f.write("seconds,vmrss_kb,rounds\n")
        for t, kb, r in samples:
            f.write("%.1f,%d,%d\n" % (t, kb, r))
    # Growth is judged on the floor of the resident memory, not on single samples: each restore
    # of the window makes the GL driver map fresh buffers and unmap them again a few rounds later,
    # so samples swing by several MB either way, while anything kept for good raises the lowest
    # level. The floor of a window just after the warm-up is compared with that of the run's
    # last window.
    end = samples[-1][0]
    window = min(60.0, (end - warmup) / 2)
    base = min(kb for t, kb, _ in samples if warmup <= t <= warmup + window)
    last = min(kb for t, kb, _ in samples if t >= end - window)
    after = [kb for t, kb, _ in samples if t >= warmup]
    growth = last - base
    lines = [
        "seconds %.0f" % samples[-1][0],
        "rounds %d" % rounds,
        "frames %d" % swaps,
        "gl_errors %d" % errors,
        "rss_first_kb %d" % samples[0][1],
        "rss_floor_after_warmup_kb %d" % base,
        "rss_floor_at_end_kb %d" % last,
        "rss_min_max_after_warmup_kb %d %d" % (min(after), max(after)),
        "rss_last_kb %d" % samples[-1][1],
        "growth_after_warmup_kb %d" % growth,
        "exit_code %d" % code,
    ]
    with open(os.path.join(args.out, "summary.txt"), "w") as f:
        f.write("\n".join(lines) + "\n")
    log("; ".join(lines))

    problems = []
    if code != 0:
        problems.append("exit code %d, expected 0" % code)
    if errors:
        problems.append("%d GL errors: %s" % (errors, ", ".join(error_lines[:5])))
    if swaps == 0:
        problems.append("no frame was shown (the GL error watch saw no swap)")
    if growth > args.max_growth_kb:
        problems.append("resident memory grew by %d kB after the warm-up (at most %d)" %
                        (growth, args.max_growth_kb))
    if problems:
        raise Failure("; ".join(problems))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fogliame", required=True)
    parser.add_argument("--shim", required=True, help="the GL error watch (shared library)")
    parser.add_argument("--seconds", type=float, default=1800)
    parser.add_argument("--sample-every", type=float, default=2)
    parser.add_argument("--max-growth-kb", type=int, default=1024)
    parser.add_argument("--out", default="soak-out")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--inject-gl-error", type=int, default=0,
                        help="raise a GL error before that swap (the watch must see it)")
    args = parser.parse_args()
    try:
        soak(args)
    except subprocess.TimeoutExpired as stuck:
        print("FAILED: %s did not finish in %s s" % (" ".join(stuck.cmd), stuck.timeout),
              file=sys.stderr, flush=True)
        return 1
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr, flush=True)
        return 1
    log("soak passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
