// SPDX-License-Identifier: GPL-3.0-or-later
// NetLink: the one connection of a duel, over ENet — the host listening for one opponent,
// the joiner connecting (and trying again while the host is not there yet) — with its
// datagrams as events. Two channels: inputs go unreliably (each repeats what was lost),
// everything else reliably.
//
// A peer that acknowledges nothing for about 4.5 s is dropped. The host has room for one
// peer only: a third machine that knocks is never answered.
#pragma once

#include <enet/enet.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/Protocol.h"

namespace vl::net {

struct LinkEvent {
    enum class Kind { Connected, Received, Disconnected };
    Kind kind = Kind::Received;
    std::vector<uint8_t> data; // Received: the datagram's bytes
};

class NetLink {
public:
    // Listens on `port` of every address (host) or makes ready to connect to `host`:`port`
    // (joiner). Throws vl::Error naming what failed (the address, the port in use).
    static std::unique_ptr<NetLink> Listen(uint16_t port);
    static std::unique_ptr<NetLink> Connect(const std::string& host, uint16_t port);
    // Leaves the peer politely (its datagrams sent first) and closes the socket.
    ~NetLink();
    NetLink(const NetLink&) = delete;
    NetLink& operator=(const NetLink&) = delete;

    bool IsHost() const { return isHost_; }
    // A peer is connected.
    bool Connected() const { return peer_ != nullptr && connected_; }
    // Handles the network for up to `timeoutMs` (0: only what is there), appending what
    // happened to `events`. Never throws.
    void Service(uint32_t timeoutMs, std::vector<LinkEvent>& events);
    // The joiner tries to connect (again); nothing while a try is under way or connected.
    void TryConnect();
    // Sends to the peer, if there is one: reliably (in order) or as a plain datagram.
    void Send(const std::vector<uint8_t>& bytes, bool reliable);
    // Pushes what was sent onto the wire now.
    void Flush();
    // ENet's mean round trip to the peer in ms (0 without one).
    uint32_t RoundTripMs() const;
    // Drops the peer at once (a refused one), without waiting.
    void DropPeer();

    // Made only by Listen and Connect.
    struct Key {};
    explicit NetLink(Key /*key*/) {}

private:
    ENetHost* host_ = nullptr;
    ENetPeer* peer_ = nullptr;
    ENetAddress remote_{};
    bool isHost_ = false;
    bool connected_ = false;
};

} // namespace vl::net
