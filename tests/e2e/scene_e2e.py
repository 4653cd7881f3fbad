#!/usr/bin/env python3
"""End-to-end run of the bush scene in a real X window (its own Xvfb), checked in screenshots.

    scene_e2e.py --fogliame PATH --snapshot PATH --compare PATH --out DIR [--wm none|openbox]
                 --scenario drags
    scene_e2e.py ... --scenario damaged-leaf

With --wm openbox the window manager frames the window: its outer size stays 800 x 600 at the
top-left corner, and the pictures are rendered at the smaller client size the demo was told.

drags: starts the demo in its own directory (<build>/bin), answers the question with No (an
800 x 600 window at the top-left corner), then compares screenshots of the window with the
pictures fogliame-snapshot renders for the same camera: at the start, after a real left drag
with the pointer (40 pixels right and 15 down: 40 degrees about y, 15 about x) and after a
right drag 50 pixels down (10 nearer); Escape then ends the demo with exit code 0.

damaged-leaf: the same demo started in a folder whose "acacia.tga" is cut short: the TGA
reader's message box comes once and is answered, then the scene is drawn without the leaf
texture (compared with fogliame-snapshot's picture made in the same folder), and Escape ends
it with exit code 0.

Both renderers are Mesa llvmpipe, one through GLX, one through EGL, so pictures are compared
with a per-channel tolerance and a largest fraction of differing pixels. On a mismatch the
screenshot, the expected picture and a difference picture stay in DIR. Uses the Xvfb helpers of
e2e_window.py; needs ImageMagick's `import` for the screenshots.
"""

import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_window import (QUESTION_CAPTION, TITLE, Failure, Xvfb, check_outer_geometry,  # noqa: E402
                        drag, expect_running, focus, log, wait_for)

TOLERANCE = 8          # per colour channel, of 255
MAX_FRACTION = 0.01    # of the window's pixels
WIDTH, HEIGHT = 800, 600  # the window's outer size; the client area is smaller under a frame
SETTLE = 1.5           # seconds for the demo to work off the queued moves, one per frame


class Scene:
    def __init__(self, args, x, workdir):
        self.args = args
        self.x = x
        self.workdir = workdir
        self.out = os.path.abspath(args.out)
        self.client = (0, 0, WIDTH, HEIGHT)  # x, y, width, height on the screen

    def at(self, x, y):
        """A point of the client area on the screen."""
        return (self.client[0] + x, self.client[1] + y)

    def expected(self, name, xrot=0, yrot=0, depth=0):
        path = os.path.join(self.out, name + ".expected.png")
        done = subprocess.run(
            [os.path.abspath(self.args.snapshot), "--out", path, "--width", str(self.client[2]),
             "--height", str(self.client[3]), "--xrot", str(xrot), "--yrot", str(yrot),
             "--depth", str(depth)],
            cwd=self.workdir, capture_output=True, text=True, timeout=60)
        if done.returncode != 0:
            raise Failure("fogliame-snapshot failed: " + done.stderr.strip())
        return path

    def screenshot(self, name):
        path = os.path.join(self.out, name + ".screen.png")
        self.x.run("import", "-window", "root", path)
        return path

    def compare(self, name, expected, must_match=True):
        """Screenshot of the client area against `expected`; True when they match."""
        time.sleep(SETTLE)
        shot = self.screenshot(name)
        diff = os.path.join(self.out, name + ".diff.png")
        done = subprocess.run(
            [os.path.abspath(self.args.compare), shot, expected, "--crop",
             "%d,%d,%d,%d" % self.client, "--tolerance", str(TOLERANCE), "--max-fraction",
             str(MAX_FRACTION), "--diff", diff],
            capture_output=True, text=True, timeout=60)
        if done.returncode not in (0, 1):
            raise Failure("png-compare failed: " + done.stderr.strip())
        matched = done.returncode == 0
        log("%s: %s" % (name, done.stdout.strip()))
        if matched != must_match:
            raise Failure("%s: the window %s the expected picture\n  screenshot: %s\n"
                          "  expected:   %s\n  difference: %s"
                          % (name, "shows" if matched else "does not show", shot, expected,
                             diff))
        return matched


def start_demo(args, x, workdir):
    demo = subprocess.Popen([os.path.abspath(args.fogliame)], cwd=workdir, env=x.env)
    dialog = wait_for('the question box "%s"' % QUESTION_CAPTION,
                      lambda: expect_running(demo) or x.find_window(QUESTION_CAPTION), 20)
    time.sleep(0.3)
    focus(x, dialog)
    x.run("xdotool", "key", "Escape")  # No: the 800 x 600 window
    log("answered No")
    return demo


