#!/usr/bin/env python3
"""End-to-end run of the fogliame demo in a real X server (its own Xvfb).

Starts Xvfb on a free display (Xvfb picks it: -displayfd), bare or with the openbox window
manager, runs the built demo from its own directory, answers the real start-up question with
the keyboard, checks the main window's frame and client geometry and its icon, drags with the
real pointer (left and right buttons), switches to another application and back, then ends the
demo one of these ways and checks how it ended:

    escape        Escape key: exit code 0
    close         the window system's close request (WM_DELETE_WINDOW): exit code 0
    wm-close      a taskbar's close request to the window manager (_NET_CLOSE_WINDOW): exit 0
    wm-button     a click on the close button of the window manager's frame: exit code 0
    destroy       another X client destroys the window: exit code 0, no X error
    display-lost  the X server goes away: a plain message on standard error, no hang

    e2e_window.py --fogliame PATH --other-client PATH [--close-helper PATH]
                  [--wm none|openbox] --answer yes|no --end END
    e2e_window.py --fogliame PATH --other-client PATH [--wm none|openbox] --no-gl
    e2e_window.py --fogliame PATH --no-display

Needs Xvfb, xdotool (pointer and keyboard), xwininfo, xprop and xdpyinfo; openbox and wmctrl
with --wm openbox. On a bare server a window's outer size is its X window's size; under a window
manager the outer size is the manager's frame, decorations included.
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
        for attempt in range(3):
            self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env,
                                       stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                       text=True)

            def managing():
                if self.wm.poll() is not None:
                    return "ended"
                out = self.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False)
                return "window id #" in out
            if wait_for("openbox to manage the screen", managing, 15) is True:
                log("openbox manages " + self.display)
                return
            log("openbox ended at start (exit code %d): %s"
                % (self.wm.returncode, self.wm.stderr.read().strip()))
        raise Failure("openbox did not start, three times")

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
        said = demo.stderr.read().strip() if demo.stderr else ""
        raise Failure("the demo ended early with exit code %d%s"
                      % (demo.returncode, (": " + said) if said else ""))


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
    """Gives `window` the keyboard: input focus, and the pointer over it. (Without xdotool's
    --sync, which waits for a change and sits out a long timeout when the pointer or the focus
    is there already.)"""
    geo = x.geometry(window)
    x.run("xdotool", "mousemove", str(geo["x"] + geo["w"] // 2), str(geo["y"] + geo["h"] // 2))
    time.sleep(0.05)

    def focused():
        now = x.run("xdotool", "getwindowfocus", check=False).strip()
        return now.isdigit() and int(now) == int(window, 16)
    if not focused():
        x.run("xdotool", "windowfocus", window, check=False)
        try:
            wait_for("the keyboard focus on " + window, focused, 5)
        except Failure:
            pass  # a window that cannot take the focus: the keys show what happened


def frame_extents(x, window):
    """The window manager's frame around `window`: left, right, top, bottom."""
    found = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)",
                      x.property(window, "_NET_FRAME_EXTENTS"))
    return tuple(int(v) for v in found.groups()) if found else (0, 0, 0, 0)


def check_outer_geometry(x, window, outer, framed):
    """The window's outer rectangle (frame included) is `outer` (x, y, width, height); a framed
    (captioned) window under a window manager has a client area smaller by the frame. Returns the
    client geometry."""
    def settled():
        frame, client = x.frame_geometry(window), x.geometry(window)
        got = (frame["x"], frame["y"], frame["w"], frame["h"])
        return (got, client) if got == outer else None
    try:
        got, client = wait_for("the window's outer rectangle %r" % (outer,), settled, 5)
    except Failure:
        frame = x.frame_geometry(window)
        raise Failure("window frame at %r (x, y, width, height), expected %r"
                      % ((frame["x"], frame["y"], frame["w"], frame["h"]), outer))
    left, right, top, bottom = frame_extents(x, window) if x.wm else (0, 0, 0, 0)
    if x.wm and framed and min(left, right, top, bottom) <= 0:
        raise Failure("no frame from the window manager: extents %r"
                      % ((left, right, top, bottom),))
    expected = (outer[0] + left, outer[1] + top, outer[2] - left - right,
                outer[3] - top - bottom)
    if (client["x"], client["y"], client["w"], client["h"]) != expected:
        raise Failure("client area %r, expected %r inside the frame %r" % (
            (client["x"], client["y"], client["w"], client["h"]), expected, outer))
    log("outer %r, client %r" % (outer, expected))
    return client


