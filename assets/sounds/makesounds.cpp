// SPDX-License-Identifier: GPL-3.0-or-later
// makesounds: synthesises every non-spoken sound of the match (snd/game.dat) and the sound
// part of each guide entry (snd/guide.dat), as 16-bit PCM WAV files with their manifests.
//
// usage: makesounds OUTDIR
//   OUTDIR/NAME.wav + OUTDIR/manifest.txt           the match's sounds, for 'bank build'
//   OUTDIR/guide/ITEM.wav + OUTDIR/guide/clips.txt  each guide entry's sound as the match
//                                                   plays it (pitch, pan, volume, repeats)
//
// The guide clips are rendered from the very wave functions the match items are made of, so
// the guide and the match cannot drift apart. Everything is deterministic: every noise comes
// from a generator seeded per sound, and the same program writes the same bytes.
//
// Pitched items: the match re-pitches "navig1", "navig2", "snavigleft", "snavigright" and
// "navigweap" by setting the playback rate from 19200 Hz (craft at the bottom) to 94800 Hz
// (top). What is heard is then rate / period, so those waves are whole periods of a fixed
// length in samples (kNavigPeriod), whatever rate the file states, and they hold only a
// few harmonics so that even the top rate stays far below the output's Nyquist limit.
//
// Levels: every item is brought to the loudness of the spoken items (-20 dB RMS over its
// loud part) unless its peaks would then pass -1.1 dBFS, in which case the peak decides.
// One-shots start at their first sample (a 1 ms rise against a click) and end in a fade to
// exact zero; loops hold whole cycles of every component, so their seam is inaudible.
//
// Sections:
//   1. samples, levels and WAV output
//   2. building blocks: noise, filters, envelopes, periodic waves
//   3. continuous sounds (loops)
//   4. event sounds (one-shots)
//   5. guide clips
//   6. the item list and main

