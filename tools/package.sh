#!/usr/bin/env bash
# Builds Brevra's Debian packages from the build tree (./build or $BREVRA_BUILD_DIR; configured
# here in RelWithDebInfo when it does not exist yet) into <build>/packages/:
#   libbrevra1     the shared library libbrevra.so.1
#   libbrevra-dev  headers, libbrevra.so, libbrevra.a, CMake package, brevra.pc, API reference
#   fogliame       the demo (launcher, pictures, desktop entry), fogliame-snapshot and, where the
#                  build has it, fogliame-export
# then checks them with lintian (any error fails the script). Needs debhelper, dpkg-dev,
# doxygen and lintian (tools/setup.sh installs them). debian/ is copied to <build>/packages/work
# and used there, so the source tree stays clean.
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(realpath -m "${BREVRA_BUILD_DIR:-build}")"
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi

targets=(brevra brevra_shared fogliame fogliame-snapshot demo_images api-docs)
if cmake --build "$build" --target help | grep -qw "fogliame-export"; then
  targets+=(fogliame-export)
fi
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"

out="$build/packages"
work="$out/work"
rm -rf "$work" "$out"/*.deb "$out"/*.changes "$out"/*.buildinfo
mkdir -p "$work"
cp -r debian "$work/"
(cd "$work" && BREVRA_BUILD_DIR="$build" dpkg-buildpackage -b -us -uc -d --no-sign \
  >"$out/dpkg-buildpackage.log" 2>&1) || {
  tail -n 40 "$out/dpkg-buildpackage.log"
  exit 1
}

echo "Packages in $out:"
ls -1 "$out"/*.deb
# lintian: errors fail; warnings and notes are listed in <build>/packages/lintian.txt.
lintian --fail-on error --tag-display-limit 0 "$out"/*.deb >"$out/lintian.txt" 2>&1 || {
  cat "$out/lintian.txt"
  echo "lintian found errors"
  exit 1
}
echo "lintian: no errors ($(grep -c '^W:' "$out/lintian.txt" || true) warnings," \
  "$(grep -c '^[IP]:' "$out/lintian.txt" || true) notes; see $out/lintian.txt)"
