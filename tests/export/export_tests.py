#!/usr/bin/env python3
"""fogliame-export run as users run it, its files checked by readers that are not ours.

  export_tests.py --case NAME --export BIN --bin DIR [--validator DIR] [--assimp EXE]

Cases: cli (help, presets, bad input, unwritable output), same-bytes, count, missing-picture,
validator (Khronos glTF Validator: no errors, no warnings), assimp (every .obj and .glb loads
with the triangle count written), fixed-function (export-render draws the file in the demo's
frame), browser (three.js's glTF loader in headless Chromium, served from localhost, shows the
snapshot's silhouette), snapshot-options (fogliame-snapshot's --seed and --preset). Each case works in its own temporary folder.
"""
import argparse
import atexit
import base64
import functools
import http.server
import json
import os
import pty
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import threading

PICTURES = ("Floor04.bmp", "corteccia02.bmp", "acacia.tga")
FAILURES = []


def check(cond, what):
    print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        FAILURES.append(what)


class Env:
    def __init__(self, args, pictures=PICTURES):
        self.args = args
        self.dir = tempfile.mkdtemp(prefix="brevra-export-")
        atexit.register(shutil.rmtree, self.dir, True)
        for p in pictures:
            shutil.copy(os.path.join(args.bin, p), self.dir)

    def run(self, *options):
        return subprocess.run([self.args.export, *options], cwd=self.dir, capture_output=True,
                              text=True, timeout=120)

    def path(self, name):
        return os.path.join(self.dir, name)

    def listing(self):
        return sorted(f for f in os.listdir(self.dir) if f not in PICTURES)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()


def glb_json(data):
    magic, version, length = struct.unpack_from("<III", data, 0)
    assert magic == 0x46546C67 and version == 2 and length == len(data)
    chunk_len, chunk_type = struct.unpack_from("<II", data, 12)
    assert chunk_type == 0x4E4F534A
    return json.loads(data[20:20 + chunk_len])


def triangles_in(gltf):
    return sum(gltf["accessors"][p["indices"]]["count"] // 3
               for m in gltf["meshes"] for p in m["primitives"])


# ---- cases ----

def case_cli(args):
    env = Env(args)
    r = env.run("-h")
    check(r.returncode == 0, "-h exits 0")
    for option in ("--out", "--format", "--seed", "--preset", "--floor", "--count",
                   "--list-presets", "-h"):
        check(option in r.stdout, f"-h lists {option}")
    check(r.stdout.count("default") >= 6, "-h gives the defaults")
    r = env.run("--list-presets")
    check(r.returncode == 0, "--list-presets exits 0")
    for preset in ("demo", "shrub", "tree", "sapling"):
        check(re.search(rf"^{preset}\s+quality \d+, levels \d+", r.stdout, re.M) is not None,
              f"--list-presets shows {preset} with its values")
    check(env.listing() == [], "help and presets write nothing")

    bad = [(["--bogus"], "'--bogus'"), (["--preset", "oak"], "'oak'"),
           (["--format", "fbx"], "'fbx'"), (["--seed", "12x"], "'12x'"),
           (["--seed", "-1"], "'-1'"), (["--seed", "4294967296"], "'4294967296'"),
           (["--count", "0"], "'0'"), (["--seed"], "--seed"),
           (["--seed", "4294967295", "--count", "2"], "4294967295")]
    for options, named in bad:
        r = env.run(*options)
        check(r.returncode == 2 and named in r.stderr,
              f"{' '.join(options)}: exit 2 naming {named} (got {r.returncode}: {r.stderr.strip()})")
    check(env.listing() == [], "bad command lines write nothing")

    # Unwritable outputs: exit 1, a message naming the file, nothing left behind.
    os.mkdir(env.path("taken.glb"))
    with open(env.path("plainfile"), "w") as f:
        f.write("x")
    for out in ("taken.glb", "plainfile/bush.glb", "missing-folder/bush.obj"):
        r = env.run("--out", out)
        named = out.split("/")[0]  # the file, or the folder it cannot go into
        check(r.returncode == 1 and named in r.stderr,
              f"--out {out}: exit 1 naming it (got {r.returncode}: {r.stderr.strip()})")
    check(env.listing() == ["plainfile", "taken.glb"] and os.listdir(env.path("taken.glb")) == [],
          f"no partial or temporary file is left ({env.listing()})")

    r = env.run()
    check(r.returncode == 0 and env.listing() == ["bush.glb", "plainfile", "taken.glb"],
          "the default writes ./bush.glb")
    gltf = glb_json(env.read("bush.glb"))
    materials = {m["name"]: m for m in gltf["materials"]}
    check(sorted(materials) == ["bark", "leaf"], "the bush has a bark and a leaf material")
    leaf, bark = materials["leaf"], materials["bark"]
    check(leaf.get("alphaMode") == "MASK" and abs(leaf.get("alphaCutoff", 0) - 0.1) < 1e-6 and
          leaf.get("doubleSided") is True, "the leaf is alpha-masked at 0.1 and double-sided")
    check("alphaMode" not in bark and "doubleSided" not in bark, "the bark is opaque, one-sided")
    check(sorted(i["name"] for i in gltf["images"]) == ["acacia", "corteccia02"] and
          all(i["mimeType"] == "image/png" for i in gltf["images"]), "both pictures are PNG inside")
    pos = gltf["accessors"][gltf["meshes"][0]["primitives"][0]["attributes"]["POSITION"]]
    check(abs(pos["min"][1]) < 1e-4, f"the bush stands on y = 0 (lowest y {pos['min'][1]})")


