#!/usr/bin/env bash
# Installs the Debian packages Volumix needs to build and test. Packages
# already present are not fetched again, so a prepared machine needs no network.
# Other scripts name further packages as arguments (fuzz.sh: clang).
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  qt6-base-dev qt6-translations-l10n libgl-dev fonts-liberation2 pasmo libz80ex-dev libgif-dev libassimp-dev
  cpmtools dpkg-dev file desktop-file-utils "$@")

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
