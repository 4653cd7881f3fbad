#!/usr/bin/env python3
"""What libbrevra.so exports: its SONAME, and the dynamic symbols it defines.

    check_exports.py <libbrevra.so>

Every exported symbol must belong to namespace brevra (functions, variables, and the type
information and virtual tables of its classes), none to a `detail` namespace or an anonymous one,
and the public entry points the demo and the examples call must all be there. Reads the library
with the system's `nm -D` and `readelf -d`; exits 1 with one line per fault.
"""
import re
import subprocess
import sys

# Entry points of every module, looked up by their demangled name.
REQUIRED = [
    "brevra::CreateOGLWindow(", "brevra::DeleteOGLWindow()", "brevra::SetGLMsg()",
    "brevra::Active", "brevra::DCWindow", "brevra::OpenGL_Init(", "brevra::SetGLMouseMove(",
    "brevra::LoadTGA(", "brevra::DecodeTGA(", "brevra::TextureLoadID(",
    "brevra::TextureTGASelectID(", "brevra::GLBegin(", "brevra::Sfera(",
    "brevra::SetVolumeFogliage(", "brevra::TreeAdvancedFractal3D(",
    "brevra::platform::Init(", "brevra::platform::SwapBuffers(", "brevra::platform::MessageBox(",
    "brevra::platform::headless::",
]
# Symbols the linker defines in every shared object.
LINKER = {"__bss_start", "_edata", "_end", "_init", "_fini"}
OWN = re.compile(r"^(typeinfo for |typeinfo name for |vtable for |VTT for |guard variable for )?"
                 r"brevra::")


def main():
    lib = sys.argv[1]
    faults = []
    dyn = subprocess.run(["readelf", "-d", lib], check=True, capture_output=True, text=True).stdout
    soname = re.search(r"\(SONAME\)\s+Library soname: \[([^\]]+)\]", dyn)
    if not soname or soname.group(1) != "libbrevra.so.1":
        faults.append(f"SONAME is {soname.group(1) if soname else 'missing'}, not libbrevra.so.1")

    out = subprocess.run(["nm", "-D", "-C", "--defined-only", lib], check=True,
                         capture_output=True, text=True).stdout
    names = [line.split(" ", 2)[2] for line in out.splitlines() if line.count(" ") >= 2]
    for name in names:
        if name in LINKER:
            continue
        if not OWN.match(name):
            faults.append(f"exported but not in namespace brevra: {name}")
        elif "::detail::" in name or "(anonymous namespace)" in name:
            faults.append(f"internal symbol exported: {name}")
    for want in REQUIRED:
        if not any(n.startswith(want) for n in names):
            faults.append(f"public symbol missing: {want}")
    if len(names) < 100:
        faults.append(f"only {len(names)} symbols exported")

    for f in faults:
        print(f)
    print(f"{len(names)} exported symbols, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
