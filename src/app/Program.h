// SPDX-License-Identifier: GPL-3.0-or-later
// Program: the program's start-up — it owns the clock, the audio output, the windowing
// layer and the three windows, creates the windows in order and runs the message loop.
//
// The real program and the headless simulator build the same Program from different
// parts (SDL or headless toolkit, real or virtual clock, SDL or offline audio).
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ReplayKeeper.h"
#include "app/UserSettings.h"
#include "app/mainmenu.h"
#include "app/soundsguide.h"
#include "match/ReplaySource.h"
#include "match/Unit1.h"
#include "net/NetDuel.h"
#include "platform/Clock.h"
#include "platform/Mixer.h"
#include "platform/Toolkit.h"
#include "platform/ToolkitTimer.h"
#include "sound/SoundTrace.h"

namespace vl::app {

// The title of the box for a window that cannot be created at start-up.
inline constexpr std::string_view kApplicationErrorCaption = "Application Error";
// The size of the icon the windows show, in pixels.
inline constexpr int kIconSize = 64;

struct ProgramParts {
    std::unique_ptr<platform::IClock> clock;
    std::unique_ptr<platform::AudioBackend> audio; // may be null: no sound library
    // Made over the clock above; built by the caller with a reference to it.
    std::unique_ptr<platform::Toolkit> toolkit;
    sound::SoundTrace* trace = nullptr; // not owned; must outlive the program
    PlayOptions play;                   // who plays the craft (the command line's options)
    std::filesystem::path settingsPath; // the user's settings file; empty: the defaults
};

class Program final : private MenuActions {
public:
    explicit Program(ProgramParts parts);
    ~Program() override;
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Creates mainmenuform, Form1 and guideform in this order: each window's form data,
    // its device's AutoInitialize, then its FormCreate through the error boundary.
    // Returns false after showing the "Application Error" box when a window cannot be
    // created; the caller then ends the program with exit code 1.
    bool CreateWindows();
    // CreateWindows, the duel over the network if asked for, then the message loop until
    // the main window has closed. Returns the exit code (1 when start-up failed, 3 when a
    // host refused this joiner).
    int Run();

    platform::Toolkit& Toolkit() { return *toolkit_; }
    platform::IClock& Clock() { return *clock_; }
    Tmainmenuform* mainmenuform() const { return mainmenu_.get(); }
    match::TForm1* Form1() const { return form1_.get(); }
    Tguideform* guideform() const { return guide_.get(); }
    UserSettings& Settings() override { return settings_; }
    // What the windows show and speak: chosen at start (ChooseProgramLanguage).
    const settings::Language& Language() const { return language_; }

    // --replay: called as the replay's match starts and as its window closes (before the
    // program ends), for whoever renders its sound.
    std::function<void()> OnReplayStarted;
    std::function<void()> OnReplayClosing;
    // Called as a duel over the network opens (from the command line or the menu).
    std::function<void()> OnDuelOpened;

private:
    // --- what the menus ask (MenuActions) -------------------------------------------------
    void SettingsChanged() override;
    void PlayComputer(int level) override;
    bool Host() override;
    std::vector<std::string> LocalAddresses() override;
    bool Join(const std::string& address) override;
    void CancelDuel() override;
    std::vector<std::filesystem::path> Replays() override;
    bool PlayReplay(const std::filesystem::path& file) override;

    // A duel asked for from the menu; false after an error box.
    bool OpenDuel(const net::DuelOptions& options);
    // The match window has closed on a match: what the menus changed for it is undone.
    void MatchClosed();

    // Gives the windows the game's icon, drawn from the match window's pictures.
    void ShowIcon();
    // Hosts or joins the duel the options ask for; false after an error box.
    bool StartDuel();
    // Reads --replay's file and starts its match as the loop begins; false after an error
    // box (a refused file). The program ends when the match does: 0, or 1 when the match
    // ended in another state than it was recorded in.
    bool StartReplay();
    // Whether the match in the window ended as `replay` (read from `file`) was recorded to
    // end, or was left before its end; otherwise says so on standard error.
    bool EndedAsRecorded(const match::ReplaySource& replay,
                         const std::filesystem::path& file) const;

    // Declared in the order they depend on each other; destroyed in reverse.
    std::unique_ptr<platform::IClock> clock_;
    std::unique_ptr<platform::AudioBackend> audio_;
    std::unique_ptr<platform::Toolkit> toolkit_;
    sound::SoundTrace* trace_;
    PlayOptions play_;
    UserSettings settings_;
    const settings::Language& language_;
    std::unique_ptr<Tmainmenuform> mainmenu_;
    std::unique_ptr<match::TForm1> form1_;
    std::unique_ptr<Tguideform> guide_;
    std::unique_ptr<ReplayKeeper> replays_; // hooked onto the match window
    std::unique_ptr<match::ReplaySource> replay_;
    uint64_t replayFinalState_ = 0;
    std::unique_ptr<platform::Timer> replayStart_;
    // A replay played from the menu: its source and the state it must end in.
    std::unique_ptr<match::ReplaySource> menuReplay_;
    std::filesystem::path menuReplayFile_;
    bool menuReplayPlaying_ = false;
    bool computerFromMenu_ = false;             // the match is the menu's game against the computer
    std::unique_ptr<platform::Timer> dropDuel_; // a failed duel goes once its call returns
    std::unique_ptr<net::NetDuel> duel_;        // goes first: it holds on to the windows
};

} // namespace vl::app
