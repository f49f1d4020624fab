// SimRun: runs the headless simulator on a script and picks lines out of its trace.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace vl::testing {

inline int Shell(const std::string& cmd) {
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

struct SimRun {
    std::vector<std::string> lines;
    int exitCode = -1;
    std::string err;
};

// Runs bin/vlnedla-sim in `dataDir` on `script` (written into `work`).
inline SimRun Sim(const std::filesystem::path& work, const std::filesystem::path& dataDir,
                  const std::string& script) {
    namespace fs = std::filesystem;
    fs::create_directories(work);
    const fs::path scriptFile = work / "script.txt", errFile = work / "stderr.txt";
    std::ofstream(scriptFile) << script;
    const std::string cmd = "'" + (fs::path(VL_BINARY_DIR) / "bin" / "vlnedla-sim").string() +
                            "' --data '" + dataDir.string() + "' '" + scriptFile.string() +
                            "' 2>'" + errFile.string() + "'";
    SimRun run;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return run;
    char buf[65536];
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

// Each item's length in ms, from the data tool's listing of the bank at `bank`.
inline std::map<std::string, uint64_t> BankDurations(const std::filesystem::path& bank) {
    std::map<std::string, uint64_t> out;
    const std::string tool = (std::filesystem::path(VL_BINARY_DIR) / "bin" / "vlnedla-assets").string();
    FILE* p = popen(("'" + tool + "' bank list '" + bank.string() + "' --json").c_str(), "r");
    if (!p) return out;
    char buf[1024];
    while (fgets(buf, sizeof buf, p)) {
        const std::string l = buf;
        const auto n = l.find("\"name\": \""), d = l.find("\"durationMs\": ");
        if (n == std::string::npos || d == std::string::npos) continue;
        const auto nameStart = n + 9;
        out[l.substr(nameStart, l.find('"', nameStart) - nameStart)] = std::stoull(l.substr(d + 14));
    }
    pclose(p);
    return out;
}

} // namespace vl::testing
