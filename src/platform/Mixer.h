// Mixer: our stand-in for the platform mixer that sound devices and banks play through.
//
// Index:
//   - result codes and status bits
//   - MixerBuffer: one buffer of samples with its own position, rate, pan and volume
//   - MixerDevice: the buffers of one sound device (one per window)
//   - AudioBackend: the program's audio output, which opens devices; SDL2 and offline
//
// Calls return result codes, never throw, and are safe to make from the program's
// thread while an audio thread pulls samples (the mixer core holds one lock). A buffer
// whose device has been destroyed answers every call with kMixErrNotAllocated.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace vl::platform {

class VirtualClock;

using MixResult = uint32_t;
inline constexpr MixResult kMixOk = 0;
inline constexpr MixResult kMixErrBufferLost = 0x88780096;   // the lost-buffer code
inline constexpr MixResult kMixErrInvalidParam = 0x80070057; // value out of range
inline constexpr MixResult kMixErrBadFormat = 0x88780064;    // unsupported wave format
inline constexpr MixResult kMixErrNotAllocated = 0x88780082; // device gone / no device
inline constexpr MixResult kMixErrGeneric = 0x80004005;
inline constexpr bool MixSucceeded(MixResult r) {
    return (r & 0x80000000u) == 0;
}

inline constexpr uint32_t kMixStatusPlaying = 1;
inline constexpr uint32_t kMixStatusLooping = 4;

// Accepted ranges; a value outside is rejected with kMixErrInvalidParam and the
// setting stays as it was. Frequency 0 means the wave's own rate.
inline constexpr uint32_t kMixMinFrequency = 100;
inline constexpr uint32_t kMixMaxFrequency = 200000;
inline constexpr int32_t kMixPanLeft = -10000, kMixPanRight = 10000;
inline constexpr int32_t kMixVolumeMin = -10000, kMixVolumeMax = 0;

class MixerCore; // shared state behind devices and buffers (Mixer.cpp)

class MixerBuffer {
public:
    ~MixerBuffer(); // releases the buffer; a sounding buffer falls silent
    MixerBuffer(const MixerBuffer&) = delete;
    MixerBuffer& operator=(const MixerBuffer&) = delete;

    uint32_t Length() const; // bytes

    // Lock [offset, offset + bytes) for writing; one or two regions whose lengths add up
    // to `bytes` (the second wraps to the start). *p2 = nullptr, *n2 = 0 when one.
    MixResult Lock(uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1, uint8_t** p2,
                   uint32_t* n2);
    MixResult Unlock();

    MixResult Play(bool looping); // from the current position
    MixResult Stop();             // halts; the position stays
    MixResult SetCurrentPosition(uint32_t bytePos);
    MixResult SetFrequency(uint32_t hz);         // 0 = the format's own rate
    MixResult SetPan(int32_t pan);               // hundredths of a dB, see kMixPan*
    MixResult SetVolume(int32_t volume);         // hundredths of a dB, see kMixVolume*
    MixResult GetStatus(uint32_t* status) const; // kMixStatusPlaying | kMixStatusLooping
    // The play position in bytes (a whole frame); at the end of a finished one-shot play
    // it is the length rounded down to whole frames.
    MixResult GetCurrentPosition(uint32_t* bytePos) const;

    uint32_t Frequency() const; // the effective rate in Hz (the format's when set to 0)
    int32_t Pan() const;
    int32_t Volume() const;

private:
    friend class MixerDevice;
    friend class MixerCore;
    MixerBuffer(std::shared_ptr<MixerCore> core, uint32_t id);
    std::shared_ptr<MixerCore> core_;
    uint32_t id_;
};

class MixerDevice {
public:
    ~MixerDevice(); // frees every buffer still made on this device
    MixerDevice(const MixerDevice&) = delete;
    MixerDevice& operator=(const MixerDevice&) = delete;

    // A buffer of exactly `bytes` bytes of silence in the format given by a wave-format
    // block (the raw bytes of a "fmt " chunk). PCM 8 (unsigned), 16, 24, 32 (signed),
    // 32-bit float, mono or stereo, also as WAVE_FORMAT_EXTENSIBLE with a PCM or float
    // subformat; anything else gives kMixErrBadFormat. bytes 0 gives kMixErrInvalidParam.
    MixResult CreateBuffer(std::span<const uint8_t> formatBlock, uint32_t bytes,
                           std::unique_ptr<MixerBuffer>& out);
    // The output's own buffer; it holds no samples (made so that a device can check it).
    MixResult CreatePrimaryBuffer(std::unique_ptr<MixerBuffer>& out);
    // A new buffer over the same samples with its own position, rate, pan and volume,
    // stopped at position 0 and with the source's rate, pan and volume.
    MixResult DuplicateBuffer(const MixerBuffer& source, std::unique_ptr<MixerBuffer>& out);
    // 1 = normal, 3 = exclusive. Accepted and remembered; every device is mixed.
    MixResult SetCooperativeLevel(uint64_t windowHandle, uint32_t level);

