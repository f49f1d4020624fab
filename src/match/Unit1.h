// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window — the players' records, the sprites of the field, the match bank,
// the image list, the keyboard and the window's timers, with the match's life from start to
// close and the frame handler that drives it.
//
// Index:
//   - constants of the field and the frame
//   - TForm1: construction (the form data); lifecycle (FormCreate, startmatch, stopmatch,
//     destroy, FormClose); the frame; the timers; spoken numbers; what the sprites use;
//     components; the match's state
//
// The components are members in the order of the window's form data, so they are built
// in that order and torn down in reverse: everything that points at DXDraw1 lets go of it
// before it goes, and DXDraw1 goes before the presenter it shows its frames through. The
// sprites live in DXSpriteEngine1 and reach the match through their window; the window's
// raw sprite pointers only refer to them and are cleared when their sprite is killed.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <type_traits>

#include "graphics/DXDraws.h"
#include "input/DXClass.h"
#include "input/DXInput.h"
#include "match/Backgrnd.h"
#include "match/FormSoundOwner.h"
#include "match/Player.h"
#include "match/Properties.h"
#include "match/Radar.h"
#include "match/RandomGenerator.h"
#include "match/Side.h"
#include "match/WindowContext.h"
#include "platform/Presenter.h"
#include "platform/Toolkit.h"
#include "platform/ToolkitTimer.h"
#include "sound/DXSounds.h"
#include "sprite/DXSprite.h"

namespace vl::match {

// The size of the match field: the display's control and back surface.
inline constexpr int32_t kFieldWidth = 536;
inline constexpr int32_t kFieldHeight = 348;
// The frame timer's period in ms.
inline constexpr int32_t kFrameInterval = 10;
// The counters' font size, and the least it is brought down to so that a number fits.
inline constexpr int32_t kCounterFontSize = 12;
inline constexpr int32_t kCounterFontSizeMin = 6;
// The one message of the match to its players: the display cannot draw.
inline constexpr std::string_view kDisplayFailure = "Chybná instalace DirectX";

class TForm1 {
public:
    // Builds the window and its components from the form data and opens its sound device;
    // throws as Tmainmenuform does when the device cannot be made. The display stays
    // uninitialised until the window is first shown.
    explicit TForm1(const WindowContext& context);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // --- lifecycle ----------------------------------------------------------------------
    // Creation handler (run through the toolkit's boundary): reads snd\game.dat and
    // pics\game.dat, then gives both players a new record. Throws the readers' errors (a
    // missing file: "Cannot open file ..."); the window is created all the same.
    void FormCreate();
    // A new match: records reset, background, both craft and their probes, the continuous
    // sounds, the pickup and obstacle timers at random intervals, the frame timer last.
    // Assumes no match is on the field (the menu only starts one on a hidden window).
    void startmatch();
    // The background: picture "background1".."background5" drawn from the generator as it
    // stands (before startmatch reseeds it), tiled beneath everything.
    void choosebackground();
    // Ends the running phase: nothing moves, the continuous sounds stop, the pickup and
    // obstacle timers stop. The alarms, blink, cooldown and frame timers are left alone.
    void stopmatch();
    // The left (right) craft is destroyed: energy 0, removed with "explos" on its side,
    // both alarms silent, the match ended.
    void destroyplayer1() { DestroyPlayer(Side::Left); }
    void destroyplayer2() { DestroyPlayer(Side::Right); }
    void DestroyPlayer(Side side);
    // Close handler: sweeps the field with the left radar, silences the match and removes
    // the craft and the background. Also silences a sounding low-energy alarm: the players
    // are back in the menu, and a looped alarm would otherwise ring there until the next
    // match's frame stopped it.
    void FormClose();
    // The display's finalise handler. The records are members of the window and stay
    // usable as long as it can start a match: the display finalises itself also before
    // initialising again, so nothing is released here.
    void DXDraw1Finalize(graphics::TCustomDXDraw& /*sender*/) {}
    // The window became the active one — which every Show makes it. The first time it is
    // shown the display initialises itself; the input devices are acquired again.
    void FormActivate();
    // The display's initialise handler: nothing to do.
    void DXDraw1Initialize(graphics::TCustomDXDraw& /*sender*/) {}

    // --- the frame ----------------------------------------------------------------------
    // One frame of the match, called by DXTimer1 at most every kFrameInterval ms: display
    // check, poll, pitches, move pass while running, fill, free, draw, counters, alarms,
    // obstacle timer, flip, spoken counters, Esc. A missing sound or picture item ends the
    // frame with the collection's error.
    void DXTimer1Timer(input::TCustomDXTimer& sender, int32_t lagCount);