def main_window(x, demo, scene):
    """Finds the main window, checks its outer rectangle and takes its client area."""
    window = wait_for('the window "%s"' % TITLE,
                      lambda: expect_running(demo) or x.find_window(TITLE), 30)
    geo = check_outer_geometry(x, window, (0, 0, WIDTH, HEIGHT), framed=True)
    scene.client = (geo["x"], geo["y"], geo["w"], geo["h"])
    log("main window %s, client area %r" % (window, scene.client))
    return window


def end_with_escape(x, demo, window):
    # The pointer is moved onto the window with no button held: that turns nothing.
    focus(x, window)
    x.run("xdotool", "key", "Escape")
    try:
        code = demo.wait(15)
    except subprocess.TimeoutExpired:
        raise Failure("the demo did not end within 15 s after Escape")
    if code != 0:
        raise Failure("the demo ended with exit code %d, expected 0" % code)
    log("Escape: the demo ended with exit code 0")


def run_drags(args, x):
    bin_dir = os.path.dirname(os.path.abspath(args.fogliame))
    scene = Scene(args, x, bin_dir)
    demo = start_demo(args, x, bin_dir)
    try:
        window = main_window(x, demo, scene)
        # The pictures at the client size: the first frame's projection took it from the
        # creation's WM_SIZE.
        start = scene.expected("start")
        turned = scene.expected("turned", xrot=15, yrot=40)
        nearer = scene.expected("nearer", xrot=15, yrot=40, depth=-10)
        scene.compare("start", start)

        # Left drag with the real pointer: 40 right, 15 down, in steps.
        drag(x, 1, scene.at(400, 300), [scene.at(410, 304), scene.at(420, 308),
                                        scene.at(430, 311)], scene.at(440, 315))
        scene.compare("turned", turned)
        scene.compare("turned-not-start", start, must_match=False)

        # Right drag 50 down: 10 nearer.
        drag(x, 3, scene.at(400, 300), [scene.at(400, 320), scene.at(400, 340)],
             scene.at(400, 350))
        scene.compare("nearer", nearer)
        expect_running(demo)
        end_with_escape(x, demo, window)
    finally:
        if demo.poll() is None:
            demo.kill()
            demo.wait()


def run_damaged_leaf(args, x):
    bin_dir = os.path.dirname(os.path.abspath(args.fogliame))
    workdir = os.path.join(os.path.abspath(args.out), "pictures")
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    for name in ("Floor04.bmp", "corteccia02.bmp"):
        shutil.copy(os.path.join(bin_dir, name), workdir)
    with open(os.path.join(bin_dir, "acacia.tga"), "rb") as good:
        head = good.read(60)  # the headers survive, the pixels are cut off
    with open(os.path.join(workdir, "acacia.tga"), "wb") as damaged:
        damaged.write(head)

    scene = Scene(args, x, workdir)
    demo = start_demo(args, x, workdir)
    try:
        box = wait_for('the TGA reader\'s message box "ERROR"',
                       lambda: expect_running(demo) or x.find_window("ERROR"), 30)
        log("message box: window " + box)
        time.sleep(0.3)
        focus(x, box)
        x.run("xdotool", "key", "Return")
        window = main_window(x, demo, scene)
        time.sleep(0.5)
        if x.find_window("ERROR"):
            raise Failure("a second message box came")
        scene.compare("no-leaf-texture", scene.expected("no-leaf-texture"))
        end_with_escape(x, demo, window)
    finally:
        if demo.poll() is None:
            demo.kill()
            demo.wait()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fogliame", required=True)
    parser.add_argument("--snapshot", required=True)
    parser.add_argument("--compare", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--scenario", choices=("drags", "damaged-leaf"), default="drags")
    parser.add_argument("--wm", choices=("none", "openbox"), default="none")
    args = parser.parse_args()
    if shutil.which("import") is None:
        print("FAILED: ImageMagick's import is needed for the screenshots", file=sys.stderr)
        return 1
    os.makedirs(args.out, exist_ok=True)
    x = None
    try:
        x = Xvfb(args.wm)
        if args.scenario == "drags":
            run_drags(args, x)
        else:
            run_damaged_leaf(args, x)
    except Failure as failure:
        print("FAILED: %s" % failure, file=sys.stderr, flush=True)
        return 1
    finally:
        if x is not None:
            x.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
