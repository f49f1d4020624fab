// SPDX-License-Identifier: GPL-3.0-or-later
// bank_commands: the sound bank commands of the data tool — list, build, extract.
//
// Index:
//   - usage texts
//   - wave facts: format fields and duration
//   - JSON and table output
//   - bank list
//   - bank build (manifest parsing)
//   - bank extract
//   - RunBank: dispatch
//
// Banks are read with no sound device, exactly as the game reads them, so the listing
// shows what the game would get, including the items read before a failure.
#include <array>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Common.h"
#include "container/InputFile.h"
#include "container/ObjectStream.h"
#include "sound/DXSounds.h"
#include "sound/Wave.h"

namespace vl::tools {

namespace {

// --- usage texts -------------------------------------------------------------------------

constexpr std::string_view kBankUsage =
    "usage: vlnedla-assets bank COMMAND ...\n"
    "\n"
    "  list FILE [--json]     the items of FILE in bank order\n"
    "  build MANIFEST OUT     write the bank file OUT from MANIFEST\n"
    "  extract FILE DIR       write each item's sound as DIR/NAME.wav\n"
    "\n"
    "Run 'vlnedla-assets bank COMMAND --help' for one command.\n";

constexpr std::string_view kListUsage =
    "usage: vlnedla-assets bank list FILE [--json]\n"
    "\n"
    "Lists the items of the sound bank FILE in bank order: name, looping flag, limit of\n"
    "simultaneous playings, sample format, sample bytes and duration. With --json, one\n"
    "JSON array with the keys index, name, looped, maxPlayingCount, formatTag, channels,\n"
    "sampleRate, bitsPerSample, sampleBytes, durationMs.\n"
    "\n"
    "A malformed file: the items read before the fault are listed, the reader's message\n"
    "is the last line on standard error, and the exit code is 1.\n";

constexpr std::string_view kBuildUsage =
    "usage: vlnedla-assets bank build MANIFEST OUT\n"
    "\n"
    "Writes the sound bank file OUT. Each line of MANIFEST is one item:\n"
    "\n"
    "  NAME WAVFILE [looped] [max=N]\n"
    "\n"
    "WAVFILE is relative to the manifest's folder; 'looped' makes the item loop, max=N\n"
    "limits its simultaneous playings (0, the default, is no limit). A NAME or WAVFILE\n"
    "with blanks or '#' is written in double quotes, with \\\" for a quote and \\\\ for a\n"
    "backslash: \"engine start\" \"my sounds/engine.wav\". A word starting with '#' starts\n"
    "a comment; blank lines are ignored. The items keep the manifest's order.\n";

constexpr std::string_view kExtractUsage =
    "usage: vlnedla-assets bank extract FILE DIR\n"
    "\n"
    "Writes each item's sound of the bank FILE as DIR/NAME.wav (DIR is created when\n"
    "missing). In file names, '/', '\\' and control characters become '_'; an item\n"
    "without a name is called itemN, and a name met again gets '~N' (N = its index).\n";

// --- wave facts ---------------------------------------------------------------------------

struct WaveFacts {
    uint32_t formatTag, channels, sampleRate, avgBytesPerSec, bitsPerSample;
    uint64_t sampleBytes, durationMs;
};

// The wave's format fields (0 where the block is too short for them) and its duration:
// sample bytes over the average byte rate, in whole milliseconds.
WaveFacts FactsOf(const sound::TWave& wave) {
    WaveFacts f{};
    f.formatTag = wave.FormatTag();
    f.channels = wave.Channels();
    f.sampleRate = wave.SamplesPerSec();
    f.avgBytesPerSec = wave.AvgBytesPerSec();
    f.bitsPerSample = wave.BitsPerSample();
    f.sampleBytes = wave.Data.size();
    f.durationMs = (f.avgBytesPerSec == 0) ? 0 : f.sampleBytes * 1000 / f.avgBytesPerSec;
    return f;
}

// --- JSON and table output -----------------------------------------------------------------

void PrintJson(const sound::TWaveCollection& bank) {
    std::string out = "[";
    for (int32_t i = 0; i < bank.Count(); ++i) {
        const sound::TWaveCollectionItem& item = bank.Items(i);
        const WaveFacts f = FactsOf(item.Wave());
        char numbers[512];
        std::snprintf(numbers, sizeof numbers,
                      "\"looped\": %s, \"maxPlayingCount\": %" PRId32 ", \"formatTag\": %" PRIu32
                      ", \"channels\": %" PRIu32 ", \"sampleRate\": %" PRIu32
                      ", \"bitsPerSample\": %" PRIu32 ", \"sampleBytes\": %" PRIu64
                      ", \"durationMs\": %" PRIu64,
                      item.Looped() ? "true" : "false", item.MaxPlayingCount(), f.formatTag,
                      f.channels, f.sampleRate, f.bitsPerSample, f.sampleBytes, f.durationMs);
        out += (i == 0) ? "\n  " : ",\n  ";
        out += "{\"index\": " + std::to_string(i) + ", \"name\": " + JsonString(item.Name()) +
               ", " + numbers + "}";
    }
    out += bank.Count() > 0 ? "\n]\n" : "]\n";
    std::fputs(out.c_str(), stdout);
}

// A name for the table, padded to `width` characters (UTF-8 continuation bytes take no
// column): control characters shown as '?', so that a line stays a line.
std::string Printable(std::string_view s, size_t width) {
    std::string out(s);
    size_t columns = 0;
    for (char& c : out) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F) c = '?';
        if ((b & 0xC0) != 0x80) ++columns;
    }
    if (columns < width) out.append(width - columns, ' ');
    return out;
}

