// SPDX-License-Identifier: GPL-3.0-or-later
// bank_builder: builds sound bank files and wave blocks in memory for tests.
//
//   auto wave = vl::testing::SineWave({.rate = 22050, .frames = 2205});
//   auto file = vl::testing::BuildBank({{.name = "gun", .wave = wave},
//                                       {.name = "navig1", .looped = true}});
//
// Every item field is optional: a field left empty writes no property record, so the
// item keeps the reader's initial value for it.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "container/ObjectStream.h"
#include "sound/Wave.h"

namespace vl::testing {

// One item of a bank file.
// (The initializers let designated initializers leave fields out without warnings.)
struct BankItem {
    std::optional<std::string> name = std::nullopt;
    std::optional<bool> looped = std::nullopt;
    std::optional<int32_t> maxPlayingCount = std::nullopt;
    std::optional<std::vector<uint8_t>> wave = std::nullopt; // Wave.WAVE, written as it is
};

// A PCM sine tone. 8-bit samples are unsigned, 16/24/32-bit signed; every channel
// carries the same sample.
struct SineSpec {
    uint32_t rate = 22050;
    uint16_t channels = 1;
    uint16_t bits = 16;
    uint32_t frames = 2205;
    double hz = 440.0;
    double amplitude = 0.5; // of full scale
};

// The sample bytes of the tone alone.
inline std::vector<uint8_t> SineSamples(const SineSpec& s) {
    const unsigned bytes = (s.bits + 7u) / 8u;
    std::vector<uint8_t> out;
    out.reserve(size_t{s.frames} * s.channels * bytes);
    const double full = std::ldexp(1.0, s.bits - 1) - 1.0;
    for (uint32_t i = 0; i < s.frames; ++i) {
        const double v = s.amplitude * std::sin(2.0 * std::numbers::pi * s.hz * i / s.rate);
        auto q = static_cast<int64_t>(std::lround(v * full));
        if (s.bits == 8) q += 128;
        for (uint16_t c = 0; c < s.channels; ++c)
            for (unsigned b = 0; b < bytes; ++b) out.push_back(static_cast<uint8_t>(q >> (8 * b)));
    }
    return out;
}

// The tone as a complete RIFF WAVE block ("fmt " and "data" chunks).
inline std::vector<uint8_t> SineWave(const SineSpec& s = {}) {
    sound::TWave wave;
    wave.Format = sound::PcmFormatBlock(sound::kWaveFormatPcm, s.channels, s.rate, s.bits);
    wave.Data = SineSamples(s);
    return wave.SaveToBytes();
}

// A bank file as our writers make it: root TWaveCollectionComponent, its List holding
// the items in order, each with the records of its fields that are set.
inline std::vector<uint8_t> BuildBank(const std::vector<BankItem>& items,
                                      std::string_view resourceName = "TWAVECOLLECTIONCOMPONENT") {
    container::ObjectWriter w("TWaveCollectionComponent", "");
    w.BeginCollection("List");
    for (const BankItem& item : items) {
        w.BeginItem();
        if (item.name) w.WriteString("Name", *item.name);
        if (item.looped) w.WriteBoolean("Looped", *item.looped);
        if (item.maxPlayingCount) w.WriteInteger("MaxPlayingCount", *item.maxPlayingCount);
        if (item.wave) w.WriteBinary("Wave.WAVE", *item.wave);
        w.EndItem();
    }
    w.EndCollection();
    return w.Finish(resourceName);
}

} // namespace vl::testing
