// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window's form data, its lifecycle handlers, the frame handler and the
// frame's drawing.
//
// Index:
//   - form data (the constructor)
//   - lifecycle: FormCreate, FormActivate, startmatch, FormClose, the input source
//   - the frame: DXTimer1Timer, Drawing, DrawCounters
#include "match/Unit1.h"

#include <algorithm>

#include "input/PadLayout.h"

#include <array>
#include <string>

#include "base/Check.h"
#include "input/KeyMap.h"
#include "match/Backgrnd.h"
#include "settings/Language.h"
#include "settings/Resources.h"

namespace vl::match {

// --- form data ------------------------------------------------------------------------

TForm1::TForm1(const sound::WindowContext& context)
    : toolkit(context.toolkit), language(context.language),
      form(toolkit.CreateForm("Form1", std::string(language.texts.matchTitle), 192, 107, 544, 375)),
      owner_(form), inputOwner_(form), presenter_(toolkit.CreatePresenter(form)),
      DXSound1(context.sound, &owner_), DXWaveList1("DXWaveList1"),
      DXInput1(input::InputEnvironment{&inputOwner_, &toolkit, &toolkit, &toolkit}),
      DXTimer1(toolkit),
      driver(DriverParts{DXSpriteEngine1.Engine(), DXImageList1.Items(), DXWaveList1.Items(),
                         [this] { return FieldHeight(); }, language.numberWords}),
      game(driver.Game()) {
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
    // The listener's volumes: the spoken words (the kinds' "...sp" and the number pieces),
    // the continuous sounds (loops and the echoes' grains, which overlap into one tone),
    // and the effects.
    DXWaveList1.BusOf = [pieces = language.numberPieces()](std::string_view name, bool looped) {
        if (looped || name == "snavigleft" || name == "snavigright")
            return platform::MixBus::Continuous;
        const bool spoken =
            name.ends_with("sp") || std::find(pieces.begin(), pieces.end(), name) != pieces.end();
        return spoken ? platform::MixBus::Speech : platform::MixBus::Effects;
    };
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
    DXWaveList1.Items().LoadFromFile(settings::BankPath(language, settings::kGameBank));
    DXImageList1.Items().LoadFromFile(std::string(settings::kGamePictures));
    game.Reset();
}

void TForm1::FormActivate() {
    // The form has no separate show event: Show always activates, and the display only
    // initialises on the first call (and only while the window is up).
    if (form.Visible()) DXDraw1.FormShown();
    DXInput1.FormActivated();
}

void TForm1::startmatch() {
    StartMatch(toolkit.Clock().NowMs());
}

void TForm1::StartMatch(uint32_t seed) {
    driver.Start(seed);
    DXTimer1.SetEnabled(true);
}

void TForm1::FormClose() {
    if (OnMatchClosing) OnMatchClosing();
    game.Close();
    DXTimer1.SetEnabled(false);
}

void TForm1::SetSource(IFrameSource* source) {
    // Back to the devices at any time (a duel torn down mid-match); a source of its own
    // only before a match.
    VL_CHECK(!source || (game.player1 == nullptr && game.player2 == nullptr),
             "a match's own input source is given on an empty field");
    driver.SetSource(source);
}

input::FrameInput TForm1::DevicesInput() const {
    input::FrameInput in = bindings_.Read(DXInput1.Keyboard(), DXInput1.Joystick().DeviceStates());
    // The first two game controllers, a side each.
    for (int slot = 0; slot < 2; ++slot) {
        platform::IInputService::PadState pad;
        if (!toolkit.ReadPad(slot, pad)) continue;
        const bool left = (slot == 0) != padsSwapped_;
        input::ReadPad(pad, left ? Side::Left : Side::Right, in);
    }
    return in;
}

// --- the frame ------------------------------------------------------------------------

void TForm1::DXTimer1Timer(input::TCustomDXTimer& /*sender*/, int32_t /*lagCount*/) {
    if (!DXDraw1.CanDraw()) {
        toolkit.ShowMessage(platform::kApplicationTitle, language.texts.displayFailure,
                            platform::MessageIcon::None);
        form.Close();
        return;
    }
    DXInput1.PollInput();
    const std::optional<input::FrameInput> in = driver.Step(DevicesInput(), drawing_);
    if (!in) return; // the peer's keys have not come yet: this frame waits
    ++frames;
    if (in->leave) form.Close();
}

// On a display that cannot draw, the drawing steps are left out; the rest of the frame
// (freeing, alarms, counters spoken, Esc) runs as always. So they are on a frame the window
// would not show (it takes a picture at most every 16 ms).
void TForm1::Drawing::Draw() {
    drawable_ = form_.DXDraw1.CanDraw() && form_.DXDraw1.WantsPicture();
    if (!drawable_) return;
    graphics::TDirectDrawSurface& surface = form_.DXDraw1.Surface();
    // Under a background that paints every pixel the white is never seen: leaving it out
    // spares a pass over the whole surface for every picture.
    if (form_.game.backgrnd == nullptr || !form_.game.backgrnd->CoversTarget(surface))
        surface.Fill(0xFFFFFF);
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
