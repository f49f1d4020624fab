// SPDX-License-Identifier: GPL-3.0-or-later
// TraceWriter: JSON lines of the simulator's trace.
#include "TraceWriter.h"

#include "container/Error.h"

namespace vl::sim {

std::string JsonString(std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out = "\"";
    for (size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else if (const size_t n = Utf8SequenceAt(s, i); n == 0) {
                // Not UTF-8 (a damaged file's bytes): shown as the program's clean
                // messages show it, so the trace stays valid JSON.
                out += "\\\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out.append(s.substr(i, n)); // UTF-8 passes through
                i += n - 1;
            }
        }
    }
    out += '"';
    return out;
}

void TraceWriter::Line(uint64_t t, std::string_view ev, const std::string& members) {
    std::string line =
        "{\"t\":" + std::to_string(t) + ",\"ev\":" + JsonString(ev) + members + "}\n";
    std::fwrite(line.data(), 1, line.size(), out_);
    std::fflush(out_);
}

void TraceWriter::OnWindowEvent(std::string_view ev, const platform::Form& form) {
    Line(clock_.ElapsedMs(), ev, ",\"window\":" + JsonString(form.Name()));
}

void TraceWriter::OnSelect(const platform::ListBox& list, int index) {
    Line(clock_.ElapsedMs(), "select",
         ",\"window\":" + JsonString(list.Owner().Name()) + ",\"index\":" + std::to_string(index));
}

void TraceWriter::OnMessageBox(std::string_view caption, std::string_view text) {
    Line(clock_.ElapsedMs(), "msgbox",
         ",\"caption\":" + JsonString(caption) + ",\"text\":" + JsonString(text));
}

void TraceWriter::OnPlay(std::string_view bank, std::string_view item, bool wait, bool looped,
                         int32_t frequency, int32_t pan, int32_t volume) {
    Line(clock_.ElapsedMs(), "play",
         ",\"bank\":" + JsonString(bank) + ",\"item\":" + JsonString(item) + ",\"wait\":" +
             (wait ? "true" : "false") + ",\"looped\":" + (looped ? "true" : "false") +
             ",\"freq\":" + std::to_string(frequency) + ",\"pan\":" + std::to_string(pan) +
             ",\"vol\":" + std::to_string(volume));
}

void TraceWriter::OnStop(std::string_view bank, std::string_view item) {
    Line(clock_.ElapsedMs(), "stop",
         ",\"bank\":" + JsonString(bank) + ",\"item\":" + JsonString(item));
}

void TraceWriter::OnSet(std::string_view bank, std::string_view item, std::string_view key,
                        int32_t value) {
    Line(clock_.ElapsedMs(), "set",
         ",\"bank\":" + JsonString(bank) + ",\"item\":" + JsonString(item) + "," + JsonString(key) +
             ":" + std::to_string(value));
}

void TraceWriter::Dump(uint64_t t, const platform::Toolkit& toolkit, const std::string& match) {
    const platform::Form* active = toolkit.IsActive() ? toolkit.ActiveForm() : nullptr;
    std::string m = ",\"active\":" + (active ? JsonString(active->Name()) : std::string("null"));
    if (!language_.empty()) m += ",\"language\":" + JsonString(language_);
    m += ",\"windows\":{";
    bool first = true;
    for (const auto& form : toolkit.Forms()) {
        if (!first) m += ',';
        first = false;
        m += JsonString(form->Name()) + ":{\"visible\":" + (form->Visible() ? "true" : "false");
        if (const platform::ListBox* list = form->Focused())
            m += ",\"selected\":" + std::to_string(list->ItemIndex());
        m += '}';
    }
    m += '}';
    if (!match.empty()) m += ",\"match\":" + match;
    Line(t, "dump", m);
}

void TraceWriter::Exit(int code) {
    Line(clock_.ElapsedMs(), "exit", ",\"code\":" + std::to_string(code));
}

void TraceWriter::End(uint64_t t) {
    Line(t, "end", "");
}

} // namespace vl::sim
