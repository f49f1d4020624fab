// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of start-up in-process: a window that cannot be created ends the program with
// the "Application Error" box and exit code 1.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Program.h"
#include "platform/HeadlessToolkit.h"

namespace vl::app {
namespace {

TEST(Program, WindowThatCannotBeCreatedEndsStartUpWithApplicationError) {
    // No audio backend stands for the sound library that cannot be loaded: the menu's
    // device fails to open itself with an error that is not a mixer error.
    auto clock = std::make_unique<platform::VirtualClock>();
    auto toolkit = std::make_unique<platform::HeadlessToolkit>(*clock);
    platform::HeadlessToolkit& headless = *toolkit;
    Program program(ProgramParts{std::move(clock), nullptr, std::move(toolkit), nullptr, {}, {}});
    EXPECT_EQ(program.Run(), 1);
    ASSERT_EQ(headless.MessageBoxes().size(), 1u);
    EXPECT_EQ(headless.MessageBoxes()[0].caption, "Application Error");
    EXPECT_EQ(headless.MessageBoxes()[0].text, "DSound.dll not loaded.");
    // Nothing was shown and no later window was made.
    ASSERT_EQ(headless.Forms().size(), 1u);
    EXPECT_FALSE(headless.Forms()[0]->Visible());
    EXPECT_EQ(program.Form1(), nullptr);
}

TEST(Program, WindowsAreMadeInOrderAndOnlyTheMenuShows) {
    auto clock = std::make_unique<platform::VirtualClock>();
    auto audio = std::make_unique<platform::OfflineAudioBackend>();
    auto toolkit = std::make_unique<platform::HeadlessToolkit>(*clock);
    platform::HeadlessToolkit& headless = *toolkit;
    // Run where there is no bank: the creation handler's failure is shown and start-up
    // goes on.
    const auto here = std::filesystem::current_path();
    const auto empty = std::filesystem::temp_directory_path() / "vl-program-test-empty";
    std::filesystem::create_directories(empty);
    std::filesystem::current_path(empty);
    Program program(
        ProgramParts{std::move(clock), std::move(audio), std::move(toolkit), nullptr, {}, {}});
    const bool created = program.CreateWindows();
    std::filesystem::current_path(here);
    ASSERT_TRUE(created);
    ASSERT_EQ(headless.Forms().size(), 3u);
    EXPECT_EQ(headless.Forms()[0]->Name(), "mainmenuform");
    EXPECT_EQ(headless.Forms()[1]->Name(), "Form1");
    EXPECT_EQ(headless.Forms()[2]->Name(), "guideform");
    EXPECT_EQ(headless.MainForm()->Caption(), "Hlavní menu");
    EXPECT_TRUE(program.mainmenuform()->DXSoundmenu.Initialized());
    // One box from the first file each window reads at creation: the menu's bank, the
    // match window's bank, the guide's bank.
    ASSERT_EQ(headless.MessageBoxes().size(), 3u);
    EXPECT_EQ(headless.MessageBoxes()[0].text.rfind("Cannot open file \"", 0), 0u);
    EXPECT_NE(headless.MessageBoxes()[0].text.find("menu.dat"), std::string::npos);
    EXPECT_EQ(headless.MessageBoxes()[1].text.rfind("Cannot open file \"", 0), 0u);
    EXPECT_NE(headless.MessageBoxes()[1].text.find("snd/game.dat"), std::string::npos);
    EXPECT_NE(headless.MessageBoxes()[2].text.find("snd/guide.dat"), std::string::npos);
    for (const auto& f : headless.Forms()) EXPECT_FALSE(f->Visible());
}

// "Start hry" while the match window is open only brings it to the front: a second start
// would leave the first match's craft and probes on the field.
TEST(Program, StartHryOnAnOpenMatchBringsItToTheFrontWithoutASecondStart) {
    const std::filesystem::path data(VL_DATA_DIR);
    if (!std::filesystem::exists(data / "snd" / "game.dat")) GTEST_SKIP() << "no generated data";
    auto clock = std::make_unique<platform::VirtualClock>();
    auto audio = std::make_unique<platform::OfflineAudioBackend>();
    auto toolkit = std::make_unique<platform::HeadlessToolkit>(*clock);
    // The mixer plays as virtual time passes, so the menu's greeting (a play with wait) ends.
    clock->AddAdvanceListener([mixer = audio.get()](uint64_t now) { mixer->RenderUntilMs(now); });
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(data);
    Program program(
        ProgramParts{std::move(clock), std::move(audio), std::move(toolkit), nullptr, {}, {}});
    const bool created = program.CreateWindows();
    std::filesystem::current_path(here);
    ASSERT_TRUE(created);
    Tmainmenuform& menu = *program.mainmenuform();
    menu.mainmenulist.SetItemIndex(0);
    menu.mainmenulistDblClick();
    const int32_t sprites = program.Form1()->DXSpriteEngine1.Engine().SpriteCount;
    EXPECT_EQ(sprites, 5);
    menu.form.Show();
    menu.mainmenulistDblClick();
    EXPECT_EQ(program.Form1()->DXSpriteEngine1.Engine().SpriteCount, sprites);
    EXPECT_TRUE(program.Form1()->form.IsForeground());
}

} // namespace
} // namespace vl::app
