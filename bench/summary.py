#!/usr/bin/env python3
"""Summarises the benchmark JSON files of tools/bench.sh as Markdown tables with the targets.

    summary.py RESULTS_DIR [--csv SCALING.csv]

Reads RESULTS_DIR/images.json and RESULTS_DIR/scene.json (Google Benchmark output written with
--benchmark_repetitions and --benchmark_report_aggregates_only), takes the median of every
benchmark, and prints the tables that docs/performance.md quotes, each ratio formed from medians
of the same run. Image benchmarks are single-threaded and quoted in CPU time (the machine is
shared, so wall time counts other people's work too); GL benchmarks are quoted in wall time,
because llvmpipe rasterises on worker threads. Only the standard library is used.
"""
import json
import os
import re
import sys

SUFFIX = re.compile(r"/(min_time:[0-9.]+|real_time|manual_time|iterations:\d+)")


def load(path):
    if not os.path.exists(path):
        return {}, {}
    with open(path) as f:
        data = json.load(f)
    medians = {}
    for b in data.get("benchmarks", []):
        key = SUFFIX.sub("", b.get("run_name", b["name"]))
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[key] = b
        else:
            medians.setdefault(key, b)
    return medians, data.get("context", {})


def ms(b, key):
    """The benchmark's time in milliseconds (key: cpu_time or real_time)."""
    unit = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return b[key] * unit


def fmt(v, digits=3):
    if v is None:
        return "-"
    if v >= 100:
        return f"{v:.0f}"
    if v >= 10:
        return f"{v:.1f}"
    return f"{v:.{digits}g}"


def mark(ok):
    return "met" if ok else "MISSED"


def table(header, rows):
    out = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    out += ["| " + " | ".join(str(c) for c in r) + " |" for r in rows]
    return "\n".join(out)


def tga_tables(img):
    rows_file, rows_mem, misses = [], [], []
    for bpp in ("24", "32"):
        for kind in ("type2", "type10_realistic", "type10_worst"):
            for size in ("256", "1024", "4096"):
                base = f"tga/{bpp}/{kind}/{size}/"
                if base + "LoadTGA" not in img:
                    continue
                t = {k: ms(img[base + k], "cpu_time") for k in
                     ("LoadTGA", "stbi_load", "DecodeTGA", "stbi_load_from_memory", "read_file")}
                speed = t["stbi_load"] / t["LoadTGA"]
                speed_mem = t["stbi_load_from_memory"] / t["DecodeTGA"]
                floor = t["LoadTGA"] / t["read_file"]
                floor_ok = "" if not (bpp == "32" and kind == "type2") else (
                    f" ({mark(floor <= 2)})")
                rows_file.append([f"{bpp}-bit {kind} {size}²", fmt(t["LoadTGA"]),
                                  fmt(t["stbi_load"]), f"{speed:.2f}x ({mark(speed >= 2)})",
                                  fmt(t["read_file"]), f"{floor:.2f}x{floor_ok}"])
                rows_mem.append([f"{bpp}-bit {kind} {size}²", fmt(t["DecodeTGA"]),
                                 fmt(t["stbi_load_from_memory"]), f"{speed_mem:.2f}x"])
                if speed < 2:
                    misses.append(f"TGA {bpp}-bit {kind} {size}²: {speed:.2f}x stb (< 2x)")
                if bpp == "32" and kind == "type2" and floor > 2:
                    misses.append(f"TGA 32-bit type2 {size}²: {floor:.2f}x the read (> 2x)")
    out = ["### TGA from a file: LoadTGA vs stbi_load (CPU ms, medians)", "",
           table(["case", "LoadTGA", "stbi_load", "stb / LoadTGA (target >= 2x)",
                  "read file", "LoadTGA / read (32-bit type2: target <= 2x)"], rows_file), "",
           "### TGA from memory: DecodeTGA vs stbi_load_from_memory (CPU ms, medians)", "",
           table(["case", "DecodeTGA", "stbi_load_from_memory", "stb / DecodeTGA"], rows_mem)]
    return "\n".join(out), misses


