#!/usr/bin/env python3
"""End-to-end run of the fogliame demo in a real X server (its own Xvfb).

Starts Xvfb on a free display (Xvfb picks it: -displayfd), runs the built demo from its own
directory, answers the real start-up question with the keyboard, checks the main window's
title, position and size, drags with the real pointer (left and right buttons), then ends the
demo with Escape or with a close request from the window system, and expects exit code 0.

    e2e_window.py --fogliame PATH --close-helper PATH --answer yes|no --end escape|close
    e2e_window.py --fogliame PATH --no-display

Needs Xvfb, xdotool (pointer and keyboard), xwininfo (finding windows) and xdpyinfo. Bare Xvfb has no window manager, so a window's
outer size is its X window's size.
"""

import argparse
import os
import re
import subprocess
import sys
import time

SCREEN_W, SCREEN_H = 1280, 1024
TITLE = "Fogliame generico"
QUESTION_CAPTION = "Video!"


class Failure(Exception):
    pass


START = time.monotonic()


def log(message):
    print("[%5.1f s] %s" % (time.monotonic() - START, message), flush=True)


def wait_for(what, probe, timeout, interval=0.1):
    """Calls probe() until it returns something true; fails after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            raise Failure("timed out waiting for " + what)
        time.sleep(interval)


class Xvfb:
    """Its own X server, bare (`wm="none"`) or with a real window manager (`wm="openbox"`)."""

    def __init__(self, wm="none"):
        self.wm = None
        read_fd, write_fd = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0",
             "%dx%dx24" % (SCREEN_W, SCREEN_H), "-nolisten", "tcp"],
            pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_fd)
        number = b""
        deadline = time.monotonic() + 15
        while not number.endswith(b"\n"):
            if time.monotonic() > deadline or self.process.poll() is not None:
                raise Failure("Xvfb did not start")
            chunk = os.read(read_fd, 16)
            if not chunk:
                break
            number += chunk
        os.close(read_fd)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        wait_for("the X server to answer", lambda: subprocess.run(
            ["xdpyinfo"], env=self.env, stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL).returncode == 0, 15)
        log("Xvfb answers on " + self.display)
        if wm == "openbox":
            self.start_openbox()

    def start_openbox(self):
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def managing():
            if self.wm.poll() is not None:
                raise Failure("openbox ended at start with exit code %d" % self.wm.returncode)
            out = self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)
            return "window id #" in out
        wait_for("openbox to manage the screen", managing, 15)
        log("openbox manages " + self.display)

    def run(self, *args, check=True):
        done = subprocess.run(list(args), env=self.env, capture_output=True, text=True, timeout=20)
        if check and done.returncode != 0:
            raise Failure("%s failed (%d): %s" % (" ".join(args), done.returncode,
                                                  done.stderr.strip()))
        return done.stdout

    def find_window(self, name):
        """The first viewable window titled exactly `name`. Read from xwininfo's tree: SDL
        titles its windows with UTF8_STRING properties, which xdotool's name search skips."""
        tree = self.run("xwininfo", "-root", "-tree", check=False)
        for found in re.finditer(r'^\s*(0x[0-9a-fA-F]+) "(.*)":', tree, re.M):
            if found.group(2) != name:
                continue
            info = self.run("xwininfo", "-id", found.group(1), check=False)
            if "IsViewable" in info:
                return found.group(1)
        return None

    def geometry(self, window):
        info = self.run("xwininfo", "-id", window)
        values = {}
        for key, label in (("x", "Absolute upper-left X"), ("y", "Absolute upper-left Y"),
                           ("w", "Width"), ("h", "Height")):
            found = re.search(r"^\s*" + label + r":\s*(-?\d+)", info, re.M)
            if not found:
                raise Failure("xwininfo gave no " + label)
            values[key] = int(found.group(1))
        title = re.search(r'Window id: \S+ "(.*)"', info)
        values["title"] = title.group(1) if title else None
        return values

    def parent(self, window):
        """The window's parent, or None for a child of the root."""
        info = self.run("xwininfo", "-children", "-id", window)
        found = re.search(r"Parent window id: (0x[0-9a-fA-F]+)( \(the root window\))?", info)
        if not found or found.group(2):
            return None
        return found.group(1)

    def frame_geometry(self, window):
        """Geometry of the outermost window around `window`: the window manager's frame, or the
        window itself on a bare server."""
        top = window
        while True:
            up = self.parent(top)
            if up is None:
                return self.geometry(top)
            top = up

    def property(self, window, name):
        """xprop's text for one property of `window` ("" when it is not set)."""
        out = self.run("xprop", "-id", window, name, check=False)
        return "" if "not found" in out or "no such atom" in out else out

    def close(self):
        if self.wm is not None and self.wm.poll() is None:
            self.wm.terminate()
            try:
                self.wm.wait(5)
            except subprocess.TimeoutExpired:
                self.wm.kill()
                self.wm.wait()
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


def expect_running(demo):
    if demo.poll() is not None:
        raise Failure("the demo ended early with exit code %d" % demo.returncode)


