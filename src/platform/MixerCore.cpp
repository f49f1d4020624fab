// SPDX-License-Identifier: GPL-3.0-or-later
// MixerCore: buffer registry, buffer operations and the resampling mix.
//
// Index:
//   - gains and the inner mixing loops (file-local)
//   - devices
//   - buffer creation and removal
//   - buffer operations
//   - Render
#include "platform/MixerCore.h"

#include "platform/MixLoops.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vl::platform {

namespace {

constexpr uint64_t kOne = uint64_t{1} << 32; // one frame in 32.32 fixed point

// Attenuation in hundredths of a dB to a linear gain; -10000 and below is exact silence.
float GainOf(int32_t mB) {
    if (mB <= kMixVolumeMin) return 0.0f;
    if (mB >= 0) return 1.0f;
    return static_cast<float>(std::pow(10.0, mB / 2000.0));
}

// One stretch of a voice whose gains change by -`fadeStep` per frame from `fade` (a negative
// step makes a rise): the start's ramp and a cut-off's fade. Same contract as MixStretchFn.
template <int Ch>
void FadeStretch(const float* src, uint64_t& pos, uint64_t step, float gl, float gr, float* out,
                 uint32_t n, float& fade, float fadeStep) {
    for (uint32_t i = 0; i < n; ++i) {
        const float* s = src + static_cast<size_t>(pos >> 32) * Ch;
        const float f = FracOf(pos);
        float l, r;
        if constexpr (Ch == 1) {
            l = r = s[0] + (s[1] - s[0]) * f;
        } else {
            l = s[0] + (s[2] - s[0]) * f;
            r = s[1] + (s[3] - s[1]) * f;
        }
        out[2 * i] += l * gl * fade;
        out[2 * i + 1] += r * gr * fade;
        fade -= fadeStep;
        pos += step;
    }
}

// Mixes up to `n` frames of one voice into `out`. Returns false when a one-shot voice
// reached its end (within these frames or before), and `pos` is then exactly the end.
template <int Ch, bool Fade>
bool MixVoice(const float* src, uint32_t frames, bool looping, uint64_t& pos, uint64_t step,
              float gl, float gr, float* out, uint32_t n, float fade, float fadeStep,
              MixStretchFn steady) {
    const uint64_t end = static_cast<uint64_t>(frames) << 32;
    if (frames == 0) {
        pos = 0;
        return false;
    }
    if (pos >= end) {
        if (!looping) {
            pos = end;
            return false;
        }
        pos %= end;
    }
    const uint64_t safeEnd = end - kOne; // below it, frame idx + 1 exists
    uint32_t done = 0;
    while (done < n) {
        if (pos < safeEnd) {
            const uint64_t k = (safeEnd - pos + step - 1) / step;
            const auto m = static_cast<uint32_t>(std::min<uint64_t>(k, n - done));
            if constexpr (Fade)
                FadeStretch<Ch>(src, pos, step, gl, gr, out + 2 * done, m, fade, fadeStep);
            else
                steady(src, pos, step, gl, gr, out + 2 * done, m);
            done += m;
            continue;
        }
        // A fast voice can step from below safeEnd straight past the end.
        if (pos >= end) {
            if (!looping) {
                pos = end;
                return false;
            }
            pos %= end;
            continue;
        }
        // The last frame: its neighbour is the first frame when looping, else silence.
        const float* s = src + static_cast<size_t>(pos >> 32) * Ch;
        const float f = FracOf(pos);
        float l, r;
        if constexpr (Ch == 1) {
            const float next = looping ? src[0] : 0.0f;
            l = r = s[0] + (next - s[0]) * f;
        } else {
            const float nl = looping ? src[0] : 0.0f, nr = looping ? src[1] : 0.0f;
            l = s[0] + (nl - s[0]) * f;
            r = s[1] + (nr - s[1]) * f;
        }
        const float g = Fade ? fade : 1.0f;
        out[2 * done] += l * gl * g;
        out[2 * done + 1] += r * gr * g;
        if constexpr (Fade) fade -= fadeStep;
        ++done;
        pos += step;
        if (pos >= end) {
            if (!looping) {
                pos = end;
                return false;
            }
            pos %= end;
        }
    }
    return true;
}

template <bool Fade>
bool MixAny(const MixLoops& loops, int channels, const float* src, uint32_t frames, bool looping,
            uint64_t& pos, uint64_t step, float gl, float gr, float* out, uint32_t n, float fade,
            float fadeStep) {
    return channels == 1 ? MixVoice<1, Fade>(src, frames, looping, pos, step, gl, gr, out, n, fade,
                                             fadeStep, loops.mono)
                         : MixVoice<2, Fade>(src, frames, looping, pos, step, gl, gr, out, n, fade,
                                             fadeStep, loops.stereo);
}

} // namespace

