// SPDX-License-Identifier: GPL-3.0-or-later
// ReplayRender: the headless program, its mixer's frames cut to the match's span and streamed
// into the sound file.
#include "app/ReplayRender.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "app/Program.h"
#include "app/SoundFileWriter.h"
#include "container/Error.h"
#include "platform/Clock.h"
#include "platform/HeadlessToolkit.h"
#include "platform/Mixer.h"

namespace vl::app {

int RenderReplay(const PlayOptions& play, const std::filesystem::path& settingsPath) {
    const auto say = [](const std::string& text) {
        std::fprintf(stderr, "%s: %s\n", kProgramName.data(), text.c_str());
    };
    auto clock = std::make_unique<platform::VirtualClock>(0);
    auto audio = std::make_unique<platform::OfflineAudioBackend>();
    auto toolkit = std::make_unique<platform::HeadlessToolkit>(*clock);
    platform::VirtualClock& vclock = *clock;
    platform::OfflineAudioBackend& mixer = *audio;
    platform::HeadlessToolkit& headless = *toolkit;
    const uint64_t rate = mixer.OutputRate();

    // Opened first: a file that cannot be written is said before the match is played.
    std::optional<SoundFileWriter> out;
    try {
        out.emplace(play.renderFile, mixer.OutputRate());
    } catch (const Error& e) {
        say(e.what());
        return 2;
    }
    // The span's frames: from the match's start to its window's closing (open-ended until
    // then). Each stretch the mixer renders is cut to it.
    constexpr uint64_t kOpen = std::numeric_limits<uint64_t>::max();
    uint64_t first = kOpen, last = kOpen;
    std::optional<std::string> writeError;
    mixer.SetSink([&](std::span<const float> samples, uint64_t at) {
        const uint64_t from = std::max(at, first), to = std::min(at + samples.size() / 2, last);
        if (writeError || from >= to) return;
        try {
            out->Write(samples.subspan((from - at) * 2, (to - from) * 2));
        } catch (const Error& e) {
            writeError = e.what();
            headless.RequestExit(2);
        }
    });
    vclock.AddAdvanceListener([&mixer](uint64_t now) { mixer.RenderUntilMs(now); });

    int code = 0;
    {
        PlayOptions options = play;
        options.recordOff = true; // a replay is never kept again
        Program program(ProgramParts{std::move(clock), std::move(audio), std::move(toolkit),
                                     nullptr, options, settingsPath});
        program.OnReplayStarted = [&] { first = vclock.ElapsedMs() * rate / 1000; };
        program.OnReplayClosing = [&] {
            mixer.RenderUntilMs(vclock.ElapsedMs());
            last = vclock.ElapsedMs() * rate / 1000;
        };
        code = program.Run();
        // What the program would have shown in boxes (a refused replay, missing data).
        for (const platform::HeadlessToolkit::Box& box : headless.MessageBoxes()) say(box.text);
    }
    if (writeError) {
        say(*writeError);
        return 2;
    }
    if (code == 2 || first == kOpen) return code != 0 ? code : 1; // refused: nothing written
    try {
        out->Finish();
    } catch (const Error& e) {
        say(e.what());
        return 2;
    }
    return code;
}

} // namespace vl::app
