// SPDX-License-Identifier: GPL-3.0-or-later
// Error: the program's base error class and the message formatter every error uses.
//
// Errors carry fixed English message formats ("Wave '%s' not found"). The object-stream
// reader rewrites the message of an error that passes through a property
// ("Error reading %s%s%s: %s") and throws the same object on, so the class is kept.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vl {

class Error : public std::exception {
public:
    explicit Error(std::string message) : message_(std::move(message)) {}
    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    void SetMessage(std::string message) { message_ = std::move(message); }

private:
    std::string message_;
};

// Arguments of Format: strings for %s, integers for %d (%u and %x too).
using FormatArg = std::variant<std::string_view, int64_t>;

// printf-style formatting limited to %s, %d, %u, %x and %%. A missing argument
// formats as nothing; extra arguments are ignored. Never reads past its inputs. String
// arguments are put in as CleanText gives them, since many come from a file's bytes.
std::string Format(std::string_view format, const std::vector<FormatArg>& args);

// `text` fit for a message: a control byte (below 0x20, and 0x7F) or a byte that is not
// part of well-formed UTF-8 becomes `\xNN` (two lower-case hex digits); everything else,
// Czech letters included, stays. Whole: a NUL byte is shown, not an end. Clean text comes
// out unchanged, so a message cleaned twice reads as once.
std::string CleanText(std::string_view text);

// The length of the well-formed UTF-8 sequence that starts at text[at] (1 to 4), or 0
// when the byte there starts none (a stray continuation byte, an overlong or surrogate
// form, a sequence cut short).
size_t Utf8SequenceAt(std::string_view text, size_t at);

} // namespace vl
