#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds every libFuzzer target (clang) and runs each for a bounded time on its seed
# corpus in fuzz/corpus/<target>/. Any crash, leak or sanitizer report fails the run.
# The bank, picture and object-stream targets take inputs up to 256 KB, so a real item
# fits, and get seeds made from the generated data when a build has made it (a bank of
# three of the match's items, the game's picture file).
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
#   VL_DATA_DIR, VL_BIN: where the generated data and the data tool are (build/data, build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVLNEDLA_FUZZ=ON -DVLNEDLA_TESTS=OFF -DVLNEDLA_BENCH=OFF -DVLNEDLA_DATA=OFF
cmake --build build-fuzz -j"$(nproc)"
shopt -s nullglob
data=${VL_DATA_DIR:-build/data}
tool=${VL_BIN:-build/bin}/vlnedla-assets
made=build-fuzz/seeds
rm -rf "$made"
if [ -f "$data/snd/game.dat" ] && [ -f "$data/pics/game.dat" ] && [ -x "$tool" ]; then
  mkdir -p "$made/items" "$made/bank" "$made/pictures" "$made/objectstream"
  "$tool" bank extract "$data/snd/game.dat" "$made/items" >/dev/null
  printf 'gun gun.wav max=4\nemptygun emptygun.wav\ndva dva.wav looped\n' >"$made/items/seed.txt"
  "$tool" bank build "$made/items/seed.txt" "$made/bank/match_items.dat" >/dev/null
  cp "$data/pics/game.dat" "$made/pictures/game_pictures.dat"
  cp "$made/bank/match_items.dat" "$made/pictures/game_pictures.dat" "$made/objectstream/"
else
  echo "fuzz: no generated data in $data: the seed corpora only"
fi
status=0
for exe in build-fuzz/bin/fuzz_*; do
  name=${exe##*/fuzz_}
  seeds=fuzz/corpus/$name
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  echo "--- fuzz $name for ${seconds}s"
  dirs=("$work")
  [ -d "$seeds" ] && dirs+=("$seeds")
  [ -d "$made/$name" ] && dirs+=("$made/$name")
  max_len=()
  case $name in bank | pictures | objectstream) max_len=(-max_len=262144) ;; esac
  if ! "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 "${max_len[@]}" \
       -artifact_prefix=build-fuzz/ "${dirs[@]}" > "build-fuzz/$name.log" 2>&1; then
    echo "fuzz $name FAILED"; tail -n 40 "build-fuzz/$name.log"; status=1
  else
    tail -n 1 "build-fuzz/$name.log"
  fi
done
exit $status
