// SPDX-License-Identifier: GPL-3.0-or-later
// Mixer: our stand-in for the platform mixer that sound devices and banks play through.
//
// Index:
//   - result codes and status bits
//   - MixerBuffer: one buffer of samples with its own position, rate, pan and volume
//   - MixerDevice: the buffers of one sound device (one per window)
//   - AudioBackend: the program's audio output, which opens devices, and the supervision
//     of its output device (loss, reopening, the mixer's own time while none pulls)
//   - SdlAudioBackend, OfflineAudioBackend: the real-time and the rendering output
//
// Calls return result codes, never throw, and are safe to make from the program's
// thread while an audio thread pulls samples (the mixer core holds one lock). A buffer
// whose device has been destroyed answers every call with kMixErrNotAllocated.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

union SDL_Event;

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

// What a sound is, for the listener's volumes: spoken words, one-shot effects, continuous
// sounds (loops and the echoes' grains). Each kind has a gain of its own (the user's
// volumes); a buffer is Effects until told otherwise.
enum class MixBus : uint8_t { Speech, Effects, Continuous };
inline constexpr size_t kMixBusCount = 3;
inline constexpr int32_t kMixVolumeMin = -10000, kMixVolumeMax = 0;

class MixerCore; // shared state behind devices and buffers (Mixer.cpp)
struct MixLoops; // the mix's inner loops (MixLoops.h)

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
    MixResult SetBus(MixBus bus);                // whose gain it sounds at
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
// stereo at the output rate, played through an output device that may come and go.
//
// Supervision of the output device: a device that is lost (removed, or no longer pulling)
// is closed and the default output is reopened at once, then every kRetryAfterLossMs while
// none opens; at a start without any device, every kRetryAtStartMs. Mixer devices and
// buffers never notice: while no output device pulls, the mixer keeps its own time, so
// voices go on where they would be and one-shots end on time; a reopened output carries on
// from there. The device operations are the backend's own (OpenOutput, CloseOutput,
// OutputGone); the defaults stand for a device that is always there.
class AudioBackend {
public:
    static constexpr uint32_t kRetryAfterLossMs = 1000;
    static constexpr uint32_t kRetryAtStartMs = 3000;

    virtual ~AudioBackend();
    // Opens a sound device on the default output; on failure `out` stays empty and
    // the result is a failure code (no output on purpose, for example). A device opens
    // while the output device is lost or not there yet: it is heard once one is.
    virtual MixResult CreateDevice(std::unique_ptr<MixerDevice>& out);
    uint32_t OutputRate() const;
    // False when the backend has no output on purpose (CreateDevice then fails).
    virtual bool HasOutput() const { return true; }
    // Whether an output device is open now (false while it is lost or before one appeared).
    bool OutputRunning() const { return outputRunning_.load(); }
    // The listener's gains, linear, 0..1: each kind of sound's (SetBusGain), and whether
    // the two channels are swapped (headphones worn the other way round). Taken at once by
    // every buffer, sounding ones included.
    void SetBusGain(MixBus bus, float gain);
    void SetReverseStereo(bool reverse);
    // How often an output device has been opened, the first time included.
    uint32_t OutputOpenings() const { return outputOpenings_.load(); }
    // The mix's inner loops (BestMixLoops() unless told): tests and benchmarks compare.
    void UseMixLoops(const MixLoops& loops);

    // Device faults made to order, for tests and the simulator: the output device goes
    // away and no device can be opened until SimulateOutputReturn; then a device is there
    // again and the next attempt (at most kRetryAfterLossMs later) opens it. Called one
    // right after the other, they stand for a device replaced by another. The defaults do
    // nothing.
    virtual void SimulateOutputLoss() {}
    virtual void SimulateOutputReturn() {}

protected:
    explicit AudioBackend(uint32_t outputRate);
    // Mixes the next `frames` stereo frames of every sounding buffer into `out`
    // (interleaved L R, float, clipped to [-1, 1]) and advances them. Never throws and
    // allocates nothing, so the audio thread may call it.
    void Render(float* out, uint32_t frames) noexcept;
    // Whether a Render now would give only silence and change nothing (MixerCore::Idle).
    bool MixIdle() const;
    // Called after a voice starts to play, outside the mixer's lock (empty: nobody).
    void SetStartListener(std::function<void()> listener);
    // The rate the output actually runs at, once it is known (SDL may give another).
    void SetOutputRate(uint32_t rate);

    // --- the output device, as the supervision drives it ---------------------------------
    // Opens the default output device; false when none opens.
    virtual bool OpenOutput() { return true; }
    // Closes the device OpenOutput opened.
    virtual void CloseOutput() {}
    // Whether the open device is lost (removed, or it stopped pulling) at time `nowMs`.
    virtual bool OutputGone(uint64_t /*nowMs*/) { return false; }
    // The first attempt, at `nowMs`: true when a device opened; otherwise the next comes
    // `retryMs` later, and so on until one opens.
    bool StartOutput(uint64_t nowMs, uint32_t retryMs = kRetryAtStartMs);
    // One step of the supervision at `nowMs`, from one thread only (after StartOutput): a
    // lost device is closed and the default output tried at once; a due attempt is made.
    void SuperviseOutput(uint64_t nowMs);
    // When the next attempt is due while no device is open.
    uint64_t NextOutputAttemptMs() const { return nextAttemptMs_; }

