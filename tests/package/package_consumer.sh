#!/usr/bin/env bash
# The Debian packages as a user gets them: tools/package.sh builds them from the test's build
# tree, they are unpacked into a throw-away root (dpkg-deb -x; the machine's /usr is never
# touched), and a consumer program outside the project is built there four ways and run:
# find_package(brevra) shared and static (BREVRA_STATIC), pkg-config shared and static. The
# shared builds must load libbrevra.so.1 from the root, the static ones must not need it. The
# getting-started program of the documentation is compiled against the package as well.
#
#   package_consumer.sh <source dir> <build dir>
set -euo pipefail
src="$1"
build="$2"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

BREVRA_BUILD_DIR="$build" "$src/tools/package.sh" | grep -v "Built target"
root="$scratch/root"
for deb in "$build"/packages/libbrevra1_*.deb "$build"/packages/libbrevra-dev_*.deb \
  "$build"/packages/fogliame_*.deb; do
  dpkg-deb -x "$deb" "$root"
done
for f in usr/lib/libbrevra.so.1 usr/lib/libbrevra.so usr/lib/libbrevra.a \
  usr/lib/cmake/brevra/brevraConfigVersion.cmake usr/lib/pkgconfig/brevra.pc \
  usr/include/brevra/export.h usr/share/doc/brevra/api/index.html \
  usr/bin/fogliame usr/libexec/fogliame/fogliame usr/share/fogliame/acacia.tga \
  usr/share/applications/fogliame.desktop; do
  [ -e "$root/$f" ] || { echo "missing from the packages: /$f"; exit 1; }
done

# The launcher finds the demo beside itself in the unpacked tree; with no display the demo
# answers with its own message.
launcher_out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/fogliame" 2>&1 || true)"
grep -q "fogliame: cannot open a window" <<<"$launcher_out" ||
  { echo "launcher: $launcher_out"; exit 1; }

# check <program> shared|static: what it links against, then a run.
check() {
  local exe="$1" kind="$2"
  local needed
  needed="$(readelf -d "$exe" | grep NEEDED || true)"
  if [ "$kind" = shared ]; then
    grep -q "libbrevra.so.1" <<<"$needed" || { echo "$exe: does not need libbrevra.so.1"; exit 1; }
    local loaded
    loaded="$(LD_LIBRARY_PATH="$root/usr/lib" ldd "$exe" | grep libbrevra)"
    grep -q "$root/usr/lib/libbrevra.so.1" <<<"$loaded" || { echo "$exe: loads $loaded"; exit 1; }
  elif grep -q libbrevra <<<"$needed"; then
    echo "$exe: linked statically, yet needs $(grep libbrevra <<<"$needed")"
    exit 1
  fi
  echo "== $(basename "$exe") ($kind)"
  LD_LIBRARY_PATH="$root/usr/lib" "$exe"
}

# find_package(brevra): brevra::brevra is the shared library unless BREVRA_STATIC is ON.
for kind in shared static; do
  static=OFF
  [ "$kind" = static ] && static=ON
  cmake -S "$src/tests/package/consumer" -B "$scratch/cmake-$kind" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_PREFIX_PATH="$root/usr" -DBREVRA_STATIC=$static \
    -DGETTING_STARTED="$src/examples/getting_started.cpp" >"$scratch/cmake-$kind.log" 2>&1 ||
    { cat "$scratch/cmake-$kind.log"; exit 1; }
  cmake --build "$scratch/cmake-$kind" >>"$scratch/cmake-$kind.log" 2>&1 ||
    { cat "$scratch/cmake-$kind.log"; exit 1; }
  check "$scratch/cmake-$kind/consumer" "$kind"
done

# pkg-config: the .pc file finds its prefix from where it lies.
export PKG_CONFIG_PATH="$root/usr/lib/pkgconfig"
prefix="$(pkg-config --variable=prefix brevra)"
[ "$(realpath "$prefix")" = "$(realpath "$root/usr")" ] || { echo "brevra.pc prefix: $prefix"; exit 1; }
consumer="$src/tests/package/consumer/consumer.cpp"
# shellcheck disable=SC2046
c++ -std=c++20 -O1 "$consumer" $(pkg-config --cflags --libs brevra) -o "$scratch/pc-shared"
check "$scratch/pc-shared" shared
# shellcheck disable=SC2046
c++ -std=c++20 -O1 "$consumer" $(pkg-config --cflags brevra) \
  -Wl,-Bstatic -lbrevra -Wl,-Bdynamic $(pkg-config --static --libs brevra) -o "$scratch/pc-static"
check "$scratch/pc-static" static
echo "packages: all consumers built and ran"