    // --- window timers ------------------------------------------------------------------
    void blikleftTimerTimer() { BlinkStep(Side::Left); }
    void blikrightTimerTimer() { BlinkStep(Side::Right); }
    void machgunlefttimerTimer() { propertiesleft.machgunlock = false; }
    void machgunrighttimerTimer() { propertiesright.machgunlock = false; }
    // A new pickup, hidden and unannounced, of a random kind at a random height.
    void weaponstimerTimer();
    // A new obstacle row with "objapp", unless a pickup is on the field or the match is
    // over (then the timer keeps firing).
    void objectapptimerTimer();
    // One row of obstacles at X 230, counted in objectcount.
    void placeobjects();

    // --- spoken numbers -----------------------------------------------------------------
    // Plays `name` on the side of `player` (1 left, any other value right) and waits for
    // its end.
    void sayword(int32_t player, std::string_view name);
    // Speaks `value` in Czech number words, each with wait; see NumberWords. The words
    // before a missing item have been heard when its lookup fails.
    void saynumber(int32_t player, int32_t value, bool sayzero);

    // --- what the sprites use -------------------------------------------------------------
    tproperties& Record(Side side) { return side == Side::Left ? propertiesleft : propertiesright; }
    platform::Timer& BlinkTimer(Side side) {
        return side == Side::Left ? blikleftTimer : blikrightTimer;
    }
    sprite::TImageSprite* Craft(Side side) const {
        return side == Side::Left ? static_cast<sprite::TImageSprite*>(player1) : player2;
    }
    sprite::TImageSprite* Radar(Side side) const {
        return side == Side::Left ? static_cast<sprite::TImageSprite*>(radarleft) : radarright;
    }
    bool InputSet(int state) const { return DXInput1.ActiveStates().Contains(state); }
    // The match bank's item `name` ("Wave '%s' not found" when it has none).
    sound::TWaveCollectionItem& Wave(std::string_view name) {
        return DXWaveList1.Items().Find(name);
    }
    // Finds `name`, sets its pan and plays it.
    void PlayAt(std::string_view name, int32_t pan, bool wait = false);
    // A new sprite of class T under the engine showing picture `picture` (its size), at
    // (x, y); the match's own sprites are given the window. The picture is looked up
    // first, so a missing one ("Image '%s' not found") creates nothing.
    template <class T> T& CreateSprite(std::string_view picture, double x, double y);
    // The field's height: the display's surface height.
    int32_t FieldHeight() const { return DXDraw1.GetSurfaceHeight(); }
    RandomGenerator& Generator() { return random_; }

    // The presenter DXDraw1 shows its frames through (the toolkit's, for this form).
    platform::IPresenter& Presenter() { return *presenter_; }

    platform::Toolkit& toolkit;
    platform::Form& form;

private:
    // The form as DXInput1 asks it whether its window is in front.
    class InputOwner final : public input::IInputOwnerForm {
    public:
        explicit InputOwner(const platform::Form& form) : form_(form) {}
        bool IsForeground() const override { return form_.IsForeground(); }

    private:
        const platform::Form& form_;
    };

    void BlinkStep(Side side);
    // Step 9 of the frame: the four counter rows of both players.
    void DrawCounters();
    // Steps 10 and 11: a player's low-energy alarm on at 1..10, off above 10.
    void SwitchAlarm(Side side);

    FormSoundOwner owner_;
    InputOwner inputOwner_;
    std::unique_ptr<platform::IPresenter> presenter_; // outlives DXDraw1

public:
    // --- components, in form-data order -------------------------------------------------
    graphics::TDXDraw DXDraw1;
    sound::TDXSound DXSound1;
    sound::TDXWaveList DXWaveList1;
    graphics::TDXImageList DXImageList1;
    sprite::TDXSpriteEngine DXSpriteEngine1;
    input::TDXInput DXInput1;
    input::TDXTimer DXTimer1;
    platform::Timer blikleftTimer;
    platform::Timer blikrightTimer;
    platform::Timer machgunlefttimer;
    platform::Timer machgunrighttimer;
    platform::Timer weaponstimer;
    platform::Timer objectapptimer;

    // --- the match's state ----------------------------------------------------------------
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
    // Calls of the frame handler since the window was made (for the simulator's dump).
    uint64_t frames = 0;

private:
    RandomGenerator random_;
};

template <class T> T& TForm1::CreateSprite(std::string_view picture, double x, double y) {
    const graphics::TPictureCollectionItem& item = DXImageList1.Items().Find(picture);
    T& s = [this]() -> T& {
        if constexpr (std::is_constructible_v<T, sprite::TSprite*, TForm1&>)
            return sprite::Create<T>(DXSpriteEngine1.Engine(), *this);
        else
            return sprite::Create<T>(DXSpriteEngine1.Engine());
    }();
    s.PictureItem = &item;
    s.Width = item.ImageWidth();
    s.Height = item.ImageHeight();
    s.X = x;
    s.Y = y;
    return s;
}

} // namespace vl::match
