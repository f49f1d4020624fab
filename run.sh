#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the game: installs only what building and playing it needs, builds only the game
# and its data (no tests or benchmarks), then starts build/bin/vlnedla in its data folder
# build/data. Arguments go to the game (./run.sh --help).
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh --game
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLNEDLA_TESTS=OFF \
  -DVLNEDLA_BENCH=OFF
cmake --build build -j"$(nproc)" --target vlnedla vl_data
cd build/data
exec ../bin/vlnedla "$@"
