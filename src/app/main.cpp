// main: the Vlnedla program — SDL windows, the real clock and SDL audio output.
//
// It reads no command-line options, configuration files or environment variables; the
// data files are found relative to the current directory.
#include <SDL.h>

#include <cstdio>
#include <exception>
#include <memory>

#include "app/Program.h"
#include "platform/SdlToolkit.h"

namespace {

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
    const int code = RunProgram();
    SDL_Quit();
    return code;
}
