#!/usr/bin/env python3
"""End-to-end run of the `menus` example in a real X server (its own Xvfb), bare or under openbox.

Drives the menu bar and the context menu with real clicks and keys (xdotool), takes screenshots
with the menus open (ImageMagick's import) and checks in them that the menus are drawn (the
menu face colour where the menu lies, the selection colour on the highlighted item), reads the
"command <id>" lines the program prints, waits for the frames-per-second title, and ends the
program with File > Quit (Alt+F, Q), expecting exit code 0.

    menus_e2e.py --menus PATH --out DIR [--wm openbox]

The screenshots are left in DIR (menus-bar.png, menus-view.png, menus-context.png).
"""

import argparse
import os
import queue
import re
import struct
import subprocess
import sys
import threading
import time
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_window import Failure, Xvfb, log, wait_for  # noqa: E402  (the shared X server helpers)

TITLE = "Brevra menus"
FACE = (0xD4, 0xD0, 0xC8)
SELECTION = (0x0A, 0x24, 0x6A)
BAR = 20         # the menu bar's height
ITEM = 20        # a menu item's height
BORDER = 3       # a menu's edge around its items


# ---- screenshots -------------------------------------------------------------------------------
def read_png(path):
    """(width, height, rows of (r, g, b) tuples) of an 8-bit RGB or RGBA PNG, not interlaced."""
    data = open(path, "rb").read()
    pos, chunks, header = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        pos += 12 + length
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        raise Failure("screenshot format not read here: depth %d colour %d" % (depth, colour))
    step = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(chunks))
    stride = width * step
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b = previous[i]
            c = previous[i - step] if i >= step else 0
            if kind == 1:
                line[i] = (line[i] + a) & 255
            elif kind == 2:
                line[i] = (line[i] + b) & 255
            elif kind == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * step:x * step + 3]) for x in range(width)])
        previous = line
    return width, height, rows


def count(rows, box, colour):
    left, top, right, bottom = box
    return sum(1 for y in range(top, bottom) for x in range(left, right) if rows[y][x] == colour)


def screenshot(x, out, name, geo):
    """The window's area of the screen, as a PNG in `out`; returns its rows."""
    path = os.path.join(out, name)
    x.run("import", "-window", "root", "-crop",
          "%dx%d+%d+%d" % (geo["w"], geo["h"], geo["x"], geo["y"]), "+repage", path)
    return read_png(path)[2]


