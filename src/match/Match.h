// SPDX-License-Identifier: GPL-3.0-or-later
// Match: the rules and the state of one match — the players' records, the flags, the
// current match's sprites, the generator and the rule operations the sprites call — on
// parts it is lent (sprite engine, pictures, sound bank, the driver's timers).
//
// Index:
//   - MatchTimer, MatchParts, FrameView: what the match is given
//   - Match: lifecycle (Reset, Start, Stop, DestroyPlayer, Close); the frame; timer work;
//     rule operations; what the sprites read; spoken numbers; the state
//
// The match never draws, presents or closes a window: the frame hands those steps back to
// its FrameView at their places in the frame, so the window keeps the frame's order and a
// test steps a match without any window at all.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string_view>
#include <type_traits>

#include "graphics/PictureCollection.h"
#include "input/FrameInput.h"
#include "match/FieldSight.h"
#include "match/MatchTimer.h"
#include "match/Properties.h"
#include "match/RandomGenerator.h"
#include "match/Side.h"
#include "settings/NumberWords.h"
#include "sound/DXSounds.h"
#include "sprite/ImageSprite.h"
#include "sprite/SpriteEngine.h"

namespace vl::match {

// The sprite classes are named here only: their headers reach the match (MatchSprite.h),
// not the other way round.
class TFieldObject;
class Tweapon;
class TBackgrnd;
template <Side S> class TCraft;
template <Side S> class TRadar;
using TPlayer1 = TCraft<Side::Left>;
using TPlayer2 = TCraft<Side::Right>;
using Tradarleft = TRadar<Side::Left>;
using Tradarright = TRadar<Side::Right>;

// The field's width: shots leave it past this X.
inline constexpr int32_t kFieldWidth = 536;

// The timers the rules switch and set (the match driver's, counting frames).
enum class MatchTimer : uint8_t {
    BlinkLeft,
    BlinkRight,
    MachgunLeft,
    MachgunRight,
    Weapons,   // the next pickup
    ObjectApp, // the next obstacle row
};
inline constexpr size_t kMatchTimerCount = 6;

// What the window lends its match; everything outlives the match.
struct MatchParts {
    sprite::TSpriteEngine& engine;
    graphics::TPictureCollection& pictures;
    sound::TWaveCollection& waves;
    std::array<MatchTimerBase*, kMatchTimerCount> timers;
    std::function<int32_t()> fieldHeight; // the display's surface height
    // The rules by which counters are spoken: the bank's language's.
    settings::NumberWordsFn numberWords = settings::CzechNumberWords;
};

// The steps of a frame that are the window's: drawing and presenting. Harmless defaults,
// so a test's frame draws nothing.
class FrameView {
public:
    virtual ~FrameView() = default;
    // After the killed sprites are freed: fill, draw the sprites and the counters.
    virtual void Draw() {}
    // After the alarms are switched: show the frame.
    virtual void Present() {}
};

class Match {
public:
    explicit Match(MatchParts parts);
    Match(const Match&) = delete;
    Match& operator=(const Match&) = delete;

    // --- lifecycle ----------------------------------------------------------------------
    // Both players get a new record (the window's creation).
    void Reset();
    // A new match from `seed`: the generator starts over from it (and is never reseeded
    // until the next start), records reset, background, both craft and their probes, the
    // continuous sounds, the pickup and obstacle timers at random intervals. Checks an
    // empty field.
    void Start(uint32_t seed);
    // The background: picture "background1".."background5" drawn from the generator,
    // tiled beneath everything.
    void ChooseBackground();
    // Ends the running phase: nothing moves, the continuous sounds stop, the pickup and
    // obstacle timers stop. The alarms, blink and cooldown timers are left alone.
    void Stop();
    // The craft of `side` is destroyed: energy 0, removed with "explos" on its side, both
    // alarms silent, the match ended.
    void DestroyPlayer(Side side);
    // The match window closes: the left probe sweeps the field, the match is silenced and
    // the craft and background removed, everything freed.
    void Close();

    // --- the frame ----------------------------------------------------------------------
    // The rules' part of one frame, with `input` as this frame's players' actions:
    // pitches, move pass while running, free, view.Draw, alarms, the obstacle timer,
    // view.Present, then the counters asked for are spoken. A missing sound or picture
    // item ends the frame with the collection's error.
    void Frame(const input::FrameInput& input, FrameView& view);

    // --- timer work ---------------------------------------------------------------------
    // One step of a hit craft's blinking; the sixth ends it.
    void BlinkStep(Side side);
    // A new pickup, hidden and unannounced, of a random kind at a random height.
    void NewPickup();
    // A new obstacle row with "objapp", unless a pickup is on the field or the match is
    // over (then the timer keeps firing).
    void ObjectRowDue();
    // One row of obstacles at X 230, counted in objectcount.
    void PlaceObjects();

