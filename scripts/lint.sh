#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Checks formatting (clang-format) and runs clang-tidy over the program's sources.
#   scripts/lint.sh [BUILD_DIR]   (BUILD_DIR holds compile_commands.json; default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v '^fuzz/corpus/')
echo "clang-format: ${#files[@]} files"
clang-format --dry-run --Werror "${files[@]}"
mapfile -t sources < <(git ls-files 'src/*.cpp' 'tools/*.cpp')
echo "clang-tidy: ${#sources[@]} files"
printf '%s\n' "${sources[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet --warnings-as-errors='*' 2>/dev/null