MixerCore::MixerCore(uint32_t outputRate) : outputRate_(outputRate), loops_(&BestMixLoops()) {
    tails_.reserve(kMaxTails);
    sounding_.reserve(64);
}

void MixerCore::UseLoops(const MixLoops& loops) {
    std::lock_guard lock(mutex_);
    loops_ = &loops;
}

void MixerCore::MarkSounding(uint32_t id, Voice& v) {
    const auto at = std::lower_bound(sounding_.begin(), sounding_.end(), id,
                                     [](const auto& e, uint32_t key) { return e.first < key; });
    if (at == sounding_.end() || at->first != id) sounding_.insert(at, {id, &v});
}

void MixerCore::Forget(uint32_t id) {
    std::erase_if(sounding_, [id](const auto& e) { return e.first == id; });
}

uint32_t MixerCore::OutputRate() const {
    std::lock_guard lock(mutex_);
    return outputRate_;
}

void MixerCore::SetOutputRate(uint32_t rate) {
    std::lock_guard lock(mutex_);
    if (rate > 0) outputRate_ = rate;
}

uint32_t MixerCore::NextId() {
    // Ids are never 0; on the (theoretical) wrap, skip those still in use.
    for (;;) {
        const uint32_t id = nextId_++;
        if (id != 0 && !devices_.contains(id) && !voices_.contains(id)) return id;
    }
}

// --- devices -----------------------------------------------------------------------

uint32_t MixerCore::AddDevice() {
    std::lock_guard lock(mutex_);
    const uint32_t id = NextId();
    devices_.emplace(id, Device{});
    return id;
}

void MixerCore::RemoveDevice(uint32_t device) {
    std::vector<std::shared_ptr<SampleData>> freed; // released after the lock
    {
        std::lock_guard lock(mutex_);
        devices_.erase(device);
        for (auto it = voices_.begin(); it != voices_.end();) {
            if (it->second.device == device) {
                if (it->second.playing) CutOff(it->second);
                freed.push_back(std::move(it->second.data));
                Forget(it->first);
                it = voices_.erase(it);
            } else {
                ++it;
            }
        }
    }
}

MixResult MixerCore::SetCooperativeLevel(uint32_t device, uint64_t window, uint32_t level) {
    std::lock_guard lock(mutex_);
    const auto it = devices_.find(device);
    if (it == devices_.end()) return kMixErrNotAllocated;
    if (level < 1 || level > 4)
        return kMixErrInvalidParam; // normal, priority, exclusive, write-primary
    it->second.window = window;
    it->second.level = level;
    return kMixOk;
}

void MixerCore::SimulateBufferLoss(uint32_t device) {
    std::lock_guard lock(mutex_);
    for (auto& [id, v] : voices_) {
        if (v.device != device) continue;
        if (v.playing) CutOff(v);
        v.playing = v.looping = false;
        v.lost = true;
    }
}

// --- buffer creation and removal ----------------------------------------------------

MixResult MixerCore::CreateBuffer(uint32_t device, std::span<const uint8_t> formatBlock,
                                  uint32_t bytes, uint32_t* id) {
    if (id == nullptr) return kMixErrInvalidParam;
    const auto format = ParseWaveFormat(formatBlock);
    if (!format) return kMixErrBadFormat;
    if (bytes == 0 || bytes > kMaxBufferBytes) return kMixErrInvalidParam;
    // Allocate outside the lock: the audio thread must not wait for a large buffer.
    auto data = std::make_shared<SampleData>();
    data->format = *format;
    data->frames = bytes / format->blockAlign;
    data->bytes.assign(bytes, format->encoding == SampleEncoding::kUnsigned8 ? 0x80 : 0x00);
    data->decoded.assign(static_cast<size_t>(data->frames) * format->channels, 0.0f);
    std::lock_guard lock(mutex_);
    if (!devices_.contains(device)) return kMixErrNotAllocated;
    Voice v;
    v.device = device;
    v.data = std::move(data);
    *id = NextId();
    voices_.emplace(*id, std::move(v));
    return kMixOk;
}