def check_icon(x, window):
    """The program set its window's icon itself: the built-in 32 x 32 application icon."""
    icon = x.property(window, "_NET_WM_ICON")
    if "Icon (32 x 32)" not in icon:
        raise Failure("no 32 x 32 application icon on the window: %r" % icon[:200])


def switch_away_and_back(args, x, demo, window):
    """Another application takes the keyboard: its Escape is not the demo's. Then back."""
    other = subprocess.Popen([os.path.abspath(args.other_client), "window", "Other application"],
                             env=x.env, stdout=subprocess.PIPE, text=True)
    try:
        other_id = other.stdout.readline().strip()
        wait_for("the other application's window",
                 lambda: "IsViewable" in x.run("xwininfo", "-id", other_id, check=False), 10)
        if x.wm:
            x.run("wmctrl", "-i", "-a", other_id)
        else:
            x.run("xdotool", "windowfocus", "--sync", other_id)
        wait_for("the other application to have the keyboard", lambda: int(x.run(
            "xdotool", "getwindowfocus", check=False).strip() or 0) == int(other_id, 16), 5)
        x.run("xdotool", "key", "Escape")
        time.sleep(0.7)
        expect_running(demo)
        log("another application had the keyboard; its Escape left the demo running")
        if x.wm:
            x.run("wmctrl", "-i", "-a", window)
        focus(x, window)
        time.sleep(0.3)  # the toolkit takes the keyboard a moment after the focus comes back
    finally:
        other.terminate()
        other.wait(5)