    std::shared_ptr<MixerCore> core_;

private:
    void AttemptOutput(uint64_t nowMs);
    std::atomic<bool> outputRunning_{false};
    std::atomic<uint32_t> outputOpenings_{0};
    uint64_t nextAttemptMs_ = 0;
    uint32_t retryMs_ = kRetryAtStartMs;
};

// What an SdlAudioBackend is told at its creation; the defaults are the program's.
struct SdlAudioOptions {
    // Where the silent start is told, once; empty: standard error.
    std::function<void(std::string_view)> notice;
    // Fault seam: start as though no output device were there (SimulateOutputReturn lets
    // one appear).
    bool startWithoutDevice = false;
    uint32_t retryAtStartMs = AudioBackend::kRetryAtStartMs;
    // The watchdog's least time without a callback (it is kWatchdogPeriods periods if
    // longer). A busy or virtual machine can hold the audio thread back for over 100 ms;
    // a reopen then only adds a gap, so a silent device counts as lost after 400 ms.
    uint32_t watchdogMinMs = 400;
    // How long a new stream may take to start pulling: a sound server fills its own
    // buffer first (PulseAudio's idle sink plays its first block for up to 2 s), so until
    // the device has pulled half a second of sound only this long a silence is a loss.
    uint32_t startGraceMs = 3000;
    // The longest rest of the callback while the mix is idle, and the supervisor's looks
    // meanwhile.
    uint32_t restMs = 250;
};

// The silent start's message.
inline constexpr std::string_view kNoAudioOutputMessage =
    "No audio output device is available; running without sound.";

// Real-time output through an SDL2 audio device (asks for short periods at 48000 Hz
// and takes the rate, period and float or 16-bit samples SDL gives). SDL's "dummy" driver
// plays nothing: then the backend has no output on purpose and CreateDevice fails with
// kMixErrNotAllocated. With any other driver ("disk" included) it is an output even while
// no device opens: at a start without one it says kNoAudioOutputMessage once and a
// supervising thread keeps trying. That thread also notices a lost device — SDL's
// removal event, a stopped device, or no callback for kWatchdogPeriods periods once the
// stream has started — and reopens the default output, and it advances the mixer by the
// real clock whenever the device has not pulled for a while. Once the mix has been idle for
// kRestAfterMs the callback rests instead of mixing silence, up to restMs at a time, and
// resumes as soon as a voice starts: an idle program (a menu that has said its item) then
// wakes a few times a second instead of every period. The stream stays open meanwhile, so
// the system keeps its output awake; what the device plays is silence either way. Only on
// drivers that take such a pause quietly (PulseAudio, the disk driver, WASAPI). SDL's audio
// subsystem is stopped after a failed attempt and started afresh at the next (a restarted sound
// server is reached only by a new connection), and never on a PulseAudio server without outputs,
// where SDL's driver would crash the process (PulseCheck).
class SdlAudioBackend final : public AudioBackend {
public:
    static constexpr uint32_t kWatchdogPeriods = 10; // no callback this long: lost
    static constexpr uint32_t kStallPeriods = 3;     // no callback this long: mixer self-timed
    // The supervisor's looks at a pulling device: a stall or a silent loss is found this much
    // later at most, and a match (whose callback never rests) pays its wake-ups.
    static constexpr uint32_t kRunningLookMs = 200;
    static constexpr uint32_t kRestAfterMs = 100; // idle this long (the device's buffers silent)

    explicit SdlAudioBackend(SdlAudioOptions options = {});
    ~SdlAudioBackend() override;
    SdlAudioBackend(const SdlAudioBackend&) = delete;
    SdlAudioBackend& operator=(const SdlAudioBackend&) = delete;
    bool HasOutput() const override { return supervised_; }
    uint32_t PeriodFrames() const { return periodFrames_.load(); }
    // The SDL device open now (0: none); for tests, which pause it to stop its callbacks.
    uint32_t SdlDevice() const { return sdlDevice_.load(); }
    // Periods the device's callback has mixed so far.
    uint64_t PeriodsPulled() const { return pulls_.load(); }
    // The fault seam: SDL's removal event for the open device, then no device can be
    // opened until SimulateOutputReturn.
    void SimulateOutputLoss() override;
    void SimulateOutputReturn() override { simulatedAbsent_ = false; }

private:
    bool OpenOutput() override;
    void CloseOutput() override;
    bool OutputGone(uint64_t nowMs) override;
    static void Callback(void* self, uint8_t* stream, int len) noexcept;
    static int EventWatch(void* self, SDL_Event* event) noexcept;
    void RestWhileIdle(); // the callback's: returns at once unless the mix has been idle
    void WakeFromRest();  // a voice started, or the device is closing
    void Supervise();     // the supervising thread
    void KeepMixerTime(uint64_t nowNs); // renders the time no device has pulled
    uint64_t NowNs() const;
    uint64_t PeriodNs() const;
    void QuietAlsa(bool quiet); // ALSA's messages off (true) or back on
    // Starts SDL's audio subsystem unless a trial start in a child process died or hung.
    bool StartSdlAudio();

