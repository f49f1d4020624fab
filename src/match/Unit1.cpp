// SPDX-License-Identifier: GPL-3.0-or-later
// Unit1: the match window's form data, the match's lifecycle, the frame handler, the
// window's timers, the obstacle rows and pickups, and the spoken numbers.
//
// Index:
//   - form data (the constructor)
//   - lifecycle: FormCreate, startmatch, choosebackground, stopmatch, DestroyPlayer, FormClose
//   - the frame: DXTimer1Timer, DrawCounters, SwitchAlarm
//   - timers: blink, pickup, obstacle row (placeobjects)
//   - sounds: PlayAt, sayword, saynumber
#include "match/Unit1.h"

#include <cassert>

#include <array>
#include <cmath>
#include <string>

#include "input/KeyMap.h"
#include "match/FieldObjects.h"
#include "match/SpokenNumbers.h"
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

// The picture of each pickup kind, by weaponkind 1..4.
constexpr std::array<std::string_view, 4> kWeaponPictures = {"energyicon", "bulleticon",
                                                             "missileicon", "machgunicon"};

} // namespace

// --- form data ------------------------------------------------------------------------

TForm1::TForm1(const WindowContext& context)
    : toolkit(context.toolkit), form(toolkit.CreateForm("Form1", "Vlnedla", 192, 107, 544, 375)),
      owner_(form), inputOwner_(form), presenter_(toolkit.CreatePresenter(form)),
      DXSound1(context.sound, &owner_), DXWaveList1("DXWaveList1"),
      DXInput1(input::InputEnvironment{&inputOwner_, &toolkit, &toolkit, &toolkit}),
      DXTimer1(toolkit), blikleftTimer(toolkit, 50, false), blikrightTimer(toolkit, 50, false),
      machgunlefttimer(toolkit, 100, false), machgunrighttimer(toolkit, 100, false),
      weaponstimer(toolkit, 5000, false), objectapptimer(toolkit, 5000, false) {
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
    propertiesleft = tproperties{};
    propertiesright = tproperties{};
}

void TForm1::FormActivate() {
    // The form has no separate show event: Show always activates, and the display only
    // initialises on the first call (and only while the window is up).
    if (form.Visible()) DXDraw1.FormShown();
    DXInput1.FormActivated();
}

void TForm1::startmatch() {
    assert(player1 == nullptr && player2 == nullptr && "a match starts on an empty field");
    gamerunning = true;
    for (const Side side : {Side::Left, Side::Right})
        Record(side) = StartRecord(Record(side), SideOf(side).startNavigFreq);
    choosebackground();

    // Each craft, then its invisible probe, 11 pixels below the craft's top.
    player1 = &CreateSprite<TPlayer1>(SideOf(Side::Left).craftPicture, SideOf(Side::Left).craftX,
                                      SideOf(Side::Left).craftStartY);
    player1->PixelCollision = true;
    radarleft = &CreateSprite<Tradarleft>("radar", SideOf(Side::Left).radarX, player1->Y + 11);
    radarleft->PixelCollision = false;
    radarleft->Visible = false;
    player2 = &CreateSprite<TPlayer2>(SideOf(Side::Right).craftPicture, SideOf(Side::Right).craftX,
                                      SideOf(Side::Right).craftStartY);
    player2->PixelCollision = true;
    radarright = &CreateSprite<Tradarright>("radar", SideOf(Side::Right).radarX, player2->Y + 11);
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

    random_.Randomize(toolkit.Clock().NowMs());
    weaponstimer.SetInterval(static_cast<uint32_t>(10000 + random_.Random(20000)));
    objectapptimer.SetInterval(static_cast<uint32_t>(5000 + random_.Random(5000)));

    weaponstimer.SetEnabled(true);
    objectapptimer.SetEnabled(true);
    machgunlefttimer.SetEnabled(true);
    machgunrighttimer.SetEnabled(true);
    DXTimer1.SetEnabled(true);
}

