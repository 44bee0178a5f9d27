#!/usr/bin/env bash
# Checks Volumix as people install it, from a configured and built folder:
# `cmake --install` into a scratch prefix puts every file in its usual place;
# `cpack -G DEB` makes a .deb whose dependencies dpkg-shlibdeps found; the
# package unpacked into a scratch root (dpkg -x) runs `volumix --version` and
# a short generate. Exits 77 (skipped) where cpack's DEB tools are missing.
# Usage: scripts/package-check.sh BUILD_FOLDER
set -euo pipefail

build=$(cd "${1:?usage: package-check.sh BUILD_FOLDER}" && pwd)
source_dir=$(cd "$(dirname "$0")/.." && pwd)
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
  if ! command -v "$tool" >/dev/null; then
    echo "package check skipped: $tool is missing (scripts/setup.sh installs dpkg-dev and file)"
    exit 77
  fi
done
gui=no
grep -q '^VOLUMIX_BUILD_GUI:BOOL=ON' "$build/CMakeCache.txt" && gui=yes

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect_files() {  # ROOT FILE...
  local root=$1
  shift
  for file in "$@"; do
    [ -f "$root/$file" ] || fail "$root/$file is missing"
  done
}

installed=(bin/volumix share/man/man1/volumix.1 share/doc/volumix/examples/torus.asc)
[ "$gui" = yes ] && installed+=(bin/volumix-gui share/man/man1/volumix-gui.1 share/applications/volumix.desktop
  share/icons/hicolor/scalable/apps/volumix.svg share/mime/packages/volumix.xml)

cmake --install "$build" --prefix "$work/prefix" >/dev/null
expect_files "$work/prefix" "${installed[@]}"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log"; fail "cpack -G DEB"; exit 1; }
deb=$(ls "$work"/deb/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
echo "depends: $depends"
wanted=(libc6 libstdc++6 libz80ex1 libgif7 libassimp5)
[ "$gui" = yes ] && wanted+=(libqt6widgets6)
for package in "${wanted[@]}"; do
  [[ ",$depends" == *", $package "* || ",$depends" == *",$package "* ]] || fail "Depends lacks $package"
done

dpkg -x "$deb" "$work/root"
expect_files "$work/root/usr" "${installed[@]}"
if [ "$gui" = yes ] && command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$work/root/usr/share/applications/volumix.desktop" || fail "desktop-file-validate"
fi
if [ "$gui" = yes ] && command -v xmllint >/dev/null; then
  xmllint --noout "$work/root/usr/share/mime/packages/volumix.xml" || fail "volumix.xml is not well-formed"
fi

volumix="$work/root/usr/bin/volumix"
version=$("$volumix" --version) || fail "volumix --version"
echo "volumix --version: $version"
[[ "$version" == Volumix* ]] || fail "the version line does not name Volumix"
mkdir -p "$work/run"
"$volumix" generate "$work/root/usr/share/doc/volumix/examples/torus.asc" --frames 8 --compress --banks --base 0000 \
  -o "$work/run/torus" --scr --snapshot "$work/run/torus.sna" --dsk "$work/run/torus.dsk" --verify >"$work/run.log" 2>&1 ||
  { cat "$work/run.log"; fail "a short generate from the unpacked package"; }
expect_files "$work/run" torus.C4 torus.C4.idx torus.sna torus.dsk torus000.SCR
grep -q "mismatches: 0" "$work/run.log" || fail "the unpacked volumix's replay check"

if [ "$failures" -ne 0 ]; then
  echo "package check: $failures failed"
  exit 1
fi
echo "package check: passed"