void PrintTable(const sound::TWaveCollection& bank) {
    std::printf("%5s  %s %-6s %4s %6s %3s %7s %4s %10s %8s\n", "index",
                Printable("name", 24).c_str(), "looped", "max", "format", "ch", "rate", "bits",
                "bytes", "ms");
    for (int32_t i = 0; i < bank.Count(); ++i) {
        const sound::TWaveCollectionItem& item = bank.Items(i);
        const WaveFacts f = FactsOf(item.Wave());
        std::printf("%5" PRId32 "  %s %-6s %4" PRId32 " %6" PRIu32 " %3" PRIu32 " %7" PRIu32
                    " %4" PRIu32 " %10" PRIu64 " %8" PRIu64 "\n",
                    i, Printable(item.Name(), 24).c_str(), item.Looped() ? "yes" : "no",
                    item.MaxPlayingCount(), f.formatTag, f.channels, f.sampleRate, f.bitsPerSample,
                    f.sampleBytes, f.durationMs);
    }
    std::printf("%" PRId32 " item%s\n", bank.Count(), bank.Count() == 1 ? "" : "s");
}

// --- bank list -----------------------------------------------------------------------------

int BankList(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kListUsage);
    std::optional<std::string> file;
    bool json = false;
    for (const auto& a : args) {
        if (a == "--json") {
            json = true;
        } else if (!a.empty() && a[0] == '-') {
            return Usage(kListUsage, "bank list: unknown option '" + a + "'");
        } else if (!file) {
            file = a;
        } else {
            return Usage(kListUsage, "bank list: one FILE only");
        }
    }
    if (!file) return Usage(kListUsage, "bank list: FILE is missing");

    sound::TWaveCollection bank;
    const std::optional<std::string> failure = LoadReporting(bank, *file);
    if (json) {
        PrintJson(bank);
    } else {
        PrintTable(bank);
    }
    return FinishLoad(failure);
}

// --- bank build ----------------------------------------------------------------------------

struct ManifestItem {
    std::string name;
    std::filesystem::path wavPath;
    bool looped = false;
    int32_t maxPlayingCount = 0;
    int line = 0;
};

// Parses the manifest; on a bad line returns "MANIFEST:LINE: what is wrong".
std::optional<std::string> ParseManifest(const std::string& manifestPath, const std::string& text,
                                         std::vector<ManifestItem>& items) {
    const std::filesystem::path base = std::filesystem::path(manifestPath).parent_path();
    for (ManifestLine& line : ManifestLines(text)) {
        const std::vector<std::string>& tokens = line.words;
        const std::string where = manifestPath + ":" + std::to_string(line.number) + ": ";
        if (!line.problem.empty()) return where + line.problem;
        if (tokens.size() < 2) return where + "expected NAME WAVFILE [looped] [max=N]";
        ManifestItem item;
        item.name = tokens[0];
        item.wavPath = base / tokens[1];
        item.line = line.number;
        for (size_t k = 2; k < tokens.size(); ++k) {
            const std::string& t = tokens[k];
            if (t == "looped") {
                item.looped = true;
            } else if (t.rfind("max=", 0) == 0) {
                const char* first = t.data() + 4;
                const char* last = t.data() + t.size();
                int32_t value = 0;
                const auto [ptr, ec] = std::from_chars(first, last, value);
                if (first == last || ec != std::errc() || ptr != last) {
                    return where + Format("'%s' is not max= with a whole number", {t});
                }
                item.maxPlayingCount = value;
            } else {
                return where + Format("unknown option '%s' (expected looped or max=N)", {t});
            }
        }
        items.push_back(std::move(item));
    }
    return std::nullopt;
}

