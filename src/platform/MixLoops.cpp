// SPDX-License-Identifier: GPL-3.0-or-later
// MixLoops: the plain and the SSE2 loops. The vector stretch loops do four output frames per
// round and leave the last n % 4 to the plain loop, whose arithmetic they copy lane by lane;
// the limiters work on blocks of kBlock frames, the same blocks in both forms.
//
// Index:
//   - the plain stretch
//   - the plain limiter
//   - SSE2: the stretches, the limiter
//   - the tables
#include "platform/MixLoops.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VL_MIX_SSE2 1
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace vl::platform {

namespace {

template <int Ch>
void PlainStretch(const float* src, uint64_t& position, uint64_t step, float gl, float gr,
                  float* out, uint32_t n) {
    uint64_t pos = position; // local, as the stores to `out` could alias it
    for (uint32_t i = 0; i < n; ++i) {
        const float* s = src + static_cast<size_t>(pos >> 32) * Ch;
        const float f = FracOf(pos);
        if constexpr (Ch == 1) {
            const float l = s[0] + (s[1] - s[0]) * f;
            out[2 * i] += l * gl;
            out[2 * i + 1] += l * gr;
        } else {
            const float l = s[0] + (s[2] - s[0]) * f;
            const float r = s[1] + (s[3] - s[1]) * f;
            out[2 * i] += l * gl;
            out[2 * i + 1] += r * gr;
        }
        pos += step;
    }
    position = pos;
}

// --- the limiter ----------------------------------------------------------------------
// With u = 1 - gain, each frame is u[i] = max(u[i-1] * keep, need[i]), need[i] being
// 1 - ceiling / peak for a frame over the ceiling and 0 otherwise. Over a block that
// unrolls to keep^(i+1) * max(u, need[j] / keep^(j+1) for j <= i): a running maximum
// between two multiplications by constants, with no long chain from frame to frame. A
// block that needs no gain (u at 0, nothing over the ceiling: nearly always in play) is
// left untouched.

constexpr uint32_t kBlock = 16;
constexpr float kNegligible = 0x1p-25f; // a depth below it: 1 - u rounds to 1

struct LimitPowers {
    std::array<float, kBlock> keep;    // keep^(i+1)
    std::array<float, kBlock> inverse; // keep^-(i+1)
};
constexpr LimitPowers kPowers = [] {
    LimitPowers p{};
    double k = 1.0;
    for (uint32_t i = 0; i < kBlock; ++i) {
        k *= 1.0 - 1.0 / kMixLimitReleaseFrames;
        p.keep[i] = static_cast<float>(k);
        p.inverse[i] = static_cast<float>(1.0 / k);
    }
    return p;
}();

float NeedOf(float peak) {
    return 1.0f - kMixLimitCeiling / std::max(peak, kMixLimitCeiling);
}

float Clamped(float x) {
    return std::min(std::max(x, -kMixLimitCeiling), kMixLimitCeiling);
}

template <uint32_t N> void PlainLimitBlock(float* f, float& depth) {
    std::array<float, N> m;
    float over = 0.0f;
    for (uint32_t i = 0; i < N; ++i) {
        m[i] = std::max(std::fabs(f[2 * i]), std::fabs(f[2 * i + 1]));
        over = std::max(over, m[i]);
    }
    if (depth == 0.0f && over <= kMixLimitCeiling) return;
    float run = depth;
    for (uint32_t i = 0; i < N; ++i) {
        run = std::max(run, NeedOf(m[i]) * kPowers.inverse[i]);
        m[i] = run * kPowers.keep[i];
    }
    depth = m[N - 1] < kNegligible ? 0.0f : m[N - 1];
    // The product can round a hair over the ceiling: the clamp keeps the promise.
    for (uint32_t i = 0; i < 2 * N; ++i) f[i] = Clamped(f[i] * (1.0f - m[i / 2]));
}

void PlainLimit(float* out, uint32_t n, float& depth) {
    uint32_t at = 0;
    for (; at + kBlock <= n; at += kBlock) PlainLimitBlock<kBlock>(out + 2 * size_t{at}, depth);
    for (; at < n; ++at) PlainLimitBlock<1>(out + 2 * size_t{at}, depth);
}

#ifdef VL_MIX_SSE2

// The weights of four successive positions from their low 32 bits, which advance by the
// step's low 32 bits modulo 2^32 exactly as the positions' own low bits do.
struct Weights {
    __m128i low;
    __m128i advance;

    Weights(uint64_t pos, uint64_t step)
        : low(_mm_setr_epi32(static_cast<int32_t>(pos), static_cast<int32_t>(pos + step),
                             static_cast<int32_t>(pos + 2 * step),
                             static_cast<int32_t>(pos + 3 * step))),
          advance(_mm_set1_epi32(static_cast<int32_t>(4 * step))) {}

    __m128 Next() {
        const __m128 f =
            _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(low, 8)), _mm_set1_ps(1.0f / 16777216.0f));
        low = _mm_add_epi32(low, advance);
        return f;
    }
};