def case_same_bytes(args):
    a, b = Env(args), Env(args)
    runs = [["--out", "x.glb"], ["--out", "x.gltf", "--floor"], ["--out", "x.obj", "--seed", "9"],
            ["--out", "t.glb", "--preset", "tree", "--seed", "4"]]
    for options in runs:
        check(a.run(*options).returncode == 0 and b.run(*options).returncode == 0,
              f"{' '.join(options)} runs")
    check(a.listing() == b.listing(), "both runs write the same files")
    for name in a.listing():
        check(a.read(name) == b.read(name), f"{name}: the same bytes")
    r = a.run("--out", "y.glb", "--seed", "1")
    check(r.returncode == 0 and a.read("y.glb") != a.read("x.glb"), "another seed, another bush")


def case_count(args):
    env = Env(args)
    r = env.run("--out", "b.glb", "--seed", "5", "--count", "3")
    check(r.returncode == 0 and env.listing() == ["b-5.glb", "b-6.glb", "b-7.glb"],
          f"--count 3 --seed 5 writes b-5, b-6, b-7 ({env.listing()})")
    check(r.stderr == "", "no progress bar when standard error is not a terminal")
    check(len({env.read(n) for n in env.listing()}) == 3, "three different bushes")
    check(env.run("--out", "one.glb", "--seed", "6").returncode == 0 and
          env.read("one.glb") == env.read("b-6.glb"), "the batch's seed 6 is --seed 6 alone")
    # With a terminal on standard error, a bar that ends at 2/2.
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(env.dir)
        os.dup2(os.open(os.devnull, os.O_WRONLY), 1)
        os.execv(args.export, [args.export, "--out", "t.obj", "--count", "2"])
    out = b""
    while True:
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
    _, status = os.waitpid(pid, 0)
    text = out.decode(errors="replace")
    check(os.waitstatus_to_exitcode(status) == 0 and "2/2" in text and "[" in text,
          f"a progress bar on a terminal ({text!r})")


def case_missing_picture(args):
    env = Env(args, pictures=("Floor04.bmp", "corteccia02.bmp"))
    r = env.run("--out", "m.glb")
    check(r.returncode == 0, "a missing picture does not stop the export")
    check("acacia.tga" in r.stderr and "warning" in r.stderr, f"a warning names it ({r.stderr!r})")
    gltf = glb_json(env.read("m.glb"))
    leaf = next(m for m in gltf["materials"] if m["name"] == "leaf")
    check("baseColorTexture" not in leaf["pbrMetallicRoughness"], "the leaf is untextured")
    check([i["name"] for i in gltf["images"]] == ["corteccia02"], "the bark keeps its picture")
    if args.validator:
        check(validate(args, [env.path("m.glb")]), "the file still validates")