    // Test hook: from now on every buffer call of this device returns kMixErrBufferLost
    // until each buffer is made anew (CreateBuffer). Existing sounds stop.
    void SimulateBufferLoss();

private:
    friend class AudioBackend;
    explicit MixerDevice(std::shared_ptr<MixerCore> core, uint32_t id);
    std::shared_ptr<MixerCore> core_;
    uint32_t id_;
};

// The program's audio output: one mixer summing every device's sounding buffers into
// stereo at the output rate.
class AudioBackend {
public:
    virtual ~AudioBackend();
    // Opens a sound device on the default output; on failure `out` stays empty and
    // the result is a failure code (no output device, for example).
    virtual MixResult CreateDevice(std::unique_ptr<MixerDevice>& out);
    uint32_t OutputRate() const;
    // False when the backend has no output (CreateDevice then fails).
    virtual bool HasOutput() const { return true; }

protected:
    explicit AudioBackend(uint32_t outputRate);
    // Mixes the next `frames` stereo frames of every sounding buffer into `out`
    // (interleaved L R, float, clipped to [-1, 1]) and advances them. Never throws and
    // allocates nothing, so the audio thread may call it.
    void Render(float* out, uint32_t frames) noexcept;
    // The rate the output actually runs at, once it is known (SDL may give another).
    void SetOutputRate(uint32_t rate);
    std::shared_ptr<MixerCore> core_;
};

// Real-time output through an SDL2 audio device (asks for 512-frame periods at 48000 Hz
// and takes the rate, period and float or 16-bit samples SDL gives). Without an audio device
// (no sound card, SDL's "dummy" driver, which plays nothing, or an unknown driver) it has no
// output and CreateDevice fails with kMixErrNotAllocated; any other driver that opens ("disk"
// included) is an output.
class SdlAudioBackend final : public AudioBackend {
public:
    SdlAudioBackend();
    ~SdlAudioBackend() override;
    bool HasOutput() const override;
    uint32_t PeriodFrames() const;

private:
    static void Callback(void* self, uint8_t* stream, int len) noexcept;
    uint32_t sdlDevice_ = 0;
    uint32_t periodFrames_ = 0;
    bool floatOutput_ = true;
    bool sdlAudioInit_ = false;  // this object holds one reference on SDL's audio subsystem
    std::vector<float> scratch_; // the float mix of one period for 16-bit output
};

// Offline output: renders exactly the frames asked for, deterministically. Optionally
// keeps everything rendered for writing out as a WAV.
class OfflineAudioBackend final : public AudioBackend {
public:
    explicit OfflineAudioBackend(uint32_t outputRate = 48000);
    ~OfflineAudioBackend() override;
    // Renders `frames` frames; appended to the capture when capturing.
    std::vector<float> RenderFrames(uint32_t frames);
    // Renders up to virtual time `ms` (frames = ms * rate / 1000 counted from time 0,
    // the backend's creation). A time already rendered renders nothing.
    void RenderUntilMs(uint64_t ms);
    void SetCapture(bool on) { capture_ = on; }
    const std::vector<float>& Captured() const { return captured_; }
    uint64_t FramesRendered() const { return framesRendered_; }
    // Writes the capture as a 16-bit stereo PCM WAV at the output rate. Throws vl::Error
    // "Cannot create file "%s". %s" when the file cannot be written.
    void WriteCaptureWav(const std::string& path) const;
    // From now on every advance of `clock` renders the frames that fall in the time it
    // moved, so a sleep on the clock lets sounds play. The clock's present moment is
    // matched to the frames rendered so far. Harmless if the clock outlives the backend.
    void AttachClock(VirtualClock& clock);

private:
    struct ClockLink; // shared with the clock's listener; cut when the backend goes
    void RenderUntilFrame(uint64_t frame);
    bool capture_ = false;
    std::vector<float> captured_;
    std::vector<float> scratch_;
    uint64_t framesRendered_ = 0;
    std::shared_ptr<ClockLink> clockLink_;
};

} // namespace vl::platform
