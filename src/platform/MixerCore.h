// SPDX-License-Identifier: GPL-3.0-or-later
// MixerCore: the shared state behind every mixer device and buffer, and the mix itself.
//
// Index:
//   - MixerCore: device and buffer registry, buffer operations, Render
//   - private: SampleData (shared samples), Voice (one buffer), Tail (a fading cut-off)
//
// Handles (MixerDevice, MixerBuffer) hold a shared_ptr to the core and an id, so a handle
// outliving its device or its backend stays harmless: its id is simply no longer known.
// One mutex guards everything; API calls hold it briefly, Render for one period.
//
// Choices of the mix, so that nothing clicks:
//   - resampling is linear interpolation on a 32.32 fixed-point frame position;
//   - a looping voice interpolates its last frame towards its first;
//   - a one-shot voice interpolates its last frame towards silence and then ends with
//     its position at the end (a Play from there ends at once);
//   - a voice that is stopped, cut off (position moved, buffer or device destroyed,
//     buffer lost) leaves a Tail: a copy of its playback state that fades out over
//     kFadeFrames output frames, while the voice itself is stopped at once;
//   - a voice that starts rises from silence over kRampFrames output frames (1 ms), so a
//     loop or sound whose first sample is far from zero does not click, while a one-shot's
//     attack stays sharp;
//   - the sum passes a peak limiter (kLimitCeiling, gain shared by both channels), so no
//     combination of voices clips, a lone voice below the ceiling is untouched and a
//     channel that is silent stays exactly silent.
//
// An output may leave out its pulls while the mix is idle (Idle): a Render then gives
// silence and changes nothing, so the sound is the same whether it runs or not. A start
// listener hears of every voice that starts, so that such an output resumes at once.
#pragma once

