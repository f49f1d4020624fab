// SPDX-License-Identifier: GPL-3.0-or-later
// The match as an object of its own: its driver built on a bare sprite engine, picture
// collection and tone bank — no window, no display — and stepped frame by frame, with what
// the rules say about climbing, shot heights and pickups.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "match/ComputerPlayer.h"
#include "match/FieldObjects.h"
#include "match/Match.h"
#include "match/MatchDriver.h"
#include "match/Pickup.h"
#include "match/Player.h"
#include "match/Radar.h"
#include "match/Shot.h"
#include "match/Weapon.h"
#include "match/match_fixture.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"

namespace vl::match {
namespace {

namespace fs = std::filesystem;
using input::Action;

class Owner final : public sound::SoundOwnerWindow {
public:
    uint64_t NativeHandle() const override { return 1; }
    void AddHandleHook(const void*, std::function<void(uint64_t)>) override {}
    void RemoveHandleHook(const void*) override {}
};

class MatchObject : public ::testing::Test {
protected:
    static const fs::path& Data() {
        static const fs::path dir = vl::testing::WriteMatchData(
            fs::path(VL_BINARY_DIR) / "test-match" / ("object-" + std::to_string(getpid())));
        return dir;
    }
    void SetUp() override {
        if (!fs::exists(Data() / "pics" / "game.dat")) GTEST_SKIP() << "no generated pictures";
        clock.AddAdvanceListener([this](uint64_t now) { audio.RenderUntilMs(now); });
        device.Loaded();
        bank.SetTrace(&log);
        bank.SetDXSound(&device);
        bank.Items().LoadFromFile((Data() / "snd" / "game.dat").string());
        pictures.LoadFromFile((Data() / "pics" / "game.dat").string());
        log.SetClock(&clock);
    }
    // One frame with the left player's and the right player's `actions`.
    void Frame(std::initializer_list<Action> left = {}, std::initializer_list<Action> right = {}) {
        input::FrameInput in;
        for (const Action a : left) in.Of(Side::Left).Add(a);
        for (const Action a : right) in.Of(Side::Right).Add(a);
        driver.Step(in, view);
        clock.SleepMs(10);
    }
    // The frequencies the frames gave `item`, in order.
    std::vector<int32_t> Frequencies(const std::string& item) const {
        std::vector<int32_t> out;
        for (const SoundCall& c : log.calls)
            if (c.ev == "set" && c.item == item && c.key == "freq") out.push_back(c.value);
        return out;
    }
    template <class T> const T* Find() const {
        for (int32_t i = 0; i < engine.ChildCount(); ++i)
            if (const auto* s = dynamic_cast<const T*>(&engine.Child(i)); s && !s->IsDead())
                return s;
        return nullptr;
    }

