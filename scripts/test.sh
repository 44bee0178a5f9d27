#!/usr/bin/env bash
# Sets up, builds and tests Volumix: the optimised build (tests and benchmark
# binary), the Windows build's files against it when Wine is installed, then
# the tests again under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release -j "$jobs"
ctest --test-dir build/release --output-on-failure -j "$jobs"
# The Windows build under Wine against the native one (skipped without Wine).
./scripts/test-windows.sh build/release/src/volumix

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVOLUMIX_SANITIZE=ON \
  -DVOLUMIX_BUILD_BENCHMARKS=OFF
cmake --build build/sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/sanitize --output-on-failure -j "$jobs"
