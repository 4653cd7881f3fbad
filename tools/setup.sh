#!/usr/bin/env bash
# Installs the Debian packages Brevra needs to build, run and test (only those missing).
set -euo pipefail

packages=(
  build-essential cmake pkg-config git
  libsdl2-dev libsdl2-ttf-dev fonts-dejavu-core      # real windows, dialogs, status-bar text
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0  # OpenGL, GLU, EGL, Mesa
  libpng-dev libstb-dev                              # PNG output, comparison decoder
  googletest libgtest-dev libbenchmark-dev           # tests and benchmarks
  clang-format                                       # the format check
  clang libclang-rt-14-dev valgrind                  # fuzz targets, sanitizers, memcheck
  xvfb xdotool x11-utils xfonts-base imagemagick     # window tests in a real X server
  openbox wmctrl                                     # the same tests under a window manager
  assimp-utils chromium libjs-three                  # readers of exported meshes
  doxygen lintian debhelper dpkg-dev fakeroot        # API reference and Debian packages
  llvm-14                                            # source-based coverage reports
  python3
)

# The Khronos glTF Validator for the export tests, pinned, in the ignored folder .tools/ of the
# source tree (node and npm must be on the machine).
gltf_validator_version=2.0.0-dev.3.10
tools_dir="$(cd "$(dirname "$0")/.." && pwd)/.tools"
if command -v npm >/dev/null 2>&1 &&
   ! grep -qs "\"version\": \"$gltf_validator_version\"" \
     "$tools_dir/node_modules/gltf-validator/package.json"; then
  npm install --prefix "$tools_dir" --no-audit --no-fund --no-save \
    "gltf-validator@$gltf_validator_version"
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
