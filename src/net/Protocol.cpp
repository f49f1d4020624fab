// SPDX-License-Identifier: GPL-3.0-or-later
// Protocol: encoding and the checking decoder.
#include "net/Protocol.h"

#include <type_traits>

namespace vl::net {

namespace {

// The type byte of each message, in the variant's order plus one ("V" for the magic).
constexpr uint8_t kMagic[4] = {'V', 'L', 'N', 'D'};

class Writer {
public:
    void U8(uint8_t v) { out.push_back(v); }
    void U16(uint16_t v) {
        U8(static_cast<uint8_t>(v));
        U8(static_cast<uint8_t>(v >> 8));
    }
    void U32(uint32_t v) {
        U16(static_cast<uint16_t>(v));
        U16(static_cast<uint16_t>(v >> 16));
    }
    void U64(uint64_t v) {
        U32(static_cast<uint32_t>(v));
        U32(static_cast<uint32_t>(v >> 32));
    }
    std::vector<uint8_t> out;
};

// Reads within the bytes it was given; any read past them sets `bad` and yields 0.
class Reader {
public:
    explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
    uint8_t U8() {
        if (pos_ >= bytes_.size()) {
            bad = true;
            return 0;
        }
        return bytes_[pos_++];
    }
    uint16_t U16() {
        const uint16_t lo = U8();
        return static_cast<uint16_t>(lo | (U8() << 8));
    }
    uint32_t U32() {
        const uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }
    uint64_t U64() {
        const uint64_t lo = U32();
        return lo | (static_cast<uint64_t>(U32()) << 32);
    }
    size_t Left() const { return bytes_.size() - pos_; }
    // True when everything was read and nothing was missing.
    bool Whole() const { return !bad && pos_ == bytes_.size(); }
    bool bad = false;

private:
    std::span<const uint8_t> bytes_;
    size_t pos_ = 0;
};

} // namespace

std::vector<uint8_t> Encode(const Message& message) {
    Writer w;
    w.U8(static_cast<uint8_t>(message.index() + 1));
    std::visit(
        [&w](const auto& m) {
            using T = std::decay_t<decltype(m)>;
            if constexpr (std::is_same_v<T, Hello>) {
                for (const uint8_t c : kMagic) w.U8(c);
                w.U16(m.protocol);
                w.U64(m.dataHash);
            } else if constexpr (std::is_same_v<T, Refuse>) {
                w.U8(m.reason);
            } else if constexpr (std::is_same_v<T, Start>) {
                w.U32(m.seed);
                w.U8(m.delay);
            } else if constexpr (std::is_same_v<T, Inputs>) {
                w.U32(m.match);
                w.U32(static_cast<uint32_t>(m.ack));
                w.U32(m.first);
                w.U8(static_cast<uint8_t>(m.words.size()));
                for (const uint16_t word : m.words) w.U16(word);
            } else if constexpr (std::is_same_v<T, Hash>) {
                w.U32(m.match);
                w.U32(m.frame);
                w.U64(m.hash);
            } else if constexpr (std::is_same_v<T, CloseMatch>) {
                w.U32(m.match);
            } else if constexpr (std::is_same_v<T, Desync>) {
                w.U32(m.frame);
                w.U32(static_cast<uint32_t>(m.state.size()));
                for (const char c : m.state) w.U8(static_cast<uint8_t>(c));
            }
        },
        message);
    return std::move(w.out);
}

std::optional<Message> Decode(std::span<const uint8_t> bytes) {
    Reader r(bytes);
    const uint8_t type = r.U8();
    std::optional<Message> out;
    switch (type) {
    case 1: {
        for (const uint8_t c : kMagic)
            if (r.U8() != c) return std::nullopt;
        Hello m;
        m.protocol = r.U16();
        m.dataHash = r.U64();
        out = m;
        break;
    }
    case 2: {
        Refuse m;
        m.reason = r.U8();
        if (m.reason < 1 || m.reason > 2) return std::nullopt;
        out = m;
        break;
    }
    case 3:
        out = StartRequest{};
        break;
    case 4: {
        Start m;
        m.seed = r.U32();
        m.delay = r.U8();
        if (m.delay < 1 || m.delay > kMaxDelay) return std::nullopt;
        out = m;
        break;
    }
    case 5: {
        Inputs m;
        m.match = r.U32();
        m.ack = static_cast<int32_t>(r.U32());
        m.first = r.U32();
        const size_t count = r.U8();
        if (count == 0 || count > kMaxInputsPerMessage || r.Left() != count * 2 || m.ack < -1)
            return std::nullopt;
        // Frames past 2^31 would take the match years; refusing them keeps sums in range.
        if (m.first > 0x7FFFFFFFU - count) return std::nullopt;
        m.words.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            const uint16_t word = r.U16();
            if ((word & ~kInputMask) != 0) return std::nullopt;
            m.words.push_back(word);
        }
        out = std::move(m);
        break;
    }
    case 6: {
        Hash m;
        m.match = r.U32();
        m.frame = r.U32();
        m.hash = r.U64();
        out = m;
        break;
    }
    case 7: {
        Desync m;
        m.frame = r.U32();
        const uint32_t length = r.U32();
        if (r.bad || length > kMaxStateText || r.Left() != length) return std::nullopt;
        m.state.reserve(length);
        for (uint32_t i = 0; i < length; ++i) m.state.push_back(static_cast<char>(r.U8()));
        out = std::move(m);
        break;
    }
    case 8:
        out = Bye{};
        break;
    case 9: {
        CloseMatch m;
        m.match = r.U32();
        out = m;
        break;
    }
    default:
        return std::nullopt;
    }
    if (!r.Whole()) return std::nullopt;
    return out;
}

} // namespace vl::net