def drag(x, button, start, moves, end):
    """A real pointer drag: press at start, move through `moves`, release at end."""
    x.run("xdotool", "mousemove", "--sync", str(start[0]), str(start[1]))
    x.run("xdotool", "mousedown", str(button))
    for point in moves:
        x.run("xdotool", "mousemove", str(point[0]), str(point[1]))
        time.sleep(0.05)
    x.run("xdotool", "mousemove", str(end[0]), str(end[1]))
    time.sleep(0.1)
    x.run("xdotool", "mouseup", str(button))


def focus(x, window):
    """Gives `window` the keyboard: input focus, and the pointer over it."""
    geo = x.geometry(window)
    x.run("xdotool", "mousemove", "--sync", str(geo["x"] + geo["w"] // 2),
          str(geo["y"] + geo["h"] // 2))
    x.run("xdotool", "windowfocus", "--sync", window, check=False)


def run_scenario(args):
    bin_dir = os.path.dirname(os.path.abspath(args.fogliame))
    x = Xvfb()
    demo = None
    try:
        demo = subprocess.Popen([os.path.abspath(args.fogliame)], cwd=bin_dir, env=x.env)

        # The start-up question, answered with the keyboard.
        dialog = wait_for('the question box "%s"' % QUESTION_CAPTION,
                          lambda: expect_running(demo) or x.find_window(QUESTION_CAPTION), 25)
        log("question box: window " + dialog)
        # A key pressed before the box has the keyboard is lost: press again while it stays.
        key = "Return" if args.answer == "yes" else "Escape"
        for attempt in range(3):
            time.sleep(0.3)
            focus(x, dialog)
            x.run("xdotool", "key", key)
            log("answered with %s (attempt %d)" % (key, attempt + 1))
            try:
                wait_for("the question box to close",
                         lambda: expect_running(demo) or x.find_window(QUESTION_CAPTION) is None, 5)
                break
            except Failure:
                if attempt == 2:
                    raise

        # The main window: title, position and size.
        window = wait_for('the window "%s"' % TITLE,
                          lambda: expect_running(demo) or x.find_window(TITLE), 25)
        geo = wait_for("the window's final geometry", lambda: (
            lambda g: g if (g["w"], g["h"]) != (1, 1) else None)(x.geometry(window)), 5)
        log("main window %s: %r" % (window, geo))
        if geo["title"] != TITLE:
            raise Failure("title %r, expected %r" % (geo["title"], TITLE))
        expected = (0, 0, SCREEN_W, SCREEN_H) if args.answer == "yes" else (0, 0, 800, 600)
        got = (geo["x"], geo["y"], geo["w"], geo["h"])
        if got != expected:
            raise Failure("window at %r (x, y, width, height), expected %r" % (got, expected))

        # Drags with the real pointer: left turns, right moves nearer or farther; one leaves the
        # window to the left and above while the button is held.
        cx, cy = geo["x"] + geo["w"] // 2, geo["y"] + geo["h"] // 2
        drag(x, 1, (cx, cy), [(cx + 40, cy + 20), (cx + 80, cy + 60)], (cx + 100, cy + 80))
        drag(x, 3, (cx, cy), [(cx, cy + 30)], (cx, cy + 60))
        drag(x, 1, (60, 60), [(20, 20)], (0, 0))
        time.sleep(0.3)
        expect_running(demo)
        if x.find_window(TITLE) != window:
            raise Failure("the main window went away during the drags")
        log("drags done, the demo runs")

        # The end.
        code = None
        for attempt in range(2):
            if args.end == "escape":
                focus(x, window)
                x.run("xdotool", "key", "Escape")
            else:
                # (a second request may find the window gone already: not an error here)
                subprocess.run([os.path.abspath(args.close_helper), window], env=x.env,
                               check=attempt == 0, timeout=10)
            log("asked to end with %s (attempt %d)" % (args.end, attempt + 1))
            try:
                code = demo.wait(10)
                break
            except subprocess.TimeoutExpired:
                pass
        if code is None:
            raise Failure("the demo did not end after %s, twice" % args.end)
        if code != 0:
            raise Failure("the demo ended with exit code %d, expected 0" % code)
        log("the demo ended with exit code 0")
    finally:
        if demo is not None and demo.poll() is None:
            demo.kill()
            demo.wait()
        x.close()


def run_without_display(args):
    env = dict(os.environ)
    env.pop("DISPLAY", None)
    env.pop("WAYLAND_DISPLAY", None)
    try:
        done = subprocess.run([os.path.abspath(args.fogliame)], env=env, capture_output=True,
                              text=True, timeout=15,
                              cwd=os.path.dirname(os.path.abspath(args.fogliame)))
    except subprocess.TimeoutExpired:
        raise Failure("without a display the demo kept running instead of saying so")
    if done.returncode == 0:
        raise Failure("the demo succeeded without a display")
    if "display" not in done.stderr.lower():
        raise Failure("no plain message about the display: %r" % done.stderr)
    log("without a display: exit code %d, %s" % (done.returncode, done.stderr.strip()))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fogliame", required=True)
    parser.add_argument("--close-helper")
    parser.add_argument("--answer", choices=("yes", "no"), default="no")
    parser.add_argument("--end", choices=("escape", "close"), default="escape")
    parser.add_argument("--no-display", action="store_true")
    args = parser.parse_args()
    try:
        if args.no_display:
            run_without_display(args)
        else:
            if args.end == "close" and not args.close_helper:
                parser.error("--end close needs --close-helper")
            run_scenario(args)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr, flush=True)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
