// SPDX-License-Identifier: GPL-3.0-or-later
// DXSoundsMixer: thin wrappers over the platform mixer's device and buffers that keep
// the result of their last call, report lost buffers to their device, and turn calls on
// a buffer or device that does not exist into the sound errors.
//
// Index:
//   - TDirectX: the last result code
//   - TDirectSound: one mixer device and the buffer wrappers made on it
//   - TDirectSoundBuffer: one mixer buffer
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/Mixer.h"

namespace vl::sound {

// Keeps the result code of the last mixer call made through the wrapper.
class TDirectX {
public:
    virtual ~TDirectX() = default;
    platform::MixResult ErrorCode() const { return errorCode_; }

protected:
    void SetErrorCode(platform::MixResult code) { errorCode_ = code; }

private:
    platform::MixResult errorCode_ = platform::kMixOk;
};

class TDirectSoundBuffer;

// A mixer device. Its destructor takes the mixer buffer away from every buffer wrapper
// still made on it (those wrappers then report "IDirectSoundBuffer not made"), and
// closes the device, which frees every buffer the mixer still holds for it.
class TDirectSound : public TDirectX {
public:
    // Opens a device on `backend`. Throws EDirectSoundError("DirectSound cannot be
    // initialized") when the backend refuses (no output device, for example).
    explicit TDirectSound(platform::AudioBackend& backend);
    ~TDirectSound() override;
    TDirectSound(const TDirectSound&) = delete;
    TDirectSound& operator=(const TDirectSound&) = delete;

    // The mixer device; throws EDirectSoundError("IDirectSound not made") without one.
    platform::MixerDevice& IDSound() const;
    // Records and returns the mixer's answer; a refusal is not an error.
    platform::MixResult SetCooperativeLevel(uint64_t windowHandle, uint32_t level);
    // Buffer wrappers currently made on this device.
    size_t BufferCount() const { return buffers_.size(); }

protected:
    // A buffer call of this device met the lost-buffer code. The call itself has
    // already returned its result; nothing is retried.
    virtual void BufferLost() {}

private:
    friend class TDirectSoundBuffer;
    std::unique_ptr<platform::MixerDevice> device_;
    std::vector<TDirectSoundBuffer*> buffers_; // registered by the wrappers themselves
};

// One mixer buffer on a TDirectSound. A wrapper may exist without its mixer buffer
// (before CreateBuffer, after Release, or after its device has gone): every call that
// needs the buffer then throws EDirectSoundBufferError("IDirectSoundBuffer not made").
// Mixer failures of the other calls are recorded in ErrorCode() and otherwise ignored;
// the lost-buffer code additionally tells the device (TDirectSound::BufferLost).
class TDirectSoundBuffer : public TDirectX {
public:
    explicit TDirectSoundBuffer(TDirectSound& dsound);
    ~TDirectSoundBuffer() override;
    TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
    TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

    // The device wrapper, nullptr once it has been destroyed.
    TDirectSound* DSound() const { return dsound_; }
    bool Made() const { return buffer_ != nullptr; }
    // The mixer buffer itself (nullptr when not made): for tests and for calls that
    // must not count as the program's own (checking a copy without restoring).
    platform::MixerBuffer* IDSBuffer() const { return buffer_.get(); }

    // Drops the old mixer buffer and makes a new one of exactly `bytes` bytes in the
    // format of `formatBlock`. Returns false (and is not made) when the mixer refuses.
    bool CreateBuffer(std::span<const uint8_t> formatBlock, uint32_t bytes);
    // Drops the old mixer buffer and makes the device's primary buffer. False on failure.
    bool CreatePrimary();
    // Drops the old mixer buffer and makes a duplicate of `source` (same samples, own
    // position and settings). False on failure; a lost-buffer answer tells the device.
    // Throws "IDirectSoundBuffer not made" when `source` is not made.
    bool Duplicate(const TDirectSoundBuffer& source);
    // Drops the mixer buffer, which silences it.
    void Release() { buffer_.reset(); }

    // Locks [offset, offset + bytes): one or two regions. False when the mixer refuses.
    bool Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2,
              uint32_t* n2);
    void Unlock();
    void Play(bool looping);
    void Stop();
    void SetCurrentPosition(uint32_t position);
    // A negative rate is handed on as it is, so that the mixer rejects it.
    void SetFrequency(int32_t hz);
    void SetPan(int32_t pan);
    void SetVolume(int32_t volume);
    void SetBus(platform::MixBus bus);
    // The status bits (kMixStatusPlaying, kMixStatusLooping); 0 when the call failed.
    uint32_t Status();
    // Whether the buffer is sounding: the status has either bit (mask 5).
    bool Playing() {
        return (Status() & (platform::kMixStatusPlaying | platform::kMixStatusLooping)) != 0;
    }

private:
    friend class TDirectSound;
    platform::MixerBuffer& Need() const;
    // Records the result; the lost-buffer code tells the device. Must be the last thing
    // a call does, since the device's restore may replace this wrapper's mixer buffer.
    void Check(platform::MixResult result);

    TDirectSound* dsound_;
    std::unique_ptr<platform::MixerBuffer> buffer_;
};

} // namespace vl::sound
