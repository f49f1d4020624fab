// SPDX-License-Identifier: GPL-3.0-or-later
// Lockstep: the inputs of one match between two machines — this machine's, delayed by a few
// frames and sent until the peer has them, and the peer's, gathered from whatever arrives —
// and which frame may run next. No sockets here: the duel feeds it messages.
//
// A frame runs on both machines only once both players' inputs for it are known, so both
// run the same frames on the same inputs. The delay gives a sent input time to arrive
// before its frame is due; every message repeats all inputs the peer has not confirmed, so
// a lost datagram is made up for by the next one, 10 ms later.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <utility>

#include "net/Protocol.h"

namespace vl::net {

class Lockstep {
public:
    // A new match (`match` numbers the matches of a connection) with `delay` frames between
    // an input and its frame; frames 0 .. delay - 1 have no keys pressed on either side.
    void Begin(uint32_t match, uint8_t delay);
    bool Active() const { return active_; }
    void End() { active_ = false; }
    uint32_t MatchNumber() const { return match_; }
    // The next frame to run.
    uint32_t Frame() const { return frame_; }

    // True while this machine's input for frame Frame() + delay is still to be given.
    bool NeedsLocal() const { return active_ && localNext_ <= frame_ + delay_; }
    // This machine's input for the next frame that has none.
    void AddLocal(uint16_t word);
    // Takes in what the peer sent; inputs of another match, far-future frames or frames
    // already run are dropped, so a hostile message cannot grow memory or rewrite the past.
    void Receive(const Inputs& message);
    // Both inputs of Frame() are known.
    bool Ready() const;
    // The inputs of Frame() (this machine's, the peer's); Frame() moves on. Only when Ready.
    std::pair<uint16_t, uint16_t> Take();

    // What to send now: every input the peer has not confirmed (at most
    // kMaxInputsPerMessage; at least the newest), with this machine's confirmation of the
    // peer's.
    Inputs Outgoing() const;
    // The last frame up to which all of the peer's inputs are here (-1: none).
    int32_t Contiguous() const;
    // How many of the peer's frames are held (known or awaited): never more than
    // kLockstepWindow.
    size_t HeldInputs() const { return remote_.size(); }

private:
    bool active_ = false;
    uint32_t match_ = 0;
    uint8_t delay_ = 1;
    uint32_t frame_ = 0;
    uint32_t localBase_ = 0; // frame of local_.front()
    uint32_t localNext_ = 0; // the next frame this machine gives an input for
    int32_t peerAck_ = -1;   // the peer has this machine's inputs up to here
    std::deque<uint16_t> local_;
    uint32_t remoteBase_ = 0; // frame of remote_.front()
    std::deque<std::optional<uint16_t>> remote_;
};

// How far ahead of the running frame the peer's inputs are kept (about 10 s).
inline constexpr uint32_t kLockstepWindow = 1024;

// The input delay the host chooses from the round trip it measured: frames enough for half
// a round trip, and one more, from 1 to kMaxDelay.
constexpr uint8_t InputDelayFor(uint32_t roundTripMs) {
    const uint32_t frames = (roundTripMs / 2 + 9) / 10 + 1;
    return static_cast<uint8_t>(frames < 1 ? 1 : frames > kMaxDelay ? kMaxDelay : frames);
}

} // namespace vl::net
