// SPDX-License-Identifier: GPL-3.0-or-later
// KeyMap: the stored form of a key table (432 bytes, little-endian codes).
#include "input/KeyMap.h"

namespace vl::input {

// The object stream's own text for a value a property cannot take; the stream reader
// prefixes it with the property path when the error passes through it.
static constexpr const char* kInvalidPropertyValue = "Invalid property value";

std::vector<uint8_t> EncodeAssigns(const KeyAssigns& assigns) {
    std::vector<uint8_t> out;
    out.reserve(kAssignsBytes);
    for (const KeyCodes& codes : assigns) {
        for (int32_t code : codes) {
            const auto u = static_cast<uint32_t>(code);
            for (int shift = 0; shift < 32; shift += 8)
                out.push_back(static_cast<uint8_t>(u >> shift));
        }
    }
    return out;
}

KeyAssigns DecodeAssigns(std::span<const uint8_t> bytes) {
    if (bytes.size() != kAssignsBytes) throw EDXInputError(kInvalidPropertyValue);
    KeyAssigns assigns{};
    size_t pos = 0;
    for (KeyCodes& codes : assigns) {
        for (int32_t& code : codes) {
            uint32_t u = 0;
            for (int shift = 0; shift < 32; shift += 8) u |= uint32_t{bytes[pos++]} << shift;
            code = static_cast<int32_t>(u);
        }
    }
    return assigns;
}

} // namespace vl::input
