// SPDX-License-Identifier: GPL-3.0-or-later
// DXSoundsMixer: the mixer device and buffer wrappers.
#include "sound/DXSoundsMixer.h"

#include <algorithm>

#include "sound/SoundErrors.h"

namespace vl::sound {

using platform::MixResult;

// --- TDirectSound ----------------------------------------------------------------------

TDirectSound::TDirectSound(platform::AudioBackend& backend) {
    const MixResult r = backend.CreateDevice(device_);
    SetErrorCode(r);
    if (!platform::MixSucceeded(r) || !device_) {
        device_.reset();
        throw EDirectSoundError(Format(kCannotInitialized, {kDirectSoundName}));
    }
}

TDirectSound::~TDirectSound() {
    // Wrappers outliving the device keep existing but lose their buffers, before the
    // mixer device frees what it still holds.
    for (TDirectSoundBuffer* b : buffers_) {
        b->buffer_.reset();
        b->dsound_ = nullptr;
    }
    buffers_.clear();
    device_.reset();
}

platform::MixerDevice& TDirectSound::IDSound() const {
    if (!device_) throw EDirectSoundError(Format(kNotMade, {kIDirectSoundName}));
    return *device_;
}

MixResult TDirectSound::SetCooperativeLevel(uint64_t windowHandle, uint32_t level) {
    const MixResult r = IDSound().SetCooperativeLevel(windowHandle, level);
    SetErrorCode(r);
    return r;
}

// --- TDirectSoundBuffer ----------------------------------------------------------------

TDirectSoundBuffer::TDirectSoundBuffer(TDirectSound& dsound) : dsound_(&dsound) {
    dsound.buffers_.push_back(this);
}

TDirectSoundBuffer::~TDirectSoundBuffer() {
    buffer_.reset();
    if (dsound_) {
        auto& list = dsound_->buffers_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

platform::MixerBuffer& TDirectSoundBuffer::Need() const {
    if (!buffer_) throw EDirectSoundBufferError(Format(kNotMade, {kIDirectSoundBufferName}));
    return *buffer_;
}

void TDirectSoundBuffer::Check(MixResult result) {
    SetErrorCode(result);
    if (result == platform::kMixErrBufferLost && dsound_) dsound_->BufferLost();
}

bool TDirectSoundBuffer::CreateBuffer(std::span<const uint8_t> formatBlock, uint32_t bytes) {
    buffer_.reset();
    if (!dsound_) throw EDirectSoundError(Format(kNotMade, {kIDirectSoundName}));
    const MixResult r = dsound_->IDSound().CreateBuffer(formatBlock, bytes, buffer_);
    SetErrorCode(r);
    if (!platform::MixSucceeded(r)) buffer_.reset();
    return buffer_ != nullptr;
}

bool TDirectSoundBuffer::CreatePrimary() {
    buffer_.reset();
    if (!dsound_) throw EDirectSoundError(Format(kNotMade, {kIDirectSoundName}));
    const MixResult r = dsound_->IDSound().CreatePrimaryBuffer(buffer_);
    SetErrorCode(r);
    if (!platform::MixSucceeded(r)) buffer_.reset();
    return buffer_ != nullptr;
}

bool TDirectSoundBuffer::Duplicate(const TDirectSoundBuffer& source) {
    buffer_.reset();
    if (!dsound_) throw EDirectSoundError(Format(kNotMade, {kIDirectSoundName}));
    const MixResult r = dsound_->IDSound().DuplicateBuffer(source.Need(), buffer_);
    if (!platform::MixSucceeded(r)) buffer_.reset();
    Check(r);
    return buffer_ != nullptr;
}

bool TDirectSoundBuffer::Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1,
                              uint8_t** p2, uint32_t* n2) {
    const MixResult r = Need().Lock(offset, bytes, p1, n1, p2, n2);
    const bool ok = platform::MixSucceeded(r);
    Check(r);
    return ok;
}

void TDirectSoundBuffer::Unlock() {
    Check(Need().Unlock());
}
void TDirectSoundBuffer::Play(bool looping) {
    Check(Need().Play(looping));
}
void TDirectSoundBuffer::Stop() {
    Check(Need().Stop());
}
void TDirectSoundBuffer::SetCurrentPosition(uint32_t position) {
    Check(Need().SetCurrentPosition(position));
}
void TDirectSoundBuffer::SetFrequency(int32_t hz) {
    Check(Need().SetFrequency(static_cast<uint32_t>(hz)));
}
void TDirectSoundBuffer::SetPan(int32_t pan) {
    Check(Need().SetPan(pan));
}
void TDirectSoundBuffer::SetVolume(int32_t volume) {
    Check(Need().SetVolume(volume));
}
void TDirectSoundBuffer::SetBus(platform::MixBus bus) {
    Check(Need().SetBus(bus));
}

uint32_t TDirectSoundBuffer::Status() {
    uint32_t status = 0;
    const MixResult r = Need().GetStatus(&status);
    if (!platform::MixSucceeded(r)) status = 0;
    Check(r);
    return status;
}

} // namespace vl::sound
