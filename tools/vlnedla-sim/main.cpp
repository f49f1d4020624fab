// SPDX-License-Identifier: GPL-3.0-or-later
// vlnedla-sim: runs the whole program headless on a virtual clock, driven by a script of
// a user's actions, and writes a trace of what the program did.
//
//   vlnedla-sim [--data DIR] [--wav FILE] [--computer SIDE[:LEVEL]]...
//               [--host PORT | --join HOST:PORT] [--language CODE] [--record DIR]
//               [--replay FILE] SCRIPT
//
// Index:
//   - Timeline: applies the script's actions as virtual time reaches them
//   - main: arguments, start-up, the run and its end
//
// Timing: the program and the timeline share one virtual clock. Whenever the clock moves
// (the message loop waiting, a Play with wait sleeping) the mixer renders the time that
// passed and the actions that fell due happen, each at its own time: the keyboard state
// changes then, and the window events wait in the queue until the program reads them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "Form1Shot.h"
#include "MatchState.h"
#include "Script.h"
#include "TraceWriter.h"
#include "app/Program.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Keys.h"
#include "platform/Mixer.h"
#include "settings/Paths.h"

namespace vl::sim {

// Thrown (not a std::exception, so no error box catches it) when the timeline is over:
// the run ends wherever the program is.
struct TimelineEnded {};

class Timeline {
public:
    Timeline(Script script, platform::HeadlessToolkit& toolkit, TraceWriter& trace,
             platform::OfflineAudioBackend& audio)
        : script_(std::move(script)), toolkit_(toolkit), trace_(trace), audio_(audio) {}

    // When the next action (or the timeline's end) falls due. While an `await` holds the
    // timeline, the next look is 10 ms on.
    std::optional<uint64_t> NextTime() const {
        if (ended_) return std::nullopt;
        if (awaiting_) return lastNow_ + 10;
        return (next_ < script_.actions.size() ? script_.actions[next_].t : script_.endMs) + shift_;
    }

    // Lets everything up to `now` happen: the mixer renders, due actions take place.
    // Throws TimelineEnded once the timeline's last moment has come.
    void RunUntil(uint64_t now) {
        lastNow_ = now;
        while (!ended_ && next_ < script_.actions.size() &&
               script_.actions[next_].t + shift_ <= now) {
            const Action& a = script_.actions[next_];
            if (a.kind == Action::Kind::Await) {
                // The rest of the timeline moves to the moment the window is shown, or the
                // match has ended (or the longest wait has passed).
                if (!awaiting_) awaitSince_ = now;
                if (a.text == "end") {
                    const match::TForm1* form1 = form1_ ? form1_() : nullptr;
                    awaiting_ = !(form1 && form1->form.Visible() && !form1->game.gamerunning) &&
                                now < awaitSince_ + std::stoull(a.value);
                } else {
                    const platform::Form* form = toolkit_.FindForm(a.text);
                    awaiting_ = !(form && form->Visible());
                }
                if (awaiting_) break;
                shift_ = std::max(shift_, now - a.t);
                ++next_;
                continue;
            }
            ++next_;
            audio_.RenderUntilMs(a.t + shift_);
            Apply(a);
        }
        if (!ended_ && !awaiting_ && next_ >= script_.actions.size() &&
            script_.endMs + shift_ <= now) {
            ended_ = true;
            audio_.RenderUntilMs(script_.endMs + shift_);
            throw TimelineEnded{};
        }
        audio_.RenderUntilMs(now);
    }

    // What `shot FILE` does; set once the program (and its match window) exists.
    void SetShotHandler(std::function<void(const std::string&)> shot) { shot_ = std::move(shot); }
    // How `dump` and `set` reach the match window, which is null until it exists.
    void SetMatch(std::function<match::TForm1*()> form1) { form1_ = std::move(form1); }

