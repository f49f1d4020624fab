#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# icons: the build draws the application icon at every hicolor size as a PNG that decodes
# cleanly (no CRC or zlib faults) to its size, with alpha: clear at the rounded corners,
# opaque at the centre.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

icons=${VL_BINARY_DIR:?VL_BINARY_DIR is not set}/packaging/icons
[ -d "$icons" ] || skip "the build drew no icons (no generated data)"
failed=0
for size in 16 22 24 32 48 64 128 256; do
    f=$icons/${size}x${size}/apps/vlnedla.png
    mid=$((size / 2))
    got=$(convert -regard-warnings "$f" \
        -format "%m %w %h %[channels] %[fx:p{0,0}.a] %[fx:p{$((size - 1)),$((size - 1))}.a] %[fx:p{$mid,$mid}.a]" \
        info: 2>&1) || true
    want="PNG $size $size srgba 0 0 1"
    if [ "$got" != "$want" ]; then
        echo "icons: $f: want \"$want\", got \"$got\""; failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "icons: 8 sizes, clean PNG with alpha"