void TForm1::choosebackground() {
    // Drawn before startmatch reseeds: the first match after start-up always shows the
    // same background.
    const int32_t n = 1 + random_.Random(5);
    const graphics::TPictureCollectionItem& item =
        DXImageList1.Items().Find("background" + std::to_string(n));
    backgrnd = &sprite::Create<TBackgrnd>(DXSpriteEngine1.Engine());
    backgrnd->PictureItem = &item;
    backgrnd->ResizeMap(item.ImageWidth(), item.ImageHeight());
    backgrnd->SetZ(-2);
    backgrnd->Tiled = true;
}

void TForm1::stopmatch() {
    gamerunning = false;
    for (const Side side : {Side::Left, Side::Right}) Wave(SideOf(side).idle).Stop();
    for (const Side side : {Side::Left, Side::Right}) Wave(SideOf(side).moving).Stop();
    for (const Side side : {Side::Left, Side::Right}) {
        if (!Record(side).navigon) continue;
        Wave(SideOf(side).navigation).Stop();
        Wave(SideOf(side).echo).Stop();
    }
    Wave("navigweap").Stop();
    weaponstimer.SetEnabled(false);
    objectapptimer.SetEnabled(false);
}

void TForm1::DestroyPlayer(Side side) {
    tproperties& record = Record(side);
    record.energy = 0;
    sprite::TImageSprite* craft = Craft(side);
    if (craft) {
        craft->CollisionEnabled = false;
        craft->Kill();
    }
    // The engine frees it at the frame's FreeKilled; nothing may reach it after that.
    if (side == Side::Left)
        player1 = nullptr;
    else
        player2 = nullptr;
    PlayAt("explos", PanOf(side));
    Wave("alertleft").Stop();
    Wave("alertright").Stop();
    record.alarmon = false;
    stopmatch();
}

void TForm1::FormClose() {
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
    DXSpriteEngine1.FreeKilled();
    stopmatch();
    // The players are back in the menu: a low-energy alarm must not go on ringing there.
    Wave("alertleft").Stop();
    Wave("alertright").Stop();
    propertiesleft.alarmon = false;
    propertiesright.alarmon = false;
    // A destroyed craft has been freed already; its pointer is null.
    if (player1) player1->Kill();
    if (player2) player2->Kill();
    if (backgrnd) backgrnd->Kill();
    player1 = nullptr;
    player2 = nullptr;
    backgrnd = nullptr;
    DXTimer1.SetEnabled(false);
    DXSpriteEngine1.FreeKilled();
}

// --- the frame ------------------------------------------------------------------------

void TForm1::DXTimer1Timer(input::TCustomDXTimer& /*sender*/, int32_t /*lagCount*/) {
    ++frames;
    if (!DXDraw1.CanDraw()) {
        toolkit.ShowMessage(platform::kApplicationTitle, kDisplayFailure,
                            platform::MessageIcon::None);
        form.Close();
    }
    weaponblocked = false;
    DXInput1.PollInput();
    Wave("navig1").SetFrequency(propertiesleft.navigfreq);
    Wave("navig2").SetFrequency(propertiesright.navigfreq);
    if (gamerunning) DXSpriteEngine1.MoveAll(1);
    // On a display that cannot draw, the drawing steps are left out; the rest of the frame
    // (freeing, alarms, counters spoken, Esc) runs as always.
    const bool drawable = DXDraw1.CanDraw();
    if (drawable) DXDraw1.Surface().Fill(0xFFFFFF);
    DXSpriteEngine1.FreeKilled();
    if (drawable) {
        DXSpriteEngine1.DrawAll();
        DrawCounters();
    }
    SwitchAlarm(Side::Left);
    SwitchAlarm(Side::Right);
    if (objectcount == 0) objectapptimer.SetEnabled(true);
    if (drawable) DXDraw1.Flip();

    // Counter keys: 1-4 for the left player, keypad 1-4 for the right, in this order.
    for (const Side side : {Side::Left, Side::Right}) {
        const int first = SideOf(side).firstCounterKey;
        const tproperties& r = Record(side);
        const std::array<int32_t, 4> counters = {r.energy, r.bullets, r.missiles, r.machgunrounds};
        for (int i = 0; i < 4; ++i)
            if (InputSet(first + i))
                saynumber(PlayerOf(side), counters[static_cast<size_t>(i)], true);
    }
    if (InputSet(input::InputButton3)) form.Close();
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
        write(0, r.numberY, value(propertiesleft));
        pictures.Items(r.picture).DrawPattern(surface, 513, r.iconY, 0);
        write(509, r.numberY, value(propertiesright));
    }
}