    bool Ended() const { return ended_; }
    uint64_t EndMs() const { return script_.endMs + shift_; }

private:
    void Apply(const Action& a) {
        using K = Action::Kind;
        switch (a.kind) {
        case K::Down:
            toolkit_.UserKeyDown(a.vk);
            break;
        case K::Up:
            toolkit_.UserKeyUp(a.vk);
            break;
        case K::Press:
            toolkit_.UserKeyDown(a.vk);
            toolkit_.UserKeyUp(a.vk);
            break;
        case K::Type:
            for (const char32_t c : platform::DecodeUtf8(a.text)) toolkit_.UserType(c);
            break;
        case K::Close:
            toolkit_.UserClose();
            break;
        case K::Deactivate:
            toolkit_.UserSetForeground(false);
            break;
        case K::Activate:
            toolkit_.UserSetForeground(true);
            break;
        case K::Dump: {
            match::TForm1* form1 = form1_ ? form1_() : nullptr;
            trace_.Dump(a.t + shift_, toolkit_, form1 ? MatchJson(*form1) : std::string());
            break;
        }
        case K::Shot:
            if (shot_) shot_(a.text);
            break;
        case K::Set:
            if (match::TForm1* form1 = form1_ ? form1_() : nullptr)
                SetMatchValue(*form1, a.text, a.value);
            break;
        case K::Click:
        case K::DblClick:
            toolkit_.UserClickEntry(a.index, a.kind == K::DblClick);
            break;
        case K::AudioLost:
            audio_.SimulateOutputLoss();
            break;
        case K::AudioBack:
            audio_.SimulateOutputReturn();
            break;
        case K::PadPlug:
            toolkit_.PadPlugged(a.index);
            break;
        case K::PadUnplug:
            toolkit_.PadUnplugged(a.index);
            break;
        case K::PadDown:
        case K::PadUp:
            toolkit_.PadButton(a.index, a.control, a.kind == K::PadDown);
            break;
        case K::PadAxis:
            toolkit_.PadAxis(a.index, a.control, a.amount);
            break;
        case K::Await:
            break; // handled by RunUntil
        }
    }

