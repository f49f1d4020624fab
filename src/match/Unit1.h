// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window — its components (display, sound, bank, pictures, sprite engine,
// keyboard, frame timer), its timers and the handlers that run the match it owns.
//
// Index:
//   - constants of the field and the frame
//   - TForm1: construction (the form data); lifecycle handlers (FormCreate, startmatch,
//     stopmatch, destroyplayer1/2, FormClose); the frame; the timers' handlers; spoken
//     numbers; components; the match
//
// The components are members in the order of the window's form data, so they are built
// in that order and torn down in reverse: everything that points at DXDraw1 lets go of it
// before it goes, and DXDraw1 goes before the presenter it shows its frames through. The
// rules and the state of the match are `game`, a `Match` (Match.h), built on the components after
// them; the sprites live in DXSpriteEngine1 and reach the match, never the window.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "graphics/DXDraws.h"
#include "input/DXClass.h"
#include "input/DXInput.h"
#include "match/ComputerPlayer.h"
#include "match/Match.h"
#include "match/Side.h"
#include "platform/Presenter.h"
#include "platform/Toolkit.h"
#include "platform/ToolkitTimer.h"
#include "sound/DXSounds.h"
#include "sound/FormSoundOwner.h"
#include "sound/WindowContext.h"
#include "sprite/DXSprite.h"

namespace vl::match {

// The size of the match field: the display's control and back surface (its width, shared
// with the rules, is kFieldWidth in Match.h).
inline constexpr int32_t kFieldHeight = 348;
// The frame timer's period in ms.
inline constexpr int32_t kFrameInterval = 10;
// The counters' font size, and the least it is brought down to so that a number fits.
inline constexpr int32_t kCounterFontSize = 12;
inline constexpr int32_t kCounterFontSizeMin = 6;
// The one message of the match to its players: the display cannot draw.
inline constexpr std::string_view kDisplayFailure = "Chybná instalace DirectX";

// Where a duel over the network gets each frame's input states from: the window's frame
// asks it, and runs only when both players' states for the next frame are known.
class ILockstepSource {
public:
    virtual ~ILockstepSource() = default;
    // Both players' input states for the next frame, given this machine's keyboard (polled
    // just now); nothing while the peer's are still to come — the frame then waits.
    virtual std::optional<input::InputStates> NextFrame(input::InputStates keyboard) = 0;
    // The frame has run on those states.
    virtual void FrameRan(const Match& match) = 0;
};

class TForm1 {
public:
    // Builds the window and its components from the form data and opens its sound device;
    // throws as Tmainmenuform does when the device cannot be made. The display stays
    // uninitialised until the window is first shown.
    explicit TForm1(const sound::WindowContext& context);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // --- lifecycle ----------------------------------------------------------------------
    // Creation handler (run through the toolkit's boundary): reads snd\game.dat and
    // pics\game.dat, then gives both players a new record. Throws the readers' errors (a
    // missing file: "Cannot open file ..."); the window is created all the same.
    void FormCreate();
    // A new match (Match::Start), then the frame timer. The menu only starts one on a
    // hidden window, so the field is empty.
    void startmatch();
    void choosebackground() { game.ChooseBackground(); }
    void stopmatch() { game.Stop(); }
    // The left (right) craft is destroyed. Kept as the window's routines of those names; the
    // shots reach the rule itself, Match::DestroyPlayer, through Match::Hit.
    void destroyplayer1() { game.DestroyPlayer(Side::Left); }
    void destroyplayer2() { game.DestroyPlayer(Side::Right); }
    // Close handler: the match's close (sweep, silence, craft and background removed), the
    // frame timer stopped. Also silences a sounding low-energy alarm: the players are back
    // in the menu.
    void FormClose();
    // The display's finalise handler. The records live in the match and stay usable as
    // long as it can start a match: the display finalises itself also before initialising
    // again, so nothing is released here.
    void DXDraw1Finalize(graphics::TCustomDXDraw& /*sender*/) {}
    // The window became the active one — which every Show makes it. The first time it is
    // shown the display initialises itself; the input devices are acquired again.
    void FormActivate();
    // The display's initialise handler: nothing to do.
    void DXDraw1Initialize(graphics::TCustomDXDraw& /*sender*/) {}