void TForm1::SwitchAlarm(Side side) {
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

// --- timers ---------------------------------------------------------------------------

void TForm1::BlinkStep(Side side) {
    // A craft destroyed while it blinks is gone: the count runs out without it.
    sprite::TImageSprite* craft = Craft(side);
    if (craft) craft->Visible = !craft->Visible;
    tproperties& r = Record(side);
    ++r.blinkcount;
    if (r.blinkcount == 6) {
        BlinkTimer(side).SetEnabled(false);
        if (craft) craft->Visible = true;
    }
}

void TForm1::weaponstimerTimer() {
    weaponannounced = false;
    weaponstimer.SetEnabled(false);
    random_.Randomize(toolkit.Clock().NowMs());
    weaponstimer.SetInterval(static_cast<uint32_t>(10000 + random_.Random(20000)));
    weaponkind = static_cast<uint8_t>(1 + random_.Random(4));
    Tweapon& pickup = CreateSprite<Tweapon>(kWeaponPictures[weaponkind - 1U], 257, 0);
    pickup.Y = 10 + random_.Random(FieldHeight() - 20);
    pickup.Visible = false;
}

void TForm1::objectapptimerTimer() {
    // A pickup on the field (or a match that is over): no row now, the timer fires again.
    if (!weaponstimer.Enabled()) return;
    objectapptimer.SetEnabled(false);
    placeobjects();
    PlayAt("objapp", 0);
    random_.Randomize(toolkit.Clock().NowMs());
    objectapptimer.SetInterval(static_cast<uint32_t>(5000 + random_.Random(5000)));
}

void TForm1::placeobjects() {
    objectcount = 0;
    random_.Randomize(toolkit.Clock().NowMs());
    const int32_t h = FieldHeight();
    const int32_t margin = random_.Random(RoundHalfEven(h / 8.0));
    int32_t y = random_.Random(RoundHalfEven(h / 4.0));
    for (;;) {
        sprite::TImageSprite* object = nullptr;
        switch (random_.Random(4)) {
        case 0:
            object = &CreateSprite<Talarm>("alarm", 230, y);
            break;
        case 1:
            object = &CreateSprite<Tglass>("glass", 230, y);
            break;
        case 2:
            object = &CreateSprite<Tcamera>("camera", 230, y);
            break;
        default:
            object = &CreateSprite<Tphone>("phone", 230, y);
            break;
        }
        y += object->Height;
        y += random_.Random(RoundHalfEven(h / 10.0));
        ++objectcount;
        if (h < y + 65 + margin) break;
    }
}

// --- sounds ---------------------------------------------------------------------------

void TForm1::PlayAt(std::string_view name, int32_t pan, bool wait) {
    sound::TWaveCollectionItem& item = Wave(name);
    item.SetPan(pan);
    item.Play(wait);
}

void TForm1::sayword(int32_t player, std::string_view name) {
    PlayAt(name, PanOf(player == 1 ? Side::Left : Side::Right), true);
}

void TForm1::saynumber(int32_t player, int32_t value, bool sayzero) {
    for (const std::string& word : NumberWords(value, sayzero)) sayword(player, word);
}

} // namespace vl::match
