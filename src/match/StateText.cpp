// SPDX-License-Identifier: GPL-3.0-or-later
// StateText: writing the match's state and hashing it.
#include "match/StateText.h"

#include <cstdio>

#include "match/SpriteClass.h"

namespace vl::match {

namespace {

void Record(std::string& out, const char* name, const match::tproperties& r) {
    char line[256];
    std::snprintf(line, sizeof line,
                  "%s energy=%u navigfreq=%d moving=%d navigon=%d blinkcount=%u bullets=%d "
                  "bulletflying=%d missiles=%d missileflying=%d machgunrounds=%d "
                  "machgunlock=%d alarmon=%d magnetflying=%d\n",
                  name, r.energy, r.navigfreq, r.moving, r.navigon, r.blinkcount, r.bullets,
                  r.bulletflying, r.missiles, r.missileflying, r.machgunrounds, r.machgunlock,
                  r.alarmon, r.magnetflying);
    out += line;
}

} // namespace

std::string StateText(const Match& match) {
    std::string out;
    char line[256];
    std::snprintf(line, sizeof line,
                  "gamerunning=%d weaponblocked=%d weaponannounced=%d weaponkind=%u "
                  "objectcount=%u\n",
                  match.gamerunning, match.weaponblocked, match.weaponannounced, match.weaponkind,
                  match.objectcount);
    out += line;
    Record(out, "left", match.propertiesleft);
    Record(out, "right", match.propertiesright);
    for (size_t t = 0; t < match::kMatchTimerCount; ++t) {
        const match::MatchTimerBase& timer = match.Timer(static_cast<match::MatchTimer>(t));
        std::snprintf(line, sizeof line, "timer%zu enabled=%d interval=%u elapsed=%u\n", t,
                      timer.Enabled(), timer.Interval(), timer.Elapsed());
        out += line;
    }
    std::snprintf(line, sizeof line, "generator=%u\n", match.GeneratorState());
    out += line;
    const sprite::TSpriteEngine& engine = match.Engine();
    for (int32_t i = 0; i < engine.ChildCount(); ++i) {
        const sprite::TSprite& s = engine.Child(i);
        const std::string_view name = match::SpriteClassName(s);
        const std::string_view picture = match::SpritePictureName(s);
        std::snprintf(line, sizeof line, "%.*s %.*s x=%.3f y=%.3f z=%d visible=%d dead=%d\n",
                      static_cast<int>(name.size()), name.data(), static_cast<int>(picture.size()),
                      picture.data(), s.X, s.Y, s.Z(), s.Visible, s.IsDead());
        out += line;
    }
    return out;
}

uint64_t HashOf(std::string_view text) {
    uint64_t h = 14695981039346656037ULL;
    for (const char c : text) {
        h ^= static_cast<uint8_t>(c);
        h *= 1099511628211ULL;
    }
    return h;
}

} // namespace vl::match
