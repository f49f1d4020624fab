// SPDX-License-Identifier: GPL-3.0-or-later
// Error: the message formatter behind every error message of the program.
#include "container/Error.h"

#include <cstdio>

namespace vl {

namespace {

// Appends an integer argument in the conversion `spec` ('d', 'u' or 'x').
// %u and %x show a negative 32-bit value as its unsigned 32-bit pattern, the way the
// error messages of 32-bit handles and codes read; wider negatives use 64 bits.
void AppendInteger(std::string& out, char spec, int64_t value) {
    char buf[32];
    int n = 0;
    if (spec == 'd') {
        n = std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(value));
    } else {
        const uint64_t bits = (value < 0 && value >= INT32_MIN)
                                  ? static_cast<uint64_t>(static_cast<uint32_t>(value))
                                  : static_cast<uint64_t>(value);
        n = std::snprintf(buf, sizeof buf, spec == 'u' ? "%llu" : "%llX",
                          static_cast<unsigned long long>(bits));
    }
    if (n > 0) out.append(buf, static_cast<size_t>(n));
}

} // namespace

std::string Format(std::string_view format, const std::vector<FormatArg>& args) {
    std::string out;
    out.reserve(format.size() + 32);
    size_t next = 0; // the argument the next conversion takes
    for (size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c != '%' || i + 1 == format.size()) {
            out.push_back(c); // a lone '%' at the end stays as it is
            continue;
        }
        const char spec = format[i + 1];
        if (spec == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        if (spec != 's' && spec != 'd' && spec != 'u' && spec != 'x') {
            out.push_back(c); // not a conversion of ours: shown literally
            continue;
        }
        ++i;
        if (next >= args.size()) continue; // a missing argument formats as nothing
        const FormatArg& arg = args[next++];
        if (const auto* s = std::get_if<std::string_view>(&arg)) {
            out.append(CleanText(*s)); // a string given for a number still shows as the string
        } else {
            const int64_t v = std::get<int64_t>(arg);
            AppendInteger(out, spec == 's' ? 'd' : spec, v);
        }
    }
    return out;
}

size_t Utf8SequenceAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b = byte(at);
    if (b < 0x80) return 1;
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF; // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3;
        if (b == 0xE0) lo = 0xA0; // no overlong forms
        if (b == 0xED) hi = 0x9F; // no surrogates
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4;
        if (b == 0xF0) lo = 0x90;
        if (b == 0xF4) hi = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + n > text.size()) return 0;
    if (byte(at + 1) < lo || byte(at + 1) > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
    return n;
}

std::string CleanText(std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        const size_t n = Utf8SequenceAt(text, i);
        if (n == 0 || b < 0x20 || b == 0x7F) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
            ++i;
            continue;
        }
        out.append(text.substr(i, n));
        i += n;
    }
    return out;
}

} // namespace vl
