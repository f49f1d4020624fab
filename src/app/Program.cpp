// SPDX-License-Identifier: GPL-3.0-or-later
// Program: window creation in order, the start-up failure box, and the loop.
#include "app/Program.h"

#include "graphics/AppIcon.h"
#include "match/DataHash.h"
#include "match/StateText.h"
#include "net/LocalAddresses.h"
#include "settings/Paths.h"

#include <algorithm>
#include <cstdio>
#include <exception>

namespace vl::app {

Program::Program(ProgramParts parts)
    : clock_(std::move(parts.clock)), audio_(std::move(parts.audio)),
      toolkit_(std::move(parts.toolkit)), trace_(parts.trace), play_(parts.play),
      settings_(UserSettings::Load(parts.settingsPath)),
      language_(ChooseProgramLanguage(play_.language, settings_.Language(), true)) {
    settings_.ApplyAudio(audio_.get());
}

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
        mainmenu_->SetActions(this);
        form1_->SetComputer(match::Side::Left, play_.computer[0]);
        form1_->SetComputer(match::Side::Right, play_.computer[1]);
        form1_->SetBindings(settings_.Bindings());
        form1_->SetPadSides(settings_.SwapPads());
        toolkit_->OnPadChange = [this](int slot, bool plugged) {
            if (slot > 1) return; // a third pad plays nobody
            const bool left = (slot == 0) != settings_.SwapPads();
            mainmenu_->SayPad(left ? match::Side::Left : match::Side::Right, plugged);
        };
        if (play_.replayFile.empty()) {
            replays_ =
                std::make_unique<ReplayKeeper>(play_, settings_.RecordOff() || play_.recordOff);
            replays_->Attach(*form1_);
            const std::function<void()> keep = form1_->OnMatchClosing;
            form1_->OnMatchClosing = [this, keep] {
                if (!menuReplayPlaying_ && keep) keep();
                MatchClosed();
            };
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
    return OpenDuel(options);
}

bool Program::OpenDuel(const net::DuelOptions& options) {
    const auto speak = [this](std::string_view item) {
        try {
            mainmenu_->Say({std::string(item)});
        } catch (const std::exception& e) {
            std::fprintf(stderr, "vlnedla: %s\n", e.what()); // older data: the words only
        }
    };
    net::DuelParts parts{*toolkit_, *form1_, speak, play_.waitInFrame, {}};
    if (play_.network == PlayOptions::Network::None) {
        // Asked for from the menu: a duel that fails is dropped and the menu goes on.
        parts.failed = [this](int) {
            dropDuel_ = std::make_unique<platform::Timer>(*toolkit_, 1, true);
            dropDuel_->OnTimer = [this] {
                dropDuel_->SetEnabled(false);
                CancelDuel();
            };
        };
    }
    try {
        duel_.reset();
        duel_ = std::make_unique<net::NetDuel>(parts, options);
    } catch (const std::exception& e) {
        toolkit_->ShowMessage(kApplicationErrorCaption, platform::ErrorBoxText(e.what()),
                              platform::MessageIcon::Error);
        return false;
    }
    if (OnDuelOpened) OnDuelOpened();
    if (replays_)
        replays_->SetNetwork(options.host ? PlayOptions::Network::Host
                                          : PlayOptions::Network::Join);
    mainmenu_->OnStartGame = [this] { duel_->StartRequested(); };
    return true;
}

bool Program::EndedAsRecorded(const match::ReplaySource& replay,
                              const std::filesystem::path& file) const {
    if (!replay.Finished() || match::HashOf(match::StateText(form1_->game)) == replayFinalState_)
        return true;
    std::fprintf(stderr,
                 "vlnedla: the replay %s ended in another state than it was recorded in: a "
                 "fault of the program\n",
                 settings::Utf8Of(file).c_str());
    return false;
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
        if (!EndedAsRecorded(*replay_, play_.replayFile)) {
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

// --- what the menus ask -------------------------------------------------------------

void Program::SettingsChanged() {
    settings_.ApplyAudio(audio_.get());
    form1_->SetBindings(settings_.Bindings());
    form1_->SetPadSides(settings_.SwapPads());
}

void Program::PlayComputer(int level) {
    if (form1_->form.Visible()) return;
    form1_->SetComputer(match::Side::Left, match::kNoComputer);
    form1_->SetComputer(match::Side::Right, level);
    computerFromMenu_ = true;
    form1_->startmatch();
    form1_->form.Show();
}

void Program::MatchClosed() {
    if (computerFromMenu_) { // the command line's players again
        computerFromMenu_ = false;
        form1_->SetComputer(match::Side::Left, play_.computer[0]);
        form1_->SetComputer(match::Side::Right, play_.computer[1]);
    }
    if (menuReplayPlaying_) {
        menuReplayPlaying_ = false;
        EndedAsRecorded(*menuReplay_, menuReplayFile_);
        // The devices again once the window has closed; the source goes with the next start.
        form1_->SetSource(nullptr);
        if (replays_) replays_->SetRecording(*form1_, true);
    }
}

bool Program::Host() {
    net::DuelOptions options;
    options.host = true;
    options.port = static_cast<uint16_t>(settings_.Get(UserSettings::Number::Port));
    if (!OpenDuel(options)) return false;
    duel_->StartRequested(false); // the menu says it, with this machine's addresses
    return true;
}

bool Program::Join(const std::string& address) {
    PlayOptions parsed;
    parsed.port = static_cast<uint16_t>(settings_.Get(UserSettings::Number::Port));
    std::string reason;
    if (!ParseJoinOption(address, parsed, reason)) {
        toolkit_->ShowMessage(platform::kApplicationTitle, reason, platform::MessageIcon::Error);
        return false;
    }
    net::DuelOptions options;
    options.host = false;
    options.address = parsed.joinHost;
    options.port = parsed.port;
    if (!OpenDuel(options)) return false;
    duel_->StartRequested();
    return true;
}

void Program::CancelDuel() {
    if (!duel_ || duel_->Ready() || play_.network != PlayOptions::Network::None) return;
    duel_.reset();
    mainmenu_->OnStartGame = nullptr;
    if (replays_) replays_->SetNetwork(PlayOptions::Network::None);
}

std::vector<std::string> Program::LocalAddresses() {
    return net::LocalAddresses();
}

std::vector<std::filesystem::path> Program::Replays() {
    std::vector<std::filesystem::path> files;
    if (!replays_ || replays_->Folder().empty()) return files;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(replays_->Folder(), ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().extension() == ".vlr") files.push_back(it->path());
    std::sort(files.rbegin(), files.rend()); // the names sort as the matches were played
    return files;
}

bool Program::PlayReplay(const std::filesystem::path& file) {
    if (form1_->form.Visible()) return false;
    match::Replay replay;
    try {
        replay = match::ReadReplayFile(file, match::MatchDataHash(language_));
    } catch (const match::EReplayError& e) {
        toolkit_->ShowMessage(platform::kApplicationTitle, e.what(), platform::MessageIcon::Error);
        return false;
    }
    replayFinalState_ = replay.finalState;
    menuReplayFile_ = file;
    menuReplay_ = std::make_unique<match::ReplaySource>(std::move(replay.frames));
    menuReplay_->OnFinished = [this] {
        if (form1_->form.Visible()) form1_->form.Close();
    };
    if (replays_) replays_->SetRecording(*form1_, false);
    menuReplayPlaying_ = true;
    form1_->SetSource(menuReplay_.get());
    form1_->StartMatch(replay.seed);
    form1_->form.Show();
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
