#!/usr/bin/env bash
# Cross-builds the command line for 64-bit Windows with Debian's mingw-w64:
# build/windows/src/volumix.exe, one static executable. Windows has no
# Debian packages of assimp, giflib or libz80ex, so this build reads .asc
# meshes only, refuses --gif, and writes snapshots without checking them.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh g++-mingw-w64-x86-64-posix

# CLI11 is header-only; the cross-compiler gets its folder alone, never the
# host's /usr/include.
mkdir -p build/windows-deps/include
ln -sfn /usr/include/CLI build/windows-deps/include/CLI

cmake -S . -B build/windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCLI11_INCLUDE_DIR="$PWD/build/windows-deps/include" \
  -DVOLUMIX_BUILD_TESTS=OFF -DVOLUMIX_BUILD_BENCHMARKS=OFF -DVOLUMIX_BUILD_GUI=OFF \
  -DVOLUMIX_WITH_ASSIMP=OFF -DVOLUMIX_WITH_GIF=OFF -DVOLUMIX_WITH_Z80EX=OFF
cmake --build build/windows -j "$(nproc 2>/dev/null || echo 2)" --target volumix
echo "Built build/windows/src/volumix.exe"
