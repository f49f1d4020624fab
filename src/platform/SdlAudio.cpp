// SPDX-License-Identifier: GPL-3.0-or-later
// SdlAudio: the real-time output, an SDL2 audio device pulling periods from the mixer,
// and the thread that looks after it (loss, reopening, the mixer's time without a device).
//
// Index:
//   - construction: SDL's subsystems, the first attempt, the silent start's message
//   - the device: opening, closing, noticing a loss
//   - the supervising thread and the mixer's own time
//   - the callback and its rest while the mix is idle
#include "platform/Mixer.h"
#include "platform/PulseCheck.h"

#include <SDL.h>
#ifndef _WIN32
#include <dlfcn.h>
#endif
#ifdef __linux__
#include <pthread.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace vl::platform {

namespace {

constexpr int kWantedRate = 48000;
// The period asked of SDL: 256 frames, 5.3 ms at 48 kHz, so a sound starts within a few ms
// of its frame. (SDL's PulseAudio driver stalls on periods that are not a power of two.)
constexpr Uint16 kWantedPeriod = 256;
// Through PulseAudio SDL asks for a server buffer of one period, which a busy machine
// cannot keep filled (underruns several times a minute at 256 frames); the server's
// buffer is given its own length instead, unless the user has chosen one: libpulse takes
// it from PULSE_LATENCY_MSEC. With 12 ms a busy machine underran twice in a minute of play,
// as with the 512-frame periods before (docs/performance.md).
constexpr const char* kPulseLatencyMs = "12";
constexpr uint32_t kIdleRenderFrames = 4096; // KeepMixerTime renders in pieces this long
// A new stream has started once it has pulled this much sound: until then the server may
// still be filling its own buffer and starting its sink (PulseAudio's idle null sink takes
// its first pulls and then waits 2 s).
constexpr uint64_t kStartedAfterNs = 500'000'000;

#ifndef _WIN32
// ALSA's error handler, kept quiet. The library calls it with printf-style arguments.
// NOLINTNEXTLINE(cert-dcl50-cpp): the signature is the library's
void QuietAlsaHandler(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                      const char* /*fmt*/, ...) {}
#endif

// The drivers on which a resting callback is a plain pause in the stream: the server or
// the system mixer plays silence meanwhile and carries on quietly (SDL's ALSA driver reports
// each resumption on standard error and a card may click; PipeWire's runs the callback on
// its own processing thread).
bool DriverMayRest() {
    const char* driver = SDL_GetCurrentAudioDriver();
    if (driver == nullptr) return false;
    for (const char* name : {"pulseaudio", "disk", "wasapi"})
        if (SDL_strcasecmp(driver, name) == 0) return true;
    return false;
}

bool DummyDriver() {
    const char* driver = SDL_GetCurrentAudioDriver();
    return driver != nullptr && SDL_strcasecmp(driver, "dummy") == 0;
}

} // namespace

// --- construction ----------------------------------------------------------------------

SdlAudioBackend::SdlAudioBackend(SdlAudioOptions options)
    : AudioBackend(kWantedRate), options_(std::move(options)) {
#ifndef _WIN32
    setenv("PULSE_LATENCY_MSEC", kPulseLatencyMs, 0); // before any thread of ours reads it
#endif
    sdlEventsInit_ = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
    sdlAudioInit_ = StartSdlAudio();
    // SDL's "dummy" driver plays nothing on purpose: the sound devices stay closed and
    // the program runs silent without a word, as it was asked to.
    if (sdlAudioInit_ && DummyDriver()) return;
    supervised_ = true;
    SetStartListener([this] { WakeFromRest(); });
    if (sdlEventsInit_) SDL_AddEventWatch(&SdlAudioBackend::EventWatch, this);
    simulatedAbsent_ = options_.startWithoutDevice;
    // ALSA explains on standard error why a machine without a sound card has no output;
    // that is no news to the user, who is told once below. Its messages come back as soon
    // as a device opens.
    QuietAlsa(true);
    if (!StartOutput(0, options_.retryAtStartMs)) {
        const std::string_view text = kNoAudioOutputMessage;
        if (options_.notice)
            options_.notice(text);
        else
            std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    }
    supervisor_ = std::thread([this] { Supervise(); });
}

