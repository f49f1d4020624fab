// SPDX-License-Identifier: GPL-3.0-or-later
// PadLayout: the default layout as a table of buttons and one of axes.
#include "input/PadLayout.h"

#include <SDL.h>

#include <array>
#include <utility>

namespace vl::input {

namespace {

constexpr std::array<std::pair<int, Action>, 8> kButtons = {{
    {SDL_CONTROLLER_BUTTON_DPAD_UP, Action::Climb},
    {SDL_CONTROLLER_BUTTON_DPAD_DOWN, Action::Descend},
    {SDL_CONTROLLER_BUTTON_A, Action::Gun},
    {SDL_CONTROLLER_BUTTON_B, Action::Missile},
    {SDL_CONTROLLER_BUTTON_X, Action::Machgun},
    {SDL_CONTROLLER_BUTTON_Y, Action::Magnet},
    {SDL_CONTROLLER_BUTTON_LEFTSHOULDER, Action::SayEnergy},
    {SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, Action::SayBullets},
}};

// An axis past the threshold in its direction (+1 or -1).
struct AxisRow {
    int axis, direction;
    Action action;
};
constexpr std::array<AxisRow, 4> kAxes = {{
    {SDL_CONTROLLER_AXIS_LEFTY, -1, Action::Climb},
    {SDL_CONTROLLER_AXIS_LEFTY, 1, Action::Descend},
    {SDL_CONTROLLER_AXIS_TRIGGERLEFT, 1, Action::SayMissiles},
    {SDL_CONTROLLER_AXIS_TRIGGERRIGHT, 1, Action::SayRounds},
}};

} // namespace

void ReadPad(const platform::IInputService::PadState& pad, Side side, FrameInput& in) {
    for (const auto& [button, action] : kButtons)
        if (pad.Down(button)) in.Of(side).Add(action);
    for (const AxisRow& row : kAxes)
        if (row.direction * pad.axes[static_cast<size_t>(row.axis)] > kPadThreshold)
            in.Of(side).Add(row.action);
    if (pad.Down(SDL_CONTROLLER_BUTTON_START)) in.leave = true;
}

} // namespace vl::input
