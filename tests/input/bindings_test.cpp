// SPDX-License-Identifier: GPL-3.0-or-later
// Players' actions: the actions table keeps the game's keys and the joystick's states, the
// bindings read a frame from keys and joystick alike, refuse a key that serves another
// action, and store key lists in a form that reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "input/Bindings.h"
#include "input/KeyMap.h"

namespace vl::input {
namespace {

TEST(Actions, TheTableIsTheKeyTableOfTheMatchWindow) {
    std::set<int> states;
    for (const ActionRow& row : kActionTable) {
        EXPECT_EQ(&RowOf(row.side, row.action), &row);
        // The default key is the one the window's key table gives the row's state.
        EXPECT_EQ(row.keys[0], kMatchAssigns[static_cast<size_t>(row.partsState)][0])
            << Bindings::SettingName(row.side, row.action);
        EXPECT_TRUE(states.insert(row.partsState).second);
        EXPECT_EQ(ActionFromName(ActionName(row.action)), row.action);
    }
    EXPECT_EQ(kLeaveKeys[0], kMatchAssigns[kLeaveState][0]);
    EXPECT_FALSE(ActionFromName("fly"));
}

TEST(Actions, KeysAndTheJoystickGiveEachSidesActions) {
    const Bindings b;
    std::set<uint8_t> down = {'E', 0x61, 0x1B};
    const auto isDown = [&down](uint8_t vk) { return down.count(vk) != 0; };
    InputStates joystick;
    joystick.Add(InputDown);     // the right player's descend
    joystick.Add(InputButton15); // the left player's gun
    const FrameInput in = b.ReadWith(isDown, joystick);
    EXPECT_EQ(in.Of(Side::Left).Bits(), (1U << static_cast<unsigned>(Action::Climb)) |
                                            (1U << static_cast<unsigned>(Action::Gun)));
    EXPECT_EQ(in.Of(Side::Right).Bits(), (1U << static_cast<unsigned>(Action::Descend)) |
                                             (1U << static_cast<unsigned>(Action::SayEnergy)));
    EXPECT_TRUE(in.leave);
    down.clear();
    EXPECT_EQ(b.ReadWith(isDown, {}), FrameInput{});
}

TEST(Actions, BindingRefusesAKeyServingAnotherActionAndEsc) {
    Bindings b;
    const auto clash = b.Set(Side::Left, Action::Gun, {'K', 0x10}); // Shift: the right gun
    ASSERT_TRUE(clash);
    EXPECT_EQ(*clash, std::pair(Side::Right, Action::Gun));
    EXPECT_EQ(b.Keys(Side::Left, Action::Gun)[0], 0x20);
    EXPECT_TRUE(b.Set(Side::Left, Action::Gun, {0x1B}));
    EXPECT_FALSE(b.Set(Side::Left, Action::Gun, {'K', 'K'})); // its own key twice is fine
    EXPECT_FALSE(b.Set(Side::Right, Action::Magnet, {0x20})); // Space is free now
    const std::set<uint8_t> down = {'K'};
    EXPECT_TRUE(b.ReadWith([&down](uint8_t vk) { return down.count(vk) != 0; }, {})
                    .Has(Side::Left, Action::Gun));
}

TEST(Actions, KeyListsReadBackAsWritten) {
    EXPECT_EQ(Bindings::ParseKeys("SHIFT, CONTROL"), (ActionKeys{0x10, 0x11}));
    EXPECT_EQ(Bindings::ParseKeys("NUMPAD0"), (ActionKeys{0x60}));
    for (const char* bad : {"", "SHIFT,", "shift", "A, B, C, D, E", "0x00", "F13"})
        EXPECT_FALSE(Bindings::ParseKeys(bad)) << bad;
    for (int vk = 1; vk < 256; ++vk) {
        const ActionKeys keys{static_cast<uint8_t>(vk), 'Z'};
        EXPECT_EQ(Bindings::ParseKeys(Bindings::FormatKeys(keys)), keys) << vk;
    }
    EXPECT_EQ(Bindings::FormatKeys({0x60, 0x71, 0x5B}), "NUMPAD0, F2, 0x5B");
    EXPECT_EQ(Bindings::SettingName(Side::Right, Action::Machgun), "key.right.machinegun");
}

} // namespace
} // namespace vl::input
