// SPDX-License-Identifier: GPL-3.0-or-later
// sound_fixture: helpers of the bank tests — wave blocks, bank files, an owner window,
// and a device on the offline mixer driven by a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "container/ObjectStream.h"
#include "platform/Clock.h"
#include "platform/Mixer.h"
#include "sound/DXSounds.h"

namespace vl::sound::testing {

inline void PutU16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void PutU32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
// Byte by byte: g++ 12 mistakes a range insert into an empty vector for an overflow.
inline void PutId(std::vector<uint8_t>& b, const char* id) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(id[i]));
}

// The 16-byte PCM format block.
inline std::vector<uint8_t> PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    std::vector<uint8_t> f;
    const uint32_t align = channels * bits / 8u;
    PutU16(f, 1);
    PutU16(f, channels);
    PutU32(f, rate);
    PutU32(f, rate * align);
    PutU16(f, align);
    PutU16(f, bits);
    return f;
}

// `frames` frames of 16-bit mono samples: a sine of `hz` at `rate` (hz 0: a constant).
inline std::vector<uint8_t> Mono16(uint32_t frames, double hz = 1000.0, uint32_t rate = 48000,
                                   double amp = 0.5) {
    std::vector<uint8_t> b;
    for (uint32_t i = 0; i < frames; ++i) {
        const double v = hz == 0.0 ? amp : amp * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        PutU16(b, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v * 32767.0))));
    }
    return b;
}

// A RIFF WAVE block with the chunks given in order (identifier, body).
inline std::vector<uint8_t>
Riff(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& chunks) {
    std::vector<uint8_t> body;
    for (const auto& [id, data] : chunks) {
        PutId(body, id.c_str());
        PutU32(body, static_cast<uint32_t>(data.size()));
        for (uint8_t byte : data) body.push_back(byte);
    }
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    PutU32(b, static_cast<uint32_t>(body.size() + 4));
    PutId(b, "WAVE");
    for (uint8_t byte : body) b.push_back(byte);
    return b;
}

// A mono 16-bit wave of `ms` milliseconds at `rate`.
inline std::vector<uint8_t> WaveMs(uint32_t ms, uint32_t rate = 48000, double hz = 1000.0) {
    return Riff({{"fmt ", PcmFormat(1, rate, 16)}, {"data", Mono16(ms * rate / 1000, hz, rate)}});
}

struct BankItemSpec {
    std::string name;
    std::vector<uint8_t> wave; // the Wave.WAVE block; empty = no Wave.WAVE record
    bool looped = false;
    int32_t maxPlayingCount = 0;
};

// A bank file as our writers make it.
inline std::vector<uint8_t> BankFile(const std::vector<BankItemSpec>& items) {
    container::ObjectWriter w("TWaveCollectionComponent", "");
    w.BeginCollection("List");
    for (const auto& item : items) {
        w.BeginItem();
        w.WriteString("Name", item.name);
        if (item.looped) w.WriteBoolean("Looped", true);
        if (item.maxPlayingCount != 0) w.WriteInteger("MaxPlayingCount", item.maxPlayingCount);
        if (!item.wave.empty()) w.WriteBinary("Wave.WAVE", item.wave);
        w.EndItem();
    }
    w.EndCollection();
    return w.Finish("TWAVECOLLECTIONCOMPONENT");
}

// A window that counts its handle hooks and can make its handle anew.
class FakeWindow : public SoundOwnerWindow {
public:
    uint64_t handle = 0x1234;
    uint64_t NativeHandle() const override { return handle; }
    void AddHandleHook(const void* key, std::function<void(uint64_t)> hook) override {
        hooks[key] = std::move(hook);
    }
    void RemoveHandleHook(const void* key) override { hooks.erase(key); }
    void RecreateHandle() {
        ++handle;
        for (auto& [key, hook] : hooks) hook(handle);
    }
    std::map<const void*, std::function<void(uint64_t)>> hooks;
};

// A window's sound objects on the offline mixer: every sleep on the clock renders the
// time it covers, so playings end as they would in real time.
struct SoundRig {
    platform::VirtualClock clock;
    platform::OfflineAudioBackend backend{48000};
    FakeWindow window;
    std::unique_ptr<TDXSound> device;
    std::unique_ptr<TDXWaveList> list;

    explicit SoundRig(bool open = true) {
        backend.AttachClock(clock);
        device = std::make_unique<TDXSound>(SoundContext{&backend, &clock}, &window);
        list = std::make_unique<TDXWaveList>("DXWaveListtest");
        list->SetDXSound(device.get());
        if (open) device->Loaded();
    }
    ~SoundRig() {
        list.reset();
        device.reset();
    }
    TWaveCollection& bank() { return list->Items(); }
    void Load(const std::vector<BankItemSpec>& items) { bank().LoadFromStream(BankFile(items)); }
    // Renders `ms` more milliseconds of output; returns the interleaved L R samples.
    std::vector<float> Render(uint32_t ms) {
        return backend.RenderFrames(ms * backend.OutputRate() / 1000);
    }
    void Advance(uint32_t ms) { clock.SleepMs(ms); }
};

// Whether `b` is sounding, read straight from the mixer.
inline bool Sounding(const TDirectSoundBuffer& b) {
    uint32_t s = 0;
    return b.IDSBuffer() && b.IDSBuffer()->GetStatus(&s) == platform::kMixOk &&
           (s & (platform::kMixStatusPlaying | platform::kMixStatusLooping)) != 0;
}

// Peak absolute value of one channel (0 = left, 1 = right) of interleaved stereo.
inline float Peak(const std::vector<float>& lr, int channel) {
    float p = 0.0f;
    for (size_t i = static_cast<size_t>(channel); i < lr.size(); i += 2)
        p = std::max(p, std::fabs(lr[i]));
    return p;
}

// Message of the vl::Error that `f` throws; "" when it throws none.
template <class F> std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const Error& e) {
        return e.Message();
    }
    return {};
}

} // namespace vl::sound::testing
