// SPDX-License-Identifier: GPL-3.0-or-later
// LittleEndian: the byte order of every file the program reads or writes (resource
// headers, object streams, RIFF blocks, bitmaps), in one set of put and get helpers.
//
// Header-only on purpose: the platform library stands below the container library in the
// link order, and its wave code needs the same helpers without linking anything.
#pragma once

#include <cstdint>
#include <vector>

namespace vl::container {

// --- appending to a growing byte block ------------------------------------------------------

inline void PutU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A four-character chunk identifier such as "RIFF"; the literal's terminating zero is not
// written.
inline void PutId(std::vector<uint8_t>& out, const char (&id)[5]) {
    out.insert(out.end(), id, id + 4);
}

// --- storing into and loading from raw bytes --------------------------------------------------
// The caller guarantees that 2 or 4 bytes are there at `p`; nothing is checked.

constexpr void StoreU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr void StoreU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

constexpr uint16_t LoadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint32_t LoadU32(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

} // namespace vl::container
