// SPDX-License-Identifier: GPL-3.0-or-later
// WaveFormat: reading the wave-format block of a "fmt " chunk and decoding its samples.
//
// Index:
//   - WaveFormatBlock: the fixed 16 leading bytes of the block, as they lie on disk
//   - WaveFormat: what the mixer needs to know to play samples of that format
//   - ParseWaveFormat / MakePcmFormatBlock / DecodeSamples
//
// The mixer accepts PCM 8 (unsigned), 16, 24 and 32 bits (signed), 32-bit IEEE float,
// mono or stereo, plain or as WAVE_FORMAT_EXTENSIBLE with a PCM or float subformat.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <optional>
#include <span>

namespace vl::platform {

inline constexpr uint16_t kWaveFormatPcm = 0x0001;
inline constexpr uint16_t kWaveFormatIeeeFloat = 0x0003;
inline constexpr uint16_t kWaveFormatExtensible = 0xFFFE;

// The leading 16 bytes of a wave-format block, field for field in file order
// (all little-endian on disk). An optional 16-bit extra-size and extra bytes follow.
struct WaveFormatBlock {
    uint16_t formatTag;
    uint16_t channels;
    uint32_t samplesPerSec;
    uint32_t avgBytesPerSec;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};
static_assert(sizeof(WaveFormatBlock) == 16, "the block's fixed part is 16 bytes on disk");

// Byte offsets of the extensible format's fields after the fixed part.
inline constexpr size_t kWaveFormatExtraSizeOffset = 16;   // uint16 cbSize
inline constexpr size_t kWaveFormatExtensibleSize = 40;    // 18 + cbSize 22
inline constexpr size_t kWaveFormatSubFormatOffset = 24;   // 16-byte GUID
inline constexpr uint16_t kWaveFormatExtensibleExtra = 22; // minimum cbSize

enum class SampleEncoding : uint8_t { kUnsigned8, kSigned16, kSigned24, kSigned32, kFloat32 };

// A playable format, reduced to what decoding and resampling need.
struct WaveFormat {
    SampleEncoding encoding = SampleEncoding::kSigned16;
    uint16_t channels = 1;   // 1 or 2
    uint32_t sampleRate = 0; // Hz, within the mixer's frequency range
    uint16_t blockAlign = 2; // bytes per frame = channels * bytes per sample
    uint16_t bitsPerSample = 16;
};

// Reads a raw "fmt " chunk body. Returns nothing when the block is shorter than 16 bytes,
// names a format or subformat the mixer cannot play, has other than 1 or 2 channels,
// a rate outside 100..200000 Hz, or a block alignment that is not channels * bits / 8.
// Never reads outside `block`.
std::optional<WaveFormat> ParseWaveFormat(std::span<const uint8_t> block);

// The 16-byte block of plain PCM (bits 8/16/24/32) or float (bits 32, `isFloat`) samples.
std::array<uint8_t, 16> MakeFormatBlock(uint16_t channels, uint32_t rate, uint16_t bits,
                                        bool isFloat = false);

// A mixed sample as 16-bit PCM: clipped to [-1, 1], rounded to the nearest step. Every
// 16-bit file the program writes converts through this, so they compare sample for sample.
inline int16_t PcmSample16(float v) {
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

// Decodes whole frames of `bytes` into floats in [-1, 1] (interleaved as stored). Writes
// min(out.size(), frames * channels) values; a trailing partial frame is ignored.
// Float samples that are not finite decode as 0 so that one bad value cannot poison the
// mix; finite ones are kept as they are, up to +-4 (the output is clipped later anyway).
void DecodeSamples(const WaveFormat& format, std::span<const uint8_t> bytes, std::span<float> out);

} // namespace vl::platform
