// SPDX-License-Identifier: GPL-3.0-or-later
// LocalAddresses: this machine's IPv4 addresses on its networks, for the host to tell the
// opponent which one to type (the loopback left out).
#pragma once

#include <string>
#include <vector>

namespace vl::net {

// "192.168.1.20", ... in the system's order; empty when the machine has no network.
std::vector<std::string> LocalAddresses();

} // namespace vl::net
