// SPDX-License-Identifier: GPL-3.0-or-later
// Mixer: the device and buffer handles and the audio backend base, all over MixerCore.
#include "platform/Mixer.h"

#include "platform/MixerCore.h"

namespace vl::platform {

// --- MixerBuffer: every call is the core's, keyed by this buffer's id ----------------

MixerBuffer::MixerBuffer(std::shared_ptr<MixerCore> core, uint32_t id)
    : core_(std::move(core)), id_(id) {}

MixerBuffer::~MixerBuffer() {
    core_->RemoveBuffer(id_);
}

uint32_t MixerBuffer::Length() const {
    return core_->Length(id_);
}

MixResult MixerBuffer::Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1,
                            uint8_t** p2, uint32_t* n2) {
    return core_->Lock(id_, offset, bytes, p1, n1, p2, n2);
}

MixResult MixerBuffer::Unlock() {
    return core_->Unlock(id_);
}
MixResult MixerBuffer::Play(bool looping) {
    return core_->Play(id_, looping);
}
MixResult MixerBuffer::Stop() {
    return core_->Stop(id_);
}
MixResult MixerBuffer::SetCurrentPosition(uint32_t bytePos) {
    return core_->SetCurrentPosition(id_, bytePos);
}
MixResult MixerBuffer::SetFrequency(uint32_t hz) {
    return core_->SetFrequency(id_, hz);
}
MixResult MixerBuffer::SetPan(int32_t pan) {
    return core_->SetPan(id_, pan);
}
MixResult MixerBuffer::SetVolume(int32_t volume) {
    return core_->SetVolume(id_, volume);
}
MixResult MixerBuffer::SetBus(MixBus bus) {
    return core_->SetBus(id_, bus);
}
MixResult MixerBuffer::GetStatus(uint32_t* status) const {
    return core_->GetStatus(id_, status);
}
MixResult MixerBuffer::GetCurrentPosition(uint32_t* bytePos) const {
    return core_->GetCurrentPosition(id_, bytePos);
}
uint32_t MixerBuffer::Frequency() const {
    return core_->Frequency(id_);
}
int32_t MixerBuffer::Pan() const {
    return core_->Pan(id_);
}
int32_t MixerBuffer::Volume() const {
    return core_->Volume(id_);
}

// --- MixerDevice -------------------------------------------------------------------------

MixerDevice::MixerDevice(std::shared_ptr<MixerCore> core, uint32_t id)
    : core_(std::move(core)), id_(id) {}

MixerDevice::~MixerDevice() {
    core_->RemoveDevice(id_);
}

MixResult MixerDevice::CreateBuffer(std::span<const uint8_t> formatBlock, uint32_t bytes,
                                    std::unique_ptr<MixerBuffer>& out) {
    uint32_t id = 0;
    const MixResult r = core_->CreateBuffer(id_, formatBlock, bytes, &id);
    if (r != kMixOk) return r;
    // The constructor is private to keep handles tied to a core; hence no make_unique.
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): owned by `out` at once
    out.reset(new MixerBuffer(core_, id));
    return kMixOk;
}

MixResult MixerDevice::CreatePrimaryBuffer(std::unique_ptr<MixerBuffer>& out) {
    uint32_t id = 0;
    const MixResult r = core_->CreatePrimaryBuffer(id_, &id);
    if (r != kMixOk) return r;
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): owned by `out` at once
    out.reset(new MixerBuffer(core_, id));
    return kMixOk;
}

MixResult MixerDevice::DuplicateBuffer(const MixerBuffer& source,
                                       std::unique_ptr<MixerBuffer>& out) {
    // A buffer of another backend's mixer cannot share samples with this one.
    if (source.core_ != core_) return kMixErrInvalidParam;
    uint32_t id = 0;
    const MixResult r = core_->DuplicateBuffer(id_, source.id_, &id);
    if (r != kMixOk) return r;
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): owned by `out` at once
    out.reset(new MixerBuffer(core_, id));
    return kMixOk;
}

MixResult MixerDevice::SetCooperativeLevel(uint64_t windowHandle, uint32_t level) {
    return core_->SetCooperativeLevel(id_, windowHandle, level);
}

void MixerDevice::SimulateBufferLoss() {
    core_->SimulateBufferLoss(id_);
}

// --- AudioBackend ----------------------------------------------------------------------

AudioBackend::AudioBackend(uint32_t outputRate) : core_(std::make_shared<MixerCore>(outputRate)) {}

AudioBackend::~AudioBackend() = default;

MixResult AudioBackend::CreateDevice(std::unique_ptr<MixerDevice>& out) {
    out.reset();
    if (!HasOutput()) return kMixErrNotAllocated;
    // NOLINTNEXTLINE(cppcoreguidelines-owning-memory): private constructor, owned at once
    out.reset(new MixerDevice(core_, core_->AddDevice()));
    return kMixOk;
}

uint32_t AudioBackend::OutputRate() const {
    return core_->OutputRate();
}

void AudioBackend::SetBusGain(MixBus bus, float gain) {
    core_->SetBusGain(bus, gain);
}

void AudioBackend::SetReverseStereo(bool reverse) {
    core_->SetReverseStereo(reverse);
}

void AudioBackend::UseMixLoops(const MixLoops& loops) {
    core_->UseLoops(loops);
}

void AudioBackend::Render(float* out, uint32_t frames) noexcept {
    core_->Render(out, frames);
}

bool AudioBackend::MixIdle() const {
    return core_->Idle();
}

void AudioBackend::SetStartListener(std::function<void()> listener) {
    core_->SetStartListener(std::move(listener));
}

void AudioBackend::SetOutputRate(uint32_t rate) {
    core_->SetOutputRate(rate);
}

// --- supervision of the output device ----------------------------------------------------

bool AudioBackend::StartOutput(uint64_t nowMs, uint32_t retryMs) {
    retryMs_ = retryMs;
    AttemptOutput(nowMs);
    return outputRunning_.load();
}

void AudioBackend::SuperviseOutput(uint64_t nowMs) {
    if (outputRunning_.load()) {
        if (!OutputGone(nowMs)) return;
        CloseOutput();
        outputRunning_ = false;
        // The system routes to another device at once, as a rule: try it now.
        retryMs_ = kRetryAfterLossMs;
        nextAttemptMs_ = nowMs;
    }
    if (nowMs >= nextAttemptMs_) AttemptOutput(nowMs);
}

void AudioBackend::AttemptOutput(uint64_t nowMs) {
    if (OpenOutput()) {
        outputRunning_ = true;
        ++outputOpenings_;
        return;
    }
    nextAttemptMs_ = nowMs + retryMs_;
}

} // namespace vl::platform
