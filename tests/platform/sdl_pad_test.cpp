// SPDX-License-Identifier: GPL-3.0-or-later
// Game controllers through the real SDL toolkit: SDL's virtual controller is plugged in,
// pressed and pulled out while the toolkit's loop runs, and the toolkit's pads follow.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
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

} // namespace
