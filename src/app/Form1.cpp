// Form1: the match window's form data and its start-up handlers.
#include "app/Form1.h"

#include "input/KeyMap.h"

namespace vl::app {

TForm1::TForm1(const WindowContext& context)
    : toolkit(context.toolkit), form(toolkit.CreateForm("Form1", "Vlnedla", 192, 107, 544, 375)),
      owner_(form), inputOwner_(form), presenter_(toolkit.CreatePresenter(form)),
      DXSound1(context.sound, &owner_), DXWaveList1("DXWaveList1"),
      DXInput1(input::InputEnvironment{&inputOwner_, &toolkit, &toolkit, &toolkit}),
      DXTimer1(toolkit) {
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
    // FIXME: OnFinalize = DXDraw1Finalize, which releases the player records, comes with
    // the match.

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

void TForm1::FormCreate() {
    // FIXME: the match bank snd\game.dat and the two player records come with the match;
    // until that bank exists, loading it would put an error box up at every start.
    DXImageList1.Items().LoadFromFile("pics\\game.dat");
}

void TForm1::FormActivate() {
    // The form has no separate show event: Show always activates, and the display only
    // initialises on the first call (and only while the window is up).
    if (form.Visible()) DXDraw1.FormShown();
    DXInput1.FormActivated();
}

void TForm1::DXTimer1Timer(input::TCustomDXTimer& /*sender*/, int32_t /*lagCount*/) {
    // FIXME: the match's frame — poll, move, draw, present, keys — comes with the match.
}

} // namespace vl::app