# ---- the program ---------------------------------------------------------------------------------
class Program:
    def __init__(self, x, path):
        self.process = subprocess.Popen([os.path.abspath(path)], cwd=os.path.dirname(
            os.path.abspath(path)), env=x.env, stdout=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.put(line.strip())

    def running(self):
        if self.process.poll() is not None:
            raise Failure("menus ended early with exit code %d" % self.process.returncode)
        return True

    def expect_command(self, number, what):
        try:
            line = self.lines.get(timeout=10)
        except queue.Empty:
            raise Failure("no command after " + what)
        if line != "command %d" % number:
            raise Failure("after %s: %r, expected 'command %d'" % (what, line, number))
        log("%s gave %s" % (what, line))

    def expect_no_command(self, what):
        time.sleep(0.5)
        if not self.lines.empty():
            raise Failure("%s gave %r, expected nothing" % (what, self.lines.get()))


def start_openbox(x):
    wm = subprocess.Popen(["openbox", "--sm-disable"], env=x.env, stdout=subprocess.DEVNULL,
                          stderr=subprocess.DEVNULL)
    wait_for("openbox to manage the screen", lambda: "_NET_SUPPORTING_WM_CHECK(WINDOW)" in x.run(
        "xprop", "-root", "_NET_SUPPORTING_WM_CHECK", check=False), 15)
    log("openbox runs")
    return wm


def key(x, *keys):
    for k in keys:
        x.run("xdotool", "key", k)
        time.sleep(0.15)


def run(args):
    os.makedirs(args.out, exist_ok=True)
    x = Xvfb()
    wm = None
    program = None
    try:
        if args.wm == "openbox":
            wm = start_openbox(x)
        program = Program(x, args.menus)
        window = wait_for('the window "%s"' % TITLE, lambda: program.running() and
                          x.find_window(TITLE), 25)
        geo = wait_for("the window's final geometry", lambda: (
            lambda g: g if (g["w"], g["h"]) != (1, 1) else None)(x.geometry(window)), 5)
        time.sleep(1.5)  # the scene is built and the first frames are shown
        geo = x.geometry(window)
        log("window %s: %r" % (window, geo))
        left, top = geo["x"], geo["y"]
        x.run("xdotool", "mousemove", "--sync", str(left + geo["w"] // 2),
              str(top + geo["h"] // 2))
        x.run("xdotool", "windowfocus", "--sync", window, check=False)
        time.sleep(0.3)

        # The bar with the pointer: File opens under it, Reset view is chosen.
        x.run("xdotool", "mousemove", "--sync", str(left + 15), str(top + BAR // 2))
        x.run("xdotool", "click", "1")
        time.sleep(0.5)
        rows = screenshot(x, args.out, "menus-bar.png", geo)
        menu = (4, BAR + 4, 96, BAR + 2 * ITEM)
        if count(rows, menu, FACE) < 500:
            raise Failure("no open File menu in menus-bar.png")
        if count(rows, (2, 1, 30, BAR - 1), SELECTION) < 100:
            raise Failure("File is not highlighted on the bar in menus-bar.png")
        x.run("xdotool", "mousemove", "--sync", str(left + 40), str(top + BAR + BORDER + 10))
        time.sleep(0.2)
        x.run("xdotool", "click", "1")
        program.expect_command(101, "a click on File > Reset view")

        # The bar with the keyboard: F10, Right, Down opens View with Free look highlighted.
        key(x, "F10", "Right", "Down")
        time.sleep(0.4)
        rows = screenshot(x, args.out, "menus-view.png", geo)
        if count(rows, (60, BAR + BORDER + 2, 150, BAR + BORDER + ITEM - 2), SELECTION) < 500:
            raise Failure("View > Free look is not highlighted in menus-view.png")
        key(x, "Down", "Return")
        program.expect_command(202, "F10, Right, Down, Down, Return")
        wait_for("the frames-per-second title", lambda: program.running() and re.fullmatch(
            r"Brevra menus - FPS \[\d+\]", x.geometry(window)["title"] or ""), 8)
        log("title: %s" % x.geometry(window)["title"])

        # The context menu with the right button, at the pointer.
        cx, cy = left + 300, top + 250
        x.run("xdotool", "mousemove", "--sync", str(cx), str(cy))
        x.run("xdotool", "click", "3")
        time.sleep(0.6)
        rows = screenshot(x, args.out, "menus-context.png", geo)
        if count(rows, (302, 252, 390, 250 + 3 * ITEM), FACE) < 500:
            raise Failure("no context menu at the pointer in menus-context.png")
        x.run("xdotool", "mousemove", "--sync", str(cx + 30), str(cy + BORDER + ITEM + 10))
        time.sleep(0.2)
        x.run("xdotool", "click", "1")
        program.expect_command(201, "a click on the context menu's Free look")

        # From the keyboard: Shift+F10 then Escape chooses nothing; the Menu key, Down, Return.
        key(x, "shift+F10")
        time.sleep(0.3)
        key(x, "Escape")
        program.expect_no_command("Shift+F10, Escape")
        key(x, "Menu")
        time.sleep(0.3)
        key(x, "Down", "Return")
        program.expect_command(101, "the Menu key, Down, Return")

        # File > Quit by its mnemonics ends the program with exit code 0.
        key(x, "alt+f")
        time.sleep(0.3)
        key(x, "q")
        program.expect_command(102, "Alt+F, Q")
        code = program.process.wait(15)
        if code != 0:
            raise Failure("menus ended with exit code %d after Quit" % code)
        log("Quit ended the program with exit code 0")
    finally:
        if program is not None and program.process.poll() is None:
            program.process.kill()
            program.process.wait()
        if wm is not None:
            wm.terminate()
            wm.wait(5)
        x.close()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--menus", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("--wm", choices=["none", "openbox"], default="none")
    args = parser.parse_args()
    try:
        run(args)
    except Failure as failure:
        log("FAILED: %s" % failure)
        return 1
    log("passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
