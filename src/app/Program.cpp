// SPDX-License-Identifier: GPL-3.0-or-later
// Program: window creation in order, the start-up failure box, and the loop.
#include "app/Program.h"

#include "graphics/AppIcon.h"
#include "match/DataHash.h"
#include "match/StateText.h"
#include "settings/Paths.h"

#include <cstdio>
#include <exception>

namespace vl::app {

Program::Program(ProgramParts parts)
    : clock_(std::move(parts.clock)), audio_(std::move(parts.audio)),
      toolkit_(std::move(parts.toolkit)), trace_(parts.trace), play_(parts.play),
      settings_(UserSettings::Load(parts.settingsPath)),
      language_(ChooseProgramLanguage(play_.language, settings_.Language(), true)) {}

Program::~Program() {
    // A match still open when the program ends is kept too. The duel lets go of the windows
    // first; windows go before the toolkit their forms belong to; the match window before the
    // menu that points at it.
    if (replays_ && form1_) replays_->MatchClosing(*form1_);
    duel_.reset();
    guide_.reset();
    form1_.reset();
    mainmenu_.reset();
}

bool Program::CreateWindows() {
    const sound::WindowContext context{*toolkit_, sound::SoundContext{audio_.get(), clock_.get()},
                                       trace_, language_};
    try {
        mainmenu_ = std::make_unique<Tmainmenuform>(context);
        toolkit_->Invoke(mainmenu_->form.OnCreate);
        form1_ = std::make_unique<match::TForm1>(context);
        toolkit_->Invoke(form1_->form.OnCreate);
        guide_ = std::make_unique<Tguideform>(context);
        toolkit_->Invoke(guide_->form.OnCreate);
        mainmenu_->SetWindows(form1_.get(), guide_.get());
        form1_->SetComputer(match::Side::Left, play_.computer[0]);
        form1_->SetComputer(match::Side::Right, play_.computer[1]);
        form1_->SetBindings(settings_.Bindings());
        if (play_.replayFile.empty()) {
            replays_ =
                std::make_unique<ReplayKeeper>(play_, settings_.RecordOff() || play_.recordOff);
            replays_->Attach(*form1_);
        }
    } catch (const std::exception& e) {
        toolkit_->ShowMessage(kApplicationErrorCaption, platform::ErrorBoxText(e.what()),
                              platform::MessageIcon::Error);
        return false;
    }
    ShowIcon();
    return true;
}

void Program::ShowIcon() {
    try {
        toolkit_->SetApplicationIcon(
            kIconSize, graphics::DrawAppIcon(form1_->DXImageList1.Items(), kIconSize));
    } catch (const std::exception&) {
        // The pictures could not be read (the error box said so): the windows go without.
    }
}

bool Program::StartDuel() {
    if (play_.network == PlayOptions::Network::None) return true;
    net::DuelOptions options;
    options.host = play_.network == PlayOptions::Network::Host;
    options.address = play_.joinHost;
    options.port = play_.port;
    const auto speak = [this](std::string_view item) {
        try {
            mainmenu_->bank.Items().Find(item).Play(false);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vlnedla: %s\n", e.what()); // older data: the words only
        }
    };
    try {
        duel_ = std::make_unique<net::NetDuel>(
            net::DuelParts{*toolkit_, *form1_, speak, play_.waitInFrame}, options);
    } catch (const std::exception& e) {
        toolkit_->ShowMessage(kApplicationErrorCaption, platform::ErrorBoxText(e.what()),
                              platform::MessageIcon::Error);
        return false;
    }
    mainmenu_->OnStartGame = [this] { duel_->StartRequested(); };
    return true;
}

bool Program::StartReplay() {
    match::Replay replay;
    try {
        replay = match::ReadReplayFile(play_.replayFile, match::MatchDataHash(language_));
    } catch (const match::EReplayError& e) {
        toolkit_->ShowMessage(platform::kApplicationTitle, e.what(), platform::MessageIcon::Error);
        return false;
    }
    replayFinalState_ = replay.finalState;
    replay_ = std::make_unique<match::ReplaySource>(std::move(replay.frames));
    mainmenu_->Greets = false;
    // The last recorded frame left the match, or the window closes now it has run.
    replay_->OnFinished = [this] {
        if (form1_->form.Visible()) form1_->form.Close();
    };
    form1_->OnMatchClosing = [this] {
        if (OnReplayClosing) OnReplayClosing();
        int code = 0;
        if (replay_->Finished() &&
            match::HashOf(match::StateText(form1_->game)) != replayFinalState_) {
            std::fprintf(stderr,
                         "vlnedla: the replay %s ended in another state than it was recorded "
                         "in: a fault of the program\n",
                         settings::Utf8Of(play_.replayFile).c_str());
            code = 1;
        }
        toolkit_->RequestExit(code);
    };
    // The match starts once the loop runs and the menu stands behind it.
    replayStart_ = std::make_unique<platform::Timer>(*toolkit_, 1, true);
    replayStart_->OnTimer = [this, seed = replay.seed] {
        replayStart_->SetEnabled(false);
        form1_->SetSource(replay_.get());
        if (OnReplayStarted) OnReplayStarted();
        form1_->StartMatch(seed);
        form1_->form.Show();
    };
    return true;
}

int Program::Run() {
    if (!CreateWindows()) return 1;
    if (!play_.replayFile.empty()) {
        if (!StartReplay()) return 2;
    } else if (!StartDuel()) {
        return 1;
    }
    return toolkit_->Run();
}

} // namespace vl::app
