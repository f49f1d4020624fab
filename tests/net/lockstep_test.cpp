// SPDX-License-Identifier: GPL-3.0-or-later
// The duel's messages and lockstep without sockets: every message survives its own
// encoding, a bad one is refused whole, and two lockstep ends that lose, repeat and reorder
// datagrams still run the same frames on the same inputs — and a hostile peer cannot make
// them run a frame on anything else.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <vector>

#include "net/Lockstep.h"
#include "net/Protocol.h"

namespace vl::net {
namespace {

TEST(Protocol, MessagesRoundTripAndAnythingElseIsRefused) {
    const std::vector<Message> all = {Hello{kProtocolVersion, 0x0123456789ABCDEFULL},
                                      Refuse{2},
                                      StartRequest{},
                                      Start{77, 3},
                                      Inputs{4, 12, 10, {1, 2, kInputMask}},
                                      Hash{4, 300, 0xFEDCBA9876543210ULL},
                                      Desync{300, "state\nlines"},
                                      Bye{},
                                      CloseMatch{9}};
    for (const Message& m : all) {
        const std::vector<uint8_t> bytes = Encode(m);
        const std::optional<Message> back = Decode(bytes);
        ASSERT_TRUE(back.has_value()) << m.index();
        EXPECT_EQ(Encode(*back), bytes) << m.index();
        // One byte more or less is not the message.
        std::vector<uint8_t> longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(Decode(longer).has_value()) << m.index();
        if (bytes.size() > 1) {
            EXPECT_FALSE(Decode(std::span(bytes).first(bytes.size() - 1)).has_value()) << m.index();
        }
    }
    EXPECT_FALSE(Decode({}).has_value());
    const uint8_t unknown[] = {0x42};
    EXPECT_FALSE(Decode(unknown).has_value());
    // Out of bounds: a delay of 0, a word with unknown bits, a state text that claims more.
    EXPECT_FALSE(Decode(Encode(Start{1, 0})).has_value());
    EXPECT_FALSE(Decode(Encode(Inputs{1, -1, 0, {0x8000}})).has_value());
    std::vector<uint8_t> desync = Encode(Desync{1, "ab"});
    desync[5] = 9; // length 9 with 2 bytes present
    EXPECT_FALSE(Decode(desync).has_value());
}

// Two ends joined by a link that loses every third datagram and delivers the rest one
// step late and, every other step, in reverse order.
TEST(Lockstep, BothEndsRunTheSameFramesOnTheSameInputsOverALossyLink) {
    Lockstep a, b;
    a.Begin(1, 2);
    b.Begin(1, 2);
    std::deque<Inputs> toA, toB;
    std::vector<std::pair<uint16_t, uint16_t>> ranA, ranB; // (a's, b's) per frame
    uint32_t sent = 0;
    const auto word = [](int end, uint32_t frame) {
        return static_cast<uint16_t>((frame * 7 + static_cast<uint32_t>(end)) & kInputMask);
    };
    for (int step = 0; step < 600 && (ranA.size() < 300 || ranB.size() < 300); ++step) {
        for (auto [me, out, ran, end] :
             {std::tuple{&a, &toB, &ranA, 0}, std::tuple{&b, &toA, &ranB, 1}}) {
            if (me->NeedsLocal()) me->AddLocal(word(end, me->Frame() + 2));
            if (++sent % 3 != 0) out->push_back(me->Outgoing());
            if (me->Ready() && ran->size() < 300) {
                const auto [mine, theirs] = me->Take();
                ran->push_back(end == 0 ? std::pair{mine, theirs} : std::pair{theirs, mine});
            }
        }
        if (step % 2 == 0) {
            std::reverse(toA.begin(), toA.end());
            std::reverse(toB.begin(), toB.end());
        }
        while (!toA.empty()) a.Receive(toA.front()), toA.pop_front();
        while (!toB.empty()) b.Receive(toB.front()), toB.pop_front();
    }
    ASSERT_EQ(ranA.size(), 300U);
    EXPECT_EQ(ranA, ranB);
    for (uint32_t f = 2; f < 300; ++f) EXPECT_EQ(ranA[f], (std::pair{word(0, f), word(1, f)}));
}

TEST(Lockstep, AHostilePeerCannotRewriteTheRunOrGrowItsMemory) {
    Lockstep a;
    a.Begin(5, 1);
    a.AddLocal(1);
    a.Receive(Inputs{5, 0, 0, {0}});    // frame 0 already known as empty: stays empty
    a.Receive(Inputs{5, 0, 1, {3}});    // frame 1
    a.Receive(Inputs{4, 0, 2, {9}});    // another match: dropped
    a.Receive(Inputs{5, 1000, 1, {6}}); // an ack of frames never sent, a second frame 1
    ASSERT_TRUE(a.Ready());
    EXPECT_EQ(a.Take(), (std::pair<uint16_t, uint16_t>{0, 0}));
    ASSERT_TRUE(a.Ready());
    EXPECT_EQ(a.Take(), (std::pair<uint16_t, uint16_t>{1, 3})); // the first word stands
    // Far-future frames are not kept: the contiguous run ends before them, and nothing is
    // held for them.
    const size_t held = a.HeldInputs();
    a.Receive(Inputs{5, 0, 5000, {1}});
    EXPECT_EQ(a.Contiguous(), 1);
    EXPECT_EQ(a.HeldInputs(), held);
    // A stream of them, near and far, never holds more than the window.
    for (uint32_t f = 0; f < 100000; f += 7) {
        a.Receive(Inputs{5, 0, f, {1, 2, 3}});
        ASSERT_LE(a.HeldInputs(), kLockstepWindow) << f;
    }
    EXPECT_FALSE(a.Ready()); // frame 2's local input is still to come
    // The outgoing run never reaches past what was confirmed... only what was given.
    const Inputs out = a.Outgoing();
    EXPECT_LE(out.first + out.words.size(), 2U);
}

// The host's input delay: half the round trip in frames, and one more, within 1..16.
TEST(Lockstep, TheInputDelayCoversHalfTheRoundTripAndOneFrameMore) {
    const std::pair<uint32_t, uint8_t> cases[] = {{0, 1}, {17, 2}, {80, 5}, {200, 11}, {1000, 16}};
    for (const auto& [rtt, delay] : cases) EXPECT_EQ(InputDelayFor(rtt), delay) << rtt;
}

} // namespace
} // namespace vl::net
