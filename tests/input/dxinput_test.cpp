// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the input component: key table, scan-code path, foreground rule, failed reads,
// the system-state fallback, the joystick and the stored key table.
#include <gtest/gtest.h>

#include "input/DXInput.h"
#include "input_fakes.h"

namespace vl::input {
namespace {

using test::FakeApplication;
using test::FakeInputService;

class Form final : public IInputOwnerForm {
public:
    bool IsForeground() const override { return foreground; }
    bool foreground = true;
};

// The match window's input component: stored settings applied, then loaded.
class DXInputTest : public ::testing::Test {
protected:
    void Make(platform::IInputService* svc) {
        input = std::make_unique<TDXInput>(InputEnvironment{&form, svc, &system, &app});
        input->Keyboard().SetAssigns(kMatchAssigns);
        input->Mouse().SetEnabled(false);
        input->Mouse().SetBindInputStates(false);
        input->Loaded();
    }
    InputStates Poll() {
        input->PollInput();
        return input->ActiveStates();
    }
    static InputStates Of(std::initializer_list<int> states) {
        InputStates s;
        for (int st : states) s.Add(st);
        return s;
    }

    Form form;
    FakeApplication app;
    FakeInputService service;
    FakeInputService system;
    std::unique_ptr<TDXInput> input;
};

TEST_F(DXInputTest, NoFormFailsWithFormNotFound) {
    try {
        TDXInput bad(InputEnvironment{nullptr, &service, &system, &app});
        FAIL() << "created without a form";
    } catch (const EDXInputError& e) {
        EXPECT_STREQ(e.what(), "Form not found");
    }
}

TEST_F(DXInputTest, DeviceListAndStoredAccessMode) {
    Make(&service);
    ASSERT_EQ(input->Devices().size(), 3U);
    EXPECT_EQ(input->Devices()[0], &input->Joystick());
    EXPECT_EQ(input->Devices()[1], &input->Keyboard());
    EXPECT_EQ(input->Devices()[2], &input->Mouse());
    EXPECT_TRUE(input->Keyboard().DeviceOpen());
    EXPECT_EQ(input->Keyboard().AccessMode(), 6U); // non-exclusive + foreground
    input->SetActiveOnly(false);
    EXPECT_EQ(input->Keyboard().AccessMode(), 10U); // non-exclusive + background
}

TEST_F(DXInputTest, KeyTableThroughScanCodes) {
    Make(&service);
    service.PressScan(28); // Enter: listed twice for state 5, set once
    EXPECT_EQ(Poll(), Of({5}));
    service.ReleaseScan(28);
    service.PressScan(33); // 'F'
    EXPECT_EQ(Poll(), Of({16, 17}));
    service.ReleaseScan(33);
    service.PressScan(40); // apostrophe gives the Right arrow's code
    EXPECT_EQ(Poll(), Of({3}));
    service.ReleaseScan(40);
    for (int sc : {82, 79, 80, 81, 75}) service.PressScan(sc); // keypad 0..4
    EXPECT_EQ(Poll(), Of({13, 20, 21, 22, 23}));
    service.scan.fill(0);
    service.PressScan(57);  // Space
    service.PressScan(156); // keypad Enter
    service.PressScan(54);  // right Shift
    EXPECT_EQ(Poll(), Of({18, 5, 4}));
}

TEST_F(DXInputTest, KeypadStaysDistinctFromArrows) {
    EXPECT_EQ(ScanCodeToVirtualKey(200), 0x26); // Up
    EXPECT_EQ(ScanCodeToVirtualKey(72), 0x68);  // keypad 8
    EXPECT_EQ(ScanCodeToVirtualKey(82), 0x60);  // keypad 0, not Insert
    EXPECT_EQ(ScanCodeToVirtualKey(210), 0x2D); // Insert
    EXPECT_EQ(ScanCodeToVirtualKey(0), 0);
    EXPECT_EQ(ScanCodeToVirtualKey(255), 0);
    Make(&service);
    service.PressScan(72); // keypad 8 drives no state, though Up does
    EXPECT_TRUE(Poll().Empty());
}

TEST_F(DXInputTest, ZeroCodeNeverMatches) {
    Make(&service);
    // Unlisted scan codes map to 0; with them held, state 7 (no keys) stays clear.
    for (int sc : {0, 12, 41, 84, 85, 86, 89, 100, 128, 255}) service.PressScan(sc);
    EXPECT_TRUE(Poll().Empty());
    EXPECT_FALSE(input->Keyboard().IsKeyDown(0));
    EXPECT_FALSE(input->Keyboard().IsKeyDown(256));
    EXPECT_FALSE(input->Keyboard().IsKeyDown(-1));
}

TEST_F(DXInputTest, HeldKeyStaysUntilReleased) {
    Make(&service);
    service.PressScan(200); // Up
    for (int frame = 0; frame < 5; ++frame) EXPECT_TRUE(Poll().Contains(InputUp)) << frame;
    service.ReleaseScan(200);
    EXPECT_TRUE(Poll().Empty());
}

TEST_F(DXInputTest, BackgroundWindowReleasesEverything) {
    Make(&service);
    service.PressScan(18); // 'E'
    EXPECT_EQ(Poll(), Of({14}));
    form.foreground = false;
    app.SetActive(false);
    EXPECT_TRUE(Poll().Empty());
    EXPECT_EQ(service.acquires, 0);
    form.foreground = true;
    app.SetActive(true); // acquires again
    EXPECT_EQ(service.acquires, 1);
    EXPECT_EQ(Poll(), Of({14}));
}

TEST_F(DXInputTest, FailedReadAcquiresAndRetriesOnce) {
    Make(&service);
    service.PressScan(1); // Esc
    service.failReads = 1;
    const int before = service.reads;
    EXPECT_EQ(Poll(), Of({6})); // second read succeeds
    EXPECT_EQ(service.reads - before, 2);
    EXPECT_EQ(service.acquires, 1);

    service.failReads = 2; // both fail: no keys this poll
    EXPECT_TRUE(Poll().Empty());
    EXPECT_EQ(service.acquires, 2);
    EXPECT_EQ(Poll(), Of({6})); // the next poll tries again
}

TEST_F(DXInputTest, SystemStateWhenServiceAbsent) {
    Make(nullptr);
    EXPECT_FALSE(input->Keyboard().DeviceOpen());
    EXPECT_TRUE(input->Keyboard().Initialized());
    system.vk[0x46] = 0x81; // 'F' down (and toggled)
    system.vk[0x60] = 0x01; // toggled only: not down
    EXPECT_EQ(Poll(), Of({16, 17}));
}

TEST_F(DXInputTest, UseDirectInputOffReadsSystemState) {
    Make(&service);
    service.PressScan(1);
    system.vk[0x58] = 0x80; // 'X'
    EXPECT_EQ(Poll(), Of({6}));
    input->SetUseDirectInput(false);
    EXPECT_EQ(Poll(), Of({28}));
    EXPECT_GE(service.unacquires, 1); // the service keyboard was closed
}

TEST_F(DXInputTest, KeyboardCreationFailureGivesNoStates) {
    service.openKeyboard = false;
    system.vk[0x1B] = 0x80; // no fallback either
    service.PressScan(1);
    Make(&service);
    EXPECT_FALSE(input->Keyboard().Initialized());
    EXPECT_TRUE(Poll().Empty());
}

TEST_F(DXInputTest, JoystickDirectionsAndButtons) {
    service.joysticks = 1;
    Make(&service);
    ASSERT_TRUE(input->Joystick().Initialized());
    service.joy.x = -20000;         // outside the 50% zone (16384)
    service.joy.y = 10000;          // inside
    service.joy.buttons[2] = true;  // button 3 = state 6 (Esc's)
    service.joy.buttons[31] = true; // button 32 = state 35
    EXPECT_EQ(Poll(), Of({InputLeft, 6, 35}));
    EXPECT_EQ(input->Joystick().Y(), 0);
    EXPECT_LT(input->Joystick().X(), 0);

    service.joy = {};
    service.joy.x = 32767;
    service.joy.y = -32768;
    EXPECT_EQ(Poll(), Of({InputRight, InputUp}));
    EXPECT_EQ(input->Joystick().X(), 1000);
    EXPECT_EQ(input->Joystick().Y(), -1000);

    // The joystick and the keyboard merge; unbinding the joystick drops its states.
    service.PressScan(208); // Down
    service.joy = {};
    service.joy.y = 30000;
    EXPECT_EQ(Poll(), Of({InputDown}));
    input->Joystick().SetBindInputStates(false);
    service.ReleaseScan(208);
    EXPECT_TRUE(Poll().Empty());
}

TEST_F(DXInputTest, AxisScaling) {
    EXPECT_EQ(TJoystick::ScaleAxis(16384, 50, 1000), 0);
    EXPECT_GT(TJoystick::ScaleAxis(17000, 50, 1000), 0);
    EXPECT_EQ(TJoystick::ScaleAxis(-16384, 50, 1000), 0);
    EXPECT_EQ(TJoystick::ScaleAxis(-32768, 50, 1000), -1000);
    EXPECT_EQ(TJoystick::ScaleAxis(1, 0, 1000), 0);       // rounds to 0 near centre
    EXPECT_EQ(TJoystick::ScaleAxis(32767, 100, 1000), 0); // all dead
    EXPECT_EQ(TJoystick::ScaleAxis(32767, 250, 1000), 0); // clamped to 100%
}

TEST_F(DXInputTest, NoJoystickPresentAndMouseNeverContributes) {
    Make(&service);
    EXPECT_FALSE(input->Joystick().Initialized());
    input->Mouse().SetEnabled(true);
    input->Mouse().SetBindInputStates(true);
    EXPECT_TRUE(input->Mouse().Initialized());
    EXPECT_TRUE(Poll().Empty());
}

TEST(KeyAssignsTest, StoredFormRoundTripsAndAcceptsBothNames) {
    const std::vector<uint8_t> bytes = EncodeAssigns(kMatchAssigns);
    ASSERT_EQ(bytes.size(), 432U);
    // State 5's second code (index 5*3+1 = 16) is Enter, little-endian.
    EXPECT_EQ(bytes[16 * 4], 0x0D);
    EXPECT_EQ(bytes[16 * 4 + 1], 0);
    EXPECT_EQ(DecodeAssigns(bytes), kMatchAssigns);

    Form form;
    TDXInput input(InputEnvironment{&form, nullptr, nullptr, nullptr});
    EXPECT_TRUE(input.Keyboard().DefineProperty("Aissgns", bytes));
    EXPECT_EQ(input.Keyboard().Assigns(), kMatchAssigns);
    EXPECT_TRUE(input.Keyboard().DefineProperty("assigns", bytes));
    EXPECT_FALSE(input.Keyboard().DefineProperty("Assign", bytes));

    std::vector<std::string> names;
    input.Keyboard().WriteProperties([&](std::string_view name, std::span<const uint8_t> b) {
        names.emplace_back(name);
        EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.end()), bytes);
    });
    EXPECT_EQ(names, std::vector<std::string>{"Assigns"});
}

TEST(KeyAssignsTest, WrongLengthFailsAndKeepsTable) {
    Form form;
    TDXInput input(InputEnvironment{&form, nullptr, nullptr, nullptr});
    input.Keyboard().SetAssigns(kMatchAssigns);
    std::vector<uint8_t> bytes = EncodeAssigns(kMatchAssigns);
    bytes.pop_back();
    EXPECT_THROW(input.Keyboard().ReadAssigns(bytes), EDXInputError);
    bytes.resize(433);
    EXPECT_THROW(input.Keyboard().DefineProperty("Assigns", bytes), EDXInputError);
    EXPECT_THROW(input.Keyboard().ReadAssigns({}), EDXInputError);
    EXPECT_EQ(input.Keyboard().Assigns(), kMatchAssigns);
}

TEST(InputStatesTest, OutOfRangeStatesAreNeverMembers) {
    InputStates s;
    s.Add(36);
    s.Add(-1);
    s.Add(64);
    EXPECT_TRUE(s.Empty());
    s.Add(35);
    EXPECT_TRUE(s.Contains(InputButton32));
    EXPECT_FALSE(s.Contains(36));
}

} // namespace
} // namespace vl::input