#include "container/Error.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace vl::assets {
namespace {

// --- 1. samples, levels and WAV output ------------------------------------------------------

constexpr int kRate = 48000; // the mixer's own output rate: one-shots play unresampled
constexpr double kPi = std::numbers::pi;
constexpr double kTargetRmsDb = -20.0; // the spoken items' level (make_speech.sh)
constexpr double kPeakDb = -1.1;       // peaks end below -1 dBFS
// Period in samples of every re-pitched wave; heard pitch = playback rate / period. The
// echo and the beacon share the navigation tone's period, so an echo sounds at the craft's
// own pitch and the beacon at the pitch of a craft at the pickup's height.
constexpr int kNavigPeriod = 100; // 948 Hz at the top of the field, 192 Hz at the bottom
// Levels of a player's continuous sounds below the common one (dB). They go on under a
// spoken counter (the match plays the hums at -400 and the navigation tones at -800 on top
// of this), so the speech stands 8 dB or more above them with the craft still and 6 dB or
// more while it moves.
constexpr double kIdleHumDb = -9;
constexpr double kMovingHumDb = -10;
constexpr double kNavigDb = -8;
// One echo grain; with a grain started every frame, two (top of the field) to eight
// (bottom) overlap into a steady tone a little under the navigation tone.
constexpr double kEchoGrainDb = -14;
constexpr double kTopRate = 94800, kBottomRate = 19200;

using Mono = std::vector<float>;
struct Stereo {
    Mono left, right;
};

size_t Frames(double seconds) {
    return static_cast<size_t>(std::lround(seconds * kRate));
}
double Db(double db) {
    return std::pow(10.0, db / 20.0);
}

// RMS over the loud part: 20 ms windows within 20 dB of the loudest one. A long quiet decay
// then does not make a short sound count as soft.
double LoudRms(const Mono& s) {
    const size_t w = Frames(0.02);
    std::vector<double> win;
    for (size_t i = 0; i < s.size(); i += w) {
        double sum = 0;
        const size_t end = std::min(s.size(), i + w);
        for (size_t k = i; k < end; ++k) sum += double(s[k]) * s[k];
        win.push_back(sum / double(end - i));
    }
    const double top = win.empty() ? 0 : *std::max_element(win.begin(), win.end());
    double sum = 0;
    int n = 0;
    for (const double m : win)
        if (m >= top * Db(-20) * Db(-20)) sum += m, ++n;
    return n ? std::sqrt(sum / n) : 0;
}

// Scales to the common level, the peak limit taking precedence. `extraDb` lowers the result
// (the guide uses it for the volumes the match sets).
void Level(Mono& s, double extraDb = 0) {
    const double rms = LoudRms(s);
    double peak = 0;
    for (const float v : s) peak = std::max(peak, double(std::fabs(v)));
    if (rms <= 0 || peak <= 0) throw Error("makesounds: a silent sound");
    const double gain = std::min(Db(kTargetRmsDb) / rms, Db(kPeakDb) / peak) * Db(extraDb);
    for (float& v : s) v = static_cast<float>(v * gain);
}

// Raised-cosine rise over the first `rise` seconds and fall to exact zero over the last
// `fall` seconds.
void Edges(Mono& s, double rise, double fall) {
    const size_t r = std::min(s.size(), Frames(rise)), f = std::min(s.size(), Frames(fall));
    for (size_t i = 0; i < r; ++i) s[i] *= float(0.5 - 0.5 * std::cos(kPi * double(i) / double(r)));
    for (size_t i = 0; i < f; ++i)
        s[s.size() - 1 - i] *= float(0.5 - 0.5 * std::cos(kPi * double(i) / double(f)));
}

// A finished one-shot: at once audible, faded to zero, at the common level.
Mono OneShot(Mono s) {
    Edges(s, 0.001, 0.008);
    Level(s);
    return s;
}

void Put16(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 16-bit PCM, one or two channels (interleaved from `channels`), at `rate`.
void WriteWav(const std::filesystem::path& path, const std::vector<const Mono*>& channels,
              int rate) {
    const size_t frames = channels.front()->size();
    const auto ch = static_cast<uint32_t>(channels.size());
    std::string data;
    data.reserve(frames * ch * 2);
    for (size_t i = 0; i < frames; ++i) {
        for (const Mono* c : channels) {
            const double v = std::clamp(double((*c)[i]), -1.0, 1.0) * 32767.0;
            Put16(data, static_cast<uint16_t>(static_cast<int16_t>(std::lround(v))), 2);
        }
    }
    std::string file = "RIFF";
    Put16(file, static_cast<uint32_t>(36 + data.size()), 4);
    file += "WAVEfmt ";
    Put16(file, 16, 4);
    Put16(file, 1, 2); // PCM
    Put16(file, ch, 2);
    Put16(file, static_cast<uint32_t>(rate), 4);
    Put16(file, static_cast<uint32_t>(rate) * ch * 2, 4);
    Put16(file, ch * 2, 2);
    Put16(file, 16, 2);
    file += "data";
    Put16(file, static_cast<uint32_t>(data.size()), 4);
    file += data;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) throw Error("makesounds: cannot write " + path.string());
}

// --- 2. building blocks ---------------------------------------------------------------------

// A small deterministic generator (xorshift64*), seeded per sound.
class Noise {
public:
    explicit Noise(uint64_t seed) : state_(seed * 0x9E3779B97F4A7C15ULL + 1) {}
    // Uniform in [0, 1).
    double Next() {
        state_ ^= state_ >> 12, state_ ^= state_ << 25, state_ ^= state_ >> 27;
        return double((state_ * 0x2545F4914F6CDD1DULL) >> 11) / double(1ULL << 53);
    }
    double White() { return 2 * Next() - 1; }

private:
    uint64_t state_;
};

// A second-order filter (RBJ cookbook) whose centre may move from sample to sample.
class Biquad {
public:
    enum class Kind { LowPass, HighPass, BandPass };
    explicit Biquad(Kind kind) : kind_(kind) {}
    float Run(double x, double freq, double q) {
        const double w = 2 * kPi * std::clamp(freq, 20.0, 0.45 * kRate) / kRate;
        const double a = std::sin(w) / (2 * q), c = std::cos(w);
        double b0 = 0, b1 = 0, b2 = 0;
        switch (kind_) {
        case Kind::LowPass:
            b0 = b2 = (1 - c) / 2, b1 = 1 - c;
            break;
        case Kind::HighPass:
            b0 = b2 = (1 + c) / 2, b1 = -(1 + c);
            break;
        case Kind::BandPass:
            b0 = a, b1 = 0, b2 = -a;
            break;
        }
        const double a0 = 1 + a, a1 = -2 * c, a2 = 1 - a;
        const double y = (b0 * x + b1 * x1_ + b2 * x2_ - a1 * y1_ - a2 * y2_) / a0;
        x2_ = x1_, x1_ = x, y2_ = y1_, y1_ = y;
        return static_cast<float>(y);
    }

private:
    Kind kind_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

// Adds `f(t)` (t in seconds from `start`) into `s` over `seconds`.
void Add(Mono& s, double start, double seconds, const std::function<double(double)>& f) {
    const size_t from = Frames(start), n = Frames(seconds);
    if (s.size() < from + n) s.resize(from + n, 0.0f);
    for (size_t i = 0; i < n; ++i) s[from + i] += static_cast<float>(f(double(i) / kRate));
}

double Decay(double t, double tau) {
    return std::exp(-t / tau);
}

// A sweep's phase (cycles) at time t for a frequency gliding exponentially from f0 to f1
// over `len` seconds.
double GlidePhase(double t, double f0, double f1, double len) {
    const double k = std::log(f1 / f0) / len;
    return f0 * (std::exp(k * t) - 1) / k;
}

// The periodic waves of the re-pitched items, phase in cycles. Few harmonics: heard at
// 948 Hz the highest stays under 8 kHz.
double NavigWave(double phase, int player) {
    double v = 0;
    if (player == 1) { // hollow: odd harmonics
        for (int k = 1; k <= 7; k += 2) v += std::sin(2 * kPi * k * phase) / std::pow(k, 1.6);
    } else { // brighter: every harmonic
        for (int k = 1; k <= 6; ++k) v += std::sin(2 * kPi * k * phase) / std::pow(k, 1.4);
    }
    return v;
}
// Rounder than either navigation tone (a sine with a touch of the octave), so an echo is
// told from the player's own tone at the same pitch.
double EchoWave(double phase) {
    return std::sin(2 * kPi * phase) + 0.15 * std::sin(4 * kPi * phase);
}
double BeaconWave(double phase) {
    return std::sin(2 * kPi * phase) + 0.35 * std::sin(6 * kPi * phase);
}
// The beacon's on-off pattern over one loop (0..1): a beep in the first 40 %.
double BeaconGate(double x) {
    return x < 0.4 ? std::pow(std::sin(kPi * x / 0.4), 2.0) : 0.0;
}
constexpr int kBeaconLoopPeriods = 96; // one beep per loop: 6 a second at mid-field

// Noise that repeats exactly every `seconds` (a whole number of 1-Hz steps): a sum of
// cosines at whole-Hz frequencies in [lo, hi] with random phases and a 1/f^tilt slope,
// so a loop made of it has no seam.
Mono PeriodicNoise(double seconds, int lo, int hi, double tilt, uint64_t seed) {
    const size_t n = Frames(seconds);
    std::vector<double> acc(n, 0.0);
    Noise rng(seed);
    const int step = std::max(1, static_cast<int>(std::lround(1.0 / seconds)));
    for (int f = lo; f <= hi; f += step) {
        const double amp = std::pow(double(lo) / f, tilt);
        const double ph = 2 * kPi * rng.Next();
        // Rotating phasor instead of a sine per sample.
        const double w = 2 * kPi * f / kRate;
        double re = std::cos(ph), im = std::sin(ph);
        const double cr = std::cos(w), ci = std::sin(w);
        for (size_t i = 0; i < n; ++i) {
            acc[i] += amp * re;
            const double r = re * cr - im * ci;
            im = re * ci + im * cr, re = r;
        }
    }
    double peak = 1e-9;
    for (const double v : acc) peak = std::max(peak, std::fabs(v));
    Mono out(n);
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<float>(acc[i] / peak);
    return out;
}

// --- 3. continuous sounds -------------------------------------------------------------------

// A craft's hum, one second long so that every whole-Hz component loops seamlessly.
// Idle: a soft low purr with a slow swell. Moving: higher, rougher, a fast throb and a
// wash of air.
Mono Hum(bool moving, int player, uint64_t seed) {
    const double base = (moving ? 80 : 50) * (player == 1 ? 1.0 : 1.2); // right: a third up
    const double f0 = std::round(base);
    const Mono air =
        moving ? PeriodicNoise(1.0, 250, 2500, 0.7, seed) : PeriodicNoise(1.0, 120, 700, 1.0, seed);
    Mono s(Frames(1.0));
    for (size_t i = 0; i < s.size(); ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (int k = 1; k <= 6; ++k)
            v += std::sin(2 * kPi * f0 * k * t + k) / std::pow(k, moving ? 0.9 : 1.5);
        const double throb = moving ? 0.75 + 0.25 * std::sin(2 * kPi * 8 * t)
                                    : 0.9 + 0.1 * std::sin(2 * kPi * 2 * t);
        s[i] = static_cast<float>(throb * (v + (moving ? 0.9 : 0.25) * air[i]));
    }
    Level(s, moving ? kMovingHumDb : kIdleHumDb);
    return s;
}

// A navigation tone: 48 whole periods.
Mono Navig(int player) {
    Mono s(static_cast<size_t>(48 * kNavigPeriod));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<float>(NavigWave(double(i) / kNavigPeriod, player));
    Level(s, kNavigDb);
    return s;
}

// The pickup's beacon: a beep and a rest, whole periods, silent at both ends of the loop.
Mono Beacon() {
    Mono s(static_cast<size_t>(kBeaconLoopPeriods * kNavigPeriod));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<float>(BeaconGate(double(i) / double(s.size())) *
                                  BeaconWave(double(i) / kNavigPeriod));
    Level(s);
    return s;
}

// The low-energy alarm: two square-ish beeps and a rest, 0.45 s a round; the left player's
// falls, the right player's rises, so the two are told apart even from the middle.
Mono Alert(int player) {
    const double hiF = 988, loF = 740;
    const double first = player == 1 ? hiF : loF, second = player == 1 ? loF : hiF;
    Mono s(Frames(0.45), 0.0f);
    const auto beep = [](double f) {
        return [f](double t) {
            double v = 0;
            for (int k = 1; k <= 7; k += 2) v += std::sin(2 * kPi * f * k * t) / k;
            const double edge = std::min({1.0, t / 0.004, (0.15 - t) / 0.004});
            return v * std::max(0.0, edge);
        };
    };
    Add(s, 0.0, 0.15, beep(first));
    Add(s, 0.15, 0.15, beep(second));
    Level(s);
    return s;
}

// --- 4. event sounds ------------------------------------------------------------------------

// The cannon: a crack of noise and a deep body falling in pitch.
Mono Gun() {
    Mono s;
    Noise rng(1);
    Biquad lp(Biquad::Kind::LowPass);
    Add(s, 0, 0.42, [&](double t) {
        const double body = std::sin(2 * kPi * GlidePhase(t, 160, 45, 0.3)) * Decay(t, 0.09);
        return body + 0.8 * lp.Run(rng.White(), 3000, 0.7) * Decay(t, 0.015);
    });
    return OneShot(s);
}

// The missile: an ignition pop, then a whoosh of noise sweeping upward with a rising whine.
Mono Missile() {
    Mono s;
    Noise rng(2);
    Biquad bp(Biquad::Kind::BandPass);
    Add(s, 0, 0.8, [&](double t) {
        const double centre = 400 * std::pow(7.5, std::min(t / 0.7, 1.0));
        const double swell = std::min(1.0, 0.35 + t / 0.25) * (t < 0.3 ? 1 : Decay(t - 0.3, 0.2));
        const double whine = 0.25 * std::sin(2 * kPi * GlidePhase(t, 200, 900, 0.8));
        return 2.5 * bp.Run(rng.White(), centre, 2.0) * swell + whine * swell +
               0.6 * rng.White() * Decay(t, 0.01);
    });
    return OneShot(s);
}

// One machine-gun round: a short dry "tak", well under the 100 ms between rounds.
Mono MachGun() {
    Mono s;
    Noise rng(3);
    Biquad bp(Biquad::Kind::BandPass);
    Add(s, 0, 0.085, [&](double t) {
        const double knock = (std::sin(2 * kPi * 220 * t) > 0 ? 0.5 : -0.5) * Decay(t, 0.02);
        return 3.0 * bp.Run(rng.White(), 1500, 1.2) * Decay(t, 0.012) + knock;
    });
    return OneShot(s);
}

// The magnet: a wavering electric hum.
Mono Magnet() {
    Mono s;
    Add(s, 0, 0.55, [&](double t) {
        // 300 Hz swung by +-60 Hz twelve times a second.
        const double ph = 300 * t - 60 * std::cos(2 * kPi * 12 * t) / (2 * kPi * 12);
        double v = 0;
        for (int k = 1; k <= 5; ++k) v += std::sin(2 * kPi * k * ph) / k;
        return v * (t < 0.35 ? 1.0 : Decay(t - 0.35, 0.06));
    });
    return OneShot(s);
}

// The empty gun: two tiny dry clicks. Short, because the match waits for it to end.
Mono EmptyGun() {
    Mono s;
    Noise rng(5);
    Biquad hp(Biquad::Kind::HighPass);
    Add(s, 0, 0.06, [&](double t) {
        const double t2 = t - 0.025;
        double v = 0;
        if (t < 0.01)
            v += rng.White() * Decay(t, 0.0015) + std::sin(2 * kPi * 3000 * t) * Decay(t, 0.003);
        if (t2 >= 0)
            v += 0.7 * (rng.White() * Decay(t2, 0.0015) +
                        std::sin(2 * kPi * 2400 * t2) * Decay(t2, 0.003));
        return hp.Run(v, 800, 0.7);
    });
    return OneShot(s);
}

// A hit on a craft: a metallic clang of inharmonic partials over a thud.
Mono Hit() {
    Mono s;
    Noise rng(6);
    Add(s, 0, 0.6, [&](double t) {
        const double f[] = {420, 1130, 1880, 2710}, tau[] = {0.25, 0.18, 0.12, 0.08};
        double v = 0;
        for (int k = 0; k < 4; ++k)
            v += std::sin(2 * kPi * f[k] * t) * Decay(t, tau[k]) / (1 + k * 0.3);
        return v + 1.2 * rng.White() * Decay(t, 0.008) +
               std::sin(2 * kPi * 90 * t) * Decay(t, 0.05);
    });
    return OneShot(s);
}

// A craft exploding: a long roar of noise closing from bright to dark, a falling rumble and
// scattered crackles.
Mono Explosion() {
    Mono s;
    Noise rng(7), crackle(77);
    Biquad lp(Biquad::Kind::LowPass), lp2(Biquad::Kind::LowPass);
    Add(s, 0, 1.8, [&](double t) {
        const double cutoff = 300 + 3700 * Decay(t, 0.35);
        const double roar = 2.0 * lp2.Run(lp.Run(rng.White(), cutoff, 0.7), cutoff, 0.7);
        const double rumble = std::sin(2 * kPi * GlidePhase(t, 55, 28, 1.8)) * Decay(t, 0.5);
        const double c = crackle.Next() < 0.002 * Decay(t, 0.6) ? crackle.White() * 1.5 : 0;
        return (roar + c) * Decay(t, 0.4) + rumble;
    });
    return OneShot(s);
}

// A pickup shot down: a pop and a falling, trembling chime.
Mono WeaponDestroyed() {
    Mono s;
    Noise rng(8);
    Add(s, 0, 0.5, [&](double t) {
        const double chime = std::sin(2 * kPi * GlidePhase(t, 1200, 300, 0.45)) *
                             (0.75 + 0.25 * std::sin(2 * kPi * 18 * t)) * Decay(t, 0.16);
        return chime + rng.White() * Decay(t, 0.01);
    });
    return OneShot(s);
}

// A bell note with a few harmonic partials.
double Bell(double f, double t, double tau) {
    if (t < 0) return 0;
    return (std::sin(2 * kPi * f * t) + 0.4 * std::sin(4 * kPi * f * t) * Decay(t, tau / 2) +
            0.2 * std::sin(6 * kPi * f * t) * Decay(t, tau / 3)) *
           Decay(t, tau);
}

// A pickup collected: a quick rising arpeggio of four bell notes.
Mono GetWeapon() {
    Mono s;
    Add(s, 0, 0.6, [&](double t) {
        const double f[] = {1047, 1319, 1568, 2093};
        double v = 0;
        for (int k = 0; k < 4; ++k) v += Bell(f[k], t - 0.07 * k, 0.15);
        return v;
    });
    return OneShot(s);
}

// A round striking an object that stays: a ricochet whine falling in pitch.
Mono Ricochet() {
    Mono s;
    Noise rng(10);
    Add(s, 0, 0.28, [&](double t) {
        return std::sin(2 * kPi * GlidePhase(t, 2500, 1200, 0.2)) * Decay(t, 0.08) +
               0.8 * rng.White() * Decay(t, 0.004);
    });
    return OneShot(s);
}

// The glass shattering: a bright burst and a rain of tinkling shards.
Mono Glass() {
    Mono s(Frames(0.8), 0.0f);
    Noise rng(11);
    Biquad hp(Biquad::Kind::HighPass);
    Add(s, 0, 0.12,
        [&](double t) { return 1.5 * hp.Run(rng.White(), 2000, 0.7) * Decay(t, 0.03); });
    for (int k = 0; k < 28; ++k) {
        const double at = 0.5 * std::pow(rng.Next(), 1.8), f = 3000 + 4000 * rng.Next();
        const double tau = 0.02 + 0.04 * rng.Next(), amp = 0.3 + 0.5 * rng.Next();
        Add(s, at, std::min(0.25, 0.79 - at),
            [=](double t) { return amp * std::sin(2 * kPi * f * t) * Decay(t, tau); });
    }
    return OneShot(s);
}

// The alarm object ringing out: an electric bell, its clapper striking 25 times a second.
Mono AlarmBell() {
    Mono s;
    Add(s, 0, 0.9, [&](double t) {
        const double strike = std::fmod(t, 0.04);
        const double v = std::sin(2 * kPi * 1300 * t) + 0.5 * std::sin(2 * kPi * 2990 * t) +
                         0.3 * std::sin(2 * kPi * 4210 * t);
        return v * (0.4 + 0.6 * Decay(strike, 0.012)) * (t < 0.6 ? 1.0 : Decay(t - 0.6, 0.08));
    });
    return OneShot(s);
}

// A segment's envelope: 1 inside [from, to), raised-cosine edges of `edge` seconds.
double Gate(double t, double from, double to, double edge) {
    if (t < from || t >= to) return 0;
    const double x = std::min({1.0, (t - from) / edge, (to - t) / edge});
    return 0.5 - 0.5 * std::cos(kPi * x);
}

// The phone: an electronic ring, two bursts of a fast two-tone warble.
Mono Phone() {
    Mono s;
    Add(s, 0, 0.7, [&](double t) {
        const double f = std::fmod(t, 1.0 / 16) < 1.0 / 32 ? 1400 : 1750;
        const double gate = Gate(t, 0, 0.25, 0.002) + Gate(t, 0.37, 0.62, 0.004);
        return gate * (std::sin(2 * kPi * f * t) + 0.3 * std::sin(6 * kPi * f * t));
    });
    return OneShot(s);
}

// The camera: the shutter's click-clack, then the flash charging with a rising whine.
Mono Camera() {
    Mono s;
    Noise rng(14);
    Biquad hp(Biquad::Kind::HighPass);
    Add(s, 0, 0.5, [&](double t) {
        const double t2 = t - 0.09;
        double click = rng.White() * Decay(t, 0.002) * 2;
        if (t2 >= 0) click += 1.6 * rng.White() * Decay(t2, 0.003);
        const double whine = t2 >= 0 ? 0.25 * std::sin(2 * kPi * GlidePhase(t2, 2000, 6000, 0.35)) *
                                           std::min(1.0, t2 / 0.05)
                                     : 0.0;
        return hp.Run(click, 1500, 0.7) + whine;
    });
    return OneShot(s);
}

// Objects appearing: four soft low thuds, like things set down in a row.
Mono ObjectsAppear() {
    Mono s;
    Noise rng(15);
    Biquad lp(Biquad::Kind::LowPass);
    Add(s, 0, 0.6, [&](double t) {
        double v = 0;
        for (int k = 0; k < 4; ++k) {
            const double u = t - 0.11 * k;
            if (u >= 0)
                v += std::sin(2 * kPi * GlidePhase(u, 130 + 15 * k, 60, 0.15)) * Decay(u, 0.05);
        }
        return v + 0.5 * lp.Run(rng.White(), 400, 0.7) * Decay(std::fmod(t, 0.11), 0.01);
    });
    return OneShot(s);
}

// A pickup appearing: two calm bell notes a fifth apart.
Mono WeaponAppears() {
    Mono s;
    Add(s, 0, 0.65, [&](double t) { return Bell(880, t, 0.2) + Bell(1320, t - 0.2, 0.2); });
    return OneShot(s);
}

// The radar echo: a grain of 16 whole periods under a raised-cosine (Hann) envelope. The
// match starts one every frame while an obstacle stands in front of a probe; a grain lasts
// 17 ms (top of the field) to 83 ms (bottom), so successive grains overlap into a steady,
// soft tone at the craft's pitch, and eight playings at once cover even the longest.
constexpr int kEchoPeriods = 16;
constexpr int kEchoCopies = 8;
Mono Echo() {
    Mono s(static_cast<size_t>(kEchoPeriods * kNavigPeriod));
    for (size_t i = 0; i < s.size(); ++i) {
        const double x = double(i) / double(s.size());
        s[i] = static_cast<float>(EchoWave(double(i) / kNavigPeriod) *
                                  (0.5 - 0.5 * std::cos(2 * kPi * x)));
    }
    Level(s, kEchoGrainDb);
    return s;
}

// --- 5. guide clips -------------------------------------------------------------------------

// A loop played for `seconds` at its own rate, faded in and out.
Mono LoopFor(const Mono& loop, double seconds) {
    Mono s(Frames(seconds));
    for (size_t i = 0; i < s.size(); ++i) s[i] = loop[i % loop.size()];
    Edges(s, 0.02, 0.05);
    return s;
}

// A re-pitched wave as the mixer plays it at `rate(t)` Hz: the source position advances by
// rate / 48000 samples per output sample, read with linear interpolation (the mixer's own).
Mono Repitched(const Mono& src, bool loop, double seconds,
               const std::function<double(double)>& rate) {
    Mono s(Frames(seconds), 0.0f);
    double pos = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        const auto k = static_cast<size_t>(pos);
        if (!loop && k + 1 >= src.size()) break;
        const double frac = pos - double(k);
        const float a = src[k % src.size()], b = src[(k + 1) % src.size()];
        s[i] = static_cast<float>(a + (b - a) * frac);
        pos += rate(double(i) / kRate) / kRate;
        if (loop) pos = std::fmod(pos, double(src.size()));
    }
    return s;
}

double Gain(double db) {
    return Db(db);
}
void Scale(Mono& s, double db) {
    for (float& v : s) v = static_cast<float>(v * Gain(db));
}

// The navigation tone at the top of the field, gliding down, and at the bottom.
Mono NavigTour(const Mono& navig) {
    Mono s = Repitched(navig, true, 1.8, [](double t) {
        if (t < 0.6) return kTopRate;
        if (t < 1.2) return kTopRate + (kBottomRate - kTopRate) * (t - 0.6) / 0.6;
        return kBottomRate;
    });
    Edges(s, 0.02, 0.05);
    Scale(s, -8); // the match plays the navigation tones at volume -800
    return s;
}

// Echoes as a craft at mid-field hears them in front of an object: one start a frame.
Mono EchoRun(const Mono& echo) {
    constexpr double kMidRate = kTopRate - 240 * 150;
    Mono s(Frames(1.2), 0.0f);
    const Mono ping = Repitched(echo, false, 0.1, [](double) { return kMidRate; });
    for (size_t start = 0; start + ping.size() <= s.size(); start += Frames(0.01))
        for (size_t i = 0; i < ping.size(); ++i) s[start + i] += ping[i];
    return s;
}

Stereo Side(const Mono& s, int player) {
    Mono silent(s.size(), 0.0f);
    return player == 1 ? Stereo{s, silent} : Stereo{silent, s};
}

// --- 6. the item list and main --------------------------------------------------------------

struct Item {
    std::string name;
    Mono wave;
    bool looped = false;
    int max = 0;
};

// Every non-spoken item of snd/game.dat. One-shots allow four playings at once (a fifth
// start cuts the oldest), so rapid fire of both players cannot pile up without bound.
std::vector<Item> GameItems() {
    std::vector<Item> items;
    const auto loop = [&](std::string name, Mono w) {
        items.push_back({std::move(name), std::move(w), true, 0});
    };
    const auto shot = [&](std::string name, Mono w, int max = 4) {
        items.push_back({std::move(name), std::move(w), false, max});
    };
    loop("tankstoji", Hum(false, 1, 21));
    loop("tankjede", Hum(true, 1, 22));
    loop("tankstoji2", Hum(false, 2, 23));
    loop("tankjede2", Hum(true, 2, 24));
    loop("navig1", Navig(1));
    loop("navig2", Navig(2));
    loop("alertleft", Alert(1));
    loop("alertright", Alert(2));
    loop("navigweap", Beacon());
    shot("snavigleft", Echo(), kEchoCopies);
    shot("snavigright", Echo(), kEchoCopies);
    shot("gun", Gun());
    shot("missile", Missile());
    shot("machgun", MachGun());
    shot("magnet", Magnet());
    shot("emptygun", EmptyGun(), 1);
    shot("hit", Hit());
    shot("explos", Explosion());
    shot("explweap", WeaponDestroyed());
    shot("getweap", GetWeapon());
    shot("machgunhitobject", Ricochet());
    shot("glass", Glass());
    shot("alarm", AlarmBell());
    shot("phone", Phone());
    shot("camera", Camera());
    shot("objapp", ObjectsAppear());
    shot("weapapp", WeaponAppears());
    return items;
}

const Mono& Wave(const std::vector<Item>& items, const std::string& name) {
    for (const Item& i : items)
        if (i.name == name) return i.wave;
    throw Error("makesounds: no item " + name);
}

struct Clip {
    std::string item; // the guide entry's item
    Stereo sound;
};

// The sound part of each guide entry, as the match plays it.
std::vector<Clip> GuideClips(const std::vector<Item>& items) {
    const auto w = [&](const char* name) { return Wave(items, name); };
    const auto mono = [](Mono s) { return Stereo{s, s}; };
    Mono burst(Frames(0.5), 0.0f); // five rounds, one a cooldown tick
    for (int k = 0; k < 5; ++k)
        for (size_t i = 0; i < w("machgun").size(); ++i)
            burst[Frames(0.1 * k) + i] += w("machgun")[i];
    Mono idle = LoopFor(w("tankstoji"), 1.6);
    Scale(idle, -4); // the match's volume -400 for the idle hums
    Mono beacon = Repitched(w("navigweap"), true, 1.6, [](double) { return kTopRate - 240 * 150; });
    Edges(beacon, 0.01, 0.05);
    return {
        {"levitstanditemsp", mono(idle)},
        {"levitrunitemsp", mono(LoopFor(w("tankjede"), 1.6))},
        {"bulletitemsp", mono(w("gun"))},
        {"missileitemsp", mono(w("missile"))},
        {"machgunitemsp", mono(burst)},
        {"emptygunitemsp", mono(w("emptygun"))},
        {"magnetitemsp", mono(w("magnet"))},
        {"alertitemsp", mono(LoopFor(w("alertleft"), 1.35))},
        {"hititemsp", mono(w("hit"))},
        {"navigleftitemsp", Side(NavigTour(w("navig1")), 1)},
        {"navigrightitemsp", Side(NavigTour(w("navig2")), 2)},
        {"objectleftitemsp", Side(EchoRun(w("snavigleft")), 1)},
        {"objectrightitemsp", Side(EchoRun(w("snavigright")), 2)},
        {"objectappitemsp", mono(w("objapp"))},
        {"objectnotdestroyeditemsp", mono(w("machgunhitobject"))},
        {"weapappitemsp", mono(w("weapapp"))},
        {"navigweapitemsp", mono(beacon)},
        {"getweapitemsp", mono(w("getweap"))},
        {"weapdestroyitemsp", mono(w("explweap"))},
    };
}

// Writes `text` to `path` through a temporary file, so a build that depends on it never
// sees it before the sounds it lists.
void WriteLast(const std::filesystem::path& path, const std::string& text) {
    const auto temp = path.string() + ".tmp";
    {
        std::ofstream out(temp, std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw Error("makesounds: cannot write " + temp);
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) throw Error("makesounds: cannot write " + path.string() + ": " + ec.message());
}

// Writes every sound, then the two lists. Throws vl::Error on a failure.
void WriteAll(const std::filesystem::path& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir / "guide", ec);
    if (ec) throw Error("makesounds: cannot create " + dir.string() + ": " + ec.message());
    const std::vector<Item> items = GameItems();
    std::string manifest = "# made by makesounds: the match's synthesised sounds\n";
    for (const Item& i : items) {
        WriteWav(dir / (i.name + ".wav"), {&i.wave}, kRate);
        manifest += i.name + " " + i.name + ".wav" + (i.looped ? " looped" : "") +
                    (i.max ? " max=" + std::to_string(i.max) : "") + "\n";
    }
    std::string clips = "# made by makesounds: ITEM FILE, the sound part of each guide entry\n";
    for (const Clip& c : GuideClips(items)) {
        const bool stereo = c.sound.left != c.sound.right;
        const auto file = dir / "guide" / (c.item + ".wav");
        if (stereo)
            WriteWav(file, {&c.sound.left, &c.sound.right}, kRate);
        else
            WriteWav(file, {&c.sound.left}, kRate);
        clips += c.item + " " + c.item + ".wav\n";
    }
    WriteLast(dir / "guide" / "clips.txt", clips);
    WriteLast(dir / "manifest.txt", manifest);
}

} // namespace
} // namespace vl::assets

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: makesounds OUTDIR\n", stderr);
        return 2;
    }
    try {
        vl::assets::WriteAll(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
