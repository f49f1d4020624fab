#!/usr/bin/env bash
# Builds every libFuzzer target (clang) and runs each for a bounded time on its seed
# corpus in fuzz/corpus/<target>/. Any crash, leak or sanitizer report fails the run.
#   scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVLNEDLA_FUZZ=ON -DVLNEDLA_TESTS=OFF -DVLNEDLA_BENCH=OFF -DVLNEDLA_DATA=OFF
cmake --build build-fuzz -j"$(nproc)"
shopt -s nullglob
status=0
for exe in build-fuzz/bin/fuzz_*; do
  name=${exe##*/fuzz_}
  seeds=fuzz/corpus/$name
  work=build-fuzz/corpus/$name
  mkdir -p "$work"
  echo "--- fuzz $name for ${seconds}s"
  dirs=("$work")
  [ -d "$seeds" ] && dirs+=("$seeds")
  if ! "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
       -artifact_prefix=build-fuzz/ "${dirs[@]}" > "build-fuzz/$name.log" 2>&1; then
    echo "fuzz $name FAILED"; tail -n 40 "build-fuzz/$name.log"; status=1
  else
    tail -n 1 "build-fuzz/$name.log"
  fi
done
exit $status
