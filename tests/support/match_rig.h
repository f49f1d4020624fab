// SPDX-License-Identifier: GPL-3.0-or-later
// match_rig: a match window on the headless toolkit (virtual clock, offline mixer) with a
// data folder, for tests and benchmarks; and the soak driver that plays both players at
// random for a stretch of virtual time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

#include "match/FieldObjects.h"
#include "match/Unit1.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"
#include "sound/SoundTrace.h"

namespace vl::testing {

class MatchRig {
public:
    // The window created in `data` (as start-up does it in the program's folder), the menu
    // in front. `trace` may be null. Throws when the creation handler failed.
    explicit MatchRig(const std::filesystem::path& data, sound::SoundTrace* trace = nullptr) {
        // The mixer plays as virtual time passes, so a play with wait ends.
        clock.AddAdvanceListener([this](uint64_t now) { audio.RenderUntilMs(now); });
        form1 = std::make_unique<match::TForm1>(
            sound::WindowContext{toolkit, sound::SoundContext{&audio, &clock}, trace});
        const auto here = std::filesystem::current_path();
        std::filesystem::current_path(data);
        const bool created = toolkit.Invoke(form1->form.OnCreate);
        std::filesystem::current_path(here);
        if (!created) throw std::runtime_error("the match window could not load its data");
        menu.Show();
    }
    // "Start hry": the match start, then the window shown.
    void Start() {
        form1->startmatch();
        form1->form.Show();
    }
    void Frame() { form1->DXTimer1Timer(form1->DXTimer1, 0); }
    // Field objects on the field (not killed).
    int32_t Obstacles() const {
        const sprite::TSpriteEngine& engine = form1->DXSpriteEngine1.Engine();
        int32_t n = 0;
        for (int32_t i = 0; i < engine.ChildCount(); ++i)
            if (!engine.Child(i).IsDead() &&
                dynamic_cast<const match::TFieldObject*>(&engine.Child(i)))
                ++n;
        return n;
    }

    platform::VirtualClock clock;
    platform::OfflineAudioBackend audio;
    platform::HeadlessToolkit toolkit{clock};
    platform::Form& menu = toolkit.CreateForm("mainmenuform", "Hlavní menu", 0, 0, 300, 200);
    std::unique_ptr<match::TForm1> form1;
};

// Plays matches for `ms` of virtual time from the rig's current time: every 10 to 200 ms
// one of the match keys of both players is pressed and held for 10 to 300 ms (a move key
// 100 to 1500 ms), drawn from
// a generator seeded with `seed` (the counter keys, which pause the match while a number
// is spoken, a tenth as often as the others); a match that has ended is closed and a new
// one started. `check` runs after every 10 ms step with the number of matches so far.
inline void Soak(MatchRig& rig, uint32_t seed, uint64_t ms,
                 const std::function<void(int matches)>& check) {
    // Moving, firing and magnets of both players, then the two energy keys.
    static constexpr uint8_t kKeys[] = {0x45, 0x43, 0x20, 0x09, 0x58, 0x46, 0x26,
                                        0x28, 0x10, 0x0D, 0x60, 0x25, 0x31, 0x61};
    constexpr size_t kCount = sizeof kKeys;
    uint64_t releaseAt[kCount] = {};
    uint32_t state = seed;
    const auto next = [&state](uint32_t n) {
        state = state * 1664525U + 1013904223U;
        return static_cast<uint32_t>((uint64_t{state} * n) >> 32);
    };
    rig.Start();
    int matches = 1;
    const uint64_t end = rig.clock.ElapsedMs() + ms;
    uint64_t nextPress = rig.clock.ElapsedMs();
    while (rig.clock.ElapsedMs() < end) {
        const uint64_t now = rig.clock.ElapsedMs();
        for (size_t k = 0; k < kCount; ++k)
            if (releaseAt[k] != 0 && now >= releaseAt[k]) {
                rig.toolkit.UserKeyUp(kKeys[k]);
                releaseAt[k] = 0;
            }
        if (now >= nextPress) {
            uint32_t k = next(kCount - 2);
            if (next(120) == 0) k = static_cast<uint32_t>(kCount - 2 + next(2));
            if (releaseAt[k] == 0) rig.toolkit.UserKeyDown(kKeys[k]);
            // The craft wander the whole field: their moves are held longer.
            const bool move = k == 0 || k == 1 || k == 6 || k == 7;
            releaseAt[k] = now + (move ? 100 + next(1400) : 10 + next(290));
            nextPress = now + 10 + next(190);
        }
        rig.toolkit.RunUntil(now + 10);
        if (!rig.form1->game.gamerunning && rig.form1->form.Visible()) {
            rig.form1->form.Close();
            rig.Start();
            ++matches;
        }
        check(matches);
    }
    for (size_t k = 0; k < kCount; ++k)
        if (releaseAt[k] != 0) rig.toolkit.UserKeyUp(kKeys[k]);
}

} // namespace vl::testing
