#!/usr/bin/env bash
# Runs the Windows build under Wine on the bundled example and compares every
# file it writes, and its message list, with the native build's, byte for
# byte. Skipped (status 0) when Wine or mingw-w64 is not installed.
#   scripts/test-windows.sh [NATIVE_VOLUMIX]   (default build/release/src/volumix)
set -euo pipefail
cd "$(dirname "$0")/.."

native=${1:-build/release/src/volumix}
if ! command -v wine >/dev/null || ! command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
  echo "test-windows: skipped (needs wine and g++-mingw-w64-x86-64-posix; apt-get install them to run it)"
  exit 0
fi
[ -x "$native" ] || { echo "test-windows: no native build at $native" >&2; exit 1; }
./scripts/build-windows.sh >/dev/null
exe=build/windows/src/volumix.exe

export WINEPREFIX="$PWD/build/wine-prefix" WINEDEBUG=-all
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
example="$PWD/examples/torus.asc"

# Each line: the arguments of one run (OUT is the folder of its outputs).
runs=(
  "generate $example -o OUT/torus --scr --asm"
  "generate $example -o OUT/filled --render filled-faces --frames 40 --increment 0,0,0,0,3,5,0 --compress --banks --base 0000 --asm --scr --snapshot OUT/filled.sna"
  "generate $example -o OUT/sprite --render hidden-faces --frames 24 --export sprite --sprite-layout 2col --asm --mode 2"
  "generate $example -o OUT/points --render hidden-points --frames 24 --mode 1 --export points --asm --linear --r1 32"
  "convert $example OUT/copy.asc"
)
failed=0
for index in "${!runs[@]}"; do
  for side in native windows; do
    mkdir -p "$work/$side/$index"
    arguments=${runs[$index]//OUT/$work/$side/$index}
    if [ "$side" = native ]; then
      "$native" $arguments >"$work/$side/$index.raw" 2>"$work/$side/$index.err" || echo "status $?" >>"$work/$side/$index.raw"
    else
      # The console's text mode ends lines with CR LF; the files are binary.
      wine "$exe" $arguments 2>"$work/$side/$index.err" | tr -d '\r' >"$work/$side/$index.raw" \
        || echo "status $?" >>"$work/$side/$index.raw"
    fi
    sed "s|$work/$side/$index|OUT|g" "$work/$side/$index.raw" >"$work/$side/$index.out"
  done
  written=$(find "$work/native/$index" -type f | wc -l)
  if diff -r "$work/native/$index" "$work/windows/$index" >/dev/null &&
     cmp -s "$work/native/$index.out" "$work/windows/$index.out"; then
    echo "ok    run $index: $written files and the message list identical"
  else
    echo "FAIL  run $index: ${runs[$index]}"
    diff -r "$work/native/$index" "$work/windows/$index" | head -5 || true
    diff "$work/native/$index.out" "$work/windows/$index.out" | head -5 || true
    failed=1
  fi
done
exit $failed
