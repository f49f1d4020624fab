// SPDX-License-Identifier: GPL-3.0-or-later
// MatchState: the dump's "match" member and the `set` command.
#include "MatchState.h"

#include <charconv>
#include <cstdint>
#include <variant>

#include "TraceWriter.h"
#include "match/SpriteClass.h"

namespace vl::sim {

namespace {

using match::tproperties;

// A record field by name: a pointer to member of one of the field types.
using FieldPtr = std::variant<uint8_t tproperties::*, int32_t tproperties::*, bool tproperties::*>;
struct Field {
    std::string_view name;
    FieldPtr ptr;
};

// Every field of the record, in declaration order.
const Field kFields[] = {
    {"energy", &tproperties::energy},
    {"navigfreq", &tproperties::navigfreq},
    {"moving", &tproperties::moving},
    {"navigon", &tproperties::navigon},
    {"blinkcount", &tproperties::blinkcount},
    {"bullets", &tproperties::bullets},
    {"bulletflying", &tproperties::bulletflying},
    {"missiles", &tproperties::missiles},
    {"missileflying", &tproperties::missileflying},
    {"machgunrounds", &tproperties::machgunrounds},
    {"machgunlock", &tproperties::machgunlock},
    {"alarmon", &tproperties::alarmon},
    {"magnetflying", &tproperties::magnetflying},
};

const char* Bool(bool b) {
    return b ? "true" : "false";
}

// A position as JSON: shortest form, always with a fraction ("31.0").
std::string Number(double v) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
    std::string s(buf, ec == std::errc() ? end : buf);
    if (s.find_first_of(".en") == std::string::npos) s += ".0";
    return s;
}

std::string RecordJson(const tproperties& r) {
    std::string out = "{";
    bool first = true;
    for (const Field& f : kFields) {
        if (!first) out += ',';
        first = false;
        out += JsonString(f.name) + ":";
        std::visit(
            [&](auto ptr) {
                const auto value = r.*ptr;
                if constexpr (std::is_same_v<decltype(value), const bool>)
                    out += Bool(value);
                else
                    out += std::to_string(value);
            },
            f.ptr);
    }
    return out + "}";
}

std::string TimerJson(bool enabled, int64_t interval) {
    return std::string("{\"enabled\":") + Bool(enabled) +
           ",\"interval\":" + std::to_string(interval) + "}";
}

const Field* FindField(std::string_view name) {
    for (const Field& f : kFields)
        if (f.name == name) return &f;
    return nullptr;
}

// `name` split as "left.FIELD"/"right.FIELD": the side and the field; null otherwise.
const Field* RecordField(std::string_view name, bool& left) {
    for (const std::string_view prefix : {"left.", "right."}) {
        if (name.substr(0, prefix.size()) == prefix) {
            left = prefix == "left.";
            return FindField(name.substr(prefix.size()));
        }
    }
    return nullptr;
}

int64_t ToInt(std::string_view value) {
    int64_t v = 0;
    std::from_chars(value.data(), value.data() + value.size(), v);
    return v;
}

} // namespace

std::string MatchJson(const match::TForm1& form) {
    return MatchJson(form.driver, form.frames, form.DXTimer1.Enabled(), form.DXTimer1.Interval());
}

std::string MatchJson(const match::MatchDriver& driver, uint64_t frames, bool frameTimerEnabled,
                      int64_t frameTimerInterval) {
    const match::Match& game = driver.Game();
    std::string m = std::string("{\"gamerunning\":") + Bool(game.gamerunning) +
                    ",\"weaponblocked\":" + Bool(game.weaponblocked) +
                    ",\"weaponannounced\":" + Bool(game.weaponannounced) +
                    ",\"weaponkind\":" + std::to_string(game.weaponkind) +
                    ",\"objectcount\":" + std::to_string(game.objectcount) +
                    ",\"frames\":" + std::to_string(frames) +
                    ",\"left\":" + RecordJson(game.propertiesleft) +
                    ",\"right\":" + RecordJson(game.propertiesright);
    m += ",\"timers\":{\"DXTimer1\":" + TimerJson(frameTimerEnabled, frameTimerInterval);
    // The match's own timers, counting its frames.
    using match::MatchTimer;
    const std::pair<const char*, MatchTimer> timers[] = {
        {"blikleftTimer", MatchTimer::BlinkLeft},
        {"blikrightTimer", MatchTimer::BlinkRight},
        {"machgunlefttimer", MatchTimer::MachgunLeft},
        {"machgunrighttimer", MatchTimer::MachgunRight},
        {"weaponstimer", MatchTimer::Weapons},
        {"objectapptimer", MatchTimer::ObjectApp}};
    for (const auto& [name, id] : timers) {
        const match::FrameTimer& timer = driver.Timer(id);
        m += std::string(",\"") + name + "\":" + TimerJson(timer.Enabled(), timer.Interval());
    }
    m += "},\"sprites\":[";
    const sprite::TSpriteEngine& engine = game.Engine();
    for (int32_t i = 0; i < engine.ChildCount(); ++i) {
        const sprite::TSprite& s = engine.Child(i);
        if (i > 0) m += ',';
        const std::string_view picture = match::SpritePictureName(s);
        m += "{\"class\":" + JsonString(match::SpriteClassName(s)) +
             ",\"picture\":" + (picture.empty() ? std::string("null") : JsonString(picture)) +
             ",\"x\":" + Number(s.X) + ",\"y\":" + Number(s.Y) + ",\"z\":" + std::to_string(s.Z()) +
             ",\"width\":" + std::to_string(s.Width) + ",\"height\":" + std::to_string(s.Height) +
             ",\"visible\":" + Bool(s.Visible) + ",\"dead\":" + Bool(s.IsDead()) + "}";
    }
    // Who plays each craft: the computer's level, null for a person.
    const auto level = [&driver](match::Side side) {
        const int32_t l = driver.Local().ComputerLevel(side);
        return l != match::kNoComputer ? std::to_string(l) : std::string("null");
    };
    return m + "],\"computer\":{\"left\":" + level(match::Side::Left) +
           ",\"right\":" + level(match::Side::Right) + "}}";
}

MatchValueKind MatchValueKindOf(std::string_view name) {
    if (name == "gamerunning" || name == "weaponannounced") return MatchValueKind::Flag;
    if (name == "objectcount" || name == "weaponkind") return MatchValueKind::Number;
    bool left = false;
    const Field* f = RecordField(name, left);
    if (!f) return MatchValueKind::Unknown;
    return std::holds_alternative<bool tproperties::*>(f->ptr) ? MatchValueKind::Flag
                                                               : MatchValueKind::Number;
}

void SetMatchValue(match::TForm1& form, std::string_view name, std::string_view value) {
    const bool flag = value == "true";
    const int64_t number = ToInt(value);
    if (name == "gamerunning") {
        form.game.gamerunning = flag;
    } else if (name == "weaponannounced") {
        form.game.weaponannounced = flag;
    } else if (name == "objectcount") {
        form.game.objectcount = static_cast<uint8_t>(number);
    } else if (name == "weaponkind") {
        form.game.weaponkind = static_cast<uint8_t>(number);
    } else {
        bool left = false;
        const Field* f = RecordField(name, left);
        if (!f) return;
        tproperties& r = left ? form.game.propertiesleft : form.game.propertiesright;
        std::visit(
            [&](auto ptr) {
                using T = std::remove_reference_t<decltype(r.*ptr)>;
                if constexpr (std::is_same_v<T, bool>)
                    r.*ptr = flag;
                else
                    r.*ptr = static_cast<T>(number);
            },
            f->ptr);
    }
}

} // namespace vl::sim
