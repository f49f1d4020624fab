// SPDX-License-Identifier: GPL-3.0-or-later
// sim_support: running the headless simulator from a test and reading its trace — one run,
// the trace's lines, their times, item lengths from the data tool, and banks of plain tones
// for machines without the generated speech.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vl::simtest {

namespace fs = std::filesystem;

inline const fs::path kBin = fs::path(VL_BINARY_DIR) / "bin";

inline int Shell(const std::string& cmd) {
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

// Builds DIR/snd/BANK of 300-900 ms tones holding `items`; false when a tool failed.
inline bool BuildToneBank(const fs::path& dir, const std::string& bank,
                          const std::vector<std::string>& items) {
    const fs::path src = dir / ("src-" + bank);
    fs::create_directories(src);
    fs::create_directories(dir / "snd");
    std::ofstream manifest(src / "manifest.txt");
    int ms = 300;
    for (const auto& name : items) {
        const std::string wav = (src / (name + ".wav")).string();
        if (Shell("sox -n -r 22050 -b 16 -c 1 '" + wav + "' synth " + std::to_string(ms / 1000.0) +
                  " sine 440 vol 0.3") != 0)
            return false;
        manifest << name << ' ' << name << ".wav\n";
        ms = ms >= 900 ? 300 : ms + 100;
    }
    manifest.close();
    return Shell("'" + (kBin / "vlnedla-assets").string() + "' bank build '" +
                 (src / "manifest.txt").string() + "' '" + (dir / "snd" / bank).string() +
                 "' >/dev/null") == 0;
}

// Item lengths in ms from the data tool's listing of a bank.
inline std::map<std::string, uint64_t> Durations(const fs::path& bank) {
    std::map<std::string, uint64_t> out;
    FILE* p = popen(
        ("'" + (kBin / "vlnedla-assets").string() + "' bank list '" + bank.string() + "' --json")
            .c_str(),
        "r");
    if (!p) return out;
    char buf[1024];
    while (fgets(buf, sizeof buf, p)) {
        const std::string l = buf;
        const auto n = l.find("\"name\": \""), d = l.find("\"durationMs\": ");
        if (n == std::string::npos || d == std::string::npos) continue;
        const auto nameStart = n + 9;
        out[l.substr(nameStart, l.find('"', nameStart) - nameStart)] =
            std::stoull(l.substr(d + 14));
    }
    pclose(p);
    return out;
}

struct SimRun {
    std::vector<std::string> lines;
    int exitCode = -1;
    std::string err;
};

// Runs `script` in `dataDir`, with its files in `work`; `args` go before the data folder
// (`--wav FILE`), `env` before the program (`XDG_DATA_HOME=...`).
inline SimRun Sim(const fs::path& work, const fs::path& dataDir, const std::string& script,
                  const std::string& args = "", const std::string& env = "") {
    fs::create_directories(work);
    const fs::path scriptFile = work / "script.txt", errFile = work / "stderr.txt";
    std::ofstream(scriptFile) << script;
    // The user's settings: the run's own scratch folder, never the machine's; the language
    // only what `args` choose, never the machine's locale.
    const std::string cmd = "LANGUAGE= LC_ALL= LC_MESSAGES= LANG=C.UTF-8 XDG_CONFIG_HOME='" +
                            fs::absolute(work / "config").string() + "' " + env + " '" +
                            (kBin / "vlnedla-sim").string() + "' " + args + " --data '" +
                            dataDir.string() + "' '" + scriptFile.string() + "' 2>'" +
                            errFile.string() + "'";
    SimRun run;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    char buf[4096];
    std::string line;
    while (fgets(buf, sizeof buf, p)) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            run.lines.push_back(line);
            line.clear();
        }
    }
    const int rc = pclose(p);
    run.exitCode = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::stringstream err;
    err << std::ifstream(errFile).rdbuf();
    run.err = err.str();
    return run;
}

inline uint64_t TimeOf(const std::string& line) {
    return std::stoull(line.substr(line.find(':') + 1));
}

inline bool Has(const std::string& line, const std::string& part) {
    return line.find(part) != std::string::npos;
}

// The lines that carry every one of `parts`.
inline std::vector<std::string> Lines(const SimRun& run, std::initializer_list<std::string> parts) {
    std::vector<std::string> out;
    for (const auto& l : run.lines) {
        bool all = true;
        for (const auto& p : parts) all = all && Has(l, p);
        if (all) out.push_back(l);
    }
    return out;
}

// The "match" member of every dump among `lines` (line ends left off), by its frame count.
inline std::map<std::string, std::string> MatchesByFrame(const std::vector<std::string>& lines) {
    std::map<std::string, std::string> out;
    for (const std::string& l : lines) {
        const size_t m = l.find("\"match\":");
        if (!Has(l, "\"ev\":\"dump\"") || m == std::string::npos) continue;
        const size_t f = l.find("\"frames\":", m);
        std::string match = l.substr(m);
        while (!match.empty() && (match.back() == '\n' || match.back() == '\r')) match.pop_back();
        out[l.substr(f + 9, l.find(',', f) - f - 9)] = std::move(match);
    }
    return out;
}

} // namespace vl::simtest