SdlAudioBackend::~SdlAudioBackend() {
    SetStartListener({}); // buffers may outlive this object and start voices
    if (supervisor_.joinable()) {
        {
            std::lock_guard lock(stopMutex_);
            stop_ = true;
        }
        stopCv_.notify_all();
        supervisor_.join();
    }
    if (supervised_ && sdlEventsInit_) SDL_DelEventWatch(&SdlAudioBackend::EventWatch, this);
    // Close before the members the callback uses go away; SDL waits for a running callback.
    if (OutputRunning()) CloseOutput();
    if (sdlAudioInit_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    if (sdlEventsInit_) SDL_QuitSubSystem(SDL_INIT_EVENTS);
    if (alsaLib_ != nullptr) {
        if (alsaQuiet_) QuietAlsa(false);
#ifndef _WIN32
        dlclose(alsaLib_);
#endif
    }
}

void SdlAudioBackend::SimulateOutputLoss() {
    simulatedAbsent_ = true;
    const uint32_t dev = sdlDevice_.load();
    if (dev == 0 || !sdlEventsInit_) return;
    // The event SDL sends when the device is pulled out, through the same watch.
    SDL_Event ev{};
    ev.type = SDL_AUDIODEVICEREMOVED;
    ev.adevice.which = dev;
    ev.adevice.iscapture = 0;
    SDL_PushEvent(&ev);
}

// --- the device ------------------------------------------------------------------------

bool SdlAudioBackend::OpenOutput() {
    if (simulatedAbsent_) return false;
    if (!sdlAudioInit_) sdlAudioInit_ = StartSdlAudio();
    // ALSA explains every failed open on standard error; after the first of a row, the
    // retries stay quiet.
    if (failedSinceOpen_ && !alsaQuiet_) QuietAlsa(true);
    failedSinceOpen_ = true;
    if (!sdlAudioInit_ || DummyDriver()) return false;

    SDL_AudioSpec want{};
    want.freq = kWantedRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = kWantedPeriod;
    want.callback = &SdlAudioBackend::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    // Rate and sample format may differ (the callback converts); SDL keeps stereo for us.
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(
        nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE);
    if (dev != 0 && have.format != AUDIO_F32SYS && have.format != AUDIO_S16SYS) {
        // A sample format we do not write: let SDL convert from float instead.
        SDL_CloseAudioDevice(dev);
        dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    }
    if (dev != 0 && (have.freq <= 0 || have.channels != 2)) {
        SDL_CloseAudioDevice(dev);
        dev = 0;
    }
    if (dev == 0) {
        // SDL's audio subsystem is stopped at once and started afresh at the next attempt:
        // a restarted sound server is reached only by a new connection, and a server left
        // without outputs must not be listened to meanwhile (see PulseCheck).
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        sdlAudioInit_ = false;
        return false;
    }
    failedSinceOpen_ = false;
    if (alsaQuiet_) QuietAlsa(false); // the open device's own troubles are worth hearing
    floatOutput_ = have.format == AUDIO_F32SYS;
    mayRest_ = DriverMayRest();
    periodFrames_ = have.samples;
    pullsAtOpen_ = pulls_.load();
    // FIXME: a new device at another rate changes every voice's step at once; the voices'
    // positions stay right, only a period may be mixed at the old rate.
    SetOutputRate(static_cast<uint32_t>(have.freq));
    // Sized for the period SDL announced; a larger request is served in pieces.
    scratch_.assign(2 * static_cast<size_t>(std::max<uint32_t>(have.samples, kWantedPeriod)), 0.0f);
    {
        // The mixer has kept its time up to now; the device carries on from here.
        std::lock_guard lock(pullMutex_);
        mixedUntilNs_ = lastCallbackNs_ = NowNs();
    }
    // SDL hands out the numbers of closed devices again: a removal it reported for the
    // old device is not this one's.
    removedDevice_ = 0;
    sdlDevice_ = dev;
    SDL_PauseAudioDevice(dev, 0);
    return true;
}

void SdlAudioBackend::CloseOutput() {
    const uint32_t dev = sdlDevice_.exchange(0);
    if (dev == 0) return;
    // SDL waits for its audio thread here, so a resting callback is ended first.
    {
        std::lock_guard lock(restMutex_);
        closing_ = true;
    }
    restCv_.notify_all();
    // FIXME: a driver that never returns from a write would hold the supervising thread
    // with it.
    SDL_CloseAudioDevice(dev);
    std::lock_guard lock(restMutex_);
    closing_ = false;
}

bool SdlAudioBackend::OutputGone(uint64_t /*nowMs*/) {
    const uint32_t dev = sdlDevice_.load();
    if (dev == 0) return true;
    // SDL goes on calling a removed device's callback with nowhere to play, so the
    // removal itself (its event, the device's stopped state) is what tells.
    if (removedDevice_.load() == dev || SDL_GetAudioDeviceStatus(dev) == SDL_AUDIO_STOPPED)
        return true;
    // A stream that has not started yet waits for its server; one that has, answers.
    const bool started = (pulls_.load() - pullsAtOpen_.load()) * PeriodNs() >= kStartedAfterNs;
    // A resting callback is ours, waiting for a sound; the device is looked at again after.
    if (resting_.load()) return false;
    const uint64_t watchdog = std::max<uint64_t>(
        kWatchdogPeriods * PeriodNs(),
        uint64_t{started ? options_.watchdogMinMs : options_.startGraceMs} * 1'000'000ULL);
    std::lock_guard lock(pullMutex_);
    return NowNs() > lastCallbackNs_ + watchdog;
}

void SdlAudioBackend::QuietAlsa([[maybe_unused]] bool quiet) {
#ifndef _WIN32
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    using SetHandler = int (*)(Handler);
    // Our own reference keeps the library, and the handler set in it, while SDL loads and
    // unloads it with its audio subsystem.
    if (alsaLib_ == nullptr) alsaLib_ = dlopen("libasound.so.2", RTLD_LAZY | RTLD_LOCAL);
    if (alsaLib_ == nullptr) return;
    // NOLINTNEXTLINE(cppcoreguidelines-pro-type-reinterpret-cast): how dlsym is used
    const auto set = reinterpret_cast<SetHandler>(dlsym(alsaLib_, "snd_lib_error_set_handler"));
    if (set == nullptr) return;
    set(quiet ? &QuietAlsaHandler : nullptr); // null: ALSA's own, to standard error
    alsaQuiet_ = quiet;
#endif
}

bool SdlAudioBackend::StartSdlAudio() {
    if (SdlMayUsePulse() && AskPulseServer() == PulseOutputs::Missing) return false;
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

int SdlAudioBackend::EventWatch(void* self, SDL_Event* event) noexcept {
    if (event->type == SDL_AUDIODEVICEREMOVED && event->adevice.iscapture == 0) {
        auto& b = *static_cast<SdlAudioBackend*>(self);
        b.removedDevice_ = event->adevice.which;
        // Through the mutex, so that the supervising thread cannot be between its look at
        // the removal and its wait: it replaces the device now, not a look later.
        { const std::lock_guard lock(b.stopMutex_); }
        b.stopCv_.notify_one();
    }
    return 1;
}

// --- the supervising thread and the mixer's own time ----------------------------------

uint64_t SdlAudioBackend::NowNs() const {
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now() - origin_)
                                     .count());
}

