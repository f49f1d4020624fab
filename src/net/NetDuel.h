// SPDX-License-Identifier: GPL-3.0-or-later
// NetDuel: the duel over the network — two programs on two machines play one match as if
// they shared one keyboard. The host plays the left craft, the joiner the right; on each
// machine both key sets and both counter rows drive that machine's own craft.
//
// Index:
//   - DuelOptions, DuelParts: how it is asked for and what it works with
//   - NetDuel: the menu's "Start hry", the frames' inputs (IFrameSource), the
//     connection's life (handshake, spoken messages, leaving), the state checks
//
// The menu, the speaker test and the guide stay local. "Start hry" on either machine starts
// the match on both (the host chooses the seed and the input delay); Esc on either closes
// it on both, in the same frame. Every second both compare a hash of the match's state; a
// difference ends the match with a message and writes both states to a file.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "match/Unit1.h"
#include "net/Lockstep.h"
#include "net/NetLink.h"
#include "net/Protocol.h"
#include "platform/Toolkit.h"
#include "platform/ToolkitTimer.h"

namespace vl::net {

struct DuelOptions {
    bool host = true;
    std::string address; // the joiner's host
    uint16_t port = kDefaultPort;
};

struct DuelParts {
    platform::Toolkit& toolkit;
    match::TForm1& form1;
    // Speaks one of the duel's messages (an item of the menu's bank).
    std::function<void(std::string_view item)> speak;
    // True in the simulator: a frame waits for the peer's inputs right there, so that
    // virtual time stands still meanwhile. The real program lets the frame go and tries
    // again at the next one, its window staying alive.
    bool waitInFrame = false;
    // The duel has failed for good (the host never came, or refused us), its box shown:
    // given the exit code the program ends with. None: the program ends with it. Called from
    // inside the duel: whoever drops the duel here does it later.
    std::function<void(int code)> failed;
};

// The spoken messages, items of snd/menu.dat.
inline constexpr std::string_view kSayWaiting = "netwaitsp";
inline constexpr std::string_view kSayJoined = "netjoinedsp";
inline constexpr std::string_view kSayLeft = "netleftsp";
inline constexpr std::string_view kSayLost = "netlostsp";
inline constexpr std::string_view kSayOtherVersion = "netversionsp";
// A peer silent this long in a match is gone: the match closes with "netlostsp".
inline constexpr uint32_t kSilenceLimitMs = 4000;
// The exit code of a joiner the host refused.
inline constexpr int kExitRefused = 3;

class NetDuel final : public match::IFrameSource {
public:
    // Listens (host) or starts connecting (joiner); the joiner keeps trying for 30 s.
    // Throws vl::Error naming what failed (a port in use, an unknown host).
    NetDuel(DuelParts parts, const DuelOptions& options);
    // Tells the peer that this program ends.
    ~NetDuel() override;
    NetDuel(const NetDuel&) = delete;
    NetDuel& operator=(const NetDuel&) = delete;

    // "Start hry" in the menu: a match on both machines; before the opponent is here,
    // "waiting for the opponent" (unless the caller says it), and the match starts when it
    // comes.
    void StartRequested(bool sayWaiting = true);
    // The opponent is here (the handshake is done).
    bool Ready() const { return ready_; }

    // Both players' input for the next frame, given this machine's devices (both key sets
    // and both counter rows drive this machine's own craft); nothing while the peer's is
    // still to come.
    std::optional<input::FrameInput> NextFrame(const input::FrameInput& devices,
                                               const match::Match& match) override;
    void FrameRan(const match::Match& match) override;

    // This machine's devices as its player's word: every action of either side, and Esc.
    static uint16_t WordOf(const input::FrameInput& devices);
    // Both words as the frame's input.
    static input::FrameInput InputOf(uint16_t left, uint16_t right);

private:
    void Tick();
    // Handles the network for up to `timeoutMs` and everything that came.
    void Pump(uint32_t timeoutMs);
    // A peer silent for too long, or one that never introduced itself, is dropped.
    void CheckSilence();
    void OnConnected();
    void OnDisconnected();
    void OnMessage(const Message& message);
    void OnHello(const Hello& hello);
    void HostStart();
    void BeginMatch(uint32_t seed, uint8_t delay);
    // The match window closed (by the lockstep's Esc, the peer, or locally).
    void MatchWindowClosed();
    void CloseMatchWindow();
    void SendInputs();
    void Send(const Message& message, bool reliable);
    void Say(std::string_view item);
    void Failed(int code);
    void CompareHashes(uint32_t frame);
    void Desynced(uint32_t frame, const std::string* peerState);

    DuelParts parts_;
    DuelOptions options_;
    std::unique_ptr<NetLink> link_;
    Lockstep lockstep_;
    platform::Timer tick_;
    std::function<void()> previousOnClose_;
    uint64_t dataHash_ = 0;
    uint32_t connectUntilMs_ = 0; // the joiner gives up trying then
    bool ready_ = false;          // the handshake is done
    bool byeReceived_ = false;
    bool closingByLockstep_ = false; // this close needs no word to the peer
    bool gaveUp_ = false;
    bool startPending_ = false; // "Start hry" came before the opponent
    uint32_t matches_ = 0;
    // When the peer was last heard from (any datagram), and when it connected.
    std::chrono::steady_clock::time_point lastHeard_{}, connectedAt_{};
    // Checkpoints of the current match: this machine's hash and state by frame, and the
    // peer's hashes that came before this machine reached their frame.
    std::map<uint32_t, std::pair<uint64_t, std::string>> mine_;
    std::map<uint32_t, uint64_t> theirs_;
    bool desynced_ = false;
};

} // namespace vl::net
