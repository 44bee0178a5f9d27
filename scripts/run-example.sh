#!/usr/bin/env bash
# Sets up, builds, and runs the main job on the bundled example: a default
# 60-frame run of examples/torus.asc writing .SCR files, the data and index
# files and the assembler source into out/torus/.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target volumix

./build/release/src/volumix generate examples/torus.asc --out out/torus/torus --scr --asm
echo "Output written to out/torus/" >&2
