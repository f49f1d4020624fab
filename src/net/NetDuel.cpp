// SPDX-License-Identifier: GPL-3.0-or-later
// NetDuel: the connection's life, the frames' inputs and the state checks of a duel.
//
// Index:
//   - helpers: the data's hash, the input delay, keys to words and back
//   - construction, the tick, pumping the network
//   - connection: handshake, leaving, losing the peer
//   - matches: starting on both machines, closing on both
//   - frames: NextFrame, FrameRan, the hashes and a desync
#include "net/NetDuel.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "container/Error.h"
#include "container/InputFile.h"
#include "match/DataHash.h"
#include "match/Side.h"
#include "match/StateText.h"
#include "match/Unit1.h"
#include "settings/Language.h"
#include "settings/Resources.h"
#include "sound/DXSounds.h"

namespace vl::net {

namespace {

// How long the joiner keeps trying to reach a host that is not there yet.
constexpr uint32_t kConnectForMs = 30000;
// A peer that sends nothing for kSilenceLimitMs is gone (it sends every 10 ms while it
// plays and ENet asks for a sign of life every 250 ms); one that does not introduce itself
// this soon after connecting is a stranger.
constexpr auto kSilenceLimit = std::chrono::milliseconds(kSilenceLimitMs);
constexpr auto kHelloLimit = std::chrono::milliseconds(3000);
// Frames between two comparisons of the state (a second of the match).
constexpr uint32_t kCheckEvery = 100;
// Checkpoints kept for a comparison that comes late.
constexpr size_t kCheckpointsKept = 8;
constexpr uint32_t kFrameMs = 10;

// This process's number, to tell apart the files of two programs on one machine.
long ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return ::getpid();
#endif
}

} // namespace

// --- construction, the tick -----------------------------------------------------------

NetDuel::NetDuel(DuelParts parts, const DuelOptions& options)
    : parts_(std::move(parts)), options_(options),
      link_(options.host ? NetLink::Listen(options.port)
                         : NetLink::Connect(options.address, options.port)),
      tick_(parts_.toolkit, kFrameMs, true),
      dataHash_(match::MatchDataHash(parts_.form1.language)) {
    connectUntilMs_ = parts_.toolkit.Clock().NowMs() + kConnectForMs;
    tick_.OnTimer = [this] { Tick(); };
    // The match window's close handler, then the duel's.
    platform::Form& form = parts_.form1.form;
    previousOnClose_ = form.OnClose;
    form.OnClose = [this] {
        if (previousOnClose_) previousOnClose_();
        MatchWindowClosed();
    };
}

NetDuel::~NetDuel() {
    parts_.form1.form.OnClose = previousOnClose_;
    if (lockstep_.Active()) parts_.form1.SetSource(nullptr);
    if (link_->Connected()) {
        Send(Bye{}, true);
        link_->Flush();
    }
}

void NetDuel::CheckSilence() {
    if (!link_->Connected()) return;
    const auto now = std::chrono::steady_clock::now();
    // In a match the peer's inputs come every 10 ms; in the menu nothing does, and ENet's
    // own timeout (its pings go unanswered) tells of a peer that is gone.
    if ((ready_ && lockstep_.Active() && now - lastHeard_ > kSilenceLimit) ||
        (!ready_ && options_.host && now - connectedAt_ > kHelloLimit)) {
        link_->DropPeer();
        OnDisconnected();
    }
}

void NetDuel::Tick() {
    Pump(0);
    CheckSilence();
    if (lockstep_.Active()) SendInputs();
    if (!options_.host && !link_->Connected() && !ready_ && !gaveUp_) {
        if (static_cast<int32_t>(parts_.toolkit.Clock().NowMs() - connectUntilMs_) < 0) {
            link_->TryConnect();
        } else {
            gaveUp_ = true;
            Say(kSayLost);
            parts_.toolkit.ShowMessage(platform::kApplicationTitle,
                                       std::string(parts_.form1.language.texts.duelNoHost) +
                                           options_.address + ":" + std::to_string(options_.port),
                                       platform::MessageIcon::Error);
            Failed(1);
        }
    }
}

