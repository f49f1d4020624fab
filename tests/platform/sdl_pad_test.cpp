// SPDX-License-Identifier: GPL-3.0-or-later
// Game controllers through the real SDL toolkit: SDL's virtual controller is plugged in,
// pressed and pulled out while the toolkit's loop runs, and the toolkit's pads follow.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Clock.h"
#include "platform/SdlToolkit.h"
#include "platform/ToolkitTimer.h"

namespace {

using namespace vl::platform;

TEST(SdlPads, AVirtualControllerIsPluggedPressedAndPulledOut) {
    setenv("SDL_VIDEODRIVER", "dummy", 1); // no display needed: the pads are SDL's events
    RealClock clock;
    std::unique_ptr<SdlToolkit> tk;
    try {
        tk = std::make_unique<SdlToolkit>(clock);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no SDL video: " << e.what();
    }
    std::vector<std::pair<int, bool>> changes;
    tk->OnPadChange = [&](int slot, bool plugged) { changes.emplace_back(slot, plugged); };
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr) << SDL_GetError();

    IInputService::PadState pressed, after;
    bool heldAfterUnplug = true;
    int plainJoysticks = -1, step = 0;
    Timer steps(*tk, 50, true);
    steps.OnTimer = [&] {
        switch (step++) {
        case 0: // plugged in by now: press A and push the left stick down
            SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, 1);
            SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, 30000);
            break;
        case 1:
            tk->ReadPad(0, pressed);
            plainJoysticks = tk->JoystickCount();
            SDL_JoystickClose(joystick);
            SDL_JoystickDetachVirtual(index);
            break;
        default:
            heldAfterUnplug = tk->ReadPad(0, after);
            tk->Terminate();
            break;
        }
    };
    tk->RunLoop();
    unsetenv("SDL_VIDEODRIVER"); // read once, as SDL started
    EXPECT_TRUE(pressed.Down(SDL_CONTROLLER_BUTTON_A));
    EXPECT_EQ(pressed.axes[SDL_CONTROLLER_AXIS_LEFTY], 30000);
    EXPECT_EQ(plainJoysticks, 0) << "a controller is no plain joystick";
    EXPECT_FALSE(heldAfterUnplug);
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{0, true}, {0, false}}));
}

// With a pad plugged in on X11 the loop sleeps on the X connection instead of SDL's
// millisecond polling: the pad is still read, the window system's events still come (the
// pointer warped into the window gives it the mouse), and a wake from another thread still
// ends the loop. Needs a display (tests/scripts/xvfb_pads.sh gives it one).
TEST(SdlPads, OnX11APluggedPadLeavesTheLoopHearingEverything) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no display";
    RealClock clock;
    std::unique_ptr<SdlToolkit> tk;
    try {
        tk = std::make_unique<SdlToolkit>(clock);
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no SDL video: " << e.what();
    }
    Form& form = tk->CreateForm("Form1", "Vlnedla", 0, 0, 200, 100);
    form.Show();
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr) << SDL_GetError();

    IInputService::PadState pressed;
    bool mouseCame = false;
    int second = -1;
    std::vector<std::pair<int, bool>> changes; // reach the program through the loop's poll
    tk->OnPadChange = [&](int slot, bool plugged) { changes.emplace_back(slot, plugged); };
    std::thread waker;
    int step = 0;
    Timer steps(*tk, 50, true);
    steps.OnTimer = [&] {
        switch (step++) {
        case 0:
            SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_B, 1);
            SDL_WarpMouseGlobal(60, 40); // into the window (no window manager moves it)
            break;
        case 1:
            tk->ReadPad(0, pressed);
            second =
                SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX,
                                          SDL_CONTROLLER_BUTTON_MAX, 0);
            break;
        default:
            if ((SDL_GetMouseFocus() == nullptr || changes.size() < 2) && step < 40) break;
            mouseCame = SDL_GetMouseFocus() != nullptr;
            steps.SetEnabled(false);
            // From another thread, as a signal's watcher does; the loop ends by it alone.
            waker = std::thread([&tk] { tk->RequestExit(7); });
            break;
        }
    };
    tk->RunLoop();
    waker.join();
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    if (second >= 0) SDL_JoystickDetachVirtual(second);
    EXPECT_EQ(tk->ExitCode(), 7);
    EXPECT_EQ(changes, (std::vector<std::pair<int, bool>>{{0, true}, {1, true}}));
    EXPECT_TRUE(pressed.Down(SDL_CONTROLLER_BUTTON_B));
    EXPECT_TRUE(mouseCame);
}

} // namespace