MixResult MixerCore::CreatePrimaryBuffer(uint32_t device, uint32_t* id) {
    if (id == nullptr) return kMixErrInvalidParam;
    std::lock_guard lock(mutex_);
    if (!devices_.contains(device)) return kMixErrNotAllocated;
    Voice v;
    v.device = device;
    *id = NextId();
    voices_.emplace(*id, std::move(v));
    return kMixOk;
}

MixResult MixerCore::DuplicateBuffer(uint32_t device, uint32_t source, uint32_t* id) {
    if (id == nullptr) return kMixErrInvalidParam;
    std::lock_guard lock(mutex_);
    if (!devices_.contains(device)) return kMixErrNotAllocated;
    Voice* src = nullptr;
    if (const MixResult r = Find(source, &src); r != kMixOk) return r;
    if (!src->data) return kMixErrInvalidParam; // the primary buffer has no samples
    Voice v;
    v.device = device;
    v.data = src->data; // shared, not copied
    v.frequency = src->frequency;
    v.pan = src->pan;
    v.volume = src->volume;
    v.bus = src->bus;
    UpdateGains(v);
    *id = NextId();
    voices_.emplace(*id, std::move(v));
    return kMixOk;
}

void MixerCore::RemoveBuffer(uint32_t id) {
    std::shared_ptr<SampleData> freed; // released after the lock
    std::lock_guard lock(mutex_);
    const auto it = voices_.find(id);
    if (it == voices_.end()) return;
    if (it->second.playing) CutOff(it->second);
    freed = std::move(it->second.data);
    Forget(id);
    voices_.erase(it);
}

// --- buffer operations ---------------------------------------------------------------

MixResult MixerCore::Find(uint32_t id, Voice** v) {
    const auto it = voices_.find(id);
    if (it == voices_.end()) return kMixErrNotAllocated;
    if (it->second.lost) return kMixErrBufferLost;
    *v = &it->second;
    return kMixOk;
}

MixResult MixerCore::Find(uint32_t id, const Voice** v) const {
    const auto it = voices_.find(id);
    if (it == voices_.end()) return kMixErrNotAllocated;
    if (it->second.lost) return kMixErrBufferLost;
    *v = &it->second;
    return kMixOk;
}

uint32_t MixerCore::EffectiveRate(const Voice& v) const {
    if (v.frequency != 0) return v.frequency;
    return v.data ? v.data->format.sampleRate : outputRate_;
}

uint64_t MixerCore::Step(const Voice& v) const {
    return (static_cast<uint64_t>(EffectiveRate(v)) << 32) / outputRate_;
}

void MixerCore::UpdateGains(Voice& v) const {
    const float g = GainOf(v.volume) * busGain_[static_cast<size_t>(v.bus)];
    v.gainL = g * (v.pan > 0 ? GainOf(-v.pan) : 1.0f);
    v.gainR = g * (v.pan < 0 ? GainOf(v.pan) : 1.0f);
    if (reverse_) std::swap(v.gainL, v.gainR);
}

void MixerCore::SetBusGain(MixBus bus, float gain) {
    std::lock_guard lock(mutex_);
    busGain_[static_cast<size_t>(bus)] = std::clamp(gain, 0.0f, 1.0f);
    for (auto& [id, v] : voices_) UpdateGains(v);
}

void MixerCore::SetReverseStereo(bool reverse) {
    std::lock_guard lock(mutex_);
    reverse_ = reverse;
    for (auto& [id, v] : voices_) UpdateGains(v);
}

void MixerCore::CutOff(const Voice& v) {
    std::erase_if(tails_, [](const Tail& t) { return t.remaining == 0; });
    if (!v.data || v.data->frames == 0 || tails_.size() >= kMaxTails) return;
    Tail t;
    t.data = v.data;
    t.pos = v.pos;
    t.step = Step(v);
    t.gainL = v.gainL;
    t.gainR = v.gainR;
    t.looping = v.looping;
    t.remaining = kFadeFrames;
    tails_.push_back(std::move(t));
}

uint32_t MixerCore::Length(uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = voices_.find(id);
    if (it == voices_.end() || !it->second.data) return 0;
    return static_cast<uint32_t>(it->second.data->bytes.size());
}