// Four output frames a round: the source frames of each and their next, interpolated into
// two vectors of interleaved [L R L R] (frames 0-1 and 2-3), scaled by the gains and added.
template <int Ch>
void Sse2Stretch(const float* src, uint64_t& position, uint64_t step, float gl, float gr,
                 float* out, uint32_t n) {
    const __m128 gains = _mm_setr_ps(gl, gr, gl, gr);
    // A local position: the stores to `out` may alias the caller's, which would
    // otherwise be written back and read again every round.
    uint64_t pos = position;
    Weights w(pos, step);
    uint32_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const uint64_t p0 = pos, p1 = pos + step, p2 = pos + 2 * step, p3 = pos + 3 * step;
        pos += 4 * step;
        const __m128 f = w.Next();
        __m128 lr01, lr23;
        if constexpr (Ch == 1) {
            // Each frame's two neighbours as one 64-bit load: [a0 b0 a1 b1], [a2 b2 a3 b3].
            auto pair = [src](uint64_t p) {
                return _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(src + (p >> 32))));
            };
            auto high = [src](__m128 low, uint64_t p) {
                return _mm_loadh_pi(low, reinterpret_cast<const __m64*>(src + (p >> 32)));
            };
            const __m128 p01 = high(pair(p0), p1), p23 = high(pair(p2), p3);
            const __m128 a = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0));
            const __m128 b = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1));
            const __m128 l = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), f));
            lr01 = _mm_unpacklo_ps(l, l);
            lr23 = _mm_unpackhi_ps(l, l);
        } else {
            // A frame and the next as one load: [aL aR bL bR].
            auto quad = [src](uint64_t p) { return _mm_loadu_ps(src + 2 * (p >> 32)); };
            const __m128 q0 = quad(p0), q1 = quad(p1), q2 = quad(p2), q3 = quad(p3);
            const __m128 a01 = _mm_movelh_ps(q0, q1), b01 = _mm_movehl_ps(q1, q0);
            const __m128 a23 = _mm_movelh_ps(q2, q3), b23 = _mm_movehl_ps(q3, q2);
            lr01 = _mm_add_ps(a01, _mm_mul_ps(_mm_sub_ps(b01, a01), _mm_unpacklo_ps(f, f)));
            lr23 = _mm_add_ps(a23, _mm_mul_ps(_mm_sub_ps(b23, a23), _mm_unpackhi_ps(f, f)));
        }
        float* o = out + 2 * static_cast<size_t>(i);
        _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_mul_ps(lr01, gains)));
        _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_mul_ps(lr23, gains)));
    }
    PlainStretch<Ch>(src, pos, step, gl, gr, out + 2 * static_cast<size_t>(i), n - i);
    position = pos;
}