    SdlAudioOptions options_;
    std::chrono::steady_clock::time_point origin_ = std::chrono::steady_clock::now();
    std::atomic<uint32_t> sdlDevice_{0};
    std::atomic<uint32_t> removedDevice_{0}; // the last removal SDL reported
    std::atomic<uint32_t> periodFrames_{0};
    std::atomic<uint64_t> pulls_{0};
    std::atomic<uint64_t> pullsAtOpen_{0}; // pulls_ when the open device was opened
    std::atomic<bool> simulatedAbsent_{false};
    bool floatOutput_ = true;
    bool supervised_ = false;      // not the dummy driver: the output is looked after
    bool sdlAudioInit_ = false;    // this object holds one reference on SDL's audio subsystem
    bool sdlEventsInit_ = false;   // and one on its events, which bring the removal
    bool failedSinceOpen_ = false; // the last attempt at opening failed
    void* alsaLib_ = nullptr;      // our reference on ALSA's library, once we quieted it
    bool alsaQuiet_ = false;
    std::vector<float> scratch_; // the float mix of one period for 16-bit output

    // The mixer's time: up to when it has been mixed, by the callback or KeepMixerTime.
    std::mutex pullMutex_;
    uint64_t mixedUntilNs_ = 0;      // guarded by pullMutex_
    uint64_t lastCallbackNs_ = 0;    // guarded by pullMutex_; the watchdog's
    std::vector<float> idleScratch_; // KeepMixerTime's, discarded

    // The callback's rest while the mix is idle.
    std::mutex restMutex_;
    std::condition_variable restCv_;
    bool wake_ = false;    // guarded by restMutex_: a voice started
    bool closing_ = false; // guarded by restMutex_: the device is being closed
    std::atomic<bool> resting_{false};
    std::atomic<bool> mayRest_{false}; // the open device's driver takes a rest quietly
    uint32_t idlePulls_ = 0;           // the callback's own: idle periods in a row

    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    bool stop_ = false; // guarded by stopMutex_
    std::thread supervisor_;
};

// Offline output: renders exactly the frames asked for, deterministically. Optionally
// keeps everything rendered for writing out as a WAV. Its simulated output device is
// there from the start; while it is lost the mixer renders on and the output is silence
// (the capture holds zeros), and the reopening attempts fall on the frames of their times.
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
    // Called with every stretch of frames as it is rendered (2 floats a frame, the first
    // frame's number counted from the backend's creation), captured or not: a writer that
    // streams the sound out instead of holding it.
    using Sink = std::function<void(std::span<const float> samples, uint64_t firstFrame)>;
    void SetSink(Sink sink) { sink_ = std::move(sink); }
    const std::vector<float>& Captured() const { return captured_; }
    uint64_t FramesRendered() const { return framesRendered_; }
    // Writes the capture as a 16-bit stereo PCM WAV at the output rate. Throws vl::Error
    // "Cannot create file "%s". %s" when the file cannot be written.
    void WriteCaptureWav(const std::string& path) const;
    // From now on every advance of `clock` renders the frames that fall in the time it
    // moved, so a sleep on the clock lets sounds play. The clock's present moment is
    // matched to the frames rendered so far. Harmless if the clock outlives the backend.
    void AttachClock(VirtualClock& clock);
    // The loss is noticed when the next frame is rendered.
    void SimulateOutputLoss() override;
    void SimulateOutputReturn() override { deviceAbsent_ = false; }

private:
    struct ClockLink; // shared with the clock's listener; cut when the backend goes
    bool OpenOutput() override { return !deviceAbsent_; }
    void CloseOutput() override { deviceGone_ = false; }
    bool OutputGone(uint64_t /*nowMs*/) override { return deviceGone_; }
    void RenderUntilFrame(uint64_t frame);
    // Renders frames up to `frame` into `out` (2 floats a frame), supervising the output
    // at each attempt's frame; silence while no device is open.
    void RenderInto(float* out, uint64_t frame);
    bool capture_ = false;
    bool deviceAbsent_ = false;
    bool deviceGone_ = false;
    std::vector<float> captured_;
    Sink sink_;
    std::vector<float> scratch_;
    uint64_t framesRendered_ = 0;
    std::shared_ptr<ClockLink> clockLink_;
};

} // namespace vl::platform
