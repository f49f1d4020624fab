// SPDX-License-Identifier: GPL-3.0-or-later
// Match: the match's lifecycle, the rules' part of a frame, the timers' work, the rule
// operations the sprites call, and the spoken numbers.
//
// Index:
//   - helpers: RoundHalfEven, StartRecord
//   - lifecycle: Reset, Start, ChooseBackground, Stop, DestroyPlayer, Close
//   - the frame: Frame, SwitchAlarm
//   - timer work: BlinkStep, NewPickup, ObjectRowDue, PlaceObjects
//   - rule operations: Hit, DestroyObject, CollectPickup, PickupShot, AnnouncePickup,
//     PickupFell
//   - sounds: PlayAt, sayword, saynumber
#include "match/Match.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "base/Check.h"
#include "match/Backgrnd.h"
#include "match/FieldObjects.h"
#include "match/Pickup.h"
#include "match/Player.h"
#include "match/Radar.h"
#include "match/Shot.h"
#include "match/Weapon.h"

namespace vl::match {

namespace {

// round(x) of the field's arithmetic: to the nearest, halves to the even neighbour.
int32_t RoundHalfEven(double x) {
    const double f = std::floor(x);
    const double diff = x - f;
    auto r = static_cast<int32_t>(f);
    if (diff > 0.5 || (diff == 0.5 && (r % 2) != 0)) ++r;
    return r;
}

// A player's record as a match starts it; the blink count survives from the last match.
tproperties StartRecord(const tproperties& old, int32_t navigfreq) {
    tproperties r;
    r.energy = 100;
    r.navigfreq = navigfreq;
    r.navigon = true;
    r.blinkcount = old.blinkcount;
    r.bullets = 50;
    r.missiles = 1;
    r.machgunrounds = 200;
    return r;
}

constexpr MatchTimer BlinkTimerOf(Side side) {
    return side == Side::Left ? MatchTimer::BlinkLeft : MatchTimer::BlinkRight;
}

// The pitch a craft's tone has one pixel above height y: where the pickup's beacon sits.
int32_t BeaconFrequency(double y) {
    return std::max(SideOf(Side::Left).startNavigFreq + 240 -
                        240 * static_cast<int32_t>(std::nearbyint(y)),
                    SideOf(Side::Right).startNavigFreq);
}

} // namespace

Match::Match(MatchParts parts) : parts_(std::move(parts)) {
    VL_CHECK(std::all_of(parts_.timers.begin(), parts_.timers.end(),
                         [](const MatchTimerBase* t) { return t != nullptr; }),
             "every match timer is lent");
}

sprite::TImageSprite* Match::Craft(Side side) const {
    return side == Side::Left ? static_cast<sprite::TImageSprite*>(player1) : player2;
}

sprite::TImageSprite* Match::Radar(Side side) const {
    return side == Side::Left ? static_cast<sprite::TImageSprite*>(radarleft) : radarright;
}

// --- lifecycle ------------------------------------------------------------------------

void Match::Reset() {
    propertiesleft = tproperties{};
    propertiesright = tproperties{};
}

void Match::Start(uint32_t seed) {
    VL_CHECK(player1 == nullptr && player2 == nullptr, "a match starts on an empty field");
    seed_ = seed;
    ++starts_;
    random_.Randomize(seed);
    gamerunning = true;
    for (const Side side : {Side::Left, Side::Right})
        Record(side) = StartRecord(Record(side), SideOf(side).startNavigFreq);
    ChooseBackground();

    // Each craft, then its invisible probe, 11 pixels below the craft's top.
    const SideTable& l = SideOf(Side::Left);
    const SideTable& r = SideOf(Side::Right);
    player1 = &CreateSprite<TPlayer1>(l.craftPicture, l.craftX, l.craftStartY);
    player1->PixelCollision = true;
    radarleft = &CreateSprite<Tradarleft>("radar", l.radarX, player1->Y + 11);
    radarleft->PixelCollision = false;
    radarleft->Visible = false;
    player2 = &CreateSprite<TPlayer2>(r.craftPicture, r.craftX, r.craftStartY);
    player2->PixelCollision = true;
    radarright = &CreateSprite<Tradarright>("radar", r.radarX, player2->Y + 11);
    radarright->PixelCollision = false;
    radarright->Visible = false;

    for (const Side side : {Side::Left, Side::Right}) {
        const SideTable& t = SideOf(side);
        sound::TWaveCollectionItem& idle = Wave(t.idle);
        idle.SetPan(t.pan);
        idle.SetVolume(-400);
        Wave(t.moving).SetPan(t.pan);
        sound::TWaveCollectionItem& navig = Wave(t.navigation);
        navig.SetPan(t.pan);
        navig.SetFrequency(Record(side).navigfreq);
        navig.SetVolume(-800);
    }
    // Looped items: a play with wait starts them and returns at once.
    for (const Side side : {Side::Left, Side::Right}) Wave(SideOf(side).idle).Play(true);
    for (const Side side : {Side::Left, Side::Right})
        if (Record(side).navigon) Wave(SideOf(side).navigation).Play(false);

    Timer(MatchTimer::Weapons).SetInterval(static_cast<uint32_t>(10000 + random_.Random(20000)));
    Timer(MatchTimer::ObjectApp).SetInterval(static_cast<uint32_t>(5000 + random_.Random(5000)));

    Timer(MatchTimer::Weapons).SetEnabled(true);
    Timer(MatchTimer::ObjectApp).SetEnabled(true);
    Timer(MatchTimer::MachgunLeft).SetEnabled(true);
    Timer(MatchTimer::MachgunRight).SetEnabled(true);
}

void Match::ChooseBackground() {
    const int32_t n = 1 + random_.Random(5);
    const graphics::TPictureCollectionItem& item =
        parts_.pictures.Find("background" + std::to_string(n));
    backgrnd = &sprite::Create<TBackgrnd>(parts_.engine);
    backgrnd->PictureItem = &item;
    backgrnd->ResizeMap(item.ImageWidth(), item.ImageHeight());
    backgrnd->SetZ(-2);
    backgrnd->Tiled = true;
}

void Match::Stop() {
    gamerunning = false;
    for (const Side side : {Side::Left, Side::Right}) Wave(SideOf(side).idle).Stop();
    for (const Side side : {Side::Left, Side::Right}) Wave(SideOf(side).moving).Stop();
    for (const Side side : {Side::Left, Side::Right}) {
        if (!Record(side).navigon) continue;
        Wave(SideOf(side).navigation).Stop();
        Wave(SideOf(side).echo).Stop();
    }
    Wave("navigweap").Stop();
    Timer(MatchTimer::Weapons).SetEnabled(false);
    Timer(MatchTimer::ObjectApp).SetEnabled(false);
}

void Match::DestroyPlayer(Side side) {
    tproperties& record = Record(side);
    record.energy = 0;
    if (sprite::TImageSprite* craft = Craft(side)) {
        craft->CollisionEnabled = false;
        craft->Kill();
    }
    // The engine frees it at the frame's FreeKilled; nothing may reach it after that.
    if (side == Side::Left)
        player1 = nullptr;
    else
        player2 = nullptr;
    PlayAt("explos", PanOf(side));
    for (const Side s : {Side::Left, Side::Right}) Wave(SideOf(s).alarm).Stop();
    record.alarmon = false;
    Stop();
}

void Match::Close() {
    gamerunning = false;
    // The sweep: with no match running the left probe kills every obstacle and pickup it
    // touches on its way from the top to the bottom of the field.
    if (radarleft) {
        radarleft->Y = 0;
        while (FieldHeight() > radarleft->Y) {
            radarleft->CheckCollisions();
            radarleft->Y += 1;
        }
        radarleft->Kill();
    }
    if (radarright) radarright->Kill();
    radarleft = nullptr;
    radarright = nullptr;
    parts_.engine.FreeKilled();
    Stop();
    // The players are back in the menu: a low-energy alarm must not go on ringing there.
    for (const Side s : {Side::Left, Side::Right}) Wave(SideOf(s).alarm).Stop();
    propertiesleft.alarmon = false;
    propertiesright.alarmon = false;
    // A destroyed craft has been freed already; its pointer is null.
    if (player1) player1->Kill();
    if (player2) player2->Kill();
    if (backgrnd) backgrnd->Kill();
    player1 = nullptr;
    player2 = nullptr;
    backgrnd = nullptr;
    parts_.engine.FreeKilled();
}

// --- the frame ------------------------------------------------------------------------

void Match::Frame(const input::FrameInput& input, FrameView& view) {
    weaponblocked = false;
    input_ = input;
    for (const Side side : {Side::Left, Side::Right})
        Wave(SideOf(side).navigation).SetFrequency(Record(side).navigfreq);
    if (gamerunning) parts_.engine.MoveTree(1);
    parts_.engine.FreeKilled();
    view.Draw();
    SwitchAlarm(Side::Left);
    SwitchAlarm(Side::Right);
    if (objectcount == 0) Timer(MatchTimer::ObjectApp).SetEnabled(true);
    view.Present();

    // The counters asked for: the left player's first, each in this order.
    using input::Action;
    for (const Side side : {Side::Left, Side::Right}) {
        const tproperties& r = Record(side);
        const std::array<std::pair<Action, int32_t>, 4> counters = {
            {{Action::SayEnergy, r.energy},
             {Action::SayBullets, r.bullets},
             {Action::SayMissiles, r.missiles},
             {Action::SayRounds, r.machgunrounds}}};
        for (const auto& [action, value] : counters)
            if (Wants(side, action)) saynumber(PlayerOf(side), value, true);
    }
}

void Match::SwitchAlarm(Side side) {
    tproperties& r = Record(side);
    const std::string_view alarm = SideOf(side).alarm;
    // energy - 1 as a byte: energy 0 wraps to 255, so a destroyed craft is not "low".
    if (static_cast<uint8_t>(r.energy - 1) < 10 && !r.alarmon) {
        r.alarmon = true;
        PlayAt(alarm, PanOf(side));
    }
    if (r.energy > 10 && r.alarmon) {
        r.alarmon = false;
        Wave(alarm).Stop();
    }
}

// --- timer work -----------------------------------------------------------------------

void Match::BlinkStep(Side side) {
    // A craft destroyed while it blinks is gone: the count runs out without it.
    sprite::TImageSprite* craft = Craft(side);
    if (craft) craft->Visible = !craft->Visible;
    tproperties& r = Record(side);
    ++r.blinkcount;
    if (r.blinkcount == 6) {
        Timer(BlinkTimerOf(side)).SetEnabled(false);
        if (craft) craft->Visible = true;
    }
}

void Match::NewPickup() {
    weaponannounced = false;
    Timer(MatchTimer::Weapons).SetEnabled(false);
    Timer(MatchTimer::Weapons).SetInterval(static_cast<uint32_t>(10000 + random_.Random(20000)));
    weaponkind = static_cast<uint8_t>(1 + random_.Random(kPickupKinds));
    const PickupTable* kind = PickupOf(weaponkind);
    VL_CHECK(kind != nullptr, "the generator draws a kind of the table");
    Tweapon& pickup = CreateSprite<Tweapon>(kind->icon, 257, 0);
    pickup.Y = 10 + random_.Random(FieldHeight() - 20);
    pickup.Visible = false;
}

void Match::ObjectRowDue() {
    // A pickup on the field (or a match that is over): no row now, the timer fires again.
    if (!Timer(MatchTimer::Weapons).Enabled()) return;
    Timer(MatchTimer::ObjectApp).SetEnabled(false);
    PlaceObjects();
    PlayAt("objapp", 0);
    Timer(MatchTimer::ObjectApp).SetInterval(static_cast<uint32_t>(5000 + random_.Random(5000)));
}

void Match::PlaceObjects() {
    objectcount = 0;
    const int32_t h = FieldHeight();
    const int32_t margin = random_.Random(RoundHalfEven(h / 8.0));
    int32_t y = random_.Random(RoundHalfEven(h / 4.0));
    for (;;) {
        sprite::TImageSprite* object = nullptr;
        switch (static_cast<ObjectKind>(random_.Random(4))) {
        case ObjectKind::Alarm:
            object = &CreateSprite<Talarm>(ObjectName(ObjectKind::Alarm), 230, y);
            break;
        case ObjectKind::Glass:
            object = &CreateSprite<Tglass>(ObjectName(ObjectKind::Glass), 230, y);
            break;
        case ObjectKind::Camera:
            object = &CreateSprite<Tcamera>(ObjectName(ObjectKind::Camera), 230, y);
            break;
        case ObjectKind::Phone:
            object = &CreateSprite<Tphone>(ObjectName(ObjectKind::Phone), 230, y);
            break;
        }
        VL_CHECK(object != nullptr, "every kind of obstacle is placed");
        y += object->Height;
        y += random_.Random(RoundHalfEven(h / 10.0));
        ++objectcount;
        if (h < y + 65 + margin) break;
    }
}

// --- rule operations ------------------------------------------------------------------

void Match::Hit(Side target, uint8_t damage) {
    tproperties& hit = Record(target);
    if (hit.energy <= damage) {
        DestroyPlayer(target);
        return;
    }
    hit.energy = static_cast<uint8_t>(hit.energy - damage);
    PlayAt("hit", PanOf(target));
    hit.blinkcount = 0;
    Timer(BlinkTimerOf(target)).SetEnabled(true);
}

void Match::DestroyObject(TFieldObject& object) {
    VL_CHECK(!object.IsDead(), "an obstacle is destroyed once");
    PlayAt(object.Name(), 0);
    object.Kill();
    --objectcount;
}

void Match::CollectPickup(Tweapon& pickup, Side side) {
    VL_CHECK(!pickup.IsDead(), "a pickup is collected once");
    const int32_t pan = PanOf(side);
    pickup.Kill();
    Timer(MatchTimer::Weapons).SetEnabled(true);
    Wave("navigweap").Stop();
    PlayAt("getweap", pan);
    const PickupTable* kind = PickupOf(weaponkind);
    if (!kind) return;
    const int32_t value = kind->refill(Record(side));
    PlayAt(kind->word, pan, true);
    saynumber(PlayerOf(side), value, true);
}

void Match::PickupShot(Tweapon& pickup) {
    PlayAt("explweap", 0);
    Wave("navigweap").Stop();
    pickup.Kill();
    Timer(MatchTimer::Weapons).SetEnabled(true);
}

void Match::AnnouncePickup(double y) {
    weaponannounced = true;
    const int32_t f = BeaconFrequency(y);
    PlayAt("weapapp", 0, true);
    if (const PickupTable* kind = PickupOf(weaponkind)) PlayAt(kind->word, 0);
    sound::TWaveCollectionItem& beacon = Wave("navigweap");
    beacon.SetPan(0);
    beacon.SetFrequency(f);
    beacon.Play(false);
}

void Match::PickupFell(Tweapon& pickup) {
    pickup.Kill();
    Timer(MatchTimer::Weapons).SetEnabled(true);
}

// --- what a player sees ---------------------------------------------------------------

void Match::Look(FieldSight& out) const {
    out.craft = {};
    out.probes = {};
    out.records = {propertiesleft, propertiesright};
    out.shots.clear();
    out.obstacles.clear();
    out.pickup.reset();
    out.pickupKind = 0;
    out.running = gamerunning;
    const auto box = [](const sprite::TSprite& s) { return SeenBox{s.X, s.Y, s.Width, s.Height}; };
    for (const Side side : {Side::Left, Side::Right})
        if (const sprite::TImageSprite* c = Craft(side))
            out.craft[static_cast<size_t>(side)] = box(*c);
    if (radarleft) out.probes[0] = box(*radarleft);
    if (radarright) out.probes[1] = box(*radarright);
    const sprite::TSpriteEngine& engine = parts_.engine;
    for (int32_t i = 0; i < engine.ChildCount(); ++i) {
        const sprite::TSprite& s = engine.Child(i);
        if (s.IsDead()) continue;
        if (const auto* shot = dynamic_cast<const TShotSprite*>(&s)) {
            // A magnet hidden behind an obstacle is out of sight.
            if (s.Visible) out.shots.push_back({shot->Kind(), shot->Shooter(), box(s)});
        } else if (dynamic_cast<const TFieldObject*>(&s)) {
            out.obstacles.push_back(box(s));
        } else if (dynamic_cast<const Tweapon*>(&s) && s.Visible) {
            out.pickup = box(s);
            out.pickupKind = weaponkind;
        }
    }
}

// --- sounds ---------------------------------------------------------------------------

void Match::PlayAt(std::string_view name, int32_t pan, bool wait) {
    sound::TWaveCollectionItem& item = Wave(name);
    item.SetPan(pan);
    item.Play(wait);
}

void Match::sayword(int32_t player, std::string_view name) {
    PlayAt(name, PanOf(player == 1 ? Side::Left : Side::Right), true);
}

void Match::saynumber(int32_t player, int32_t value, bool sayzero) {
    for (const std::string& word : parts_.numberWords(value, sayzero)) sayword(player, word);
}

} // namespace vl::match
