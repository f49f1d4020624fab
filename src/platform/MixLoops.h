// SPDX-License-Identifier: GPL-3.0-or-later
// MixLoops: the mixer's innermost loops — resampling a stretch of one voice into the stereo
// sum, and the limiter over the sum — in a plain form that every processor runs and, on
// x86, an SSE2 form that gives the very same samples four output frames at a time.
//
// Contract of a stretch: `n` output frames are added to `out` (interleaved stereo); frame i
// reads the source frames at pos >> 32 and the one after it, both of which the caller has
// guaranteed to lie inside `src`, interpolated by FracOf(pos); pos then advances by `step`.
// Both forms compute every sample with the same operations in the same order (no fused
// multiply-add), so they agree to the bit; the tests hold them to it.
#pragma once

#include <cstdint>

namespace vl::platform {

// The interpolation weight of a 32.32 frame position: its top 24 fraction bits, which a
// float holds exactly, so scalar and vector code derive the same weight.
inline float FracOf(uint64_t pos) {
    return static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(pos) >> 8)) *
           (1.0f / 16777216.0f);
}

// The limiter: output peaks are held at or below the ceiling (-0.5 dBFS) with an instant
// attack and one gain for both channels; after a peak the gain returns towards 1 with this
// time constant in output frames (~50 ms at 48 kHz).
inline constexpr float kMixLimitCeiling = 0.944f;
inline constexpr float kMixLimitReleaseFrames = 2400.0f;

using MixStretchFn = void (*)(const float* src, uint64_t& pos, uint64_t step, float gl, float gr,
                              float* out, uint32_t n);
// Limits `n` interleaved stereo frames in place. `depth` (1 - the gain, 0 when idle) is
// carried from one call to the next; a frame is never above the ceiling afterwards.
using MixLimitFn = void (*)(float* out, uint32_t n, float& depth);

struct MixLoops {
    const char* name;
    MixStretchFn mono;   // one source channel, heard on both sides
    MixStretchFn stereo; // two source channels
    MixLimitFn limit;
};

// The loops for any processor.
const MixLoops& PlainMixLoops();
// The fastest loops this processor runs (SSE2 on x86-64; the plain ones elsewhere).
const MixLoops& BestMixLoops();

} // namespace vl::platform