def end_demo(args, x, demo, window):
    """Ends the demo the way args.end says; returns (exit code, standard error)."""
    if args.end == "display-lost":
        x.process.kill()
        x.process.wait()
        log("the X server was killed")
        try:
            code = demo.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("the demo hung after its display went away")
        return code, demo.stderr.read()
    code = None
    for attempt in range(2):
        if args.end == "escape":
            focus(x, window)
            x.run("xdotool", "key", "Escape")
        elif args.end == "close":
            # (a second request may find the window gone already: not an error here)
            subprocess.run([os.path.abspath(args.close_helper), window], env=x.env,
                           check=attempt == 0, timeout=10)
        elif args.end == "wm-close":
            x.run("wmctrl", "-i", "-c", window, check=attempt == 0)
        elif args.end == "wm-button":
            # The close button is the last one on the right of the title bar.
            frame = x.frame_geometry(window)
            left, right, top, bottom = frame_extents(x, window)
            x.run("xdotool", "mousemove", str(frame["x"] + frame["w"] - 12),
                  str(frame["y"] + top // 2))
            time.sleep(0.2)
            x.run("xdotool", "click", "1")
        else:  # destroy
            x.run(os.path.abspath(args.other_client), "destroy", window, check=attempt == 0)
        log("asked to end with %s (attempt %d)" % (args.end, attempt + 1))
        try:
            code = demo.wait(10)
            break
        except subprocess.TimeoutExpired:
            pass
    if code is None:
        raise Failure("the demo did not end after %s, twice" % args.end)
    return code, demo.stderr.read()


def answer_question(x, demo, answer):
    dialog = wait_for('the question box "%s"' % QUESTION_CAPTION,
                      lambda: expect_running(demo) or x.find_window(QUESTION_CAPTION), 25)
    log("question box: window " + dialog)
    # A key pressed before the box has the keyboard is lost: press again while it stays.
    key = "Return" if answer == "yes" else "Escape"
    for attempt in range(3):
        time.sleep(0.3)
        focus(x, dialog)
        x.run("xdotool", "key", key)
        log("answered with %s (attempt %d)" % (key, attempt + 1))
        try:
            wait_for("the question box to close",
                     lambda: expect_running(demo) or x.find_window(QUESTION_CAPTION) is None, 5)
            return
        except Failure:
            if attempt == 2:
                raise


def run_scenario(args):
    bin_dir = os.path.dirname(os.path.abspath(args.fogliame))
    x = Xvfb(args.wm)
    demo = None
    try:
        demo = subprocess.Popen([os.path.abspath(args.fogliame)], cwd=bin_dir, env=x.env,
                                stderr=subprocess.PIPE, text=True)
        answer_question(x, demo, args.answer)

        # The main window: title, frame, client area and icon.
        window = wait_for('the window "%s"' % TITLE,
                          lambda: expect_running(demo) or x.find_window(TITLE), 25)
        geo = x.geometry(window)
        log("main window %s: %r" % (window, geo))
        if geo["title"] != TITLE:
            raise Failure("title %r, expected %r" % (geo["title"], TITLE))
        full = args.answer == "yes"
        outer = (0, 0, SCREEN_W, SCREEN_H) if full else (0, 0, 800, 600)
        geo = check_outer_geometry(x, window, outer, framed=not full)
        check_icon(x, window)

        # Drags with the real pointer: left turns, right moves nearer or farther; one leaves the
        # window to the left and above while the button is held.
        cx, cy = geo["x"] + geo["w"] // 2, geo["y"] + geo["h"] // 2
        drag(x, 1, (cx, cy), [(cx + 40, cy + 20), (cx + 80, cy + 60)], (cx + 100, cy + 80))
        drag(x, 3, (cx, cy), [(cx, cy + 30)], (cx, cy + 60))
        drag(x, 1, (geo["x"] + 60, geo["y"] + 60), [(20, 20)], (0, 0))
        time.sleep(0.3)
        expect_running(demo)
        if x.find_window(TITLE) != window:
            raise Failure("the main window went away during the drags")
        log("drags done, the demo runs")
        switch_away_and_back(args, x, demo, window)

        code, errors = end_demo(args, x, demo, window)
        if "X Error of failed request" in errors or "XIO:" in errors:
            raise Failure("an Xlib crash report on standard error:\n" + errors)
        if args.end == "display-lost":
            if code == 0:
                raise Failure("the lost display was reported as success (exit code 0)")
            if "connection to the X server" not in errors:
                raise Failure("no plain message about the lost display: %r" % errors)
            log("display lost: exit code %d, %s" % (code, errors.strip()))
            return
        if "X error" in errors:
            raise Failure("X errors on standard error:\n" + errors)
        if code != 0:
            raise Failure("the demo ended with exit code %d, expected 0" % code)
        log("the demo ended with exit code 0")
    finally:
        if demo is not None and demo.poll() is None:
            demo.kill()
            demo.wait()
        x.close()


def run_without_opengl(args):
    """No OpenGL driver library: the fatal message is the rendering context's, not the
    window's (the window itself can be made), in a box captioned "Error"; exit code 0."""
    x = Xvfb(args.wm)
    demo = None
    try:
        env = dict(x.env, SDL_OPENGL_LIBRARY="/nonexistent/libGL.so.1")
        demo = subprocess.Popen([os.path.abspath(args.fogliame)],
                                cwd=os.path.dirname(os.path.abspath(args.fogliame)), env=env,
                                stderr=subprocess.PIPE, text=True)
        answer_question(x, demo, "no")
        box = wait_for('the box "Error"', lambda: expect_running(demo) or x.find_window("Error"),
                       25)
        time.sleep(0.3)
        focus(x, box)
        x.run("xdotool", "key", "Return")
        try:
            code = demo.wait(10)
        except subprocess.TimeoutExpired:
            raise Failure("the demo did not end after the error box")
        errors = demo.stderr.read()
        if code != 0:
            raise Failure("exit code %d after the error box, expected 0" % code)
        # The window was made without OpenGL, so the set-up failed at the pixel format and
        # rendering context (the library's third message), not at the window.
        if "no OpenGL window" not in errors or "cannot create a window" in errors:
            raise Failure("not the rendering context's failure: %r" % errors)
        log("without OpenGL: the rendering context failed, exit code 0")
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
    parser.add_argument("--other-client")
    parser.add_argument("--wm", choices=("none", "openbox"), default="none")
    parser.add_argument("--answer", choices=("yes", "no"), default="no")
    parser.add_argument("--end", default="escape",
                        choices=("escape", "close", "wm-close", "wm-button", "destroy",
                                 "display-lost"))
    parser.add_argument("--no-display", action="store_true")
    parser.add_argument("--no-gl", action="store_true")
    args = parser.parse_args()
    try:
        if args.no_display:
            run_without_display(args)
        elif args.no_gl:
            run_without_opengl(args)
        else:
            if args.end == "close" and not args.close_helper:
                parser.error("--end close needs --close-helper")
            if not args.other_client:
                parser.error("--other-client is needed")
            if args.end in ("wm-close", "wm-button") and args.wm == "none":
                parser.error("--end wm-close needs a window manager")
            run_scenario(args)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr, flush=True)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