void NetDuel::Pump(uint32_t timeoutMs) {
    std::vector<LinkEvent> events;
    link_->Service(timeoutMs, events);
    if (!events.empty()) lastHeard_ = std::chrono::steady_clock::now();
    for (LinkEvent& e : events) {
        switch (e.kind) {
        case LinkEvent::Kind::Connected:
            OnConnected();
            break;
        case LinkEvent::Kind::Disconnected:
            OnDisconnected();
            break;
        case LinkEvent::Kind::Received:
            // Whatever does not decode is dropped: the peer is not trusted.
            if (const std::optional<Message> m = Decode(e.data)) OnMessage(*m);
            break;
        }
    }
}

void NetDuel::Send(const Message& message, bool reliable) {
    link_->Send(Encode(message), reliable);
}

void NetDuel::Say(std::string_view item) {
    if (parts_.speak) parts_.speak(item);
}

// --- connection -----------------------------------------------------------------------

void NetDuel::OnConnected() {
    connectedAt_ = std::chrono::steady_clock::now();
    ready_ = false;
    byeReceived_ = false;
    // The joiner introduces itself; the host answers once it has checked.
    if (!options_.host) Send(Hello{kProtocolVersion, dataHash_}, true);
}

void NetDuel::OnHello(const Hello& hello) {
    const bool same = hello.protocol == kProtocolVersion && hello.dataHash == dataHash_;
    if (options_.host) {
        if (!same) {
            // The joiner ends when it hears this; its leaving frees the host for another.
            // (Dropping it here could lose the refusal on the way.)
            Send(Refuse{static_cast<uint8_t>(hello.protocol != kProtocolVersion ? 1 : 2)}, true);
            link_->Flush();
            Say(kSayOtherVersion);
            return;
        }
        Send(Hello{kProtocolVersion, dataHash_}, true);
    } else if (!same) {
        return; // a host with other data refuses us itself
    }
    if (!ready_) Say(kSayJoined);
    ready_ = true;
    if (startPending_) StartRequested();
}

void NetDuel::OnDisconnected() {
    const bool left = byeReceived_, was = ready_;
    ready_ = false;
    byeReceived_ = false;
    CloseMatchWindow();
    // A peer that never finished the handshake (refused, or a stranger) leaves unheard.
    if (was) Say(left ? kSayLeft : kSayLost);
}

void NetDuel::Failed(int code) {
    if (parts_.failed)
        parts_.failed(code);
    else
        parts_.toolkit.RequestExit(code);
}

void NetDuel::OnMessage(const Message& message) {
    if (const auto* hello = std::get_if<Hello>(&message)) {
        OnHello(*hello);
        return;
    }
    if (std::holds_alternative<Refuse>(message) && !options_.host) {
        Say(kSayOtherVersion);
        parts_.toolkit.ShowMessage(platform::kApplicationTitle,
                                   parts_.form1.language.texts.duelRefused,
                                   platform::MessageIcon::Error);
        Failed(kExitRefused);
        return;
    }
    if (std::holds_alternative<Bye>(message)) {
        byeReceived_ = true;
        return;
    }
    if (!ready_) return; // nothing else before the handshake
    if (std::holds_alternative<StartRequest>(message)) {
        if (options_.host) HostStart();
    } else if (const auto* start = std::get_if<Start>(&message)) {
        if (!options_.host) BeginMatch(start->seed, start->delay);
    } else if (const auto* inputs = std::get_if<Inputs>(&message)) {
        lockstep_.Receive(*inputs);
    } else if (const auto* hash = std::get_if<Hash>(&message)) {
        // Only checkpoints near the running frame: a peer's hashes for far-off frames
        // must not crowd out the ones that will be compared.
        const uint32_t frame = lockstep_.Frame();
        if (!lockstep_.Active() || hash->match != matches_ || hash->frame == 0 ||
            hash->frame % kCheckEvery != 0 || hash->frame > frame + kLockstepWindow ||
            hash->frame + kCheckEvery * kCheckpointsKept < frame)
            return;
        theirs_[hash->frame] = hash->hash;
        while (theirs_.size() > kCheckpointsKept) theirs_.erase(theirs_.begin());
        CompareHashes(hash->frame);
    } else if (const auto* desync = std::get_if<Desync>(&message)) {
        if (lockstep_.Active() || desynced_) Desynced(desync->frame, &desync->state);
    } else if (const auto* close = std::get_if<CloseMatch>(&message)) {
        if (lockstep_.Active() && close->match == matches_) CloseMatchWindow();
    }
}

