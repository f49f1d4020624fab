// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the match through its window: start, frames, craft, shots and their hits, alarms,
// counters spoken and drawn, and the close.
#include <algorithm>

#include "match/FieldObjects.h"
#include "match/Player.h"
#include "match/Radar.h"
#include "match/Shot.h"
#include "match/Weapon.h"
#include "match_fixture.h"

namespace vl::match {
namespace {

using Words = std::vector<std::string>;

class Match : public MatchFixture {
protected:
    // A shot of class T set so that its next step lands on the middle of `craft`.
    template <class T> T& ShotInto(sprite::TImageSprite& craft, const char* picture, int dx) {
        T& s =
            Place<T>(picture, craft.X + craft.Width / 2.0 - dx, craft.Y + craft.Height / 2.0 - 2);
        return s;
    }
};

TEST_F(Match, StartSetsRecordsSpritesSoundsAndTimers) {
    // Seeded from the clock once, as the match starts: the background, then the two
    // intervals are drawn.
    RandomGenerator seeded;
    seeded.Randomize(1234);
    const std::string background = "background" + std::to_string(1 + seeded.Random(5));
    rig->clock.AdvanceTo(1234);
    Start();
    const tproperties& l = form1->game.propertiesleft;
    const tproperties& r = form1->game.propertiesright;
    EXPECT_EQ(l.energy, 100);
    EXPECT_EQ(l.navigfreq, 94800);
    EXPECT_EQ(r.navigfreq, 19200);
    EXPECT_TRUE(l.navigon && r.navigon);
    EXPECT_EQ(l.bullets, 50);
    EXPECT_EQ(l.missiles, 1);
    EXPECT_EQ(r.machgunrounds, 200);
    EXPECT_TRUE(form1->game.gamerunning);

    sprite::TSpriteEngine& e = form1->DXSpriteEngine1.Engine();
    ASSERT_EQ(e.ChildCount(), 5);
    EXPECT_EQ(SpriteClassName(e.Child(0)), "TBackgrnd");
    EXPECT_EQ(SpritePictureName(e.Child(0)), background);
    EXPECT_EQ(e.Child(0).Z(), -2);
    const std::vector<std::tuple<const char*, const char*, double, double, bool>> placed = {
        {"TPlayer1", "tanklevy", 31, 0, true},
        {"Tradarleft", "radar", 141, 11, false},
        {"TPlayer2", "tankpravy", 395, 315, true},
        {"Tradarright", "radar", 153, 326, false}};
    for (int i = 0; i < 4; ++i) {
        const auto& [cls, pic, x, y, visible] = placed[static_cast<size_t>(i)];
        const auto& s = dynamic_cast<const sprite::TImageSprite&>(e.Child(i + 1));
        EXPECT_EQ(SpriteClassName(s), cls);
        EXPECT_EQ(SpritePictureName(s), pic);
        EXPECT_EQ(s.X, x);
        EXPECT_EQ(s.Y, y);
        EXPECT_EQ(s.Visible, visible) << cls;
        EXPECT_EQ(s.PixelCollision, visible) << cls;
    }
    EXPECT_EQ(form1->game.Timer(MatchTimer::Weapons).Interval(),
              10000u + static_cast<uint32_t>(seeded.Random(20000)));
    EXPECT_EQ(form1->game.Timer(MatchTimer::ObjectApp).Interval(),
              5000u + static_cast<uint32_t>(seeded.Random(5000)));
    for (const MatchTimer t : {MatchTimer::Weapons, MatchTimer::ObjectApp, MatchTimer::MachgunLeft,
                               MatchTimer::MachgunRight})
        EXPECT_TRUE(form1->game.Timer(t).Enabled());
    EXPECT_TRUE(form1->DXTimer1.Enabled());
    EXPECT_EQ(form1->game.Wave("tankstoji").Volume(), -400);
    EXPECT_EQ(form1->game.Wave("navig1").Volume(), -800);
    EXPECT_EQ(form1->game.Wave("navig2").Pan(), 10000);
}

TEST_F(Match, CraftMovesWithRadarAndPitchAndSwitchesSoundsOnlyOnChange) {
    Start();
    TPlayer1& p = *form1->game.player1;
    Down(kE); // up at the top: no move
    Frame();
    EXPECT_EQ(p.Y, 0);
    EXPECT_EQ(form1->game.propertiesleft.navigfreq, 94800);
    EXPECT_TRUE(log.Of("play", "tankjede").empty());
    Up(kE);
    Down(kC);
    Frames(3);
    EXPECT_EQ(p.Y, 3);
    EXPECT_EQ(form1->game.radarleft->Y, 14);
    EXPECT_EQ(form1->game.propertiesleft.navigfreq, 94800 - 3 * 240);
    EXPECT_EQ(log.Of("play", "tankjede").size(), 1u);
    EXPECT_EQ(log.Of("stop", "tankstoji").size(), 1u);
    Frame(); // the navigation tone follows the height at the start of the next frame
    EXPECT_EQ(form1->game.Wave("navig1").Frequency(), 94800 - 3 * 240);
    Down(kE); // both: up one and down one
    Frames(2);
    EXPECT_EQ(p.Y, 4);
    EXPECT_TRUE(form1->game.propertiesleft.moving);
    Up(kE);
    Up(kC);
    Frame();
    EXPECT_FALSE(form1->game.propertiesleft.moving);
    EXPECT_EQ(log.Of("play", "tankstoji").size(), 1u);
    // The right craft at the bottom cannot go lower.
    Down(kDownArrow);
    Frame();
    EXPECT_EQ(form1->game.player2->Y, 315);
    EXPECT_TRUE(log.Of("play", "tankjede2").empty());
}

TEST_F(Match, GunFiresFromTheNewHeightOnceUntilTheBulletIsGoneThenClicksWhenEmpty) {
    Start();
    Down(kC);
    Down(kSpace);
    Frame();
    ASSERT_EQ(Count("TBullet1"), 1);
    const auto& e = form1->DXSpriteEngine1.Engine();
    const sprite::TSprite& bullet = e.Child(e.ChildCount() - 1);
    EXPECT_EQ(bullet.X, 141);
    EXPECT_EQ(bullet.Y, 11); // the craft moved to 1 in this frame
    EXPECT_EQ(log.Of("play", "gun").at(0).pan, -10000);
    Up(kC);
    // 141 + 10 per frame: past 536 in its 40th step; no second bullet before that.
    Frames(39);
    EXPECT_EQ(Count("TBullet1"), 1);
    EXPECT_EQ(form1->game.propertiesleft.bullets, 49);
    Frame();
    EXPECT_EQ(Count("TBullet1"), 0);
    EXPECT_FALSE(form1->game.propertiesleft.bulletflying);
    Frame();
    EXPECT_EQ(Count("TBullet1"), 1);
    EXPECT_EQ(form1->game.propertiesleft.bullets, 48);

    form1->game.propertiesleft.missiles = 0;
    Up(kSpace);
    Down(kTab);
    const uint64_t t0 = rig->clock.ElapsedMs();
    Frames(3);
    const auto clicks = log.Of("play", "emptygun");
    ASSERT_EQ(clicks.size(), 3u);
    EXPECT_TRUE(clicks[0].wait);
    EXPECT_EQ(clicks[0].pan, -10000);
    EXPECT_GE(rig->clock.ElapsedMs() - t0, 150u); // each click paused the match
}

TEST_F(Match, DamageTableAtItsEdges) {
    struct Case {
        const char* kind;
        uint8_t before;
        bool destroyed;
    };
    for (const Case c :
         {Case{"bullet", 10, true}, Case{"bullet", 11, false}, Case{"round", 1, true},
          Case{"round", 2, false}, Case{"missile", 50, true}, Case{"missile", 51, false}}) {
        SCOPED_TRACE(std::string(c.kind) + " at " + std::to_string(c.before));
        Start();
        form1->game.propertiesright.energy = c.before;
        TPlayer2& target = *form1->game.player2;
        const std::string k = c.kind;
        if (k == "bullet") ShotInto<TBullet1>(target, "strelaleva", 10);
        if (k == "round") ShotInto<Tmachgunleft>(target, "machgun", 10);
        if (k == "missile") ShotInto<Tmissileleft>(target, "missileleft", 10);
        tproperties& l = form1->game.propertiesleft;
        bool& lock = k == "bullet"  ? l.bulletflying
                     : k == "round" ? l.machgunlock
                                    : l.missileflying;
        lock = true;
        Frame();
        EXPECT_FALSE(lock);
        if (c.destroyed) {
            EXPECT_EQ(form1->game.propertiesright.energy, 0);
            EXPECT_EQ(form1->game.player2, nullptr);
            EXPECT_FALSE(form1->game.gamerunning);
            ASSERT_EQ(log.Of("play", "explos").size(), 1u);
            EXPECT_EQ(log.Of("play", "explos")[0].pan, 10000);
            EXPECT_EQ(Count("TPlayer2"), 0);
        } else {
            EXPECT_EQ(form1->game.propertiesright.energy, 1);
            ASSERT_EQ(log.Of("play", "hit").size(), 1u);
            EXPECT_EQ(log.Of("play", "hit")[0].pan, 10000);
            EXPECT_TRUE(form1->game.Timer(MatchTimer::BlinkRight).Enabled());
            EXPECT_EQ(form1->game.propertiesright.blinkcount, 0);
        }
        form1->form.Close(); // a destroyed craft is not killed a second time
        EXPECT_EQ(form1->DXSpriteEngine1.Engine().ChildCount(), 0) << "only the shot was left";
        EXPECT_FALSE(form1->form.Visible());
        form1->DXSpriteEngine1.Engine().FreeChildren();
        log.calls.clear();
    }
}

TEST_F(Match, BlinkHidesThreeTimesAndASecondMatchKeepsTheCount) {
    Start();
    form1->game.propertiesright.energy = 50;
    ShotInto<TBullet1>(*form1->game.player2, "strelaleva", 10);
    Frame();
    std::vector<bool> seen;
    for (int i = 0; i < 6; ++i) {
        form1->game.BlinkStep(Side::Right);
        seen.push_back(form1->game.player2->Visible);
    }
    EXPECT_EQ(seen, (std::vector<bool>{false, true, false, true, false, true}));
    EXPECT_FALSE(form1->game.Timer(MatchTimer::BlinkRight).Enabled());
    form1->form.Close();
    Start();
    EXPECT_EQ(form1->game.propertiesright.blinkcount, 6);
    EXPECT_EQ(form1->game.propertiesright.energy, 100);
}

TEST_F(Match, AlarmStartsAtTenStopsAboveAndIsLeftAloneAtZero) {
    Start();
    form1->game.propertiesleft.energy = 11;
    Frame();
    EXPECT_TRUE(log.Of("play", "alertleft").empty());
    form1->game.propertiesleft.energy = 10;
    Frames(2);
    ASSERT_EQ(log.Of("play", "alertleft").size(), 1u);
    EXPECT_EQ(log.Of("play", "alertleft")[0].pan, -10000);
    form1->game.propertiesleft.energy = 11;
    Frame();
    EXPECT_EQ(log.Of("stop", "alertleft").size(), 1u);
    EXPECT_FALSE(form1->game.propertiesleft.alarmon);
    form1->game.propertiesright.energy = 0;
    Frame();
    EXPECT_TRUE(log.Of("play", "alertright").empty());
    // Closing the window silences a sounding alarm.
    form1->game.propertiesright.energy = 5;
    Frame();
    ASSERT_TRUE(form1->game.propertiesright.alarmon);
    form1->form.Close();
    EXPECT_FALSE(form1->game.propertiesright.alarmon);
    EXPECT_FALSE(log.Of("stop", "alertright").empty());
}

TEST_F(Match, ShotsOnFieldObjects) {
    Start();
    // A missile through a column of two destroys both and flies on.
    Place<Tglass>("glass", 230, 100);
    Place<Tphone>("phone", 230, 100 + form1->DXImageList1.Items().Find("glass").ImageHeight());
    form1->game.objectcount = 2;
    auto& missile = Place<Tmissileleft>("missileleft", 220, 100);
    missile.Height = 200; // reaches both objects at once
    Frame();
    EXPECT_EQ(form1->game.objectcount, 0);
    EXPECT_EQ(log.Played(), (Words{"glass", "phone"}));
    EXPECT_EQ(log.Of("play", "glass")[0].pan, 0);
    EXPECT_EQ(Count("Tmissileleft"), 1);
    EXPECT_TRUE(form1->game.Timer(MatchTimer::ObjectApp).Enabled());

    // A bullet touching two objects in its last frame runs its hook for each; a second
    // bullet on an object already destroyed in the same frame passes by.
    missile.Kill();
    Frame();
    log.calls.clear();
    Place<Talarm>("alarm", 230, 200);
    Place<Tcamera>("camera", 230, 200 + form1->DXImageList1.Items().Find("alarm").ImageHeight());
    form1->game.objectcount = 2;
    auto& b1 = Place<TBullet1>("strelaleva", 220, 200);
    b1.Height = 200;
    auto& b2 = Place<TBullet2>("strelaprava", 240, 200);
    b2.Height = 10;
    Frame();
    EXPECT_EQ(form1->game.objectcount, 0);
    EXPECT_EQ(log.Played(), (Words{"alarm", "camera"}));
    EXPECT_EQ(Count("TBullet1"), 0);
    EXPECT_EQ(Count("TBullet2"), 1);

    // A round plays its own sound and leaves the object standing.
    log.calls.clear();
    Place<Tglass>("glass", 230, 150);
    form1->game.objectcount = 1;
    form1->game.propertiesright.machgunlock = true;
    Place<Tmachgunright>("machgun", 240, 152);
    Frame();
    EXPECT_EQ(log.Played(), (Words{"machgunhitobject"}));
    EXPECT_EQ(Count("Tglass"), 1);
    EXPECT_EQ(form1->game.objectcount, 1);
    EXPECT_EQ(Count("Tmachgunright"), 0);
    EXPECT_FALSE(form1->game.propertiesright.machgunlock);
}

TEST_F(Match, MagnetBehindAnObjectCollectsThePickupAndSpeaksTheNewCount) {
    Start();
    Place<Tglass>("glass", 230, 100); // 40 x 32
    form1->game.objectcount = 1;
    Place<Tweapon>("energyicon", 257, 132); // just below the glass, beyond its left edge
    form1->game.weaponkind = 1;
    form1->game.weaponannounced = true;
    form1->game.Timer(MatchTimer::Weapons).SetEnabled(false);
    form1->game.propertiesleft.energy = 37;
    form1->game.propertiesleft.magnetflying = true;
    auto& magnet = Place<Tmagnetleft>("magnetleft", 210, 120);
    Frame(); // over the glass: hidden, flies on
    EXPECT_FALSE(magnet.Visible);
    EXPECT_EQ(Count("Tweapon"), 1);
    Frames(2); // reaches the pickup beyond
    EXPECT_EQ(Count("Tweapon"), 0);
    EXPECT_EQ(form1->game.propertiesleft.energy, 100);
    EXPECT_TRUE(form1->game.Timer(MatchTimer::Weapons).Enabled());
    EXPECT_EQ(log.Of("stop", "navigweap").size(), 1u);
    EXPECT_EQ(log.Played(), (Words{"getweap", "energysp", "sto"}));
    EXPECT_EQ(log.Of("play", "getweap")[0].pan, -10000);
    EXPECT_TRUE(log.Of("play", "energysp")[0].wait);
    EXPECT_EQ(log.Of("play", "sto")[0].pan, -10000);
    // It flies on and blocks the next magnet until it has left the field.
    Down(kF);
    Frames(29); // 240 + 290 = 530: still on the field
    EXPECT_EQ(Count("Tmagnetleft"), 1);
    EXPECT_TRUE(log.Of("play", "magnet").empty());
    Frames(2);
    EXPECT_EQ(log.Of("play", "magnet").size(), 1u);
}

TEST_F(Match, CountersAreSpokenLeftFirstThenEscClosesAndAnEndedMatchStillSpeaks) {
    Start();
    form1->game.propertiesleft.energy = 45;
    form1->game.propertiesright.energy = 100;
    Down(kOne);
    Down(kPad1);
    Frame();
    EXPECT_EQ(log.Played(), (Words{"40", "5", "sto"}));
    EXPECT_EQ(log.Of("play", "40")[0].pan, -10000);
    EXPECT_EQ(log.Of("play", "sto")[0].pan, 10000);
    EXPECT_TRUE(log.Of("play", "sto")[0].wait);
    Up(kPad1);

    form1->stopmatch(); // the ended match: drawn and spoken, nothing moves
    log.calls.clear();
    const double y = form1->game.player1->Y;
    Down(kC);
    Frame();
    EXPECT_EQ(form1->game.player1->Y, y);
    EXPECT_EQ(log.Played(), (Words{"40", "5"}));

    log.calls.clear();
    Down(kEsc);
    Frame();
    EXPECT_EQ(log.Played().front(), "40");
    EXPECT_FALSE(form1->form.Visible());
    EXPECT_FALSE(form1->DXTimer1.Enabled());
    EXPECT_EQ(form1->DXSpriteEngine1.Engine().ChildCount(), 0);
}

TEST_F(Match, CountersAreDrawnInRedOverTheirIcons) {
    Start();
    form1->game.propertiesleft.bullets = 7;
    Frame();
    graphics::TDirectDrawSurface& s = form1->DXDraw1.Surface();
    // Somewhere in the left bullet number's box there is pure red.
    bool red = false;
    for (int y = 38; y < 52 && !red; ++y)
        for (int x = 0; x < 12 && !red; ++x) red = (s.Pixel(x, y) & 0xFFFFFF) == 0xFF0000;
    EXPECT_TRUE(red);
    // Three-digit counters on the right are drawn whole: no red reaches the last column,
    // where a number cut by the edge would end, though some is drawn near it.
    form1->game.propertiesright.bullets = 200;
    form1->game.propertiesright.energy = 255;
    Frame();
    const auto redness = [&](int x, int y) {
        const uint32_t p = s.Pixel(x, y);
        return static_cast<int>(p >> 16 & 0xFF) - static_cast<int>(p >> 8 & 0xFF);
    };
    int nearEdge = 0;
    for (int y = 0; y < 110; ++y) {
        EXPECT_LT(redness(kFieldWidth - 1, y), 60) << "row " << y;
        for (int x = kFieldWidth - 8; x < kFieldWidth - 1; ++x) nearEdge += redness(x, y) > 150;
    }
    EXPECT_GT(nearEdge, 0);
}

TEST_F(Match, DisplayThatCannotDrawShowsTheMessageAndClosesTheWindow) {
    Start();
    form1->DXDraw1.Finalize();
    Frame();
    ASSERT_EQ(rig->toolkit.MessageBoxes().size(), 1u);
    EXPECT_EQ(rig->toolkit.MessageBoxes()[0].text, "Chybná instalace DirectX");
    EXPECT_FALSE(form1->form.Visible());
}

} // namespace
} // namespace vl::match