// The plain limiter's block, four frames to a vector; the peaks and gains go in frame order
// [f0 f1 f2 f3], the samples interleaved [L0 R0 L1 R1].
void Sse2LimitBlock(float* f, float& depth) {
    const __m128 sign = _mm_set1_ps(-0.0f), ceiling = _mm_set1_ps(kMixLimitCeiling);
    __m128 peak[kBlock / 4]; // NOLINT(*-avoid-c-arrays): std::array drops __m128's alignment
    __m128 over = _mm_setzero_ps();
    for (uint32_t k = 0; k < kBlock / 4; ++k) {
        const __m128 a = _mm_andnot_ps(sign, _mm_loadu_ps(f + 8 * k));
        const __m128 b = _mm_andnot_ps(sign, _mm_loadu_ps(f + 8 * k + 4));
        // [|L0| |L1| |L2| |L3|] against [|R0| |R1| |R2| |R3|]
        peak[k] = _mm_max_ps(_mm_shuffle_ps(a, b, _MM_SHUFFLE(2, 0, 2, 0)),
                             _mm_shuffle_ps(a, b, _MM_SHUFFLE(3, 1, 3, 1)));
        over = _mm_max_ps(over, peak[k]);
    }
    if (depth == 0.0f && _mm_movemask_ps(_mm_cmpgt_ps(over, ceiling)) == 0) return;
    const __m128 one = _mm_set1_ps(1.0f);
    __m128 run = _mm_set1_ps(depth);
    for (uint32_t k = 0; k < kBlock / 4; ++k) {
        __m128 m = _mm_mul_ps(_mm_sub_ps(one, _mm_div_ps(ceiling, _mm_max_ps(peak[k], ceiling))),
                              _mm_loadu_ps(&kPowers.inverse[4 * k]));
        // The running maximum across the lanes (every value is at least 0, so the zeros
        // shifted in change nothing), then against the block so far.
        m = _mm_max_ps(m, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(m), 4)));
        m = _mm_max_ps(m, _mm_castsi128_ps(_mm_slli_si128(_mm_castps_si128(m), 8)));
        m = _mm_max_ps(m, run);
        run = _mm_shuffle_ps(m, m, _MM_SHUFFLE(3, 3, 3, 3));
        const __m128 u = _mm_mul_ps(m, _mm_loadu_ps(&kPowers.keep[4 * k]));
        const __m128 gain = _mm_sub_ps(one, u);
        float* o = f + 8 * k;
        const __m128 lo = _mm_mul_ps(_mm_loadu_ps(o), _mm_unpacklo_ps(gain, gain));
        const __m128 hi = _mm_mul_ps(_mm_loadu_ps(o + 4), _mm_unpackhi_ps(gain, gain));
        const __m128 floor = _mm_xor_ps(ceiling, sign);
        _mm_storeu_ps(o, _mm_max_ps(_mm_min_ps(lo, ceiling), floor));
        _mm_storeu_ps(o + 4, _mm_max_ps(_mm_min_ps(hi, ceiling), floor));
        if (k == kBlock / 4 - 1) {
            const float last = _mm_cvtss_f32(_mm_shuffle_ps(u, u, _MM_SHUFFLE(3, 3, 3, 3)));
            depth = last < kNegligible ? 0.0f : last;
        }
    }
}

void Sse2Limit(float* out, uint32_t n, float& depth) {
    uint32_t at = 0;
    for (; at + kBlock <= n; at += kBlock) Sse2LimitBlock(out + 2 * size_t{at}, depth);
    for (; at < n; ++at) PlainLimitBlock<1>(out + 2 * size_t{at}, depth);
}

constexpr MixLoops kSse2Loops{"sse2", Sse2Stretch<1>, Sse2Stretch<2>, Sse2Limit};

#endif

constexpr MixLoops kPlainLoops{"plain", PlainStretch<1>, PlainStretch<2>, PlainLimit};

} // namespace

const MixLoops& PlainMixLoops() {
    return kPlainLoops;
}

const MixLoops& BestMixLoops() {
#ifdef VL_MIX_SSE2
    return kSse2Loops;
#else
    return kPlainLoops;
#endif
}

} // namespace vl::platform
