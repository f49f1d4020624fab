// SPDX-License-Identifier: GPL-3.0-or-later
// LocalAddresses: the interfaces' addresses (getifaddrs), or on Windows the addresses the
// machine's own name resolves to.
#include "net/LocalAddresses.h"

#include <algorithm>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#endif

namespace vl::net {

namespace {

void AddAddress(std::vector<std::string>& out, const in_addr& address) {
    if ((ntohl(address.s_addr) >> 24) == 127) return; // the loopback is no use to a peer
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address, text, sizeof text)) return;
    if (std::find(out.begin(), out.end(), text) == out.end()) out.emplace_back(text);
}

} // namespace

std::vector<std::string> LocalAddresses() {
    std::vector<std::string> out;
#ifdef _WIN32
    // ENet has started Winsock by the time a duel is hosted.
    char name[256] = {};
    if (gethostname(name, sizeof name) != 0) return out;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0) return out;
    for (const addrinfo* a = found; a; a = a->ai_next)
        AddAddress(out, reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr);
    freeaddrinfo(found);
#else
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (const ifaddrs* a = list; a; a = a->ifa_next)
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET)
            AddAddress(out, reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr);
    freeifaddrs(list);
#endif
    return out;
}

} // namespace vl::net
