// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: the duel's message decoder, on any datagram a hostile peer could send. A
// message it accepts must encode back to the very same bytes, and feeding it to a lockstep
// must keep that lockstep's promises.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "net/Lockstep.h"
#include "net/Protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const std::optional<vl::net::Message> m = vl::net::Decode(bytes);
    if (!m) return 0;
    const std::vector<uint8_t> again = vl::net::Encode(*m);
    if (again.size() != size || !std::equal(again.begin(), again.end(), data)) std::abort();
    if (const auto* inputs = std::get_if<vl::net::Inputs>(&*m)) {
        vl::net::Lockstep lockstep;
        lockstep.Begin(inputs->match, 2);
        lockstep.AddLocal(1);
        lockstep.Receive(*inputs);
        while (lockstep.Ready()) lockstep.Take();
        if (lockstep.Contiguous() >
            static_cast<int32_t>(lockstep.Frame() + vl::net::kLockstepWindow))
            std::abort();
        (void)lockstep.Outgoing();
    }
    return 0;
}