    Script script_;
    platform::HeadlessToolkit& toolkit_;
    TraceWriter& trace_;
    platform::OfflineAudioBackend& audio_;
    std::function<void(const std::string&)> shot_;
    std::function<match::TForm1*()> form1_;
    size_t next_ = 0;
    bool ended_ = false;
    bool awaiting_ = false;
    uint64_t shift_ = 0;      // how much later than written the timeline runs (await)
    uint64_t lastNow_ = 0;    // the clock at the last RunUntil
    uint64_t awaitSince_ = 0; // when the await holding the timeline began
};

int Usage() {
    std::cerr << "usage: vlnedla-sim [--data DIR] [--wav FILE] [--computer SIDE[:LEVEL]]... "
                 "[--host PORT | --join HOST:PORT] [--language CODE] [--record DIR] "
                 "[--replay FILE] SCRIPT\n";
    return 2;
}

int Main(int argc, char** argv) {
    std::string dataDir, wavPath, scriptPath;
    app::PlayOptions play;
    play.recordOff = true;   // a run keeps replays only where --record says
    play.waitInFrame = true; // a duel's frame waits in place (also one the menu starts)
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--data" || arg == "--wav") && i + 1 < argc) {
            (arg == "--data" ? dataDir : wavPath) = argv[++i];
        } else if ((arg == "--host" || arg == "--join") && i + 1 < argc) {
            std::string reason;
            const bool ok = play.network == app::PlayOptions::Network::None &&
                            (arg == "--host" ? app::ParseHostOption(argv[++i], play, reason)
                                             : app::ParseJoinOption(argv[++i], play, reason));
            if (!ok) {
                if (!reason.empty()) std::cerr << "vlnedla-sim: " << reason << "\n";
                return Usage();
            }
        } else if (arg == "--replay" && i + 1 < argc && play.replayFile.empty()) {
            std::error_code ec;
            play.replayFile = std::filesystem::absolute(argv[++i], ec);
        } else if (arg == "--record" && i + 1 < argc && play.recordFolder.empty()) {
            std::error_code ec;
            play.recordFolder = std::filesystem::absolute(argv[++i], ec);
            std::filesystem::create_directories(play.recordFolder, ec);
            if (ec) {
                std::cerr << "vlnedla-sim: cannot make " << play.recordFolder.string() << ": "
                          << ec.message() << "\n";
                return 2;
            }
        } else if (arg == "--language" && i + 1 < argc) {
            std::string reason;
            if (!play.language.empty() || !app::ParseLanguageOption(argv[++i], play, reason)) {
                if (!reason.empty()) std::cerr << "vlnedla-sim: " << reason << "\n";
                return Usage();
            }
        } else if (arg == "--computer" && i + 1 < argc) {
            std::string reason;
            if (!app::ParseComputerOption(argv[++i], play, reason)) {
                std::cerr << "vlnedla-sim: " << reason << "\n";
                return Usage();
            }
        } else if ((arg.empty() || arg[0] != '-') && scriptPath.empty()) {
            scriptPath = arg;
        } else { // an unknown option, or a second script
            return Usage();
        }
    }
    if (scriptPath.empty()) return Usage();
    if (play.network != app::PlayOptions::Network::None &&
        (play.computer[0] != match::kNoComputer || play.computer[1] != match::kNoComputer)) {
        std::cerr << "vlnedla-sim: --computer cannot be combined with --host or --join\n";
        return Usage();
    }

    std::ifstream in(scriptPath, std::ios::binary);
    if (!in) {
        std::cerr << "vlnedla-sim: cannot read script " << scriptPath << "\n";
        return 2;
    }
    std::stringstream text;
    text << in.rdbuf();
    Script script;
    try {
        script = ParseScript(text.str());
    } catch (const ScriptError& e) {
        std::cerr << "vlnedla-sim: " << scriptPath << ": " << e.message << "\n";
        return 2;
    }
    std::error_code ec;
    if (!wavPath.empty()) wavPath = std::filesystem::absolute(wavPath, ec).string();
    // Shots are written where the script was started, not in the data folder.
    for (Action& a : script.actions)
        if (a.kind == Action::Kind::Shot) a.text = std::filesystem::absolute(a.text, ec).string();
    if (!dataDir.empty()) {
        std::filesystem::current_path(dataDir, ec);
        if (ec) {
            std::cerr << "vlnedla-sim: cannot enter " << dataDir << ": " << ec.message() << "\n";
            return 2;
        }
    }

    auto clock = std::make_unique<platform::VirtualClock>(0);
    auto audio = std::make_unique<platform::OfflineAudioBackend>();
    auto toolkit = std::make_unique<platform::HeadlessToolkit>(*clock);
    platform::VirtualClock& vclock = *clock;
    platform::OfflineAudioBackend& mixer = *audio;
    platform::HeadlessToolkit& headless = *toolkit;
    mixer.SetCapture(!wavPath.empty());

    TraceWriter trace(stdout, vclock);
    headless.SetObserver(&trace);
    Timeline timeline(std::move(script), headless, trace, mixer);
    // A duel: virtual time runs no faster than real time from its start on, so that two
    // simulators' timelines meet (it may lag behind, never lead).
    std::optional<std::chrono::steady_clock::time_point> realStart;
    const auto paceFromNow = [&] {
        if (!realStart)
            realStart =
                std::chrono::steady_clock::now() - std::chrono::milliseconds(vclock.ElapsedMs());
    };
    if (play.network != app::PlayOptions::Network::None) paceFromNow();
    vclock.AddAdvanceListener([&realStart](uint64_t now) {
        if (realStart) std::this_thread::sleep_until(*realStart + std::chrono::milliseconds(now));
    });
    vclock.AddAdvanceListener([&](uint64_t now) { timeline.RunUntil(now); });
    headless.SetNextAction([&] { return timeline.NextTime(); });
    headless.SetPollHook([&] { timeline.RunUntil(vclock.ElapsedMs()); });

    int code = 0;
    {
        app::Program program(app::ProgramParts{std::move(clock), std::move(audio),
                                               std::move(toolkit), &trace, play,
                                               settings::SettingsPath()});
        // The match window's back surface as it stands; nothing before the window exists or
        // its display was first shown. A file that cannot be written fails the run at its end.
        bool shotFailed = false;
        if (&program.Language() != &settings::Czech()) trace.SetLanguage(program.Language().code);
        timeline.SetMatch([&program] { return program.Form1(); });
        program.OnDuelOpened = paceFromNow;
        timeline.SetShotHandler([&](const std::string& path) {
            match::TForm1* form1 = program.Form1();
            if (!form1) return;
            try {
                WriteShot(form1->DXDraw1, path);
            } catch (const std::exception& e) {
                std::cerr << "vlnedla-sim: " << e.what() << "\n";
                shotFailed = true;
            }
        });
        try {
            code = program.Run();
            if (program.Toolkit().Terminated() || code != 0) {
                trace.Exit(code);
            } else { // nothing could happen any more before the timeline's end
                trace.End(timeline.EndMs());
            }
        } catch (const TimelineEnded&) {
            trace.End(timeline.EndMs());
            code = 0;
        }
        if (!wavPath.empty()) {
            try {
                mixer.WriteCaptureWav(wavPath);
            } catch (const std::exception& e) {
                std::cerr << "vlnedla-sim: " << e.what() << "\n";
                code = 2;
            }
        }
        if (shotFailed) code = 2;
        timeline.SetShotHandler({});
        timeline.SetMatch({});
        // The clock's listener refers to the timeline; the program (and clock) go here,
        // before the timeline.
        headless.SetPollHook({});
    }
    return code;
}

} // namespace vl::sim

int main(int argc, char** argv) {
#ifdef _WIN32
    // The trace's lines end in "\n" on every system, so traces compare byte for byte.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    return vl::sim::Main(argc, argv);
}