uint64_t SdlAudioBackend::PeriodNs() const {
    // Before any device opened: the period asked for.
    const uint32_t got = periodFrames_.load();
    const uint32_t frames = got != 0 ? got : kWantedPeriod;
    return uint64_t{frames} * 1'000'000'000 / OutputRate();
}

void SdlAudioBackend::Supervise() {
#ifdef __linux__
    // Named, so that a profile or /proc tells its share from the main thread's.
    pthread_setname_np(pthread_self(), "vl-audio-watch");
#endif
    std::unique_lock lock(stopMutex_);
    for (;;) {
        // While a device pulls, a look every kRunningLookMs (at least kStallPeriods
        // periods): a device that stops without a word is then found up to that much after
        // its watchdog, and each wake-up costs (the removal event wakes this thread at
        // once). Without a device, every half period, so that a play with wait on a dead
        // device ends well within a period of its sound's end.
        // A resting callback has nothing to look at: as seldom as it wakes.
        const uint64_t lookMs = resting_.load() ? options_.restMs : kRunningLookMs;
        const auto tick = std::chrono::nanoseconds(
            OutputRunning() ? std::max<uint64_t>(kStallPeriods * PeriodNs(), lookMs * 1'000'000)
                            : PeriodNs() / 2);
        stopCv_.wait_for(lock, tick, [this] {
            const uint32_t removed = removedDevice_.load();
            return stop_ || (removed != 0 && removed == sdlDevice_.load());
        });
        if (stop_) return;
        lock.unlock();
        const uint64_t now = NowNs();
        SuperviseOutput(now / 1'000'000);
        KeepMixerTime(NowNs());
        lock.lock();
    }
}

