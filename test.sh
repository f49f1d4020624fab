#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every test: installs what is missing, configures, builds, generates the data
# into build/data, then runs the whole test suite. Binaries end up in build/bin.
#   ./test.sh            build in ./build and run all tests
#   BUILD_DIR=dir ./test.sh   use another build folder
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVLNEDLA_TESTS=ON \
  -DVLNEDLA_BENCH=ON ${CMAKE_ARGS:-}
cmake --build "$BUILD_DIR" -j"$(nproc)"
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)" ${CTEST_ARGS:-}
