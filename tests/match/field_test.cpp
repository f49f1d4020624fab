// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the field: obstacle rows, the weapon pickup and its announcement, the radar
// echoes and the close handler's sweep.
#include "match/FieldObjects.h"
#include "match/Shot.h"
#include "match/Weapon.h"
#include "match_fixture.h"

namespace vl::match {
namespace {

using Words = std::vector<std::string>;

class Field : public MatchFixture {
protected:
    // A pickup of kind 2 (bullets) at (257, y), as the weapon timer makes it.
    Tweapon& Pickup(double y) {
        form1->game.weaponkind = 2;
        form1->game.weaponannounced = false;
        form1->game.Timer(MatchTimer::Weapons).SetEnabled(false);
        Tweapon& w = Place<Tweapon>("bulleticon", 257, y);
        w.Visible = false;
        return w;
    }
};

TEST_F(Field, PlaceObjectsStacksARowAndCountsIt) {
    Start();
    for (uint32_t seed : {0u, 1u, 777u, 123456u}) {
        rig->clock.AdvanceTo(rig->clock.ElapsedMs() + seed % 1000 + 1);
        form1->placeobjects();
        std::vector<const sprite::TSprite*> row;
        const auto& e = form1->DXSpriteEngine1.Engine();
        for (int32_t i = 0; i < e.ChildCount(); ++i)
            if (!e.Child(i).IsDead() && dynamic_cast<const TFieldObject*>(&e.Child(i)))
                row.push_back(&e.Child(i));
        ASSERT_GE(row.size(), 1u);
        EXPECT_EQ(form1->game.objectcount, row.size());
        EXPECT_LE(row[0]->Y, 86);
        for (size_t i = 1; i < row.size(); ++i) {
            const double gap = row[i]->Y - (row[i - 1]->Y + row[i - 1]->Height);
            EXPECT_GE(gap, 0);
            EXPECT_LE(gap, 34);
        }
        for (const auto* o : row) {
            EXPECT_EQ(o->X, 230);
            const_cast<sprite::TSprite*>(o)->Kill();
        }
        form1->DXSpriteEngine1.FreeKilled();
    }
}

TEST_F(Field, ObstacleTimerPlacesNothingWhileAPickupIsOnTheField) {
    Start();
    form1->game.Timer(MatchTimer::Weapons).SetEnabled(false);
    form1->game.ObjectRowDue();
    EXPECT_EQ(Count("Talarm") + Count("Tglass") + Count("Tcamera") + Count("Tphone"), 0);
    EXPECT_TRUE(form1->game.Timer(MatchTimer::ObjectApp).Enabled());
    form1->game.Timer(MatchTimer::Weapons).SetEnabled(true);
    form1->game.ObjectRowDue();
    EXPECT_GT(form1->game.objectcount, 0);
    EXPECT_FALSE(form1->game.Timer(MatchTimer::ObjectApp).Enabled());
    EXPECT_EQ(log.Of("play", "objapp").size(), 1u);
}

TEST_F(Field, WeaponTimerMakesOneHiddenPickupAtX257) {
    Start();
    form1->game.NewPickup();
    ASSERT_EQ(Count("Tweapon"), 1);
    const auto& e = form1->DXSpriteEngine1.Engine();
    const auto& w = dynamic_cast<const Tweapon&>(e.Child(e.ChildCount() - 1));
    EXPECT_EQ(w.X, 257);
    EXPECT_GE(w.Y, 10);
    EXPECT_LE(w.Y, 337);
    EXPECT_FALSE(w.Visible);
    EXPECT_FALSE(form1->game.Timer(MatchTimer::Weapons).Enabled());
    EXPECT_GE(form1->game.weaponkind, 1);
    EXPECT_LE(form1->game.weaponkind, 4);
    EXPECT_GE(form1->game.Timer(MatchTimer::Weapons).Interval(), 10000u);
    EXPECT_LT(form1->game.Timer(MatchTimer::Weapons).Interval(), 30000u);
}

TEST_F(Field, ClearPickupIsAnnouncedInItsFirstFrameWithTheBeaconAtItsHeight) {
    Start();
    for (const auto& [y, hz] : {std::pair{200.0, 47040}, std::pair{316.0, 19200}}) {
        Tweapon& w = Pickup(y);
        Frame();
        EXPECT_TRUE(w.Visible);
        EXPECT_TRUE(form1->game.weaponannounced);
        EXPECT_EQ(log.Played(), (Words{"weapapp", "bulletsp", "navigweap"}));
        EXPECT_TRUE(log.Of("play", "weapapp").at(0).wait);
        EXPECT_EQ(log.Of("play", "navigweap").at(0).freq, hz);
        EXPECT_EQ(log.Of("play", "navigweap").at(0).pan, 0);
        w.Kill();
        Frame();
        log.calls.clear();
    }
}

TEST_F(Field, PickupOverTheRowSlidesSilentlyUntilClearOrOffTheBottom) {
    Start();
    Place<Tglass>("glass", 230, 100); // 100..132
    form1->game.objectcount = 1;
    Tweapon& w = Pickup(110);
    Frames(22); // 110 -> 132, touching in each of these frames
    EXPECT_EQ(w.Y, 132);
    EXPECT_FALSE(w.Visible);
    EXPECT_TRUE(log.Played().empty());
    Frame(); // clear of the glass's bottom
    EXPECT_TRUE(w.Visible);
    EXPECT_EQ(log.Of("play", "navigweap").at(0).freq, 95040 - 240 * 132);

    w.Kill();
    Frame();
    log.calls.clear();
    Place<Tglass>("glass", 230, 316);
    form1->game.objectcount = 2;
    Pickup(320);
    Frames(2); // 322: its bottom edge at the field's
    EXPECT_EQ(Count("Tweapon"), 1);
    Frame(); // past 348 - 26: gone
    EXPECT_EQ(Count("Tweapon"), 0);
    EXPECT_TRUE(form1->game.Timer(MatchTimer::Weapons).Enabled());
    EXPECT_TRUE(log.Of("play", "weapapp").empty());
    EXPECT_TRUE(log.Of("play", "navigweap").empty());
}

TEST_F(Field, ShotOnAPickupDestroysItAndReleasesTheShootersLock) {
    Start();
    Pickup(200);
    form1->game.propertiesleft.bulletflying = true;
    Place<TBullet1>("strelaleva", 250, 205);
    Frame();
    EXPECT_EQ(Count("Tweapon"), 0);
    EXPECT_EQ(Count("TBullet1"), 0);
    EXPECT_FALSE(form1->game.propertiesleft.bulletflying);
    EXPECT_TRUE(form1->game.Timer(MatchTimer::Weapons).Enabled());
    // Destroyed in its own pass before being announced: no announcement, no beacon.
    EXPECT_EQ(log.Played(), (Words{"explweap"}));
    EXPECT_EQ(log.Of("play", "explweap").at(0).pan, 0);
}

TEST_F(Field, RadarEchoesEveryFrameAtTheCraftsPitchOncePerObstacleButNotForThePickup) {
    Start();
    Place<Talarm>("alarm", 230, 5); // across the left probe at 11..23
    form1->game.objectcount = 1;
    Frames(3);
    auto echoes = log.Of("play", "snavigleft");
    ASSERT_EQ(echoes.size(), 3u);
    for (const auto& e : log.calls) {
        if (e.ev == "set" && e.item == "snavigleft" && e.key == "freq") {
            EXPECT_EQ(e.value, 94800);
        }
    }
    for (const auto& e : echoes) EXPECT_EQ(e.pan, -10000);
    Down(kC);
    Frames(10);
    Up(kC);
    log.calls.clear();
    Frame();
    EXPECT_EQ(log.Of("play", "snavigleft").at(0).freq, 92400);

    // Two obstacles in front: two starts a frame. The pickup never echoes.
    Place<Tphone>("phone", 230, 35 - 26 + 10); // also across the probe at 21..33
    form1->game.objectcount = 2;
    log.calls.clear();
    Frame();
    EXPECT_EQ(log.Of("play", "snavigleft").size(), 2u);
    Place<Tweapon>("bulleticon", 257, 320);
    form1->game.weaponannounced = true;
    log.calls.clear();
    Frame();
    EXPECT_TRUE(log.Of("play", "snavigright").empty());
}

TEST_F(Field, CloseSweepsObstaclesAndPickupsInReachAndLeavesTheRest) {
    Start();
    Place<Tglass>("glass", 230, 0);
    Place<Tphone>("phone", 230, 300);
    Place<Tweapon>("bulleticon", 257, 200);
    Place<Tcamera>("camera", 400, 150); // beyond the probe's 141..353
    form1->game.objectcount = 3;
    form1->form.Close();
    EXPECT_EQ(Count("Tglass") + Count("Tphone") + Count("Tweapon"), 0);
    EXPECT_EQ(Count("Tcamera"), 1);
    EXPECT_EQ(form1->game.objectcount, 3); // the next row resets it
    EXPECT_TRUE(log.Of("play", "snavigleft").empty());
}

} // namespace
} // namespace vl::match