def validate(args, files):
    r = subprocess.run(["node", os.path.join(os.path.dirname(__file__), "validate_gltf.mjs"),
                        args.validator, *files], capture_output=True, text=True, timeout=300)
    print(r.stdout + r.stderr)
    return r.returncode == 0


def case_validator(args):
    check(os.path.isfile(os.path.join(args.validator, "package.json")),
          f"the validator is installed in {args.validator} (run tools/setup.sh)")
    env = Env(args)
    runs = [["--out", "demo.glb"], ["--out", "demo.gltf", "--floor"],
            ["--out", "s.glb", "--preset", "shrub", "--seed", "11"],
            ["--out", "t.gltf", "--preset", "tree", "--seed", "12"],
            ["--out", "p.glb", "--preset", "sapling", "--seed", "4294967295", "--floor"]]
    for options in runs:
        check(env.run(*options).returncode == 0, f"{' '.join(options)} runs")
    if args.example:
        r = subprocess.run([args.example, env.dir], capture_output=True, text=True, timeout=120)
        check(r.returncode == 0, f"the README's example program runs ({r.stderr.strip()})")
    files = [env.path(n) for n in env.listing() if n.endswith((".glb", ".gltf"))]
    check(len(files) == (6 if args.example else 5) and validate(args, files),
          "no errors and no warnings in any file")


def assimp_faces(args, path):
    r = subprocess.run([args.assimp, "info", path], capture_output=True, text=True, timeout=120)
    m = re.search(r"^Faces:\s+(\d+)", r.stdout, re.M)
    return int(m.group(1)) if r.returncode == 0 and m else None


def case_assimp(args):
    env = Env(args)
    for options in (["--out", "demo.obj"], ["--out", "floor.obj", "--floor"],
                    ["--out", "tree.obj", "--preset", "tree", "--seed", "3"],
                    ["--out", "demo.glb"], ["--out", "shrub.glb", "--preset", "shrub", "--floor"]):
        check(env.run(*options).returncode == 0, f"{' '.join(options)} runs")
    for name in env.listing():
        if name.endswith(".obj"):
            with open(env.path(name)) as f:
                written = sum(1 for line in f if line.startswith("f "))
        elif name.endswith(".glb"):
            written = triangles_in(glb_json(env.read(name)))
        else:
            continue
        faces = assimp_faces(args, env.path(name))
        check(written > 1000 and faces == written,
              f"{name}: assimp loads {faces} triangles, {written} written")


def case_fixed_function(args):
    env = Env(args)
    r = env.run("--out", "bush.glb", "--preset", args.preset, "--seed", args.seed)
    check(r.returncode == 0, f"export of {args.preset} seed {args.seed}")
    r = subprocess.run([args.render, "--glb", env.path("bush.glb"), "--preset", args.preset,
                        "--seed", args.seed], cwd=env.dir, capture_output=True, text=True,
                       timeout=120)
    print(r.stdout + r.stderr)
    check(r.returncode == 0, "the exported triangles draw the snapshot's picture")


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, width, height, depth, pixels = data.split(maxsplit=4)
    assert magic == b"P5" and depth == b"255"
    return int(width), int(height), pixels