MixResult MixerCore::Lock(uint32_t id, uint32_t offset, uint32_t bytes, uint8_t** p1, uint32_t* n1,
                          uint8_t** p2, uint32_t* n2) {
    if (p1 == nullptr || n1 == nullptr) return kMixErrInvalidParam;
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    auto& store = v->data->bytes;
    const auto length = static_cast<uint32_t>(store.size());
    if (offset >= length || bytes == 0 || bytes > length) return kMixErrInvalidParam;
    const uint32_t first = std::min(bytes, length - offset);
    const uint32_t second = bytes - first;
    if (second > 0 && (p2 == nullptr || n2 == nullptr)) return kMixErrInvalidParam;
    *p1 = store.data() + offset;
    *n1 = first;
    if (p2 != nullptr) *p2 = second > 0 ? store.data() : nullptr;
    if (n2 != nullptr) *n2 = second;
    v->locked = true;
    return kMixOk;
}

MixResult MixerCore::Unlock(uint32_t id) {
    std::shared_ptr<SampleData> data;
    size_t values = 0;
    {
        std::lock_guard lock(mutex_);
        Voice* v = nullptr;
        if (const MixResult r = Find(id, &v); r != kMixOk) return r;
        if (!v->data || !v->locked) return kMixErrInvalidParam;
        v->locked = false;
        data = v->data;
        values = data->decoded.size();
    }
    // Decode outside the lock, then swap in: the audio thread never waits for a decode.
    // The bytes are only written by the caller between Lock and Unlock, on this thread.
    std::vector<float> decoded(values);
    DecodeSamples(data->format, data->bytes, decoded);
    std::lock_guard lock(mutex_);
    data->decoded.swap(decoded);
    return kMixOk;
}

MixResult MixerCore::Play(uint32_t id, bool looping) {
    bool started = false;
    const MixResult result = [&] {
        std::lock_guard lock(mutex_);
        Voice* v = nullptr;
        if (const MixResult r = Find(id, &v); r != kMixOk) return r;
        if (!v->data) return kMixErrInvalidParam;
        const uint64_t end = static_cast<uint64_t>(v->data->frames) << 32;
        v->looping = looping;
        if (v->pos >= end) {
            if (!looping || end == 0) {
                // A one-shot buffer at its end ends at once; nothing sounds.
                v->playing = false;
                v->looping = false;
                return kMixOk;
            }
            v->pos = 0;
        }
        started = !v->playing;
        if (started) v->ramp = kRampFrames; // a start rises from silence; a replay goes on
        v->playing = true;
        MarkSounding(id, *v);
        return kMixOk;
    }();
    if (started) {
        std::lock_guard lock(listenerMutex_);
        if (startListener_) startListener_();
    }
    return result;
}

MixResult MixerCore::Stop(uint32_t id) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (v->playing) CutOff(*v);
    v->playing = false;
    v->looping = false;
    return kMixOk;
}

MixResult MixerCore::SetCurrentPosition(uint32_t id, uint32_t bytePos) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    if (bytePos >= v->data->bytes.size()) return kMixErrInvalidParam;
    const uint64_t pos = static_cast<uint64_t>(bytePos / v->data->format.blockAlign) << 32;
    if (v->playing && pos != v->pos) { // a jump while sounding: fade the old place out
        CutOff(*v);                    // and the new one in
        v->ramp = kRampFrames;
    }
    v->pos = pos;
    return kMixOk;
}

MixResult MixerCore::GetCurrentPosition(uint32_t id, uint32_t* bytePos) const {
    if (bytePos == nullptr) return kMixErrInvalidParam;
    std::lock_guard lock(mutex_);
    const Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    *bytePos = v->data ? static_cast<uint32_t>((v->pos >> 32) * v->data->format.blockAlign) : 0;
    return kMixOk;
}

MixResult MixerCore::SetFrequency(uint32_t id, uint32_t hz) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    if (hz != 0 && (hz < kMixMinFrequency || hz > kMixMaxFrequency)) return kMixErrInvalidParam;
    v->frequency = hz;
    return kMixOk;
}

MixResult MixerCore::SetPan(uint32_t id, int32_t pan) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    if (pan < kMixPanLeft || pan > kMixPanRight) return kMixErrInvalidParam;
    v->pan = pan;
    UpdateGains(*v);
    return kMixOk;
}

