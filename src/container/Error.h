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
// formats as nothing; extra arguments are ignored. Never reads past its inputs.
std::string Format(std::string_view format, const std::vector<FormatArg>& args);

} // namespace vl