#include "platform/MixLoops.h"
#include "platform/Mixer.h"
#include "platform/WaveFormat.h"

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace vl::platform {

class MixerCore {
public:
    static constexpr uint32_t kFadeFrames = 64;              // ~1.3 ms at 48 kHz
    static constexpr uint32_t kRampFrames = 48;              // 1 ms at 48 kHz
    static constexpr float kLimitCeiling = kMixLimitCeiling; // see MixLoops.h
    static constexpr uint32_t kMaxBufferBytes = 0x0FFFFFFF;
    static constexpr size_t kMaxTails = 256; // beyond this a cut-off is abrupt

    explicit MixerCore(uint32_t outputRate);

    uint32_t OutputRate() const;
    void SetOutputRate(uint32_t rate);

    // Devices. RemoveDevice frees (and fades out) every buffer made on the device.
    uint32_t AddDevice();
    void RemoveDevice(uint32_t device);
    MixResult SetCooperativeLevel(uint32_t device, uint64_t window, uint32_t level);
    void SimulateBufferLoss(uint32_t device);

    // Buffers; on success *id is the new buffer's id, otherwise it is left alone.
    MixResult CreateBuffer(uint32_t device, std::span<const uint8_t> formatBlock, uint32_t bytes,
                           uint32_t* id);
    MixResult CreatePrimaryBuffer(uint32_t device, uint32_t* id);
    MixResult DuplicateBuffer(uint32_t device, uint32_t source, uint32_t* id);
    void RemoveBuffer(uint32_t id); // unknown ids are ignored

    uint32_t Length(uint32_t id) const;
    MixResult Lock(uint32_t id, uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1,
                   uint8_t** p2, uint32_t* n2);
    MixResult Unlock(uint32_t id);
    MixResult Play(uint32_t id, bool looping);
    MixResult Stop(uint32_t id);
    MixResult SetCurrentPosition(uint32_t id, uint32_t bytePos);
    MixResult GetCurrentPosition(uint32_t id, uint32_t* bytePos) const;
    MixResult SetFrequency(uint32_t id, uint32_t hz);
    MixResult SetPan(uint32_t id, int32_t pan);
    MixResult SetVolume(uint32_t id, int32_t volume);
    MixResult SetBus(uint32_t id, MixBus bus);
    // The listener's gains (see AudioBackend::SetBusGain); every voice's gains follow.
    void SetBusGain(MixBus bus, float gain);
    void SetReverseStereo(bool reverse);
    MixResult GetStatus(uint32_t id, uint32_t* status) const;
    uint32_t Frequency(uint32_t id) const;
    int32_t Pan(uint32_t id) const;
    int32_t Volume(uint32_t id) const;

    // Mixes `frames` interleaved stereo frames into `out` (overwriting it), limited to
    // [-kLimitCeiling, kLimitCeiling], and advances every sounding voice. Allocates nothing.
    void Render(float* out, uint32_t frames) noexcept;
    // The inner loops Render uses: BestMixLoops() unless told otherwise (tests, benchmarks).
    void UseLoops(const MixLoops& loops);
    // True when a Render now would give only silence and change nothing: no voice plays,
    // no cut-off is fading and the limiter is at rest. Skipped Renders then change nothing.
    bool Idle() const;
    // Called on the caller's thread, outside the mixer's lock, after a voice that was not
    // playing starts (the only way out of Idle); empty: nobody. Clearing it waits for a
    // call in progress, so that its target may go away afterwards.
    void SetStartListener(std::function<void()> listener);

private:
    // Samples of a buffer and of all its duplicates: the bytes as written through Lock and
    // their decoded floats (interleaved, `channels` per frame), refreshed at Unlock.
    struct SampleData {
        WaveFormat format;
        std::vector<uint8_t> bytes;
        std::vector<float> decoded;
        uint32_t frames = 0;
    };

    struct Voice {
        uint32_t device = 0;
        std::shared_ptr<SampleData> data; // null for the primary buffer
        uint64_t pos = 0;                 // frame position, 32.32 fixed point
        uint32_t ramp = 0;                // output frames left of the start's rise
        uint32_t frequency = 0;           // as set; 0 = the format's rate
        int32_t pan = 0;
        int32_t volume = 0;
        MixBus bus = MixBus::Effects;
        float gainL = 1.0f, gainR = 1.0f; // from pan, volume, bus and the listener's settings
        bool playing = false;
        bool looping = false;
        bool lost = false;
        bool locked = false;
    };

    // The last moments of a voice that was cut off, fading to silence.
    struct Tail {
        std::shared_ptr<SampleData> data;
        uint64_t pos = 0;
        uint64_t step = 0;
        float gainL = 0.0f, gainR = 0.0f;
        bool looping = false;
        uint32_t remaining = 0; // output frames left of the fade
    };

    struct Device {
        uint64_t window = 0;
        uint32_t level = 0;
    };

    // Looks up a buffer that calls may act on: kMixErrNotAllocated when unknown,
    // kMixErrBufferLost when lost. *v is set on success only.
    MixResult Find(uint32_t id, Voice** v);
    MixResult Find(uint32_t id, const Voice** v) const;
    uint32_t EffectiveRate(const Voice& v) const;
    uint64_t Step(const Voice& v) const;
    // Starts a fade-out copy of a sounding voice; the voice itself is untouched. Also drops
    // the tails that have finished, here on the caller's thread rather than in Render.
    void CutOff(const Voice& v);
    uint32_t NextId();
    void UpdateGains(Voice& v) const;
    // Keeps sounding_ holding every playing voice: called when `v` starts to play.
    void MarkSounding(uint32_t id, Voice& v);
    // Takes a voice that is about to be erased out of sounding_.
    void Forget(uint32_t id);

    mutable std::mutex mutex_;
    uint32_t outputRate_;
    uint32_t nextId_ = 1;
    std::map<uint32_t, Device> devices_;
    std::map<uint32_t, Voice> voices_; // ordered, so the mix order is deterministic
    // The voices Render visits, by id (the mix order): every playing voice, and voices that
    // stopped since the last Render, which drops them. A bank holds hundreds of buffers of
    // which a handful sound; Render walks only these. Map nodes never move, so the
    // pointers hold until the voice is erased (Forget).
    std::vector<std::pair<uint32_t, Voice*>> sounding_;
    const MixLoops* loops_;
    std::vector<Tail> tails_;
    std::array<float, kMixBusCount> busGain_{1.0f, 1.0f, 1.0f};
    bool reverse_ = false;
    float limitDepth_ = 0.0f;  // 1 - the limiter's gain, carried from one period to the next
    std::mutex listenerMutex_; // taken after mutex_ is released, never with it
    std::function<void()> startListener_; // guarded by listenerMutex_
};

} // namespace vl::platform