def bmp_table(img):
    rows, misses = [], []
    for bpp in ("24", "32"):
        for size in ("256", "1024", "4096"):
            base = f"bmp/{bpp}/{size}/"
            if base + "LoadImage" not in img:
                continue
            load_ms = ms(img[base + "LoadImage"], "cpu_time")
            read_ms = ms(img[base + "read_file"], "cpu_time")
            r = load_ms / read_ms
            rows.append([f"{bpp}-bit {size}²", fmt(load_ms), fmt(read_ms),
                         f"{r:.2f}x ({mark(r <= 2)})"])
            if r > 2:
                misses.append(f"BMP {bpp}-bit {size}²: {r:.2f}x the read (> 2x)")
    return ("### BMP: LoadImage vs reading the file (CPU ms, medians)\n\n" +
            table(["case", "LoadImage", "read file", "ratio (target <= 2x)"], rows)), misses


def region_table(img):
    rows, misses = [], []
    per_pixel = {}
    for pic in ("solid", "half_noise", "magenta_border"):
        for size in ("1024", "2048", "4096"):
            base = f"region/{pic}/{size}/"
            if base + "BitmapToRegion" not in img:
                continue
            b = img[base + "BitmapToRegion"]
            full = ms(b, "cpu_time")
            scan = ms(img[base + "scan"], "cpu_time")
            floor = ms(img[base + "classify"], "cpu_time")
            rects = b.get("rects", 0)
            pixels = int(size) ** 2
            r = full / floor
            per_pixel[(pic, size)] = full / pixels
            rows.append([f"{pic} {size}²", f"{rects:.0f}", fmt(full), fmt(scan), fmt(floor),
                         f"{rects / full * 1e-3:.3g}", f"{pixels / full * 1e-3:.3g}",
                         f"{r:.2f}x ({mark(r <= 3)})"])
            if r > 3:
                misses.append(f"BitmapToRegion {pic} {size}²: {r:.2f}x the classify loop (> 3x)")
    growth = []
    for pic in ("solid", "half_noise", "magenta_border"):
        if (pic, "1024") in per_pixel and (pic, "4096") in per_pixel:
            g = per_pixel[(pic, "4096")] / per_pixel[(pic, "1024")]
            growth.append(f"{pic}: time per pixel 4096² / 1024² = {g:.2f}")
            if g > 1.5:
                misses.append(f"BitmapToRegion {pic}: time per pixel grows {g:.2f}x from 1024² "
                              "to 4096² (not linear)")
    out = ("### BitmapToRegion vs the classifying loop (CPU ms, medians)\n\n" +
           table(["picture", "rects", "BitmapToRegion", "scan only", "classify (floor)",
                  "M rects/s", "M pixels/s", "BitmapToRegion / classify (target <= 3x)"], rows))
    if growth:
        out += "\n\nGrowth (1.0 = linear in pixels and runs): " + "; ".join(growth) + "."
    return out, misses


