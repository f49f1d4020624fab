// SPDX-License-Identifier: GPL-3.0-or-later
// The state two machines of a duel compare: a change to any field of the match's dump —
// the flags, every field of both records, the timers, the sprites' places and flags —
// changes its hash, so two machines that drift apart are found at the next comparison.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "match/Properties.h"
#include "match/StateText.h"
#include "support/match_data.h"
#include "support/match_rig.h"

namespace vl::match {
namespace {

namespace fs = std::filesystem;
using match::tproperties;

TEST(StateText, EveryFieldOfTheMatchChangesTheHash) {
    const fs::path data = vl::testing::WriteMatchData(fs::path(VL_BINARY_DIR) / "test-net" /
                                                      ("state-" + std::to_string(getpid())));
    if (!fs::exists(data / "pics" / "game.dat")) GTEST_SKIP() << "no generated pictures";
    testing::MatchRig rig(data);
    rig.Start();
    match::Match& game = rig.form1->game;
    game.PlaceObjects();
    game.NewPickup();
    for (int i = 0; i < 5; ++i) rig.Frame();

    // Changes `what`, checks the hash moved, and puts it back. (Putting a timer back
    // starts its interval anew: that is a change of its own.)
    const auto expectSeen = [&](const std::string& what, const std::function<void()>& change,
                                const std::function<void()>& back) {
        const uint64_t before = HashOf(StateText(game));
        change();
        EXPECT_NE(HashOf(StateText(game)), before) << what << " is not in the state";
        back();
    };
    const auto flag = [&](const std::string& what, bool& f) {
        expectSeen(
            what, [&f] { f = !f; }, [&f] { f = !f; });
    };
    const auto number = [&](const std::string& what, auto& n) {
        expectSeen(
            what, [&n] { n = static_cast<std::remove_reference_t<decltype(n)>>(n + 1); },
            [&n] { n = static_cast<std::remove_reference_t<decltype(n)>>(n - 1); });
    };

    flag("gamerunning", game.gamerunning);
    flag("weaponblocked", game.weaponblocked);
    flag("weaponannounced", game.weaponannounced);
    number("weaponkind", game.weaponkind);
    number("objectcount", game.objectcount);
    for (const match::Side side : {match::Side::Left, match::Side::Right}) {
        tproperties& r = game.Record(side);
        const std::string s = side == match::Side::Left ? "left." : "right.";
        number(s + "energy", r.energy);
        number(s + "navigfreq", r.navigfreq);
        flag(s + "moving", r.moving);
        flag(s + "navigon", r.navigon);
        number(s + "blinkcount", r.blinkcount);
        number(s + "bullets", r.bullets);
        flag(s + "bulletflying", r.bulletflying);
        number(s + "missiles", r.missiles);
        flag(s + "missileflying", r.missileflying);
        number(s + "machgunrounds", r.machgunrounds);
        flag(s + "machgunlock", r.machgunlock);
        flag(s + "alarmon", r.alarmon);
        flag(s + "magnetflying", r.magnetflying);
    }
    for (size_t t = 0; t < match::kMatchTimerCount; ++t) {
        match::MatchTimerBase& timer = game.Timer(static_cast<match::MatchTimer>(t));
        const bool on = timer.Enabled();
        const uint32_t interval = timer.Interval();
        expectSeen(
            "timer " + std::to_string(t), [&] { timer.SetEnabled(!on); },
            [&] { timer.SetEnabled(on); });
        expectSeen(
            "interval " + std::to_string(t), [&] { timer.SetInterval(interval + 10); },
            [&] { timer.SetInterval(interval); });
    }
    const sprite::TSpriteEngine& engine = game.Engine();
    ASSERT_GT(engine.ChildCount(), 6); // background, craft, probes, a row, the pickup
    for (int32_t i = 0; i < engine.ChildCount(); ++i) {
        sprite::TSprite& s = const_cast<sprite::TSprite&>(engine.Child(i));
        const std::string what = "sprite " + std::to_string(i);
        expectSeen(
            what + " x", [&s] { s.X += 1; }, [&s] { s.X -= 1; });
        expectSeen(
            what + " y", [&s] { s.Y += 1; }, [&s] { s.Y -= 1; });
        flag(what + " visible", s.Visible);
    }
    fs::remove_all(data.parent_path());
}

} // namespace
} // namespace vl::match
