// SPDX-License-Identifier: GPL-3.0-or-later
// OfflineAudio: the deterministic output that renders on demand, for tests and the
// headless simulator, with an optional capture and its WAV writer.
#include "platform/Mixer.h"

#include "container/Error.h"
#include "container/LittleEndian.h"
#include "platform/Clock.h"
#include "platform/MixerCore.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace vl::platform {

namespace {

constexpr uint32_t kChunkFrames = 4096; // frames rendered per step when catching up

// Frame number of virtual time `ms`, without overflow for any 64-bit ms.
uint64_t FrameAt(uint64_t ms, uint32_t rate) {
    return (ms / 1000) * rate + (ms % 1000) * rate / 1000;
}

} // namespace

// The clocks' listeners hold a weak reference, so they stop rendering once the backend
// is gone even if a clock lives on.
struct OfflineAudioBackend::ClockLink {
    OfflineAudioBackend* backend;
};

OfflineAudioBackend::OfflineAudioBackend(uint32_t outputRate) : AudioBackend(outputRate) {
    StartOutput(0);
}

OfflineAudioBackend::~OfflineAudioBackend() = default;

void OfflineAudioBackend::SimulateOutputLoss() {
    deviceAbsent_ = true;
    deviceGone_ = OutputRunning();
}

void OfflineAudioBackend::RenderInto(float* out, uint64_t frame) {
    const uint32_t rate = OutputRate();
    while (framesRendered_ < frame) {
        // The present moment in whole ms, rounded up, so that the frame of an attempt's
        // time (FrameAt rounds down) counts as that time.
        const uint64_t nowMs = (framesRendered_ * 1000 + rate - 1) / rate;
        SuperviseOutput(nowMs);
        uint64_t until = std::min(frame, framesRendered_ + kChunkFrames);
        const bool running = OutputRunning();
        if (!running) until = std::min(until, FrameAt(NextOutputAttemptMs(), rate));
        const auto n = static_cast<uint32_t>(until - framesRendered_);
        Render(out, n);
        // The mix goes on while no device is open; only nothing is heard.
        if (!running) std::fill(out, out + 2 * static_cast<size_t>(n), 0.0f);
        framesRendered_ = until;
        if (capture_) captured_.insert(captured_.end(), out, out + 2 * static_cast<size_t>(n));
        if (sink_) sink_(std::span<const float>(out, 2 * static_cast<size_t>(n)), until - n);
        out += 2 * static_cast<size_t>(n);
    }
}

std::vector<float> OfflineAudioBackend::RenderFrames(uint32_t frames) {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    RenderInto(out.data(), framesRendered_ + frames);
    return out;
}

void OfflineAudioBackend::RenderUntilMs(uint64_t ms) {
    RenderUntilFrame(FrameAt(ms, OutputRate()));
}

void OfflineAudioBackend::RenderUntilFrame(uint64_t frame) {
    scratch_.resize(2 * kChunkFrames);
    while (framesRendered_ < frame)
        RenderInto(scratch_.data(), std::min<uint64_t>(frame, framesRendered_ + kChunkFrames));
}

void OfflineAudioBackend::AttachClock(VirtualClock& clock) {
    if (!clockLink_) clockLink_ = std::make_shared<ClockLink>(ClockLink{this});
    // Each clock gets its own origin: its present moment is the frames rendered so far.
    const uint64_t clockOrigin = clock.ElapsedMs();
    const uint64_t frameOrigin = framesRendered_;
    std::weak_ptr<ClockLink> weak = clockLink_;
    clock.AddAdvanceListener([weak, clockOrigin, frameOrigin](uint64_t nowMs) {
        const auto link = weak.lock();
        if (!link || nowMs < clockOrigin) return;
        OfflineAudioBackend& b = *link->backend;
        b.RenderUntilFrame(frameOrigin + FrameAt(nowMs - clockOrigin, b.OutputRate()));
    });
}

void OfflineAudioBackend::WriteCaptureWav(const std::string& path) const {
    using container::PutId;
    using container::PutU16;
    using container::PutU32;
    const uint32_t rate = OutputRate();
    const size_t samples = captured_.size();
    // The RIFF sizes are 32-bit: a capture beyond that is cut to what fits.
    const auto dataBytes =
        static_cast<uint32_t>(std::min<size_t>(samples * 2, 0xFFFFFFFFu - 36u) & ~size_t{3});
    std::vector<uint8_t> b;
    b.reserve(44 + dataBytes);
    PutId(b, "RIFF");
    PutU32(b, 36 + dataBytes);
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    PutU32(b, 16);
    const auto fmt = MakeFormatBlock(2, rate, 16);
    b.insert(b.end(), fmt.begin(), fmt.end());
    PutId(b, "data");
    PutU32(b, dataBytes);
    for (size_t i = 0; i < dataBytes / 2; ++i)
        PutU16(b, static_cast<uint16_t>(PcmSample16(captured_[i])));
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    if (f) f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    if (!f) {
        const int err = errno;
        std::error_code ec;
        auto shown = std::filesystem::absolute(path, ec).string();
        if (ec) shown = path;
        // Spelled out rather than through vl::Format: the platform library stands below
        // the container library that implements it.
        throw Error("Cannot create file \"" + shown + "\". " + std::strerror(err));
    }
}

} // namespace vl::platform