    // --- rule operations (the sprites' hooks call these) ---------------------------------
    // A shot of the other side hit the craft of `target` for `damage` energy: destroyed at
    // that much or less, otherwise "hit" and blinking.
    void Hit(Side target, uint8_t damage);
    // A bullet or missile destroyed `object`: its own sound, gone, counted off.
    void DestroyObject(TFieldObject& object);
    // The magnet of `side` collected the pickup: "getweap", the refill, its word and the
    // counter's new value, spoken with wait on that side.
    void CollectPickup(Tweapon& pickup, Side side);
    // A shot destroyed the pickup: "explweap", the beacon silent, a new pickup due.
    void PickupShot(Tweapon& pickup);
    // The pickup has come free of the obstacles at height `y`: "weapapp" with wait, its
    // word, and its beacon at the pitch of a craft one pixel above it.
    void AnnouncePickup(double y);
    // The pickup fell off the bottom of the field: a new one due.
    void PickupFell(Tweapon& pickup);

    // --- what the sprites read ----------------------------------------------------------
    tproperties& Record(Side side) { return side == Side::Left ? propertiesleft : propertiesright; }
    const tproperties& Record(Side side) const {
        return side == Side::Left ? propertiesleft : propertiesright;
    }
    sprite::TImageSprite* Craft(Side side) const;
    sprite::TImageSprite* Radar(Side side) const;
    // Whether the player of `side` performs `action` in this frame.
    bool Wants(Side side, input::Action action) const { return input_.Has(side, action); }
    const input::FrameInput& Input() const { return input_; }
    MatchTimerBase& Timer(MatchTimer t) const { return *parts_.timers[static_cast<size_t>(t)]; }
    // The match bank's item `name` ("Wave '%s' not found" when it has none).
    sound::TWaveCollectionItem& Wave(std::string_view name) { return parts_.waves.Find(name); }
    // Finds `name`, sets its pan and plays it.
    void PlayAt(std::string_view name, int32_t pan, bool wait = false);
    // A new sprite of class T under the engine showing picture `picture` (its size), at
    // (x, y); the match's own sprites are given the match. The picture is looked up first,
    // so a missing one ("Image '%s' not found") creates nothing.
    template <class T> T& CreateSprite(std::string_view picture, double x, double y);
    int32_t FieldHeight() const { return parts_.fieldHeight(); }
    // The field as a player sees it now, into `out` (its lists reused, so a frame's look
    // allocates nothing once they have grown).
    void Look(FieldSight& out) const;
    // How many matches have started, and the seed the last one started from: what a
    // computer player seeds its own generator from.
    uint32_t Starts() const { return starts_; }
    uint32_t Seed() const { return seed_; }
    // Where the match's generator stands now.
    uint32_t GeneratorState() const { return random_.State(); }
    sprite::TSpriteEngine& Engine() const { return parts_.engine; }

    // --- spoken numbers -----------------------------------------------------------------
    // Plays `name` on the side of `player` (1 left, any other value right) with wait.
    void sayword(int32_t player, std::string_view name);
    // Speaks `value` in the bank's number words, each with wait; see NumberWords.
    void saynumber(int32_t player, int32_t value, bool sayzero);

    // --- the state ----------------------------------------------------------------------
    tproperties propertiesleft;
    tproperties propertiesright;
    // The current match's sprites (owned by the engine); null when there is none.
    TPlayer1* player1 = nullptr;
    TPlayer2* player2 = nullptr;
    Tradarleft* radarleft = nullptr;
    Tradarright* radarright = nullptr;
    TBackgrnd* backgrnd = nullptr;
    bool gamerunning = false;
    bool weaponblocked = false;
    bool weaponannounced = false;
    uint8_t weaponkind = 0;
    uint8_t objectcount = 0;

private:
    // A player's low-energy alarm on at 1..10, off above 10.
    void SwitchAlarm(Side side);

    MatchParts parts_;
    input::FrameInput input_;
    RandomGenerator random_;
    uint32_t starts_ = 0;
    uint32_t seed_ = 0;
};

template <class T> T& Match::CreateSprite(std::string_view picture, double x, double y) {
    const graphics::TPictureCollectionItem& item = parts_.pictures.Find(picture);
    T& s = [this]() -> T& {
        if constexpr (std::is_constructible_v<T, sprite::TSprite*, Match&>)
            return sprite::Create<T>(parts_.engine, *this);
        else
            return sprite::Create<T>(parts_.engine);
    }();
    s.PictureItem = &item;
    s.Width = item.ImageWidth();
    s.Height = item.ImageHeight();
    s.X = x;
    s.Y = y;
    return s;
}

} // namespace vl::match