def browser_mask(args, serve_dir):
    """Serves `serve_dir` on localhost and lets headless Chromium render three_view.html."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *_):
            pass

    handler = functools.partial(Quiet, directory=serve_dir)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    profile = tempfile.mkdtemp(prefix="brevra-chromium-")
    atexit.register(shutil.rmtree, profile, True)
    try:
        r = subprocess.run(
            [args.chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
             "--no-first-run", "--disable-background-networking", "--disable-component-update",
             "--disable-sync", f"--user-data-dir={profile}", "--use-angle=swiftshader",
             "--enable-unsafe-swiftshader", "--virtual-time-budget=60000", "--dump-dom",
             f"http://127.0.0.1:{server.server_address[1]}/three_view.html"],
            capture_output=True, text=True, timeout=180)
    finally:
        server.shutdown()
    m = re.search(r'id="result">(MASK:([A-Za-z0-9+/=]+)|ERROR:[^<]*|PENDING)', r.stdout)
    if not m or not m.group(2):
        print(r.stderr[-2000:])
        return None, m.group(1)[:300] if m else "no result in the page"
    return base64.b64decode(m.group(2)), None


def case_browser(args):
    env = Env(args)
    check(env.run("--out", "bush.glb", "--preset", args.preset, "--seed", args.seed).returncode
          == 0, f"export of {args.preset} seed {args.seed}")
    r = subprocess.run([args.render, "--glb", env.path("bush.glb"), "--preset", args.preset,
                        "--seed", args.seed, "--mask-out", env.path("snapshot.pgm")],
                       cwd=env.dir, capture_output=True, text=True, timeout=120)
    check(os.path.isfile(env.path("snapshot.pgm")), "the snapshot's silhouette")
    width, height, expected = read_pgm(env.path("snapshot.pgm"))
    os.symlink(args.three, env.path("three"))
    shutil.copy(os.path.join(os.path.dirname(__file__), "three_view.html"), env.dir)
    mask, error = browser_mask(args, env.dir)
    check(mask is not None and len(mask) == width * height,
          f"three.js renders the file in Chromium ({error or 'ok'})")
    if mask is None:
        return
    both = sum(1 for a, b in zip(expected, mask) if a and b)
    either = sum(1 for a, b in zip(expected, mask) if a or b)
    agree = sum(1 for a, b in zip(expected, mask) if (a != 0) == (b != 0)) / len(mask)
    iou = both / either if either else 0
    print(f"bush pixels: snapshot {sum(1 for a in expected if a)}, three.js "
          f"{sum(1 for b in mask if b)}; agree on {100 * agree:.2f} % of pixels; "
          f"overlap (intersection / union) {iou:.3f}")
    check(agree >= 0.98 and iou >= 0.9, "three.js shows the snapshot's silhouette")


def case_snapshot_options(args):
    env = Env(args)

    def snap(*options):
        return subprocess.run([args.snapshot, "--width", "160", "--height", "120", *options],
                              cwd=env.dir, capture_output=True, text=True, timeout=120)

    check(snap("--out", "plain.png").returncode == 0, "the demo's picture")
    check(snap("--out", "seed0.png", "--seed", "0", "--preset", "demo").returncode == 0,
          "--seed 0 --preset demo")
    check(env.read("plain.png") == env.read("seed0.png"),
          "seed 0 of the demo preset is the demo's own bush, byte for byte")
    check(snap("--out", "seed1.png", "--seed", "1").returncode == 0 and
          env.read("seed1.png") != env.read("plain.png"), "another seed, another picture")
    for options, named in ((["--preset", "oak"], "'oak'"), (["--seed", "x"], "'x'")):
        r = snap("--out", "bad.png", *options)
        check(r.returncode == 2 and named in r.stderr and not os.path.exists(env.path("bad.png")),
              f"{' '.join(options)}: exit 2 naming {named}, nothing written")


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--case", required=True)
    p.add_argument("--export", required=True)
    p.add_argument("--bin", required=True)
    p.add_argument("--validator")
    p.add_argument("--assimp", default="assimp")
    p.add_argument("--render")
    p.add_argument("--snapshot")
    p.add_argument("--example")
    p.add_argument("--chromium", default="chromium")
    p.add_argument("--three", default="/usr/share/javascript/three")
    p.add_argument("--preset", default="demo")
    p.add_argument("--seed", default="0")
    args = p.parse_args()
    globals()["case_" + args.case.replace("-", "_")](args)
    if FAILURES:
        print(f"{len(FAILURES)} check(s) failed")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
