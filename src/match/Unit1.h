// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window — its components (display, sound, bank, pictures, sprite engine,
// keyboard, frame timer) and the handlers that run the match through its driver.
//
// Index:
//   - constants of the field and the frame
//   - TForm1: construction (the form data); lifecycle handlers (FormCreate, startmatch,
//     stopmatch, destroyplayer1/2, FormClose); the frame; spoken numbers; the match's
//     input (source, players, key bindings); components; the match
//
// The components are members in the order of the window's form data, so they are built
// in that order and torn down in reverse: everything that points at DXDraw1 lets go of it
// before it goes, and DXDraw1 goes before the presenter it shows its frames through. The
// match runs in `driver` (MatchDriver.h), built on the components after them; `game` is its
// `Match`. The sprites live in DXSpriteEngine1 and reach the match, never the window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <type_traits>

#include "graphics/DXDraws.h"
#include "input/Bindings.h"
#include "input/DXClass.h"
#include "input/DXInput.h"
#include "match/Match.h"
#include "match/MatchDriver.h"
#include "match/Side.h"
#include "platform/Presenter.h"
#include "platform/Toolkit.h"
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

class TForm1 {
public:
    // Builds the window and its components from the form data and opens its sound device;
    // throws as Tmainmenuform does when the device cannot be made. The display stays
    // uninitialised until the window is first shown.
    explicit TForm1(const sound::WindowContext& context);
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // --- lifecycle ----------------------------------------------------------------------
    // Creation handler (run through the toolkit's boundary): reads the language's
    // snd\game.dat and pics\game.dat, then gives both players a new record. Throws the readers'
    // errors (a missing file: "Cannot open file ..."); the window is created all the same.
    void FormCreate();
    // A new match from a seed of the clock's (StartMatch). The menu only starts one on a
    // hidden window, so the field is empty.
    void startmatch();
    // A new match from `seed` (the driver's Start), then the frame timer.
    void StartMatch(uint32_t seed);
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
    // check (a display that cannot draw: the message, the window closes, no frame), poll,
    // the devices' actions through the key bindings, the driver's step (the source's
    // input, the match's timers, the match's frame: pitches, move pass while running,
    // free, draw, counters, alarms, obstacle timer, flip, spoken counters), then the
    // window closes when the input left the match. A frame whose input must wait does
    // nothing. A missing sound or picture item ends the frame with the collection's error.
    void DXTimer1Timer(input::TCustomDXTimer& sender, int32_t lagCount);
    void placeobjects() { game.PlaceObjects(); }

    // --- spoken numbers -----------------------------------------------------------------
    void sayword(int32_t player, std::string_view name) { game.sayword(player, name); }
    void saynumber(int32_t player, int32_t value, bool sayzero) {
        game.saynumber(player, value, sayzero);
    }

    // --- the match's input ---------------------------------------------------------------
    // From now on every frame takes its input from `source` (a duel's lockstep, a
    // replay), given only on an empty field; null: this machine's devices and computer
    // players again, at any time.
    void SetSource(IFrameSource* source);
    // The computer plays `side` at `level` (1..3) in every local match from now on; level
    // 0 gives the side back to the keyboard.
    void SetComputer(Side side, int32_t level) { driver.Local().SetComputer(side, level); }
    // The level the computer plays `side` at; 0 when a person plays it.
    int32_t ComputerLevel(Side side) const { return driver.Local().ComputerLevel(side); }
    // Which keys perform which action (the settings' keys, or the defaults).
    void SetBindings(const input::Bindings& bindings) { bindings_ = bindings; }
    // Whether the first game controller plays the right craft and the second the left.
    void SetPadSides(bool swapped) { padsSwapped_ = swapped; }
    // Told when the window closes on a match, before the match is closed: the last frame's
    // state still stands (a replay takes it).
    std::function<void()> OnMatchClosing;
    const input::Bindings& Bindings() const { return bindings_; }
    // This frame's actions as this machine's keyboard and joystick give them now.
    input::FrameInput DevicesInput() const;

    // The field's height: the display's surface height.
    int32_t FieldHeight() const { return DXDraw1.GetSurfaceHeight(); }
    // The presenter DXDraw1 shows its frames through (the toolkit's, for this form).
    platform::IPresenter& Presenter() { return *presenter_; }

    platform::Toolkit& toolkit;
    const settings::Language& language; // what the window shows and its bank speaks
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

    sound::FormSoundOwner owner_;
    InputOwner inputOwner_;
    std::unique_ptr<platform::IPresenter> presenter_; // outlives DXDraw1
    Drawing drawing_{*this};
    input::Bindings bindings_;
    bool padsSwapped_ = false;

public:
    // --- components, in form-data order -------------------------------------------------
    graphics::TDXDraw DXDraw1;
    sound::TDXSound DXSound1;
    sound::TDXWaveList DXWaveList1;
    graphics::TDXImageList DXImageList1;
    sprite::TDXSpriteEngine DXSpriteEngine1;
    input::TDXInput DXInput1;
    input::TDXTimer DXTimer1;

    // --- the match ----------------------------------------------------------------------
    // Built on the components above and gone before them; its timers (blink, machine-gun
    // cooldown, pickup, obstacle row) count the match's frames.
    MatchDriver driver;
    Match& game;
    // Frames the frame handler has run since the window was made (for the simulator's dump).
    uint64_t frames = 0;
};

} // namespace vl::match
