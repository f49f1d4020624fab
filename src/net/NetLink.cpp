// SPDX-License-Identifier: GPL-3.0-or-later
// NetLink: ENet's host, peer and events.
#include "net/NetLink.h"

#include "container/Error.h"

namespace vl::net {

namespace {

constexpr size_t kChannels = 2;
constexpr uint8_t kInputChannel = 0, kReliableChannel = 1;
// Silence before a peer is dropped, and how often it is asked for a sign of life.
constexpr uint32_t kTimeoutMinMs = 3000, kTimeoutMaxMs = 4500, kPingMs = 250;

// ENet is set up once for the process and shut down at its end.
void EnsureEnet() {
    static const bool ready = [] {
        if (enet_initialize() != 0) return false;
        std::atexit(enet_deinitialize);
        return true;
    }();
    if (!ready) throw Error("The network library ENet cannot be initialised");
}

void Configure(ENetPeer* peer) {
    enet_peer_timeout(peer, ENET_PEER_TIMEOUT_LIMIT, kTimeoutMinMs, kTimeoutMaxMs);
    enet_peer_ping_interval(peer, kPingMs);
}

} // namespace

std::unique_ptr<NetLink> NetLink::Listen(uint16_t port) {
    EnsureEnet();
    auto link = std::make_unique<NetLink>(Key{});
    link->isHost_ = true;
    ENetAddress address{};
    address.host = ENET_HOST_ANY;
    address.port = port;
    link->host_ = enet_host_create(&address, 1, kChannels, 0, 0);
    if (!link->host_)
        throw Error("Cannot listen on port " + std::to_string(port) + " (is it in use?)");
    return link;
}

std::unique_ptr<NetLink> NetLink::Connect(const std::string& host, uint16_t port) {
    EnsureEnet();
    auto link = std::make_unique<NetLink>(Key{});
    if (enet_address_set_host(&link->remote_, host.c_str()) != 0)
        throw Error("Cannot find the host " + host);
    link->remote_.port = port;
    link->host_ = enet_host_create(nullptr, 1, kChannels, 0, 0);
    if (!link->host_) throw Error("Cannot open a network socket");
    link->TryConnect();
    return link;
}

NetLink::~NetLink() {
    if (!host_) return;
    if (peer_ && connected_) {
        enet_peer_disconnect_later(peer_, 0);
        // A moment for the peer to hear it; what it does not hear, its timeout tells it.
        ENetEvent event;
        for (int i = 0; i < 20 && enet_host_service(host_, &event, 10) >= 0; ++i) {
            if (event.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(event.packet);
            if (event.type == ENET_EVENT_TYPE_DISCONNECT) break;
        }
    }
    enet_host_destroy(host_);
}

void NetLink::TryConnect() {
    if (isHost_ || peer_) return;
    peer_ = enet_host_connect(host_, &remote_, kChannels, 0);
    if (peer_) Configure(peer_);
}

void NetLink::Service(uint32_t timeoutMs, std::vector<LinkEvent>& events) {
    if (!host_) return;
    ENetEvent event;
    int got = enet_host_service(host_, &event, timeoutMs);
    while (got > 0) {
        switch (event.type) {
        case ENET_EVENT_TYPE_CONNECT:
            if (!peer_ || peer_ == event.peer) {
                peer_ = event.peer;
                connected_ = true;
                Configure(peer_);
                events.push_back({LinkEvent::Kind::Connected, {}});
            } else {
                enet_peer_reset(event.peer); // only one opponent
            }
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            if (event.peer == peer_ && connected_)
                events.push_back(
                    {LinkEvent::Kind::Received,
                     std::vector<uint8_t>(event.packet->data,
                                          event.packet->data + event.packet->dataLength)});
            enet_packet_destroy(event.packet);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            if (event.peer == peer_) {
                const bool was = connected_;
                peer_ = nullptr;
                connected_ = false;
                // A joiner's try that found nobody is no event: it simply tries again.
                if (was) events.push_back({LinkEvent::Kind::Disconnected, {}});
            }
            break;
        case ENET_EVENT_TYPE_NONE:
            break;
        }
        got = enet_host_check_events(host_, &event);
    }
}

void NetLink::Send(const std::vector<uint8_t>& bytes, bool reliable) {
    if (!Connected() || bytes.empty()) return;
    ENetPacket* packet =
        enet_packet_create(bytes.data(), bytes.size(),
                           reliable ? ENET_PACKET_FLAG_RELIABLE : ENET_PACKET_FLAG_UNSEQUENCED);
    if (!packet) return;
    if (enet_peer_send(peer_, reliable ? kReliableChannel : kInputChannel, packet) != 0)
        enet_packet_destroy(packet);
}

void NetLink::Flush() {
    if (host_) enet_host_flush(host_);
}

uint32_t NetLink::RoundTripMs() const {
    return Connected() ? peer_->roundTripTime : 0;
}

void NetLink::DropPeer() {
    if (!peer_) return;
    enet_peer_disconnect_now(peer_, 0);
    peer_ = nullptr;
    connected_ = false;
}

} // namespace vl::net
