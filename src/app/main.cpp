// main: the Vlnedla program — SDL windows, the real clock and SDL audio output.
//
// It reads no command-line options, configuration files or environment variables; the
// data files are found relative to the current directory.
#include <SDL.h>

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>

#include "app/Program.h"
#include "platform/SdlToolkit.h"

namespace {

// A standard stream the program was started without (a launcher that closes standard
// input, say) gets /dev/null. Otherwise the next descriptor opened takes its number — a
// data file, the display connection — and whatever the program or a library writes to
// standard output or error would land in it.
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
}

int RunProgram() {
    try {
        auto clock = std::make_unique<vl::platform::RealClock>();
        auto toolkit = std::make_unique<vl::platform::SdlToolkit>(*clock);
        auto audio = std::make_unique<vl::platform::SdlAudioBackend>();
        vl::app::Program program(
            vl::app::ProgramParts{std::move(clock), std::move(audio), std::move(toolkit), nullptr});
        return program.Run();
    } catch (const std::exception& e) {
        // Nothing to show a box on: the windowing layer itself could not start.
        std::fprintf(stderr, "%s: %s\n", vl::app::kApplicationErrorCaption.data(), e.what());
        return 1;
    }
}

} // namespace

int main(int /*argc*/, char** /*argv*/) {
    KeepStandardStreamsOpen();
    const int code = RunProgram();
    SDL_Quit();
    return code;
}