    // --- the frame ----------------------------------------------------------------------
    // One frame of the match, called by DXTimer1 at most every kFrameInterval ms: display
    // check, poll, the match's frame (pitches, move pass while running, free, draw,
    // counters, alarms, obstacle timer, flip, spoken counters), Esc. A missing sound or
    // picture item ends the frame with the collection's error.
    void DXTimer1Timer(input::TCustomDXTimer& sender, int32_t lagCount);

    // --- window timers ------------------------------------------------------------------
    void blikleftTimerTimer() { game.BlinkStep(Side::Left); }
    void blikrightTimerTimer() { game.BlinkStep(Side::Right); }
    void machgunlefttimerTimer() { game.propertiesleft.machgunlock = false; }
    void machgunrighttimerTimer() { game.propertiesright.machgunlock = false; }
    void weaponstimerTimer() { game.NewPickup(); }
    void objectapptimerTimer() { game.ObjectRowDue(); }
    void placeobjects() { game.PlaceObjects(); }

    // --- spoken numbers -----------------------------------------------------------------
    void sayword(int32_t player, std::string_view name) { game.sayword(player, name); }
    void saynumber(int32_t player, int32_t value, bool sayzero) {
        game.saynumber(player, value, sayzero);
    }

    // This frame's input state `state`, as the keyboard gave it.
    bool InputSet(int state) const { return DXInput1.ActiveStates().Contains(state); }
    // --- a duel over the network ----------------------------------------------------------
    // From now on every frame takes both players' states from `source`, and the match runs
    // on its own time: its timers and its clock count its frames, so that two machines see
    // every timer fire between the same frames. Null: back to one keyboard, the window's
    // timers and the toolkit's clock. A duel begins only on an empty field.
    void SetLockstep(ILockstepSource* source);
    // A duel's match: the match's time starts at `seed` and the generator from it, then
    // startmatch. Both machines give the same seed.
    void StartLockstepMatch(uint32_t seed);

    // --- players ------------------------------------------------------------------------
    // The computer plays `side` at `level` (1..3) in every match from now on; level 0
    // gives the side back to the keyboard.
    void SetComputer(Side side, int32_t level);
    // The level the computer plays `side` at; 0 when a person plays it.
    int32_t ComputerLevel(Side side) const;

    // The field's height: the display's surface height.
    int32_t FieldHeight() const { return DXDraw1.GetSurfaceHeight(); }
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
    // The frame's drawing and presenting, as the match hands them back.
    class Drawing final : public FrameView {
    public:
        explicit Drawing(TForm1& form) : form_(form) {}
        void Draw() override;
        void Present() override;

    private:
        TForm1& form_;
        bool drawable_ = false; // the display could draw when this frame's drawing began
    };

    // The four counter rows of both players.
    void DrawCounters();
    // A frame of a duel: its states from the lockstep, or none yet.
    void LockstepFrame();

    sound::FormSoundOwner owner_;
    InputOwner inputOwner_;
    std::unique_ptr<platform::IPresenter> presenter_; // outlives DXDraw1
    Drawing drawing_{*this};

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

private:
    // The match's timers as the rules see them: the window's above, or the duel's own.
    std::array<WindowTimer, kMatchTimerCount> windowTimers_;
    std::array<FrameTimer, kMatchTimerCount> frameTimers_;
    FrameClock frameClock_;
    ILockstepSource* lockstep_ = nullptr;
    // The window's timers or the frame-counted ones, in MatchTimer order.
    std::array<MatchTimerBase*, kMatchTimerCount> TimersOf(bool frameCounted);

public:
    // --- the match ----------------------------------------------------------------------
    // Built on the components above and gone before them.
    Match game;
    // The computer's players, by side; none where a person plays.
    std::array<std::optional<ComputerPlayer>, 2> computer;
    // Calls of the frame handler since the window was made (for the simulator's dump).
    uint64_t frames = 0;
};

} // namespace vl::match
