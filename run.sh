#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the game: installs what is missing, configures, builds, generates the data,
# then starts build/bin/vlnedla in its data folder build/data.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
cd build/data
exec ../bin/vlnedla "$@"
