#!/usr/bin/env bash
# Makes docs/window.png: the window after a run of the bundled example in
# filled faces, under a virtual X server. With --cpc-dialog FILE.png it also
# makes FILE.png: "Lecture CPC" on a nine-frame run of the example written to
# a scratch folder, after a second of playback, the mouse over the dearest
# frame's bar.
set -euo pipefail
cd "$(dirname "$0")/.."

dialog_png=""
while [ $# -gt 0 ]; do
  case "$1" in
    --cpc-dialog) dialog_png="${2:?--cpc-dialog needs FILE.png}"; shift 2 ;;
    *) echo "usage: $0 [--cpc-dialog FILE.png]" >&2; exit 2 ;;
  esac
done

./scripts/setup.sh
if ! command -v xvfb-run >/dev/null; then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends xvfb xauth
fi
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc 2>/dev/null || echo 2)" --target volumix-gui

mkdir -p docs
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ./build/release/src/volumix-gui --render filled-faces --timing --screenshot docs/window.png examples/torus.asc
echo "Wrote docs/window.png" >&2

if [ -n "$dialog_png" ]; then
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  # Zoom 680, a turn and a half in nine frames: frame 0, drawn from the empty
  # screen, needs more than one 50 Hz frame; the others fit.
  awk 'BEGIN { printf "Numéro Frame;PX;PY;ZX;ZY;AX;AY;AZ;\r\n";
               for (k = 0; k < 9; k++) printf "%d;160;100;680;680;%d;%d;0;\r\n", k, 90 + 7 * k, 9 * k }' \
    > "$scratch/sequence.csv"
  mkdir -p "$(dirname "$dialog_png")"
  xvfb-run -a -s "-screen 0 1280x1024x24" \
    ./build/release/src/volumix-gui --render filled-faces --sequence "$scratch/sequence.csv" \
      --out "$scratch/torus" --timing --cpc-dialog "$dialog_png" examples/torus.asc
  echo "Wrote $dialog_png" >&2
fi
