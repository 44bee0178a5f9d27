#!/usr/bin/env bash
# Plays a snapshot written by `volumix generate --snapshot` on MAME's CPC 6128
# and compares the screen after each frame with the run's .SCR files
# (scripts/mame_check.lua does the comparing).
#
# Usage: scripts/emulator-check.sh [--install] [--volumix PATH] [--object FILE]
#                                  [--keep DIR] [-- GENERATE OPTIONS...]
#   --install        install MAME (Debian package `mame`) when it is missing
#   --volumix PATH   the volumix binary (default: build/release/src/volumix)
#   --object FILE    the mesh to animate (default: examples/torus.asc)
#   --keep DIR       keep the run, MAME's log and the screenshot PNG in DIR
#   -- OPTIONS       generate options replacing the default animation
#                    (--scr and --snapshot are always added, and --rate auto
#                    unless the options give a rate: a frame is compared at
#                    the sync that starts the next one, so it must fit)
# Exit status: 0 every frame matches, 1 a mismatch or failure, 77 no MAME.
#
# MAME's CPC drivers need the system ROMs, which Debian does not ship. The
# snapshot switches both ROMs off and the player never calls the firmware, so
# zero-filled files of the right names and sizes stand in for them (MAME warns
# about their checksums and runs).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"

install=0
volumix="$repo/build/release/src/volumix"
object="$repo/examples/torus.asc"
keep=""
generate=(--render filled-faces --frames 12 --start "160,100,500,500,90,0,0" --increment "0,0,0,0,2,6,0")
while [ $# -gt 0 ]; do
  case "$1" in
    --install) install=1; shift ;;
    --volumix) volumix="$2"; shift 2 ;;
    --object) object="$2"; shift 2 ;;
    --keep) keep="$2"; shift 2 ;;
    --) shift; generate=("$@"); break ;;
    *) echo "emulator-check: unknown option $1 (see the comment at the top of this script)" >&2; exit 1 ;;
  esac
done

find_mame() {
  command -v mame 2>/dev/null || { [ -x /usr/games/mame ] && echo /usr/games/mame; } || true
}
mame="$(find_mame)"
if [ -z "$mame" ] && [ "$install" = 1 ]; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends mame
  mame="$(find_mame)"
fi
if [ -z "$mame" ]; then
  echo "emulator-check: MAME not found; install it with $0 --install" \
       "(or apt-get install --no-install-recommends mame)" >&2
  exit 77
fi
if [ ! -x "$volumix" ]; then
  echo "emulator-check: no volumix binary at $volumix: build it, or give --volumix PATH" >&2
  exit 1
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/roms/cpc6128" "$work/run"
head -c 32768 /dev/zero > "$work/roms/cpc6128/cpc6128.rom"
head -c 16384 /dev/zero > "$work/roms/cpc6128/cpcados.rom"

if [ ! -r "$object" ]; then
  echo "emulator-check: cannot read the mesh $object" >&2
  exit 1
fi
rate=(--rate auto)
for option in "${generate[@]}"; do
  if [ "$option" = --rate ]; then rate=(); fi
done
if ! "$volumix" generate "$object" "${generate[@]}" "${rate[@]}" -o "$work/run/anim" --scr \
       --snapshot "$work/run/anim.sna" > "$work/generate.log" 2>&1; then
  tail -n 5 "$work/generate.log" >&2
  echo "emulator-check: volumix generate failed" >&2
  exit 1
fi

# Run from the work folder: MAME writes its cfg/ folder there.
# -seconds_to_run only bounds a hung run: mame_check.lua exits once it is done.
status=0
(cd "$work" && VOLUMIX_SNA="$work/run/anim.sna" VOLUMIX_PREFIX="$work/run/anim" \
   "$mame" cpc6128 -noreadconfig -rompath "$work/roms" -snapshot "$work/run/anim.sna" \
     -video none -sound none -nothrottle -skip_gameinfo -seconds_to_run 3600 \
     -snapshot_directory "$work/snap" -autoboot_script "$repo/scripts/mame_check.lua") \
  > "$work/mame.log" 2>&1 || status=$?
grep -E '^rate: auto' "$work/generate.log" || true
grep -E '^(mame:|frame|screenshot:|result:)' "$work/mame.log" || true

if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp -r "$work/run" "$work/mame.log" "$keep/"
  if [ -f "$work/snap/cpc6128/0000.png" ]; then cp "$work/snap/cpc6128/0000.png" "$keep/screenshot.png"; fi
  echo "emulator-check: kept in $keep" >&2
fi

if [ "$status" = 0 ] && grep -qE '^result: [0-9]+ passed, 0 failed$' "$work/mame.log"; then exit 0; fi
if ! grep -qE '^result: [0-9]+ passed' "$work/mame.log"; then
  echo "emulator-check: MAME exited with status $status; its log ends:" >&2
  grep -vE '^(frame|screenshot:|result:)' "$work/mame.log" | tail -n 15 >&2
fi
exit 1
