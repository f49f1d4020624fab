// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window's form data, its lifecycle handlers, the frame handler and the
// frame's drawing.
//
// Index:
//   - form data (the constructor)
//   - lifecycle: FormCreate, FormActivate, startmatch, FormClose
//   - the frame: DXTimer1Timer, Drawing, DrawCounters
#include "match/Unit1.h"

#include <array>
#include <cassert>
#include <string>

#include "input/KeyMap.h"

namespace vl::match {

// --- form data ------------------------------------------------------------------------

TForm1::TForm1(const sound::WindowContext& context)
    : toolkit(context.toolkit), form(toolkit.CreateForm("Form1", "Vlnedla", 192, 107, 544, 375)),
      owner_(form), inputOwner_(form), presenter_(toolkit.CreatePresenter(form)),
      DXSound1(context.sound, &owner_), DXWaveList1("DXWaveList1"),
      DXInput1(input::InputEnvironment{&inputOwner_, &toolkit, &toolkit, &toolkit}),
      DXTimer1(toolkit), blikleftTimer(toolkit, 50, false), blikrightTimer(toolkit, 50, false),
      machgunlefttimer(toolkit, 100, false), machgunrighttimer(toolkit, 100, false),
      weaponstimer(toolkit, 5000, false), objectapptimer(toolkit, 5000, false),
      windowTimers_{WindowTimer(blikleftTimer),    WindowTimer(blikrightTimer),
                    WindowTimer(machgunlefttimer), WindowTimer(machgunrighttimer),
                    WindowTimer(weaponstimer),     WindowTimer(objectapptimer)},
      frameTimers_{FrameTimer(50, [this] { blikleftTimerTimer(); }),
                   FrameTimer(50, [this] { blikrightTimerTimer(); }),
                   FrameTimer(100, [this] { machgunlefttimerTimer(); }),
                   FrameTimer(100, [this] { machgunrighttimerTimer(); }),
                   FrameTimer(5000, [this] { weaponstimerTimer(); }),
                   FrameTimer(5000, [this] { objectapptimerTimer(); })},
      game(MatchParts{DXSpriteEngine1.Engine(), DXImageList1.Items(), DXWaveList1.Items(),
                      &toolkit.Clock(), TimersOf(false), [this] { return FieldHeight(); }}) {
    using graphics::TDXDrawOption;
    // DXDraw1: a windowed display filling the client area, initialised on first show.
    DXDraw1.SetPresenter(presenter_.get());
    DXDraw1.Align = graphics::TAlign::alClient;
    DXDraw1.AutoInitialize = true;
    DXDraw1.AutoSize = true;
    DXDraw1.Color = graphics::clBtnFace;
    DXDraw1.SetOptions({TDXDrawOption::doAllowReboot, TDXDrawOption::doWaitVBlank,
                        TDXDrawOption::doCenter, TDXDrawOption::doRetainedMode,
                        TDXDrawOption::doHardware, TDXDrawOption::doSelectDriver});
    DXDraw1.SetBounds(0, 0, kFieldWidth, kFieldHeight);
    DXDraw1.SetSurfaceSize(kFieldWidth, kFieldHeight);
    DXDraw1.OnInitialize = [this](graphics::TCustomDXDraw& sender) { DXDraw1Initialize(sender); };
    DXDraw1.OnFinalize = [this](graphics::TCustomDXDraw& sender) { DXDraw1Finalize(sender); };

    DXWaveList1.SetTrace(context.trace);
    DXWaveList1.SetDXSound(&DXSound1);
    DXImageList1.SetDXDraw(&DXDraw1);
    DXSpriteEngine1.SetDXDraw(&DXDraw1);

    // DXInput1: the keyboard with the match's key table, a joystick if one is attached,
    // no mouse; only while the window is in front.
    DXInput1.SetActiveOnly(true);
    DXInput1.SetUseDirectInput(true);
    input::TKeyboard& keyboard = DXInput1.Keyboard();
    keyboard.SetEnabled(true);
    keyboard.SetBindInputStates(true);
    keyboard.SetForceFeedback(false);
    keyboard.SetAssigns(input::kMatchAssigns);
    input::TJoystick& joystick = DXInput1.Joystick();
    joystick.SetEnabled(true);
    joystick.SetBindInputStates(true);
    joystick.SetForceFeedback(false);
    joystick.SetAutoCenter(true);
    joystick.SetDeadZoneX(50);
    joystick.SetDeadZoneY(50);
    joystick.SetDeadZoneZ(50);
    joystick.SetRangeX(1000);
    joystick.SetRangeY(1000);
    joystick.SetRangeZ(1000);
    joystick.SetID(0);
    input::TMouse& mouse = DXInput1.Mouse();
    mouse.SetEnabled(false);
    mouse.SetBindInputStates(false);
    mouse.SetForceFeedback(false);

    // DXTimer1: stored disabled; the match start enables it.
    DXTimer1.SetEnabled(false);
    DXTimer1.SetInterval(kFrameInterval);
    DXTimer1.SetActiveOnly(true);
    DXTimer1.OnTimer = [this](input::TCustomDXTimer& sender, int32_t lagCount) {
        DXTimer1Timer(sender, lagCount);
    };

    // The window's timers, all stored disabled.
    blikleftTimer.OnTimer = [this] { blikleftTimerTimer(); };
    blikrightTimer.OnTimer = [this] { blikrightTimerTimer(); };
    machgunlefttimer.OnTimer = [this] { machgunlefttimerTimer(); };
    machgunrighttimer.OnTimer = [this] { machgunrighttimerTimer(); };
    weaponstimer.OnTimer = [this] { weaponstimerTimer(); };
    objectapptimer.OnTimer = [this] { objectapptimerTimer(); };

    form.OnCreate = [this] { FormCreate(); };
    form.OnActivate = [this] { FormActivate(); };
    form.OnClose = [this] { FormClose(); };

    // The end of loading, in component order: each applies what was stored above.
    DXSound1.Loaded();
    DXInput1.Loaded();
    DXTimer1.Loaded();
    // The window exists from here on; the input devices take their access modes on it.
    DXInput1.FormCreated();
}

// --- lifecycle ------------------------------------------------------------------------

void TForm1::FormCreate() {
    DXWaveList1.Items().LoadFromFile("snd\\game.dat");
    DXImageList1.Items().LoadFromFile("pics\\game.dat");
    game.Reset();
}

void TForm1::FormActivate() {
    // The form has no separate show event: Show always activates, and the display only
    // initialises on the first call (and only while the window is up).
    if (form.Visible()) DXDraw1.FormShown();
    DXInput1.FormActivated();
}

void TForm1::startmatch() {
    game.Start();
    DXTimer1.SetEnabled(true);
}

void TForm1::FormClose() {
    game.Close();
    DXTimer1.SetEnabled(false);
}

std::array<MatchTimerBase*, kMatchTimerCount> TForm1::TimersOf(bool frameCounted) {
    std::array<MatchTimerBase*, kMatchTimerCount> out{};
    for (size_t i = 0; i < kMatchTimerCount; ++i)
        out[i] = frameCounted ? static_cast<MatchTimerBase*>(&frameTimers_[i]) : &windowTimers_[i];
    return out;
}

void TForm1::SetLockstep(ILockstepSource* source) {
    assert((!source || (game.player1 == nullptr && game.player2 == nullptr)) &&
           "a duel begins on an empty field");
    lockstep_ = source;
    for (platform::Timer* t : {&blikleftTimer, &blikrightTimer, &machgunlefttimer,
                               &machgunrighttimer, &weaponstimer, &objectapptimer})
        t->SetEnabled(false);
    for (FrameTimer& t : frameTimers_) t.SetEnabled(false);
    if (source)
        game.UseTime(TimersOf(true), frameClock_);
    else
        game.UseTime(TimersOf(false), toolkit.Clock());
}

void TForm1::StartLockstepMatch(uint32_t seed) {
    assert(lockstep_ && "a duel's match needs its lockstep");
    frameClock_.Set(seed);
    for (FrameTimer& t : frameTimers_) t.SetEnabled(false);
    game.SeedGenerator(seed);
    startmatch();
}

void TForm1::SetComputer(Side side, int32_t level) {
    std::optional<ComputerPlayer>& player = computer[static_cast<size_t>(side)];
    if (level <= 0)
        player.reset();
    else
        player.emplace(side, level);
}

int32_t TForm1::ComputerLevel(Side side) const {
    const std::optional<ComputerPlayer>& player = computer[static_cast<size_t>(side)];
    return player ? player->Level() : 0;
}

// --- the frame ------------------------------------------------------------------------

void TForm1::DXTimer1Timer(input::TCustomDXTimer& /*sender*/, int32_t /*lagCount*/) {
    if (lockstep_) {
        LockstepFrame();
        return;
    }
    ++frames;
    if (!DXDraw1.CanDraw()) {
        toolkit.ShowMessage(platform::kApplicationTitle, kDisplayFailure,
                            platform::MessageIcon::None);
        form.Close();
    }
    DXInput1.PollInput();
    input::InputStates states = DXInput1.ActiveStates();
    for (std::optional<ComputerPlayer>& player : computer)
        if (player) player->Play(game, states);
    game.Frame(states, drawing_);
    if (InputSet(input::InputButton3)) form.Close();
}

void TForm1::LockstepFrame() {
    if (!DXDraw1.CanDraw()) {
        toolkit.ShowMessage(platform::kApplicationTitle, kDisplayFailure,
                            platform::MessageIcon::None);
        form.Close();
        return;
    }
    DXInput1.PollInput();
    const std::optional<input::InputStates> states = lockstep_->NextFrame(DXInput1.ActiveStates());
    if (!states) return; // the peer's keys have not come yet: this frame waits
    ++frames;
    // The match's time moves on a frame, and its timers fire between frames as the
    // window's would, in a fixed order.
    frameClock_.SleepMs(kFrameInterval);
    for (FrameTimer& t : frameTimers_) t.Advance(kFrameInterval);
    game.Frame(*states, drawing_);
    lockstep_->FrameRan(game);
    if (states->Contains(input::InputButton3)) form.Close();
}

// On a display that cannot draw, the drawing steps are left out; the rest of the frame
// (freeing, alarms, counters spoken, Esc) runs as always.
void TForm1::Drawing::Draw() {
    drawable_ = form_.DXDraw1.CanDraw();
    if (!drawable_) return;
    form_.DXDraw1.Surface().Fill(0xFFFFFF);
    form_.DXSpriteEngine1.DrawAll();
    form_.DrawCounters();
}

void TForm1::Drawing::Present() {
    if (drawable_) form_.DXDraw1.Flip();
}

void TForm1::DrawCounters() {
    struct Row {
        int32_t picture;
        int32_t iconY;
        int32_t numberY;
    };
    static constexpr std::array<Row, 4> kRows = {
        {{4, 0, 14}, {5, 34, 38}, {8, 58, 61}, {10, 79, 83}}};
    graphics::TDirectDrawSurface& surface = DXDraw1.Surface();
    graphics::TDirectDrawSurfaceCanvas& canvas = surface.Canvas();
    graphics::TPictureCollection& pictures = DXImageList1.Items();
    // Size 12, unless the number would pass the surface's right edge in the face the
    // canvas has (the right player's three-digit counters in a wide face): then the
    // largest smaller size at which it is drawn whole.
    const int32_t right = surface.Width();
    const auto write = [&canvas, right](int32_t x, int32_t y, int64_t value) {
        const std::string text = std::to_string(value);
        canvas.Brush.Style = graphics::TBrushStyle::bsClear;
        canvas.Font.Color = 255;
        for (canvas.Font.Size = kCounterFontSize; canvas.Font.Size > kCounterFontSizeMin;
             --canvas.Font.Size) {
            int32_t w = 0, h = 0;
            canvas.TextExtent(text, w, h);
            if (x + w <= right) break;
        }
        canvas.TextOut(x, y, text);
        canvas.Release();
    };
    for (size_t row = 0; row < kRows.size(); ++row) {
        const Row& r = kRows[row];
        const auto value = [row](const tproperties& p) -> int64_t {
            switch (row) {
            case 0:
                return p.energy;
            case 1:
                return p.bullets;
            case 2:
                return p.missiles;
            default:
                return p.machgunrounds;
            }
        };
        pictures.Items(r.picture).DrawPattern(surface, 4, r.iconY, 0);
        write(0, r.numberY, value(game.propertiesleft));
        pictures.Items(r.picture).DrawPattern(surface, 513, r.iconY, 0);
        write(509, r.numberY, value(game.propertiesright));
    }
}

} // namespace vl::match