void SdlAudioBackend::KeepMixerTime(uint64_t nowNs) {
    std::lock_guard lock(pullMutex_);
    // While the callback rests the mix is idle: there is nothing to advance.
    if (resting_.load()) {
        mixedUntilNs_ = nowNs;
        return;
    }
    // A device that pulls keeps the time itself; a little lateness of its callback is
    // not a reason to mix ahead of it.
    const uint64_t slack = OutputRunning() ? kStallPeriods * PeriodNs() : 0;
    if (nowNs <= mixedUntilNs_ + slack) return;
    const uint64_t rate = OutputRate();
    uint64_t frames = (nowNs - mixedUntilNs_) * rate / 1'000'000'000;
    mixedUntilNs_ += frames * 1'000'000'000 / rate;
    idleScratch_.resize(2 * size_t{kIdleRenderFrames});
    while (frames > 0) {
        const auto n = static_cast<uint32_t>(std::min<uint64_t>(frames, kIdleRenderFrames));
        Render(idleScratch_.data(), n);
        frames -= n;
    }
}

// --- the callback ----------------------------------------------------------------------

void SdlAudioBackend::RestWhileIdle() {
    {
        // A voice that starts from here on ends the rest below, or prevents it.
        std::lock_guard lock(restMutex_);
        wake_ = false;
    }
    if (!mayRest_.load() || !MixIdle()) {
        idlePulls_ = 0;
        return;
    }
    // Only after a stretch of silence, so that the device's own buffers hold nothing else
    // (a driver may play them again while it waits) and the pauses between words go on.
    if (uint64_t{++idlePulls_} * PeriodNs() < uint64_t{kRestAfterMs} * 1'000'000) return;
    {
        std::unique_lock lock(restMutex_);
        resting_ = true;
        restCv_.wait_for(lock, std::chrono::milliseconds(options_.restMs),
                         [this] { return wake_ || closing_; });
    }
    {
        // The watchdog counts from the rest's end.
        std::lock_guard lock(pullMutex_);
        lastCallbackNs_ = NowNs();
    }
    resting_ = false;
}

void SdlAudioBackend::WakeFromRest() {
    {
        std::lock_guard lock(restMutex_);
        wake_ = true;
    }
    restCv_.notify_one();
}

void SdlAudioBackend::Callback(void* self, uint8_t* stream, int len) noexcept {
    auto& b = *static_cast<SdlAudioBackend*>(self);
    if (len <= 0) return;
    b.RestWhileIdle();
    std::lock_guard lock(b.pullMutex_);
    b.mixedUntilNs_ = b.lastCallbackNs_ = b.NowNs();
    ++b.pulls_;
    if (b.floatOutput_) {
        const auto frames = static_cast<uint32_t>(static_cast<size_t>(len) / (2 * sizeof(float)));
        b.Render(reinterpret_cast<float*>(stream), frames);
        return;
    }
    // 16-bit output: mix into the float scratch a piece at a time and convert.
    auto* out = reinterpret_cast<int16_t*>(stream);
    size_t left = static_cast<size_t>(len) / (2 * sizeof(int16_t));
    const size_t piece = b.scratch_.size() / 2;
    while (left > 0) {
        const size_t n = std::min(left, piece);
        b.Render(b.scratch_.data(), static_cast<uint32_t>(n));
        for (size_t i = 0; i < 2 * n; ++i)
            out[i] = static_cast<int16_t>(std::lrint(b.scratch_[i] * 32767.0f));
        out += 2 * n;
        left -= n;
    }
}

} // namespace vl::platform
