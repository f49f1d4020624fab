// SPDX-License-Identifier: GPL-3.0-or-later
// Lockstep: the two players' inputs by frame.
#include "net/Lockstep.h"

#include <algorithm>

#include "base/Check.h"

namespace vl::net {

void Lockstep::Begin(uint32_t match, uint8_t delay) {
    active_ = true;
    match_ = match;
    delay_ = std::clamp<uint8_t>(delay, 1, kMaxDelay);
    frame_ = 0;
    localBase_ = 0;
    remoteBase_ = 0;
    peerAck_ = -1;
    local_.assign(delay_, 0);
    remote_.assign(delay_, uint16_t{0});
    localNext_ = delay_;
}

void Lockstep::AddLocal(uint16_t word) {
    VL_CHECK(NeedsLocal(), "a local input is added only when one is needed");
    local_.push_back(static_cast<uint16_t>(word & kInputMask));
    ++localNext_;
}

void Lockstep::Receive(const Inputs& message) {
    if (!active_ || message.match != match_) return;
    // The peer cannot confirm what was never sent.
    const int32_t sent = static_cast<int32_t>(localNext_) - 1;
    peerAck_ = std::max(peerAck_, std::min(message.ack, sent));
    // What the peer confirmed and this machine has run is no longer needed; the newest
    // input stays, to carry confirmations.
    while (local_.size() > 1 && static_cast<int32_t>(localBase_) <= peerAck_ &&
           localBase_ < frame_) {
        local_.pop_front();
        ++localBase_;
    }
    for (size_t i = 0; i < message.words.size(); ++i) {
        const uint32_t frame = message.first + static_cast<uint32_t>(i);
        if (frame < remoteBase_ || frame >= frame_ + kLockstepWindow) continue;
        const size_t at = frame - remoteBase_;
        if (at >= remote_.size()) remote_.resize(at + 1);
        if (!remote_[at]) remote_[at] = message.words[i];
    }
}

bool Lockstep::Ready() const {
    if (!active_ || frame_ >= localNext_) return false;
    const size_t at = frame_ - remoteBase_;
    return at < remote_.size() && remote_[at].has_value();
}

std::pair<uint16_t, uint16_t> Lockstep::Take() {
    VL_CHECK(Ready(), "a frame is taken only when both inputs are here");
    const uint16_t mine = local_[frame_ - localBase_];
    const uint16_t theirs = *remote_[frame_ - remoteBase_];
    ++frame_;
    // The peer's inputs of frames run are not needed again.
    while (remoteBase_ < frame_ && !remote_.empty()) {
        remote_.pop_front();
        ++remoteBase_;
    }
    return {mine, theirs};
}

Inputs Lockstep::Outgoing() const {
    Inputs out;
    out.match = match_;
    out.ack = Contiguous();
    if (local_.empty()) return out; // before the first Begin
    // At least the newest input goes, so that the message carries the confirmation.
    const uint32_t from =
        std::min(std::max(localBase_, static_cast<uint32_t>(peerAck_ + 1)), localNext_ - 1);
    out.first = from;
    for (uint32_t f = from; f < localNext_ && out.words.size() < kMaxInputsPerMessage; ++f)
        out.words.push_back(local_[f - localBase_]);
    return out;
}

int32_t Lockstep::Contiguous() const {
    int32_t last = static_cast<int32_t>(remoteBase_) - 1;
    for (const std::optional<uint16_t>& w : remote_) {
        if (!w) break;
        ++last;
    }
    return last;
}

} // namespace vl::net