// --- matches --------------------------------------------------------------------------

void NetDuel::StartRequested(bool sayWaiting) {
    if (parts_.form1.form.Visible()) { // a match is up: only to the front
        parts_.form1.form.Show();
        return;
    }
    if (!ready_) {
        // The match starts as soon as the opponent is here.
        startPending_ = true;
        if (sayWaiting) Say(kSayWaiting);
        return;
    }
    startPending_ = false;
    if (options_.host)
        HostStart();
    else
        Send(StartRequest{}, true);
}

void NetDuel::HostStart() {
    if (parts_.form1.form.Visible() || lockstep_.Active()) return;
    const uint32_t rtt = link_->RoundTripMs();
    const Start start{parts_.toolkit.Clock().NowMs(), InputDelayFor(rtt)};
    std::fprintf(stderr, "vlnedla: duel: round trip %u ms, input delay %u frames\n", rtt,
                 static_cast<unsigned>(start.delay));
    Send(start, true);
    link_->Flush();
    BeginMatch(start.seed, start.delay);
}

void NetDuel::BeginMatch(uint32_t seed, uint8_t delay) {
    if (parts_.form1.form.Visible() || lockstep_.Active()) return;
    ++matches_;
    if (!options_.host)
        std::fprintf(stderr, "vlnedla: duel: input delay %u frames, as the host chose\n",
                     static_cast<unsigned>(delay));
    lockstep_.Begin(matches_, delay);
    lastHeard_ = std::chrono::steady_clock::now();
    mine_.clear();
    theirs_.clear();
    desynced_ = false;
    parts_.form1.SetSource(this);
    parts_.form1.StartMatch(seed);
    parts_.form1.form.Show();
    SendInputs();
}

void NetDuel::CloseMatchWindow() {
    if (!lockstep_.Active()) return;
    closingByLockstep_ = true;
    if (parts_.form1.form.Visible())
        parts_.form1.form.Close();
    else
        MatchWindowClosed();
    closingByLockstep_ = false;
}

void NetDuel::MatchWindowClosed() {
    if (!lockstep_.Active()) return;
    // Closed here other than in a frame both machines ran (its close button): the peer's
    // window goes too.
    if (!closingByLockstep_ && link_->Connected()) {
        Send(CloseMatch{matches_}, true);
        link_->Flush();
    }
    closingByLockstep_ = false;
    lockstep_.End();
    parts_.form1.SetSource(nullptr);
}

// --- frames ---------------------------------------------------------------------------

