// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the replay reader on any bytes. It refuses with EReplayError or gives a replay
// within its limits that is written and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "match/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vl::match::Replay r;
    try {
        r = vl::match::DecodeReplay(std::span<const uint8_t>(data, size));
    } catch (const vl::match::EReplayError&) {
        return 0;
    }
    if (r.frames.size() > vl::match::kMaxReplayFrames) std::abort();
    for (size_t i = 0; i + 1 < r.frames.size(); ++i)
        if (r.frames[i].leave) std::abort();
    if (!(vl::match::DecodeReplay(vl::match::EncodeReplay(r)) == r)) std::abort();
    return 0;
}