def scene_tables(sc, csv_path):
    out, misses = [], []
    frame_rows = []
    for name, label in (("frame/demo", "demo pass (clear, SetGLMsg, OpenGL_Draw, SwapBuffers)"),
                        ("frame/demo_mouse_move", "demo pass with one mouse move per frame"),
                        ("frame/bare_draw", "bare: clear, OpenGL_Draw, glFinish"),
                        ("frame/bare_list", "bare: clear, one list with the whole frame, glFinish")):
        if name in sc:
            frame_rows.append([label, fmt(ms(sc[name], "real_time"))])
    if "frame/message_step" in sc:
        frame_rows.append(["SetGLMsg alone, empty queue",
                           f"{ms(sc['frame/message_step'], 'cpu_time') * 1e3:.3g} µs"])
    if "frame/swap" in sc:
        frame_rows.append(["SwapBuffers alone, nothing drawn",
                           f"{ms(sc['frame/swap'], 'real_time') * 1e3:.3g} µs"])
    if frame_rows:
        out += ["### Frame loop, 800 x 600 window, headless llvmpipe (wall ms, medians)", "",
                table(["variant", "time"], frame_rows)]
    if "frame/demo" in sc and "frame/bare_draw" in sc:
        d, b = ms(sc["frame/demo"], "real_time"), ms(sc["frame/bare_draw"], "real_time")
        direct = None
        if "frame/message_step" in sc and "frame/swap" in sc:
            direct = (ms(sc["frame/message_step"], "cpu_time") + ms(sc["frame/swap"], "real_time"))
        lines = [f"Separate runs: demo / bare = {d / b:.3f} ({(d / b - 1) * 100:+.1f} %)."]
        if "frame/paired" in sc:
            p = sc["frame/paired"]
            lines.append(f"Interleaved (frame/paired): demo {fmt(p['demo_ms'])} ms, bare "
                         f"{fmt(p['bare_ms'])} ms, overhead {p['overhead_pct']:+.2f} %.")
        if direct is not None:
            pct = direct / b * 100
            lines.append(f"Measured directly: message step + swap = {direct * 1e3:.3g} µs = "
                         f"{pct:.4f} % of the bare frame ({mark(pct < 5)}: target < 5 %).")
            if pct >= 5:
                misses.append(f"frame: platform + message step add {pct:.2f} %")
        out += ["", " ".join(lines)]
    if "scene/OpenGL_CreateList" in sc:
        out += ["", f"Scene build, OpenGL_CreateList (3 textures, foliage, bush; wall): "
                f"{fmt(ms(sc['scene/OpenGL_CreateList'], 'real_time'))} ms."]
    if "startup/first_swapped_frame" in sc:
        out += ["", f"Start-up, process start to first swapped frame (headless; wall): "
                f"{fmt(ms(sc['startup/first_swapped_frame'], 'real_time'))} ms."]

    levels = sorted({int(k.split("/")[2]) for k in sc if k.startswith("scaling/compile/")})
    qualities = sorted({int(k.split("/")[3]) for k in sc if k.startswith("scaling/compile/")})
    if levels:
        rows, csv = [], ["level,quality,compile_ms,frame_ms"]
        for lvl in levels:
            row = [str(lvl)]
            for q in qualities:
                c = sc.get(f"scaling/compile/{lvl}/{q}")
                f = sc.get(f"scaling/frame/{lvl}/{q}")
                cm = ms(c, "real_time") if c else None
                fm = ms(f, "real_time") if f else None
                row.append(f"{fmt(cm)} / {fmt(fm)}")
                if cm is not None and fm is not None:
                    csv.append(f"{lvl},{q},{cm:.6g},{fm:.6g}")
            rows.append(row)
        out += ["", "### Tree scaling: compile ms / demo frame ms (wall, medians)", "",
                table(["NumLevel"] + [f"Quality {q}" for q in qualities], rows)]
        if csv_path:
            with open(csv_path, "w") as f:
                f.write("\n".join(csv) + "\n")
    return "\n".join(out), misses


def main():
    args = sys.argv[1:]
    if not args:
        print(__doc__)
        return 2
    results = args[0]
    csv_path = args[args.index("--csv") + 1] if "--csv" in args else None
    img, img_ctx = load(os.path.join(results, "images.json"))
    sc, sc_ctx = load(os.path.join(results, "scene.json"))
    parts, misses = [], []
    ctx = sc_ctx or img_ctx
    if ctx:
        parts.append(f"Run {ctx.get('date', '?')} on {ctx.get('host_name', '?')}: "
                     f"{ctx.get('num_cpus', '?')} CPUs at {ctx.get('mhz_per_cpu', '?')} MHz; "
                     f"GL: {sc_ctx.get('gl_renderer', '?')}, {sc_ctx.get('gl_version', '?')}.")
    for fn, src in ((tga_tables, img), (bmp_table, img), (region_table, img)):
        if src:
            text, m = fn(src)
            parts.append(text)
            misses += m
    if sc:
        text, m = scene_tables(sc, csv_path)
        parts.append(text)
        misses += m
    parts.append("### Targets missed\n\n" + ("\n".join(f"- {m}" for m in misses)
                                            if misses else "None."))
    print("\n\n".join(parts))
    return 0


if __name__ == "__main__":
    sys.exit(main())
