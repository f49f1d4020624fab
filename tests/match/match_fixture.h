// SPDX-License-Identifier: GPL-3.0-or-later
// match_fixture: a match window on the headless toolkit with a tone bank, the sound calls it
// makes recorded, frames run one at a time.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "match/SpriteClass.h"
#include "match/Unit1.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"
#include "sound/SoundTrace.h"
#include "support/match_data.h"
#include "support/match_rig.h"

namespace vl::match {

struct SoundCall {
    std::string ev; // "play", "stop", "set"
    std::string item;
    bool wait = false;
    int32_t freq = 0, pan = 0, vol = 0;
    std::string key; // set: "freq", "pan", "vol"
    int32_t value = 0;
    uint64_t t = 0;
};

class SoundLog final : public sound::SoundTrace {
public:
    // The clock the calls are stamped with; none: 0.
    void SetClock(const platform::VirtualClock* clock) { clock_ = clock; }
    void OnPlay(std::string_view, std::string_view item, bool wait, bool, int32_t frequency,
                int32_t pan, int32_t volume) override {
        calls.push_back({"play", std::string(item), wait, frequency, pan, volume, "", 0, Now()});
    }
    void OnStop(std::string_view, std::string_view item) override {
        calls.push_back({"stop", std::string(item), false, 0, 0, 0, "", 0, Now()});
    }
    void OnSet(std::string_view, std::string_view item, std::string_view key,
               int32_t value) override {
        calls.push_back({"set", std::string(item), false, 0, 0, 0, std::string(key), value, Now()});
    }
    // The plays (or stops) of `item`, in order.
    std::vector<SoundCall> Of(const std::string& ev, const std::string& item) const {
        std::vector<SoundCall> out;
        for (const auto& c : calls)
            if (c.ev == ev && c.item == item) out.push_back(c);
        return out;
    }
    // The items played, in order.
    std::vector<std::string> Played() const {
        std::vector<std::string> out;
        for (const auto& c : calls)
            if (c.ev == "play") out.push_back(c.item);
        return out;
    }
    std::vector<SoundCall> calls;

private:
    uint64_t Now() const { return clock_ ? clock_->ElapsedMs() : 0; }
    const platform::VirtualClock* clock_ = nullptr;
};

class MatchFixture : public ::testing::Test {
protected:
    static const std::filesystem::path& Data() {
        static const std::filesystem::path dir = vl::testing::WriteMatchData(
            std::filesystem::path(VL_BINARY_DIR) / "test-match" / std::to_string(getpid()));
        return dir;
    }
    void SetUp() override {
        if (!std::filesystem::exists(Data() / "pics" / "game.dat"))
            GTEST_SKIP() << "no generated pictures in " << VL_DATA_DIR;
        rig = std::make_unique<vl::testing::MatchRig>(Data(), &log);
        log.SetClock(&rig->clock);
        form1 = rig->form1.get();
    }
    // "Start hry": the match start, then the window shown; the calls it made forgotten.
    void Start() {
        rig->Start();
        log.calls.clear();
    }
    void Frame() { rig->Frame(); }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }
    void Down(uint8_t vk) { rig->toolkit.UserKeyDown(vk); }
    void Up(uint8_t vk) { rig->toolkit.UserKeyUp(vk); }
    // A sprite of class T with picture `picture` placed by the test.
    template <class T> T& Place(const char* picture, double x, double y) {
        return form1->game.CreateSprite<T>(picture, x, y);
    }
    // Live sprites (not killed) of the class called `className`.
    int32_t Count(std::string_view className) const {
        const sprite::TSpriteEngine& engine = form1->DXSpriteEngine1.Engine();
        int32_t n = 0;
        for (int32_t i = 0; i < engine.ChildCount(); ++i)
            if (!engine.Child(i).IsDead() && SpriteClassName(engine.Child(i)) == className) ++n;
        return n;
    }
    // Keys of the match.
    static constexpr uint8_t kSpace = 0x20, kTab = 0x09, kE = 0x45, kC = 0x43, kX = 0x58, kF = 0x46,
                             kOne = 0x31, kPad1 = 0x61, kEsc = 0x1B, kUpArrow = 0x26,
                             kDownArrow = 0x28;

    SoundLog log;
    std::unique_ptr<vl::testing::MatchRig> rig;
    TForm1* form1 = nullptr;
};

} // namespace vl::match
