// SPDX-License-Identifier: GPL-3.0-or-later
// WaveFormat: parsing of wave-format blocks and decoding of their samples to float.
#include "platform/WaveFormat.h"

#include "container/LittleEndian.h"
#include "platform/Mixer.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace vl::platform {

using container::LoadU16;
using container::LoadU32;
using container::StoreU16;
using container::StoreU32;

namespace {

// The tail shared by every KSDATAFORMAT_SUBTYPE GUID; the first two bytes carry the
// plain format tag (PCM 1, float 3) and bytes 2..3 are zero.
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

} // namespace

std::optional<WaveFormat> ParseWaveFormat(std::span<const uint8_t> block) {
    if (block.size() < sizeof(WaveFormatBlock)) return std::nullopt;
    WaveFormatBlock f{};
    const uint8_t* b = block.data(); // at least the fixed part, tested above
    f.formatTag = LoadU16(b);
    f.channels = LoadU16(b + 2);
    f.samplesPerSec = LoadU32(b + 4);
    f.avgBytesPerSec = LoadU32(b + 8);
    f.blockAlign = LoadU16(b + 12);
    f.bitsPerSample = LoadU16(b + 14);

    uint16_t tag = f.formatTag;
    if (tag == kWaveFormatExtensible) {
        // The extensible block must be complete: cbSize >= 22 and all 40 bytes present.
        if (block.size() < kWaveFormatExtensibleSize) return std::nullopt;
        if (LoadU16(b + kWaveFormatExtraSizeOffset) < kWaveFormatExtensibleExtra)
            return std::nullopt;
        const auto guid = block.subspan(kWaveFormatSubFormatOffset, 16);
        if (!std::equal(kSubFormatTail.begin(), kSubFormatTail.end(), guid.begin() + 2))
            return std::nullopt;
        tag = LoadU16(guid.data());
        // Valid bits (offset 18) may be less than the container; the samples are then
        // left-justified in it and decode correctly as full-width values.
        const uint16_t validBits = LoadU16(b + 18);
        if (validBits > f.bitsPerSample) return std::nullopt;
    }

    WaveFormat out;
    if (tag == kWaveFormatPcm) {
        switch (f.bitsPerSample) {
        case 8:
            out.encoding = SampleEncoding::kUnsigned8;
            break;
        case 16:
            out.encoding = SampleEncoding::kSigned16;
            break;
        case 24:
            out.encoding = SampleEncoding::kSigned24;
            break;
        case 32:
            out.encoding = SampleEncoding::kSigned32;
            break;
        default:
            return std::nullopt;
        }
    } else if (tag == kWaveFormatIeeeFloat) {
        if (f.bitsPerSample != 32) return std::nullopt;
        out.encoding = SampleEncoding::kFloat32;
    } else {
        return std::nullopt;
    }
    if (f.channels != 1 && f.channels != 2) return std::nullopt;
    if (f.samplesPerSec < kMixMinFrequency || f.samplesPerSec > kMixMaxFrequency)
        return std::nullopt;
    if (f.blockAlign != f.channels * f.bitsPerSample / 8) return std::nullopt;
    // avgBytesPerSec is advisory only; writers get it wrong and nothing here needs it.
    out.channels = f.channels;
    out.sampleRate = f.samplesPerSec;
    out.blockAlign = f.blockAlign;
    out.bitsPerSample = f.bitsPerSample;
    return out;
}

std::array<uint8_t, 16> MakeFormatBlock(uint16_t channels, uint32_t rate, uint16_t bits,
                                        bool isFloat) {
    std::array<uint8_t, 16> b{};
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    StoreU16(&b[0], isFloat ? kWaveFormatIeeeFloat : kWaveFormatPcm);
    StoreU16(&b[2], channels);
    StoreU32(&b[4], rate);
    StoreU32(&b[8], rate * align);
    StoreU16(&b[12], align);
    StoreU16(&b[14], bits);
    return b;
}

void DecodeSamples(const WaveFormat& format, std::span<const uint8_t> bytes, std::span<float> out) {
    const size_t frames = bytes.size() / format.blockAlign;
    const size_t n = std::min(out.size(), frames * format.channels);
    const uint8_t* p = bytes.data();
    float* o = out.data();
    // One loop per encoding so that the switch is decided once, not per sample.
    switch (format.encoding) {
    case SampleEncoding::kUnsigned8:
        for (size_t i = 0; i < n; ++i) o[i] = (static_cast<float>(p[i]) - 128.0f) / 128.0f;
        break;
    case SampleEncoding::kSigned16:
        for (size_t i = 0; i < n; ++i) {
            const auto s = static_cast<int16_t>(LoadU16(p + 2 * i));
            o[i] = static_cast<float>(s) / 32768.0f;
        }
        break;
    case SampleEncoding::kSigned24:
        for (size_t i = 0; i < n; ++i) {
            const uint8_t* q = p + 3 * i;
            // Assemble in the top 24 bits of a 32-bit word so the sign comes out right.
            const auto u = (static_cast<uint32_t>(q[0]) << 8) |
                           (static_cast<uint32_t>(q[1]) << 16) |
                           (static_cast<uint32_t>(q[2]) << 24);
            o[i] = static_cast<float>(static_cast<int32_t>(u)) / 2147483648.0f;
        }
        break;
    case SampleEncoding::kSigned32:
        for (size_t i = 0; i < n; ++i) {
            const auto s = static_cast<int32_t>(LoadU32(p + 4 * i));
            o[i] = static_cast<float>(static_cast<double>(s) / 2147483648.0);
        }
        break;
    case SampleEncoding::kFloat32:
        for (size_t i = 0; i < n; ++i) {
            const auto v = std::bit_cast<float>(LoadU32(p + 4 * i));
            o[i] = std::isfinite(v) ? std::clamp(v, -4.0f, 4.0f) : 0.0f;
        }
        break;
    }
}

} // namespace vl::platform
