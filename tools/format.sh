#!/usr/bin/env bash
# Rewrites every C++ source of the project in the house style (.clang-format).
set -euo pipefail
cd "$(dirname "$0")/.."
find brevra demo tests tools bench examples -name '*.h' -o -name '*.cpp' | xargs clang-format -i