std::string ReadText(const std::string& path) {
    const std::vector<uint8_t> bytes = container::ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

int BankBuild(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kBuildUsage);
    if (args.size() != 2) return Usage(kBuildUsage, "bank build: expected MANIFEST OUT");
    const std::string& manifestPath = args[0];
    const std::string& outPath = args[1];

    std::string text;
    try {
        text = ReadText(manifestPath);
    } catch (const Error& e) {
        std::fprintf(stderr, "vlnedla-assets: %s\n", e.what());
        return 1;
    }
    std::vector<ManifestItem> items;
    if (auto problem = ParseManifest(manifestPath, text, items)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        return 1;
    }

    container::ObjectWriter writer("TWaveCollectionComponent", "");
    writer.BeginCollection("List");
    std::vector<uint8_t> block;
    for (const ManifestItem& item : items) {
        // "MANIFEST:LINE: WAVFILE: what is wrong", exit code 1.
        const auto fail = [&](const char* what) {
            std::fprintf(stderr, "%s:%d: %s: %s\n", manifestPath.c_str(), item.line,
                         item.wavPath.string().c_str(), what);
            return 1;
        };
        sound::TWave wave;
        try {
            container::InputFile source(item.wavPath.string());
            container::ByteReader in(source);
            wave.LoadFromStream(in);
        } catch (const Error& e) {
            return fail(e.what());
        }
        if (wave.Format.empty()) return fail("no \"fmt \" chunk");
        if (wave.Data.empty()) return fail("no samples");
        try {
            block = wave.SaveToBytes(); // "fmt " and "data" only, as writers make it
        } catch (const Error& e) {
            return fail(e.what());
        }
        writer.BeginItem();
        writer.WriteString("Name", item.name);
        writer.WriteBoolean("Looped", item.looped);
        writer.WriteInteger("MaxPlayingCount", item.maxPlayingCount);
        writer.WriteBinary("Wave.WAVE", block);
        writer.EndItem();
    }
    writer.EndCollection();
    const std::vector<uint8_t> file = writer.Finish("TWAVECOLLECTIONCOMPONENT");
    if (auto reason = WriteFile(outPath, file)) return CannotWrite(outPath, *reason);
    std::printf("%s: %zu item%s, %zu bytes\n", outPath.c_str(), items.size(),
                items.size() == 1 ? "" : "s", file.size());
    return 0;
}

// --- bank extract --------------------------------------------------------------------------

std::string SafeFileName(std::string_view name, int32_t index) {
    if (name.empty()) return "item" + std::to_string(index);
    std::string out(name);
    for (char& c : out) {
        const auto b = static_cast<uint8_t>(c);
        if (c == '/' || c == '\\' || b < 0x20 || b == 0x7F) c = '_';
    }
    if (out == "." || out == "..") out = "_" + out;
    return out;
}

int BankExtract(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kExtractUsage);
    if (args.size() != 2) return Usage(kExtractUsage, "bank extract: expected FILE DIR");
    const std::string& file = args[0];
    const std::filesystem::path dir = args[1];

    sound::TWaveCollection bank;
    const std::optional<std::string> failure = LoadReporting(bank, file);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return CannotMake(dir, ec.message());
    std::set<std::string> used;
    std::vector<uint8_t> block;
    for (int32_t i = 0; i < bank.Count(); ++i) {
        const sound::TWaveCollectionItem& item = bank.Items(i);
        std::string stem = SafeFileName(item.Name(), i);
        if (!used.insert(stem).second) stem += "~" + std::to_string(i);
        used.insert(stem);
        const std::filesystem::path path = dir / (stem + ".wav");
        try {
            block = item.Wave().SaveToBytes();
        } catch (const Error& e) {
            std::fprintf(stderr, "vlnedla-assets: %s: %s\n", path.string().c_str(), e.what());
            return 1;
        }
        if (auto reason = WriteFile(path, block)) return CannotWrite(path, *reason);
        std::printf("%s\n", path.string().c_str());
    }
    return FinishLoad(failure);
}

} // namespace

// --- RunBank -------------------------------------------------------------------------------

int RunBank(const std::vector<std::string>& args) {
    static constexpr std::array<Command, 3> kCommands = {
        {{"list", BankList}, {"build", BankBuild}, {"extract", BankExtract}}};
    return RunFamily(
        {kBankUsage, "bank: COMMAND is missing", "bank: unknown command '%s'", kCommands}, args);
}

} // namespace vl::tools