    platform::VirtualClock clock;
    platform::OfflineAudioBackend audio;
    platform::HeadlessToolkit toolkit{clock};
    Owner owner;
    sound::TDXSound device{sound::SoundContext{&audio, &clock}, &owner};
    sound::TDXWaveList bank{"DXWaveList1"};
    graphics::TPictureCollection pictures;
    sprite::TSpriteEngine engine;
    SoundLog log;
    FrameView view;
    MatchDriver driver{DriverParts{engine, pictures, bank.Items(), [] { return 348; }}};
    Match& match = driver.Game();
    const SideTable& left = SideOf(Side::Left);
};

TEST_F(MatchObject, CraftClimbsAndSinksAPixelAFrameWithItsPitchAndShotsStartAtItsNewHeight) {
    driver.Start(1);
    ASSERT_NE(match.player1, nullptr);
    for (int i = 0; i < 5; ++i) Frame({Action::Descend});
    for (int i = 0; i < 2; ++i) Frame({Action::Climb});
    EXPECT_EQ(match.player1->Y, 3);
    EXPECT_EQ(match.radarleft->Y, 14);
    // Each frame gives the tone the pitch the record had when it began.
    const std::vector<int32_t> f = Frequencies(std::string(left.navigation));
    ASSERT_EQ(f.size(), 8U); // Start's, then one a frame
    EXPECT_EQ(f.back(), 94800 - 240 * 4);
    EXPECT_EQ(match.propertiesleft.navigfreq, 94800 - 240 * 3);

    // All four fired in one frame that also sinks the craft: each from the new height.
    Frame({Action::Descend, Action::Gun, Action::Missile, Action::Machgun, Action::Magnet});
    const double y = match.player1->Y;
    ASSERT_EQ(y, 4);
    ASSERT_NE(Find<TBullet1>(), nullptr);
    // A shot has made its first step when the frame after its launch has run; its height
    // does not change.
    EXPECT_EQ(Find<TBullet1>()->Y, y + 10);
    EXPECT_EQ(Find<Tmissileleft>()->Y, y + 10);
    EXPECT_EQ(Find<Tmachgunleft>()->Y, y + 13);
    EXPECT_EQ(Find<Tmagnetleft>()->Y, y + 5);
    EXPECT_EQ(match.propertiesleft.bullets, 49);
    EXPECT_EQ(match.propertiesleft.missiles, 0);
    EXPECT_EQ(match.propertiesleft.machgunrounds, 199);
}

TEST_F(MatchObject, EachPickupKindRefillsItsCounterAndSpeaksTheNewValue) {
    driver.Start(1);
    struct Case {
        PickupKind kind;
        int32_t tproperties::*counter; // null: energy
        int32_t before, after;
        std::vector<std::string> spoken;
    };
    const Case cases[] = {
        {PickupKind::Energy, nullptr, 37, 100, {"energysp", "sto"}},
        {PickupKind::Bullets, &tproperties::bullets, 3, 53, {"bulletsp", "50", "3"}},
        {PickupKind::Missiles, &tproperties::missiles, 0, 1, {"missilesp", "1"}},
        {PickupKind::Machgun, &tproperties::machgunrounds, 300, 400, {"machgunsp", "4", "sta"}},
    };
    for (const Case& c : cases) {
        tproperties& r = match.Record(Side::Right);
        if (c.counter)
            r.*c.counter = c.before;
        else
            r.energy = static_cast<uint8_t>(c.before);
        match.weaponkind = static_cast<uint8_t>(c.kind);
        Tweapon& pickup = match.CreateSprite<Tweapon>(PickupOf(match.weaponkind)->icon, 257, 100);
        log.calls.clear();
        match.CollectPickup(pickup, Side::Right);
        EXPECT_EQ(c.counter ? r.*c.counter : r.energy, c.after);
        EXPECT_TRUE(pickup.IsDead());
        EXPECT_TRUE(match.Timer(MatchTimer::Weapons).Enabled());
        std::vector<std::string> spoken;
        for (const SoundCall& call : log.calls)
            if (call.ev == "play" && call.wait) {
                spoken.push_back(call.item);
                EXPECT_EQ(call.pan, 10000) << call.item; // the collector's side
            }
        EXPECT_EQ(spoken, c.spoken);
        engine.FreeKilled();
    }
    // Nothing else changed: the left record is as Start left it.
    EXPECT_EQ(match.propertiesleft.bullets, 50);
    EXPECT_EQ(match.propertiesleft.energy, 100);
}

TEST_F(MatchObject, AStartedMatchRunsAndCloseLeavesAnEmptyFieldAndSilence) {
    driver.Start(1);
    EXPECT_TRUE(match.gamerunning);
    EXPECT_TRUE(match.Timer(MatchTimer::Weapons).Enabled());
    match.PlaceObjects();
    EXPECT_GT(match.objectcount, 0);
    for (int i = 0; i < 20; ++i) Frame({Action::Descend}, {Action::Climb});
    match.Close();
    EXPECT_FALSE(match.gamerunning);
    EXPECT_EQ(match.player1, nullptr);
    EXPECT_EQ(engine.ChildCount(), 0); // the sweep took the row, the rest was removed
    EXPECT_FALSE(match.Timer(MatchTimer::Weapons).Enabled());
    driver.Start(2); // and the next match starts on the empty field
    EXPECT_NE(match.player2, nullptr);
}

// Whatever the field and the devices hold, a computer player decides its own side alone: its
// side's actions are its decision whatever the devices gave (a twin fed nothing decides
// the same), never a counter; the other side's actions and Esc pass as they came. The
// devices draw from every action of both sides and Esc, frame by frame. Every level moves
// and fires; the practice target moves and never fires.
TEST_F(MatchObject, ComputerSetsOnlyItsSidesMovementAndWeaponStates) {
    for (const Side side : {Side::Left, Side::Right}) {
        for (int32_t level = kPracticeLevel; level <= kComputerLevels; ++level) {
            match.Close();
            driver.Start(static_cast<uint32_t>(level));
            match.PlaceObjects();
            ComputerPlayer computer(side, level), twin(side, level);
            const Side other = Opposite(side);
            uint32_t keys = 12345U * static_cast<uint32_t>(level + 1);
            input::ActionSet seen; // everything the computer did over the run
            for (int frame = 0; frame < 3000 && match.gamerunning; ++frame) {
                keys = keys * 1664525U + 1013904223U;
                input::FrameInput before;
                before.Of(Side::Left) = input::ActionSet::FromBits(static_cast<uint16_t>(keys));
                before.Of(Side::Right) =
                    input::ActionSet::FromBits(static_cast<uint16_t>(keys >> 10));
                before.leave = (keys >> 31) != 0;
                input::FrameInput after = before, alone;
                computer.Play(match, after);
                twin.Play(match, alone);
                ASSERT_EQ(after.Of(side), alone.Of(side))
                    << "frame " << frame << " level " << level;
                ASSERT_EQ(after.Of(other), before.Of(other)) << "frame " << frame;
                ASSERT_EQ(after.leave, before.leave) << "frame " << frame;
                for (const Action a : {Action::SayEnergy, Action::SayBullets, Action::SayMissiles,
                                       Action::SayRounds})
                    ASSERT_FALSE(after.Has(side, a)) << "frame " << frame;
                seen = input::ActionSet::FromBits(seen.Bits() | after.Of(side).Bits());
                // The match runs on the computer's side alone: the other side's counters
                // would only slow the run with speech, and Esc is the window's.
                input::FrameInput played;
                played.Of(side) = after.Of(side);
                match.Frame(played, view);
                clock.SleepMs(10);
            }
            EXPECT_TRUE(seen.Has(Action::Climb) && seen.Has(Action::Descend)) << level;
            const bool fired = seen.Has(Action::Gun) || seen.Has(Action::Machgun) ||
                               seen.Has(Action::Missile) || seen.Has(Action::Magnet);
            EXPECT_EQ(fired, level != kPracticeLevel) << level;
        }
    }
}

// What the computer hears: an echo only while an obstacle stands across its own probe, and
// the other craft's shots only from their launch on, reckoned onwards 10 pixels a frame — a
// shot that appears on the field unheard is not known.
TEST_F(MatchObject, TheComputerHearsWhatAPlayerHears) {
    driver.Start(7);
    ComputerPlayer computer(Side::Left, 3);
    const auto listen = [&] {
        input::FrameInput in;
        computer.Play(match, in);
        return computer.Heard();
    };
    const double y = match.player1->Y;
    auto& glass = match.CreateSprite<Tglass>("glass", 250, y + 100); // another row
    EXPECT_FALSE(listen().echo);
    glass.Y = y + 8; // across the probe, in front of the craft
    EXPECT_TRUE(listen().echo);
    glass.Kill();
    engine.FreeKilled();
    EXPECT_FALSE(listen().echo);
    EXPECT_EQ(listen().otherY, match.player2->Y);

    match.CreateSprite<TShot<ShotKind::Bullet, Side::Right>>("strelaprava", 250, y + 10);
    EXPECT_TRUE(listen().shots.empty()); // on the field, but never heard fired
    Frame({}, {Action::Gun});            // the right craft fires: heard
    const Hearing first = listen();
    ASSERT_EQ(first.shots.size(), 1U);
    EXPECT_EQ(first.shots[0].box.y, match.player2->Y + 10);
    Frame();
    const Hearing second = listen();
    ASSERT_EQ(second.shots.size(), 1U);
    EXPECT_EQ(second.shots[0].box.x, first.shots[0].box.x - 10);
}

} // namespace
} // namespace vl::match
