// SPDX-License-Identifier: GPL-3.0-or-later
// PixelLoops: the plain and the SSE2 row loops. The vector loops do four pixels per round
// with ordinary (cached) stores and leave the last n % 4 to the plain loop.
#include "graphics/PixelLoops.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VL_PIXEL_SSE2 1
#include <emmintrin.h>
#endif

#include <cstddef>

namespace vl::graphics {

namespace {

void PlainFill(uint32_t* row, int32_t n, uint32_t pixel) {
    for (int32_t i = 0; i < n; ++i) row[i] = pixel;
}

void PlainKeyCopy(uint32_t* dst, const uint32_t* src, int32_t n, uint32_t key) {
    for (int32_t i = 0; i < n; ++i)
        if ((src[i] & 0xFFFFFF) != key) dst[i] = src[i];
}

#ifdef VL_PIXEL_SSE2

void Sse2Fill(uint32_t* row, int32_t n, uint32_t pixel) {
    const __m128i v = _mm_set1_epi32(static_cast<int>(pixel));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), v);
    PlainFill(row + i, n - i, pixel);
}

void Sse2KeyCopy(uint32_t* dst, const uint32_t* src, int32_t n, uint32_t key) {
    const __m128i colour = _mm_set1_epi32(0xFFFFFF);
    const __m128i k = _mm_set1_epi32(static_cast<int>(key));
    int32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i keyed = _mm_cmpeq_epi32(_mm_and_si128(s, colour), k);
        const int mask = _mm_movemask_epi8(keyed);
        auto* d = reinterpret_cast<__m128i*>(dst + i);
        if (mask == 0) {
            _mm_storeu_si128(d, s); // no key pixel: the usual case inside a picture
        } else if (mask != 0xFFFF) {
            const __m128i old = _mm_loadu_si128(d);
            _mm_storeu_si128(d,
                             _mm_or_si128(_mm_and_si128(keyed, old), _mm_andnot_si128(keyed, s)));
        }
    }
    PlainKeyCopy(dst + i, src + i, n - i, key);
}

constexpr PixelLoops kSse2Loops{Sse2Fill, Sse2KeyCopy};

#endif

constexpr PixelLoops kPlainLoops{PlainFill, PlainKeyCopy};

} // namespace

const PixelLoops& PlainPixelLoops() {
    return kPlainLoops;
}

const PixelLoops& BestPixelLoops() {
#ifdef VL_PIXEL_SSE2
    return kSse2Loops;
#else
    return kPlainLoops;
#endif
}

} // namespace vl::graphics
