#!/usr/bin/env bash
# Makes docs/window.png: the window after a run of the bundled example in
# filled faces, under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

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
