#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the data generators and the tests need.
# Safe to run again: only missing packages are installed. Runs apt-get through sudo
# when not root.
#   scripts/setup.sh             what building and testing need
#   scripts/setup.sh --package   also the checkers of the Debian package (CI)
set -euo pipefail

packages=(
  build-essential cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libpulse-dev zlib1g-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  festival festival-czech festvox-czech-dita espeak-ng sox
  imagemagick xvfb xdotool x11-utils clang-format clang-tidy time pulseaudio pulseaudio-utils
)

case "${1:-}" in
  --package) packages+=(dpkg-dev lintian desktop-file-utils appstream) ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
