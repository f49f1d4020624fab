#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the project needs. Safe to run again: only missing packages
# are installed, and it says which and shows apt's own progress. Runs apt-get through sudo
# when not root.
#   scripts/setup.sh --game      what building and playing the game needs (./run.sh)
#   scripts/setup.sh             also what the tests, benchmarks and checks need (./test.sh)
#   scripts/setup.sh --package   also the checkers of the Debian package (CI)
set -euo pipefail

# Building the game and making its data: the compiler and build tools, SDL2, SDL2_ttf,
# fontconfig and a font, the PulseAudio client headers, ENet (the network duel), zlib (the
# icons), Festival's Czech and US English voices or espeak-ng for the speech, sox for the sounds.
packages=(
  build-essential cmake ninja-build g++ pkg-config
  libsdl2-dev libsdl2-ttf-dev libfontconfig-dev libpulse-dev libenet-dev libopusenc-dev zlib1g-dev fonts-dejavu-core
  festival festival-czech festvox-czech-dita festvox-us-slt-hts espeak-ng sox
)
case "${1:-}" in
  --game) ;;
  "" | --package)
    # Tests, benchmarks (OpenAL Soft as the mixer's yardstick), sanitizers and fuzzers, lint, the real program under Xvfb, a sound
    # server of the tests' own, memory figures.
    packages+=(
      clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev libopenal-dev
      imagemagick xvfb xdotool x11-utils clang-format clang-tidy time pulseaudio pulseaudio-utils
    )
    [ "${1:-}" = --package ] && packages+=(dpkg-dev debhelper lintian desktop-file-utils appstream)
    ;;
  *)
    echo "usage: scripts/setup.sh [--game | --package]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${#missing[@]} packages: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: updating the package lists"
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
  echo "setup: done"
fi
