// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the mixer tests: sine buffers in every format and measures of output.
#pragma once

#include "platform/Mixer.h"
#include "platform/MixerCore.h"
#include "platform/WaveFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

namespace vl::platform::testing {

// Output frames over which a starting voice rises from silence.
inline constexpr uint32_t kRamp = MixerCore::kRampFrames;

// Encodes one sample value v in [-1, 1] into `bits`-wide PCM (or float) bytes.
inline void PutSample(std::vector<uint8_t>& b, double v, uint16_t bits, bool isFloat) {
    if (isFloat) {
        const auto f = static_cast<float>(v);
        uint8_t raw[4];
        std::memcpy(raw, &f, 4);
        b.insert(b.end(), raw, raw + 4);
        return;
    }
    if (bits == 8) {
        b.push_back(static_cast<uint8_t>(std::lround(v * 127.0) + 128));
        return;
    }
    const double scale = std::ldexp(1.0, bits - 1) - 1.0;
    const auto s = static_cast<int64_t>(std::llround(v * scale));
    for (int i = 0; i < bits / 8; ++i) b.push_back(static_cast<uint8_t>(s >> (8 * i)));
}

// `frames` frames of a sine of `hz` at `rate`, the same on every channel.
inline std::vector<uint8_t> SineBytes(uint32_t frames, double hz, uint32_t rate, uint16_t channels,
                                      uint16_t bits, bool isFloat = false, double amp = 0.5) {
    std::vector<uint8_t> b;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = amp * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        for (int c = 0; c < channels; ++c) PutSample(b, v, bits, isFloat);
    }
    return b;
}

inline std::vector<uint8_t> FormatOf(uint16_t channels, uint32_t rate, uint16_t bits,
                                     bool isFloat = false) {
    const auto a = MakeFormatBlock(channels, rate, bits, isFloat);
    return {a.begin(), a.end()};
}

// The same format as a 40-byte WAVE_FORMAT_EXTENSIBLE block.
inline std::vector<uint8_t> ExtensibleOf(uint16_t channels, uint32_t rate, uint16_t bits,
                                         bool isFloat = false) {
    auto b = FormatOf(channels, rate, bits, isFloat);
    b[0] = 0xFE;
    b[1] = 0xFF;
    const uint8_t extra[24] = {22,   0,    static_cast<uint8_t>(bits),
                               0,    3,    0,
                               0,    0,    static_cast<uint8_t>(isFloat ? 3 : 1),
                               0,    0,    0,
                               0x00, 0x00, 0x10,
                               0x00, 0x80, 0x00,
                               0x00, 0xAA, 0x00,
                               0x38, 0x9B, 0x71};
    b.insert(b.end(), extra, extra + 24);
    return b;
}

// Creates a buffer and fills it with `bytes` through Lock/Unlock; fails the test otherwise.
inline std::unique_ptr<MixerBuffer> Load(MixerDevice& dev, const std::vector<uint8_t>& format,
                                         const std::vector<uint8_t>& bytes) {
    std::unique_ptr<MixerBuffer> buf;
    EXPECT_EQ(dev.CreateBuffer(format, static_cast<uint32_t>(bytes.size()), buf), kMixOk);
    if (!buf) return nullptr;
    uint8_t *p1 = nullptr, *p2 = nullptr;
    uint32_t n1 = 0, n2 = 0;
    EXPECT_EQ(buf->Lock(0, buf->Length(), &p1, &n1, &p2, &n2), kMixOk);
    std::memcpy(p1, bytes.data(), n1);
    if (n2 > 0) std::memcpy(p2, bytes.data() + n1, n2);
    EXPECT_EQ(buf->Unlock(), kMixOk);
    return buf;
}

// One channel (0 = left, 1 = right) of interleaved stereo output.
inline std::vector<float> Channel(const std::vector<float>& stereo, int ch) {
    std::vector<float> out;
    for (size_t i = ch; i < stereo.size(); i += 2) out.push_back(stereo[i]);
    return out;
}

inline float Peak(const std::vector<float>& x) {
    float p = 0;
    for (float v : x) p = std::max(p, std::abs(v));
    return p;
}

inline double Rms(const std::vector<float>& x) {
    double s = 0;
    for (float v : x) s += double(v) * v;
    return x.empty() ? 0.0 : std::sqrt(s / x.size());
}

inline int ZeroCrossings(const std::vector<float>& x) {
    int n = 0;
    for (size_t i = 1; i < x.size(); ++i)
        if ((x[i - 1] < 0) != (x[i] < 0)) ++n;
    return n;
}

inline float MaxStep(const std::vector<float>& x) {
    float m = 0;
    for (size_t i = 1; i < x.size(); ++i) m = std::max(m, std::abs(x[i] - x[i - 1]));
    return m;
}

inline double Db(double ratio) {
    return 20.0 * std::log10(std::max(ratio, 1e-30));
}

} // namespace vl::platform::testing
