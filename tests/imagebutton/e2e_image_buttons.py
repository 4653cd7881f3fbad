#!/usr/bin/env python3
"""End-to-end run of the image_buttons example in a real X server (its own Xvfb).

Clicks with the real pointer on an opaque pixel of the first button (a command is reported),
then on the magenta corner of the second button (nothing is reported), then on the second
button itself; takes a screenshot and checks that the status bar shows dark text pixels on its
strip and that the first button's picture is on screen while its magenta corner is not. Ends the
program with Escape and expects exit code 0.

    e2e_image_buttons.py --program PATH [--screenshot OUT.png] [--wm none|openbox]

With --wm openbox the window manager frames the 640 x 480 window; the clicks and the screenshot
checks are made in its smaller client area. Needs Xvfb, xdotool and ImageMagick's import and
convert.
"""

import argparse
import os
import re
import subprocess
import sys
import time

# The X server helpers are the demo's end-to-end ones (tests/e2e).
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from e2e_window import Failure, Xvfb, check_outer_geometry, wait_for  # noqa: E402

TITLE = "Image buttons"


def xdotool(env, *args):
    return subprocess.run(["xdotool", *args], env=env, capture_output=True, text=True,
                          timeout=10).stdout


def pixels(env, png, x, y, w, h):
    """RGB tuples of a block of the screenshot, row by row."""
    out = subprocess.run(["convert", png, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                          "-depth", "8", "txt:-"], env=env, capture_output=True, text=True,
                         timeout=20).stdout
    result = {}
    for line in out.splitlines():
        m = re.match(r"(\d+),(\d+):\s*\((\d+),(\d+),(\d+)", line)
        if m:
            result[(int(m.group(1)), int(m.group(2)))] = tuple(int(m.group(i)) for i in (3, 4, 5))
    return result


def run(args):
    xvfb = Xvfb(args.wm)
    env = xvfb.env
    program = None
    try:
        program = subprocess.Popen([args.program], env=env, stdout=subprocess.PIPE, text=True,
                                   cwd=os.path.dirname(args.program))
        lines = []

        def read_until(pattern, timeout):
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                line = program.stdout.readline()
                if not line:
                    break
                lines.append(line.strip())
                if re.search(pattern, line):
                    return line
            raise Failure("no line matching %r; got %r" % (pattern, lines))

        buttons = {}
        for _ in range(3):
            m = re.match(r"button (\d+) at (\d+) (\d+) size (\d+) (\d+)",
                         read_until(r"^button ", 20))
            buttons[int(m.group(1))] = tuple(int(m.group(i)) for i in range(2, 6))
        window = wait_for("the window", lambda: xvfb.find_window(TITLE), 15)
        client = check_outer_geometry(xvfb, window, (0, 0, 640, 480), framed=True)
        wx, wy = client["x"], client["y"]
        time.sleep(1.0)  # a few frames

        def click(x, y):
            xdotool(env, "mousemove", str(wx + x), str(wy + y))
            time.sleep(0.3)
            xdotool(env, "click", "1")
            time.sleep(0.5)

        # The first button: its centre is opaque.
        bx, by, bw, bh = buttons[101]
        click(bx + bw // 2, by + bh // 2)
        read_until(r"^command 101$", 10)
        # The second button's magenta corner: not the button.
        cx, cy, cw, ch = buttons[102]
        click(cx + 1, cy + 1)
        click(cx + cw // 2, cy + ch // 2)
        line = read_until(r"^command ", 10)
        if line.strip() != "command 102":
            raise Failure("the magenta corner was reported as a click: %r" % line)
        xdotool(env, "mousemove", str(wx + 400), str(wy + 300))
        time.sleep(0.8)

        png = args.screenshot or os.path.join(os.path.dirname(args.program), "image_buttons.png")
        subprocess.run(["import", "-window", "root", png], env=env, check=True, timeout=20)
        client_h = client["h"]
        strip = pixels(env, png, wx, wy + client_h - 18, 200, 16)
        dark = sum(1 for p in strip.values() if max(p) < 80)
        face = sum(1 for p in strip.values() if p == (0xD4, 0xD0, 0xC8))
        if face < 500:
            raise Failure("no status strip in the screenshot (%d face pixels)" % face)
        if dark < 20:
            raise Failure("no status text in the screenshot (%d dark pixels)" % dark)
        button = pixels(env, png, wx + bx, wy + by, bw, bh)
        if button.get((bw // 2, bh // 2)) != (0xC0, 0x30, 0x20):
            raise Failure("the first button is not on screen: %r" % (button.get((bw // 2, bh // 2)),))
        if button.get((1, 1)) == (255, 0, 255):
            raise Failure("the magenta corner is drawn")

        xdotool(env, "key", "--window", window, "Escape")
        code = program.wait(timeout=15)
        if code != 0:
            raise Failure("exit code %d" % code)
        print("ok: clicks reported, corner ignored, status text visible (%s)" % png)
    finally:
        if program is not None and program.poll() is None:
            program.kill()
            program.wait()
        xvfb.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--screenshot")
    parser.add_argument("--wm", choices=("none", "openbox"), default="none")
    args = parser.parse_args()
    try:
        run(args)
    except Failure as failure:
        print("FAIL: %s" % failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
