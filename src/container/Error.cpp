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
            out.append(*s); // a string given for a number still shows as the string
        } else {
            const int64_t v = std::get<int64_t>(arg);
            AppendInteger(out, spec == 's' ? 'd' : spec, v);
        }
    }
    return out;
}

} // namespace vl
