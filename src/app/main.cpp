// SPDX-License-Identifier: GPL-3.0-or-later
// main: the Vlnedla program — SDL windows, the real clock and SDL audio output.
//
// Without options it behaves as it always has; --help and --version answer before any
// window or sound device is opened, and a bad option is refused with exit code 2 (see
// CommandLine). The data files are found relative to the current directory. SIGTERM,
// SIGINT and SIGHUP end it with exit code 128 + the signal's number (SignalWatch).
#include <SDL.h>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif
#ifdef _WIN32
// winsock2.h before windows.h, as ENet's headers (through Program.h) want it.
#include <winsock2.h>

#include <windows.h>
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "app/ReplayRender.h"
#include "container/InputFile.h"
#include "platform/SdlToolkit.h"
#include "platform/SignalWatch.h"
#include "settings/Language.h"
#include "settings/Paths.h"
#include "settings/Resources.h"
#include "settings/SettingsFile.h"

namespace {

// A standard stream the program was started without (a launcher that closes standard
// input, say) gets /dev/null; on Windows the console it was started from. Otherwise the next
// descriptor opened takes its number — a data file, the display connection — and whatever the
// program or a library writes to standard output or error would land in it.
void KeepStandardStreamsOpen() {
#if defined(__unix__) || defined(__APPLE__)
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0 && null != fd) {
            ::dup2(null, fd);
            ::close(null);
        }
    }
#endif
#ifdef _WIN32
    // A windowed program has no console of its own: --help, --version and a refusal go to
    // the console it was started from, unless its output is redirected (a file, a pipe).
    const auto redirected = [](DWORD which) {
        const HANDLE h = GetStdHandle(which);
        return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
    };
    const bool out = redirected(STD_OUTPUT_HANDLE), err = redirected(STD_ERROR_HANDLE);
    if ((!out || !err) && AttachConsole(ATTACH_PARENT_PROCESS)) {
        FILE* ignored = nullptr;
        if (!out) (void)freopen_s(&ignored, "CONOUT$", "w", stdout);
        if (!err) (void)freopen_s(&ignored, "CONOUT$", "w", stderr);
    }
#endif
}

// Windows: the data lie beside the program, wherever it was started from (a shortcut, a
// console in another folder). Elsewhere the `vlnedla` command enters the data folder.
void EnterProgramFolder() {
#ifdef _WIN32
    char* base = SDL_GetBasePath();
    if (!base) return;
    const int n = MultiByteToWideChar(CP_UTF8, 0, base, -1, nullptr, 0);
    if (n > 0) {
        std::wstring wide(static_cast<size_t>(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, base, -1, wide.data(), n);
        SetCurrentDirectoryW(wide.c_str());
    }
    SDL_free(base);
#endif
}

// A Windows release runs from its own folder, whose data come with it: none there is a
// broken installation. Elsewhere the game goes on as it always has: a box per missing file,
// then the menu.
#ifdef _WIN32
constexpr bool kCheckDataAtStart = true;
#else
constexpr bool kCheckDataAtStart = false;
#endif

// Whether any of the game's data files is where it looks for them.
bool DataPresent() {
    std::error_code ec;
    for (const std::string_view file : vl::settings::kDataFiles)
        if (std::filesystem::exists(vl::container::ProgramDataPath(file), ec)) return true;
    return false;
}

// How long a signal waits for the program to end by itself (the end of the handler running
// then, the teardown) before the watch ends the process.
constexpr std::chrono::milliseconds kSignalGrace{1500};

int RunProgram(const vl::app::PlayOptions& play) {
    const std::filesystem::path settingsPath = vl::settings::SettingsPath();
    // The toolkit a signal asks to end, once there is one.
    std::atomic<vl::platform::Toolkit*> running{nullptr};
    const vl::platform::SignalWatch signals(
        [&running](int exitCode) {
            if (vl::platform::Toolkit* t = running.load()) t->RequestExit(exitCode);
        },
        kSignalGrace);
    // SDL's own handlers would turn a signal into a close of the main window: ours end it.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    try {
        auto clock = std::make_unique<vl::platform::RealClock>();
        auto toolkit = std::make_unique<vl::platform::SdlToolkit>(*clock);
        if (kCheckDataAtStart && !DataPresent()) {
            // Not one of its files where the game looks: a broken installation, said once,
            // rather than a menu without a sound.
            std::error_code ec;
            const vl::settings::Language& language = vl::app::ChooseProgramLanguage(
                play.language,
                vl::settings::SettingsFile::Peek(settingsPath).Get("language").value_or(""), false);
            toolkit->ShowMessage(vl::platform::kApplicationTitle,
                                 std::string(language.texts.dataMissing) +
                                     std::filesystem::current_path(ec).string(),
                                 vl::platform::MessageIcon::Error);
            return 1;
        }
        vl::platform::Toolkit* shown = toolkit.get();
        auto audio = std::make_unique<vl::platform::SdlAudioBackend>();
        vl::app::Program program(vl::app::ProgramParts{
            std::move(clock), std::move(audio), std::move(toolkit), nullptr, play, settingsPath});
        running = shown;
        if (const int code = signals.ExitCode(); code >= 0) return code; // came at start-up
        const int code = program.Run();
        running = nullptr;
        return code;
    } catch (const std::exception& e) {
        // Nothing to show a box on: the windowing layer itself could not start.
        std::fprintf(stderr, "%s: %s\n", vl::app::kApplicationErrorCaption.data(), e.what());
        return 1;
    }
}

} // namespace

int main(int argc, char** argv) {
    KeepStandardStreamsOpen();
    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const vl::app::CommandLine options = vl::app::ParseCommandLine(args);
    // The usage speaks the language the program would: no data are needed to choose it.
    const auto usage = [&options] {
        const std::string setting = vl::settings::SettingsFile::Peek(vl::settings::SettingsPath())
                                        .Get("language")
                                        .value_or("");
        return vl::app::Usage(
            vl::app::ChooseProgramLanguage(options.play.language, setting, false).texts);
    };
    switch (options.action) {
    case vl::app::CommandLine::Action::Help:
        std::fputs(usage().c_str(), stdout);
        return 0;
    case vl::app::CommandLine::Action::Version:
        std::printf("%s %s\n", vl::app::kProgramName.data(), vl::app::kProgramVersion.data());
        return 0;
    case vl::app::CommandLine::Action::Refuse:
        std::fprintf(stderr, "%s: %s\n%s", vl::app::kProgramName.data(), options.reason.c_str(),
                     usage().c_str());
        return 2;
    case vl::app::CommandLine::Action::Play:
        break;
    }
    // The files named on the command line are found from where the user started the program
    // (the launcher says where that was), not from the data folder it runs in.
    vl::app::PlayOptions play = options.play;
    {
        std::error_code ec;
        const char* caller = std::getenv("VLNEDLA_CALLER_DIR");
        const std::filesystem::path base = caller && *caller ? vl::settings::PathFromUtf8(caller)
                                                             : std::filesystem::current_path(ec);
        for (std::filesystem::path* file : {&play.replayFile, &play.recordFile, &play.renderFile})
            if (!file->empty() && !ec) *file = base / *file;
    }
    EnterProgramFolder();
    if (!play.renderFile.empty()) {
        // Only the replay and the sound file: no window, no sound device.
        return vl::app::RenderReplay(play, vl::settings::SettingsPath());
    }
    const int code = RunProgram(play);
    SDL_Quit();
    return code;
}