std::optional<input::FrameInput> NetDuel::NextFrame(const input::FrameInput& devices,
                                                    const match::Match& /*match*/) {
    Pump(0);
    if (!lockstep_.Active()) return std::nullopt;
    if (lockstep_.NeedsLocal()) {
        lockstep_.AddLocal(WordOf(devices));
        SendInputs();
    }
    if (parts_.waitInFrame) {
        // Real time passes, virtual time does not, until the peer's keys are here or the
        // peer is gone (ENet drops a silent one after about 4.5 s).
        auto lastSend = std::chrono::steady_clock::now();
        while (!lockstep_.Ready() && lockstep_.Active() && link_->Connected()) {
            Pump(2);
            CheckSilence();
            const auto now = std::chrono::steady_clock::now();
            if (now - lastSend >= std::chrono::milliseconds(kFrameMs)) {
                SendInputs();
                lastSend = now;
            }
        }
    }
    if (!lockstep_.Ready()) return std::nullopt;
    const auto [mine, theirs] = lockstep_.Take();
    const uint16_t left = options_.host ? mine : theirs;
    const uint16_t right = options_.host ? theirs : mine;
    const input::FrameInput in = InputOf(left, right);
    // Esc in this frame closes the window on both machines: nothing to tell the peer.
    if (in.leave) closingByLockstep_ = true;
    return in;
}

void NetDuel::FrameRan(const match::Match& match) {
    const uint32_t frame = lockstep_.Frame();
    if (frame % kCheckEvery != 0) return;
    std::string text = match::StateText(match);
    const uint64_t hash = match::HashOf(text);
    mine_[frame] = {hash, std::move(text)};
    while (mine_.size() > kCheckpointsKept) mine_.erase(mine_.begin());
    Send(Hash{matches_, frame, hash}, true);
    CompareHashes(frame);
}

void NetDuel::CompareHashes(uint32_t frame) {
    const auto m = mine_.find(frame);
    const auto t = theirs_.find(frame);
    if (m == mine_.end() || t == theirs_.end()) return;
    const bool same = m->second.first == t->second;
    theirs_.erase(theirs_.begin(), std::next(t));
    if (!same) Desynced(frame, nullptr);
}

void NetDuel::Desynced(uint32_t frame, const std::string* peerState) {
    const auto m = mine_.find(frame);
    const std::string& mine = m != mine_.end() ? m->second.second : std::string();
    if (!desynced_) {
        desynced_ = true;
        Send(Desync{frame, mine.substr(0, kMaxStateText)}, true);
        link_->Flush();
        CloseMatchWindow();
    }
    if (!peerState) return; // the file waits for the peer's state
    std::error_code ec;
    // Named by side and process: both machines may well be this one.
    const std::filesystem::path file =
        std::filesystem::temp_directory_path(ec) /
        ("vlnedla-desync-" + std::to_string(frame) + "-" + (options_.host ? "host" : "joiner") +
         "-" + std::to_string(ProcessId()) + ".txt");
    std::ofstream out(file);
    out << "frame " << frame << "\n--- this machine (" << (options_.host ? "host" : "joiner")
        << ")\n"
        << mine << "--- the peer\n"
        << *peerState;
    std::fprintf(stderr, "vlnedla: the duel's states differ at frame %u; both are in %s\n", frame,
                 file.string().c_str());
    parts_.toolkit.ShowMessage(platform::kApplicationTitle,
                               std::string(parts_.form1.language.texts.duelDesync) + file.string(),
                               platform::MessageIcon::Error);
}

void NetDuel::SendInputs() {
    if (!lockstep_.Active() || !ready_) return;
    const Inputs out = lockstep_.Outgoing();
    if (!out.words.empty()) Send(out, false);
}

uint16_t NetDuel::WordOf(const input::FrameInput& devices) {
    // The word's bits are the actions' own (Protocol.h), so a side's set is its word.
    static_assert(kCounter1 == 1U << static_cast<unsigned>(input::Action::SayEnergy) &&
                  input::ActionSet::kAllBits < kEscape);
    uint16_t word = devices.Of(match::Side::Left).Bits() | devices.Of(match::Side::Right).Bits();
    if (devices.leave) word |= kEscape;
    return word;
}

input::FrameInput NetDuel::InputOf(uint16_t left, uint16_t right) {
    input::FrameInput in;
    in.Of(match::Side::Left) = input::ActionSet::FromBits(left);
    in.Of(match::Side::Right) = input::ActionSet::FromBits(right);
    in.leave = ((left | right) & kEscape) != 0;
    return in;
}

} // namespace vl::net
