// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the toolkit's loop: timers, the idle slot and waiting, forms closing and
// activation, the error boundary, and events queued while a handler is busy.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "container/Error.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Keys.h"

namespace vl::platform {
namespace {

struct Trace : ToolkitObserver {
    void OnWindowEvent(std::string_view ev, const Form& form) override {
        log.push_back(std::string(ev) + " " + form.Name());
    }
    void OnSelect(const ListBox&, int) override {}
    void OnMessageBox(std::string_view caption, std::string_view text) override {
        log.push_back("box " + std::string(caption) + ": " + std::string(text));
    }
    std::vector<std::string> log;
};

struct LoopFixture : ::testing::Test {
    VirtualClock clock;
    HeadlessToolkit tk{clock};
    Trace trace;
    Form& main = tk.CreateForm("main", "Main", 0, 0, 544, 375);
    Form& second = tk.CreateForm("second", "Second", 0, 0, 544, 375);
    LoopFixture() { tk.SetObserver(&trace); }
};

TEST(ErrorBoxText, AddsAFullStopOnlyAfterALetterOrDigit) {
    EXPECT_EQ(ErrorBoxText("Wave 'x' not found"), "Wave 'x' not found.");
    EXPECT_EQ(ErrorBoxText("code 42"), "code 42.");
    EXPECT_EQ(ErrorBoxText("Chybná instalace DirectX"), "Chybná instalace DirectX.");
    EXPECT_EQ(ErrorBoxText("soubor nenalezen: Průvodce zvuků"),
              "soubor nenalezen: Průvodce zvuků.");
    EXPECT_EQ(ErrorBoxText("done."), "done.");
    EXPECT_EQ(ErrorBoxText("Cannot open file \"a\"."), "Cannot open file \"a\".");
    EXPECT_EQ(ErrorBoxText("what?"), "what?");
    EXPECT_EQ(ErrorBoxText("quoted 'x'"), "quoted 'x'");
    EXPECT_EQ(ErrorBoxText(""), "");
}

TEST_F(LoopFixture, FailingHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
    int after = 0;
    main.OnActivate = [] { throw Error("Wave 'mainmenusp' not found"); };
    main.Show();
    ASSERT_EQ(tk.MessageBoxes().size(), 1u);
    EXPECT_EQ(tk.MessageBoxes()[0].caption, "Vlnedla");
    EXPECT_EQ(tk.MessageBoxes()[0].text, "Wave 'mainmenusp' not found.");
    EXPECT_EQ(tk.MessageBoxes()[0].icon, MessageIcon::Error);
    EXPECT_TRUE(tk.Invoke([&] { ++after; }));
    EXPECT_FALSE(tk.Invoke([] { throw std::runtime_error("plain failure"); }));
    EXPECT_EQ(tk.MessageBoxes().back().text, "plain failure.");
    EXPECT_EQ(after, 1);
}

TEST_F(LoopFixture, SecondaryFormHidesOnCloseAndTheMainFormIsActiveAgain) {
    int mainActivations = 0;
    main.OnActivate = [&] { ++mainActivations; };
    main.Show();
    second.Show();
    EXPECT_EQ(tk.ActiveForm(), &second);
    tk.UserClose(); // the close button of the active window
    tk.RunUntil(0);
    EXPECT_FALSE(second.Visible());
    EXPECT_FALSE(tk.Terminated());
    EXPECT_EQ(tk.ActiveForm(), &main);
    EXPECT_EQ(mainActivations, 2);
    EXPECT_EQ(trace.log,
              (std::vector<std::string>{"show main", "activate main", "show second",
                                        "deactivate main", "activate second", "hide second",
                                        "deactivate second", "activate main"}));
}

// A failed close handler keeps a secondary window open; the main window closes and the
// program ends all the same (its error is shown), so nothing can make it unclosable.
TEST_F(LoopFixture, FailedCloseHandlerKeepsASecondaryFormOpenButTheMainCloseEndsTheLoop) {
    const auto failing = [] { throw Error("Wave 'endofgamesp' not found"); };
    main.Show();
    second.OnClose = failing;
    second.Show();
    tk.UserClose();
    tk.RunUntil(100);
    EXPECT_TRUE(second.Visible());
    EXPECT_FALSE(tk.Terminated());
    main.OnClose = failing;
    // The system's close key: Alt+F4, on the main window.
    main.Show();
    tk.UserKeyDown(kVkMenu);
    tk.UserKeyDown(kVkF4);
    tk.RunUntil(200);
    EXPECT_TRUE(tk.Terminated());
    EXPECT_FALSE(main.Visible());
    EXPECT_EQ(tk.ExitCode(), 0);
    ASSERT_EQ(tk.MessageBoxes().size(), 2u);
    EXPECT_EQ(tk.MessageBoxes()[1].text, "Wave 'endofgamesp' not found.");
}

TEST_F(LoopFixture, TimersFireOnTheirIntervalWithoutBurstsAndTheLoopWaitsBetween) {
    std::vector<uint64_t> fired;
    Timer t(tk, 250);
    t.OnTimer = [&] { fired.push_back(clock.ElapsedMs()); };
    Timer off(tk, 100, false);
    off.OnTimer = [&] { ADD_FAILURE() << "a disabled timer fired"; };
    main.Show();
    tk.RunUntil(1000);
    EXPECT_EQ(fired, (std::vector<uint64_t>{250, 500, 750, 1000}));
    // A handler that takes 600 ms delays the timer; it fires once when the handler is done,
    // not once for every interval missed, and runs its next interval from then.
    bool slow = true;
    t.OnTimer = [&] {
        fired.push_back(clock.ElapsedMs());
        if (slow) clock.SleepMs(600);
        slow = false;
    };
    fired.clear();
    tk.RunUntil(2200);
    EXPECT_EQ(fired, (std::vector<uint64_t>{1250, 1850, 2100}));
    // Only as many waits as timer firings: the loop never polls in between.
    const uint64_t waitsBefore = tk.WaitCount();
    t.OnTimer = [] {};
    tk.RunUntil(12200);
    EXPECT_LE(tk.WaitCount() - waitsBefore, 41u);
}

TEST_F(LoopFixture, IdleHandlerDecidesHowLongTheLoopWaits) {
    int calls = 0;
    tk.SetIdleHandler([&]() -> uint32_t {
        ++calls;
        return 10;
    });
    main.Show();
    tk.RunUntil(1000);
    EXPECT_GE(calls, 100);
    EXPECT_LE(calls, 102);
    tk.SetIdleHandler({}); // cleared: nothing left to do, the loop waits for events only
    const uint64_t waits = tk.WaitCount();
    tk.RunUntil(100000);
    EXPECT_EQ(tk.WaitCount() - waits, 1u);
}

TEST_F(LoopFixture, InputWhileAHandlerIsBusyWaitsInTheQueueButTheKeyStateChangesAtOnce) {
    ListBox& list = main.AddListBox("l", 0, 0, 100, 100);
    list.SetItems({"a", "b", "c"});
    list.AutoComplete = false;
    std::vector<int> moves;
    KeyTable scan{};
    list.OnClick = [&] { moves.push_back(list.ItemIndex()); };
    list.OnKeyPress = [&](char32_t& key) {
        if (key != U'\r') return;
        // A long handler: the user presses Down meanwhile.
        tk.UserKeyDown(kVkDown);
        tk.Acquire();
        EXPECT_TRUE(tk.ReadScanCodes(scan));
        EXPECT_EQ(scan[208], 0x80); // Down is an extended key: 128 + 80
        EXPECT_TRUE(moves.empty());
        clock.SleepMs(500);
    };
    main.Show();
    list.SetItemIndex(0);
    tk.UserKeyDown(kVkReturn);
    tk.RunUntil(1000);
    EXPECT_EQ(moves, (std::vector<int>{1}));
}

TEST_F(LoopFixture, ApplicationActivationNotifiesListenersAndLeavesTheFormActive) {
    std::vector<bool> seen;
    int formActivations = 0;
    main.OnActivate = [&] { ++formActivations; };
    const int token = tk.AddActivationListener([&](bool a) { seen.push_back(a); });
    main.Show();
    tk.UserSetForeground(false);
    EXPECT_TRUE(tk.IsActive()); // the notification is still in the queue
    EXPECT_FALSE(main.IsForeground());
    tk.RunUntil(10);
    EXPECT_FALSE(tk.IsActive());
    KeyTable scan{};
    tk.Acquire();
    EXPECT_FALSE(tk.ReadScanCodes(scan)); // no keyboard in the background
    tk.UserSetForeground(true);
    tk.RunUntil(20);
    tk.RemoveActivationListener(token);
    tk.UserSetForeground(false);
    tk.RunUntil(30);
    EXPECT_EQ(seen, (std::vector<bool>{false, true}));
    EXPECT_EQ(formActivations, 1); // switching applications does not activate the form
    EXPECT_EQ(tk.ActiveForm(), &main);
}

TEST(Keys, TablesKeepKeypadAndSidesApartAndNamesParse) {
    EXPECT_EQ(SdlScancodeToSet1(SDL_SCANCODE_KP_8), 72);
    EXPECT_EQ(SdlScancodeToSet1(SDL_SCANCODE_UP), 200);
    EXPECT_EQ(SdlScancodeToSet1(SDL_SCANCODE_KP_ENTER), 156);
    EXPECT_EQ(SdlScancodeToSet1(SDL_SCANCODE_RSHIFT), 54);
    EXPECT_EQ(SdlScancodeToVirtualKey(SDL_SCANCODE_RSHIFT), kVkShift);
    EXPECT_EQ(SdlScancodeToVirtualKey(SDL_SCANCODE_KP_0), kVkNumpad0);
    EXPECT_EQ(SdlScancodeToVirtualKey(SDL_SCANCODE_APOSTROPHE), 0xDE);
    EXPECT_EQ(VirtualKeyToSet1(kVkShift), 42);
    EXPECT_EQ(VirtualKeyToSet1(kVkReturn), 28);
    EXPECT_EQ(VirtualKeyToSet1(kVkNumpad0 + 4), 75);
    EXPECT_EQ(VirtualKeyFromName("NUMPAD4"), kVkNumpad0 + 4);
    EXPECT_EQ(VirtualKeyFromName("F12"), 0x7B);
    EXPECT_EQ(VirtualKeyFromName("0x2e"), 0x2E);
    EXPECT_EQ(VirtualKeyFromName("Q"), 'Q');
    EXPECT_FALSE(VirtualKeyFromName("F13"));
    EXPECT_FALSE(VirtualKeyFromName("F01"));
    EXPECT_FALSE(VirtualKeyFromName("0x00"));
    EXPECT_FALSE(VirtualKeyFromName("q"));
    EXPECT_FALSE(VirtualKeyFromName(""));
    KeyTable vk{};
    SetVirtualKey(vk, 0xA1, true); // right Shift
    SetVirtualKey(vk, 0xA0, true);
    SetVirtualKey(vk, 0xA0, false);
    EXPECT_EQ(vk[kVkShift], 0x80); // still down by the right one
    SetVirtualKey(vk, 0xA1, false);
    EXPECT_EQ(vk[kVkShift], 0);
}

} // namespace
} // namespace vl::platform
