// SPDX-License-Identifier: GPL-3.0-or-later
// PixelLoops: the drawing's innermost loops over one row of 32-bit pixels — a fill, and the
// copy that leaves out the colour key — in a plain form that every processor runs and, on
// x86, an SSE2 form that writes the very same pixels four at a time.
//
// Why our own: the back surface is filled and the field's pictures are copied onto it for
// every picture shown. SDL's fill stores past the cache (non-temporal stores), so the
// drawing that follows finds the surface in memory; and a keyed copy compared one pixel at
// a time.
#pragma once

#include <cstdint>

namespace vl::graphics {

// Sets `n` pixels of `row` to `pixel`.
using PixelFillFn = void (*)(uint32_t* row, int32_t n, uint32_t pixel);
// Copies `n` pixels from `src` to `dst`, leaving out those whose 24 colour bits equal `key`
// (which the caller has masked to 24 bits). The rows do not overlap.
using PixelKeyCopyFn = void (*)(uint32_t* dst, const uint32_t* src, int32_t n, uint32_t key);

struct PixelLoops {
    PixelFillFn fill;
    PixelKeyCopyFn keyCopy;
};

// The loops for any processor.
const PixelLoops& PlainPixelLoops();
// The fastest loops this processor runs (SSE2 on x86-64; the plain ones elsewhere).
const PixelLoops& BestPixelLoops();

} // namespace vl::graphics
