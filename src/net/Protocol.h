// SPDX-License-Identifier: GPL-3.0-or-later
// Protocol: the messages two programs exchange in a duel over the network, as the bytes of
// one ENet packet each, and the decoder that trusts nothing it is given.
//
// Every message starts with its type byte; numbers are little-endian. A decoded message has
// been checked whole: its exact length, its counts against their bounds. Anything else is
// rejected (Decode returns nothing) and changes nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace vl::net {

// The UDP port a host listens on when none is given.
inline constexpr uint16_t kDefaultPort = 27461;
// Raised with each change a peer of an older or newer program could not follow.
inline constexpr uint16_t kProtocolVersion = 1;
// The most inputs one Inputs message carries (a bit more than a second of frames).
inline constexpr size_t kMaxInputsPerMessage = 128;
// The longest state text a Desync message carries.
inline constexpr size_t kMaxStateText = 60000;

// One player's keys for one frame: movement, weapons and counters, as bits.
enum InputBit : uint16_t {
    kUp = 1U << 0,
    kDown = 1U << 1,
    kGun = 1U << 2,
    kMissile = 1U << 3,
    kMachgun = 1U << 4,
    kMagnet = 1U << 5,
    kCounter1 = 1U << 6, // energy; kCounter1 << i for the four counters
    kEscape = 1U << 10,  // the match window closes after this frame, on both machines
};
inline constexpr uint16_t kInputMask = (1U << 11) - 1;

// Either side, first thing: who it is.
struct Hello {
    uint16_t protocol = kProtocolVersion;
    uint64_t dataHash = 0; // of what decides a match: the pictures and the effects
};
// The host refuses the joiner: another protocol or other data.
struct Refuse {
    uint8_t reason = 0; // 1: another version, 2: other data
};
// The joiner asks the host to start a match ("Start hry" on the joiner's machine).
struct StartRequest {};
// The host starts a match on both machines: the generator's seed and the input delay.
struct Start {
    uint32_t seed = 0;
    uint8_t delay = 1; // frames, 1..kMaxDelay
};
inline constexpr uint8_t kMaxDelay = 16;
// A run of one side's inputs, frames first .. first + words.size() - 1, and how far the
// sender has the receiver's inputs without a gap (-1: none yet).
struct Inputs {
    uint32_t match = 0; // which match of the connection (Start count), so old ones are dropped
    int32_t ack = -1;
    uint32_t first = 0;
    std::vector<uint16_t> words;
};
// The sender's hash of the match's state after `frame`.
struct Hash {
    uint32_t match = 0;
    uint32_t frame = 0;
    uint64_t hash = 0;
};
// The states disagreed at `frame`: the sender's state as text, for the bug report.
struct Desync {
    uint32_t frame = 0;
    std::string state;
};
// The sender's program ends ("Konec hry").
struct Bye {};
// The sender's match window was closed other than by Esc in a frame (its close button):
// the receiver closes its own.
struct CloseMatch {
    uint32_t match = 0;
};

using Message =
    std::variant<Hello, Refuse, StartRequest, Start, Inputs, Hash, Desync, Bye, CloseMatch>;

std::vector<uint8_t> Encode(const Message& message);
// The message in `bytes`, or nothing when they are not exactly one well-formed message.
std::optional<Message> Decode(std::span<const uint8_t> bytes);

} // namespace vl::net