MixResult MixerCore::SetVolume(uint32_t id, int32_t volume) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    if (volume < kMixVolumeMin || volume > kMixVolumeMax) return kMixErrInvalidParam;
    v->volume = volume;
    UpdateGains(*v);
    return kMixOk;
}

MixResult MixerCore::SetBus(uint32_t id, MixBus bus) {
    std::lock_guard lock(mutex_);
    Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) return r;
    if (!v->data) return kMixErrInvalidParam;
    v->bus = bus;
    UpdateGains(*v);
    return kMixOk;
}

MixResult MixerCore::GetStatus(uint32_t id, uint32_t* status) const {
    if (status == nullptr) return kMixErrInvalidParam;
    std::lock_guard lock(mutex_);
    const Voice* v = nullptr;
    if (const MixResult r = Find(id, &v); r != kMixOk) {
        *status = 0;
        return r;
    }
    *status =
        (v->playing ? kMixStatusPlaying : 0) | (v->playing && v->looping ? kMixStatusLooping : 0);
    return kMixOk;
}

uint32_t MixerCore::Frequency(uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = voices_.find(id);
    return it == voices_.end() ? 0 : EffectiveRate(it->second);
}

int32_t MixerCore::Pan(uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = voices_.find(id);
    return it == voices_.end() ? 0 : it->second.pan;
}

int32_t MixerCore::Volume(uint32_t id) const {
    std::lock_guard lock(mutex_);
    const auto it = voices_.find(id);
    return it == voices_.end() ? 0 : it->second.volume;
}

// --- Render ---------------------------------------------------------------------------

bool MixerCore::Idle() const {
    std::lock_guard lock(mutex_);
    return limitDepth_ == 0.0f &&
           std::none_of(sounding_.begin(), sounding_.end(),
                        [](const auto& e) { return e.second->playing; }) &&
           std::none_of(tails_.begin(), tails_.end(),
                        [](const Tail& t) { return t.remaining > 0; });
}

void MixerCore::SetStartListener(std::function<void()> listener) {
    std::lock_guard lock(listenerMutex_);
    startListener_ = std::move(listener);
}

void MixerCore::Render(float* out, uint32_t frames) noexcept {
    std::fill(out, out + 2 * static_cast<size_t>(frames), 0.0f);
    std::lock_guard lock(mutex_);
    constexpr float rampStep = 1.0f / kRampFrames;
    for (auto& [id, vp] : sounding_) {
        Voice& v = *vp;
        if (!v.playing || !v.data) continue;
        const SampleData& d = *v.data;
        const uint64_t step = Step(v);
        uint32_t done = 0;
        bool sounding = true;
        if (v.ramp > 0) {
            const uint32_t n = std::min(frames, v.ramp);
            const float from = static_cast<float>(kRampFrames - v.ramp) * rampStep;
            sounding =
                MixAny<true>(*loops_, d.format.channels, d.decoded.data(), d.frames, v.looping,
                             v.pos, step, v.gainL, v.gainR, out, n, from, -rampStep);
            v.ramp -= n;
            done = n;
        }
        if (sounding && done < frames)
            sounding = MixAny<false>(*loops_, d.format.channels, d.decoded.data(), d.frames,
                                     v.looping, v.pos, step, v.gainL, v.gainR, out + 2 * done,
                                     frames - done, 1.0f, 0.0f);
        if (!sounding) {
            v.playing = v.looping = false; // a one-shot reached its end
            v.ramp = 0;
        }
    }
    // Erasing from a vector frees nothing, so this is safe on the audio thread.
    std::erase_if(sounding_, [](const auto& e) { return !e.second->playing; });
    constexpr float fadeStep = 1.0f / kFadeFrames;
    for (auto& t : tails_) {
        if (t.remaining == 0) continue;
        const uint32_t n = std::min(frames, t.remaining);
        const float fade = static_cast<float>(t.remaining) * fadeStep;
        const SampleData& d = *t.data;
        const bool sounding =
            MixAny<true>(*loops_, d.format.channels, d.decoded.data(), d.frames, t.looping, t.pos,
                         t.step, t.gainL, t.gainR, out, n, fade, fadeStep);
        t.remaining = sounding ? t.remaining - n : 0;
    }
    // Finished tails stay until the next cut-off removes them (CutOff): a tail may hold the
    // last reference to the samples of a destroyed buffer, and they are not to be freed on
    // the audio thread.
    loops_->limit(out, frames, limitDepth_);
}

} // namespace vl::platform
