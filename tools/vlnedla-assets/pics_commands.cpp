// SPDX-License-Identifier: GPL-3.0-or-later
// pics_commands: the picture-file commands of the data tool — list, extract, build.
//
// Index:
//   - usage texts
//   - small helpers: numbers, files
//   - PPM reading and writing
//   - pics list
//   - pics extract
//   - pics build (manifest parsing, item writing)
//   - RunPics: dispatch
//
// Picture files are read exactly as the game reads them (without a display), so a
// listing shows what the game would get, including the items read before a failure.
#include <array>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "Common.h"
#include "container/InputFile.h"
#include "container/LittleEndian.h"
#include "container/ObjectStream.h"
#include "graphics/DIB.h"
#include "graphics/PictureCollection.h"

namespace vl::tools {

namespace {

using graphics::TColor;
using graphics::TDIB;
using graphics::TPictureCollection;
using graphics::TPictureCollectionItem;

// --- usage texts -------------------------------------------------------------------------

constexpr std::string_view kPicsUsage =
    "usage: vlnedla-assets pics COMMAND ...\n"
    "\n"
    "  list FILE [--json]     the items of the picture file FILE in file order\n"
    "  extract FILE DIR       write each item's picture as DIR/INDEX.ppm\n"
    "  build MANIFEST OUT     write the picture file OUT from MANIFEST\n"
    "\n"
    "Run 'vlnedla-assets pics COMMAND --help' for one command.\n";

constexpr std::string_view kListUsage =
    "usage: vlnedla-assets pics list FILE [--json]\n"
    "\n"
    "Lists the items of the picture file FILE in file order: name, picture kind and size,\n"
    "bits per pixel, pattern and skip sizes, flags, transparent colour and the pattern\n"
    "size the game uses (imageWidth x imageHeight). With --json, one JSON array whose\n"
    "elements have the keys index, name, kind (the picture kind read, or null when the\n"
    "item has no picture data), width, height, bitCount, patternWidth, patternHeight,\n"
    "skipWidth, skipHeight, systemMemory, transparent, transparentColor (the stored\n"
    "32-bit colour value, 0x00BBGGRR for plain colours), imageWidth, imageHeight.\n"
    "\n"
    "A malformed file: the items read before the fault (and the one being read) are\n"
    "listed, the reader's message is the last line on standard error, exit code 1.\n";

constexpr std::string_view kExtractUsage =
    "usage: vlnedla-assets pics extract FILE DIR\n"
    "\n"
    "Decodes each item of FILE that has a picture and writes it as DIR/INDEX.ppm (binary\n"
    "P6, 8 bits per channel, top row first), INDEX being the item's position from 0.\n"
    "DIR is created when missing. A malformed file: the items read before the fault are\n"
    "written, the reader's message goes to standard error, exit code 1.\n";

constexpr std::string_view kBuildUsage =
    "usage: vlnedla-assets pics build MANIFEST OUT\n"
    "\n"
    "Writes the picture file OUT with one item per manifest line, in manifest order:\n"
    "\n"
    "  NAME FILE [patternWidth=N] [patternHeight=N] [skipWidth=N] [skipHeight=N]\n"
    "            [systemMemory[=0|1]] [transparent=0|1] [transparentColor=C]\n"
    "\n"
    "FILE is relative to the manifest's folder: a .bmp file is stored as it is up to the\n"
    "end of its pixels (picture kind TBitmap, after checking that it decodes), a .ppm file\n"
    "(binary P6, maxval at most 255, no sample above it) as a 24-bit bottom-up TDIB. Both\n"
    "are held to the game's limits: at most 16384 pixels a side and 64 Mi pixels. C is\n"
    "0xBBGGRR, a decimal number, or a colour name such as clFuchsia. Defaults: patterns 0\n"
    "(the whole picture), no skips, transparent=1, transparentColor=clBlack. A NAME or\n"
    "FILE with blanks or '#' is written in double quotes, with \\\" for a quote and \\\\\n"
    "for a backslash: \"tank left\" \"my pictures/tank.ppm\". A word starting with '#'\n"
    "starts a comment; blank lines are ignored. The file written is read back as the game\n"
    "reads it before OUT is replaced.\n";

// --- small helpers -------------------------------------------------------------------------

std::optional<int64_t> ParseNumber(std::string_view s) {
    int base = 10;
    bool negative = false;
    if (!s.empty() && s.front() == '-') negative = true, s.remove_prefix(1);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) base = 16, s.remove_prefix(2);
    int64_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

// --- PPM reading and writing ---------------------------------------------------------------

// Writes `dib` as a binary P6 picture, one row at a time.
void WritePpm(const TDIB& dib, std::ostream& out) {
    out << "P6\n" << dib.Width() << " " << dib.Height() << "\n255\n";
    std::vector<char> row(static_cast<size_t>(dib.Width()) * 3);
    for (int32_t y = 0; y < dib.Height() && out; ++y) {
        for (int32_t x = 0; x < dib.Width(); ++x) {
            const uint32_t p = dib.Pixel(x, y);
            row[3 * static_cast<size_t>(x)] = static_cast<char>(p >> 16);
            row[3 * static_cast<size_t>(x) + 1] = static_cast<char>(p >> 8);
            row[3 * static_cast<size_t>(x) + 2] = static_cast<char>(p);
        }
        out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
}

// A binary P6 picture read from `in`, held to the decoder's size limits before any pixel
// is converted; throws Error with a description of what is wrong.
TDIB ReadPpm(container::ByteReader& in) {
    uint8_t magic[2] = {};
    if (in.ReadSome(magic, 2) < 2 || magic[0] != 'P' || magic[1] != '6')
        throw Error("not a binary PPM (P6)");
    auto next = [&]() -> int { return in.Remaining() > 0 ? in.ReadU8() : -1; };
    int c = next();
    auto field = [&]() -> int64_t {
        for (;;) { // whitespace and comments between the header fields
            while (c >= 0 && std::isspace(c)) c = next();
            if (c != '#') break;
            while (c >= 0 && c != '\n') c = next();
        }
        int64_t v = 0;
        bool digits = false;
        for (; c >= 0 && std::isdigit(c) && v < (1 << 24); c = next(), digits = true)
            v = v * 10 + (c - '0');
        if (!digits) throw Error("PPM header is malformed");
        return v;
    };
    const int64_t w = field(), h = field(), maxval = field();
    // `c` is the single whitespace byte before the pixels.
    if (w <= 0 || h <= 0 || w > graphics::kMaxDIBSide || h > graphics::kMaxDIBSide ||
        w * h > graphics::kMaxDIBPixels)
        throw Error("PPM size is out of range");
    if (maxval <= 0 || maxval > 255) throw Error("PPM maxval must be 1 to 255");
    const auto rowBytes = static_cast<size_t>(w) * 3;
    if (in.Remaining() / rowBytes < static_cast<size_t>(h)) throw Error("PPM pixel data is short");
    TDIB dib(static_cast<int32_t>(w), static_cast<int32_t>(h), 24);
    auto scale = [&](uint8_t v) { return (uint32_t{v} * 255 + maxval / 2) / maxval; };
    for (int32_t y = 0; y < h; ++y) {
        const std::span<const uint8_t> row = in.ReadSpan(rowBytes);
        for (int32_t x = 0; x < w; ++x) {
            const uint8_t* p = &row[3 * static_cast<size_t>(x)];
            for (int k = 0; k < 3; ++k)
                if (p[k] > maxval)
                    throw Error(Format("PPM sample %d at pixel (%d, %d) is above its maxval %d",
                                       {int64_t{p[k]}, int64_t{x}, int64_t{y}, maxval}));
            dib.SetPixel(x, y, (scale(p[0]) << 16) | (scale(p[1]) << 8) | scale(p[2]));
        }
    }
    return dib;
}

// --- pics list -----------------------------------------------------------------------------

struct ItemFacts {
    std::string kind; // empty: no picture data
    int32_t width, height, bitCount;
};

ItemFacts Facts(const TPictureCollectionItem& item) {
    const graphics::TPicture& pic = item.Picture();
    return ItemFacts{pic.Kind(), pic.Width(), pic.Height(), pic.BitCount()};
}

int List(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kListUsage);
    bool json = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--json")
            json = true;
        else
            files.push_back(a);
    }
    if (files.size() != 1) return Usage(kListUsage, "pics list needs one FILE");
    TPictureCollection pics;
    pics.SetReadOptions({.decodePixels = false}); // sizes are all a listing shows
    const std::optional<std::string> failure = LoadReporting(pics, files[0]);

    std::string out = json ? "[" : "";
    for (int32_t i = 0; i < pics.Count(); ++i) {
        const TPictureCollectionItem& item = pics.Items(i);
        const ItemFacts f = Facts(item);
        char colour[16];
        std::snprintf(colour, sizeof colour, "0x%08X", item.TransparentColor());
        if (json) {
            out += std::string(i ? ",\n " : "\n ") + "{\"index\": " + std::to_string(i) +
                   ", \"name\": " + JsonString(item.Name()) +
                   ", \"kind\": " + (f.kind.empty() ? "null" : JsonString(f.kind)) +
                   ", \"width\": " + std::to_string(f.width) +
                   ", \"height\": " + std::to_string(f.height) +
                   ", \"bitCount\": " + std::to_string(f.bitCount) +
                   ", \"patternWidth\": " + std::to_string(item.PatternWidth()) +
                   ", \"patternHeight\": " + std::to_string(item.PatternHeight()) +
                   ", \"skipWidth\": " + std::to_string(item.SkipWidth()) +
                   ", \"skipHeight\": " + std::to_string(item.SkipHeight()) +
                   ", \"systemMemory\": " + (item.SystemMemory() ? "true" : "false") +
                   ", \"transparent\": " + (item.Transparent() ? "true" : "false") +
                   ", \"transparentColor\": " + std::to_string(item.TransparentColor()) +
                   ", \"imageWidth\": " + std::to_string(item.ImageWidth()) +
                   ", \"imageHeight\": " + std::to_string(item.ImageHeight()) + "}";
        } else {
            const std::string name = graphics::ColorToIdent(item.TransparentColor());
            char line[512];
            std::snprintf(line, sizeof line,
                          "%3d %-20s %-8s %5dx%-5d %2d bit  pattern %dx%d skip %dx%d%s%s "
                          "colour %s  image %dx%d\n",
                          i, item.Name().c_str(), f.kind.empty() ? "-" : f.kind.c_str(), f.width,
                          f.height, f.bitCount, item.PatternWidth(), item.PatternHeight(),
                          item.SkipWidth(), item.SkipHeight(), item.SystemMemory() ? " system" : "",
                          item.Transparent() ? " transparent" : " opaque",
                          name.empty() ? colour : name.c_str(), item.ImageWidth(),
                          item.ImageHeight());
            out += line;
        }
    }
    if (json) out += pics.Count() ? "\n]\n" : "]\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return FinishLoad(failure);
}

// --- pics extract --------------------------------------------------------------------------

int Extract(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kExtractUsage);
    if (args.size() != 2) return Usage(kExtractUsage, "pics extract needs FILE and DIR");
    TPictureCollection pics;
    const std::optional<std::string> failure = LoadReporting(pics, args[0]);
    std::error_code ec;
    std::filesystem::create_directories(args[1], ec);
    if (ec) return CannotMake(args[1], ec.message());
    for (int32_t i = 0; i < pics.Count(); ++i) {
        const TDIB* dib = pics.Items(i).Picture().Graphic();
        if (!dib) continue;
        const std::filesystem::path out =
            std::filesystem::path(args[1]) / (std::to_string(i) + ".ppm");
        if (auto reason = WriteStreamed(out, [&](std::ostream& o) { WritePpm(*dib, o); }))
            return CannotWrite(out, *reason);
    }
    return FinishLoad(failure);
}

// --- pics build ----------------------------------------------------------------------------

struct ManifestItem {
    std::string name;
    std::vector<uint8_t> data; // Picture.Data
    int32_t patternWidth = 0, patternHeight = 0, skipWidth = 0, skipHeight = 0;
    bool systemMemory = false, transparent = true;
    TColor transparentColor = graphics::clBlack;
};

// Picture data for the file at `path`: .bmp as "TBitmap", .ppm as "TDIB". The file is read
// only as far as its picture needs; a failure names the file.
std::vector<uint8_t> PictureData(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".ppm" && ext != ".bmp")
        throw Error("picture files must be .bmp or .ppm: " + path.string());
    try {
        container::InputFile file(path.string());
        container::ByteReader in(file);
        if (ext == ".ppm") return graphics::WriteDIB24(ReadPpm(in));
        TDIB check; // refuse what the game could not decode; no pixel is needed for that
        check.LoadBitmapFile(in, {.decodePixels = false});
        // Bytes after the pixels are nobody's: the stored bitmap ends with its pixels.
        const size_t used = in.Position();
        if (used > UINT32_MAX) throw Error("bitmap is larger than 4 GB");
        std::vector<uint8_t> data = {7, 'T', 'B', 'i', 't', 'm', 'a', 'p'};
        container::PutU32(data, static_cast<uint32_t>(used));
        data.resize(data.size() + used);
        in.Seek(0);
        in.Read(data.data() + data.size() - used, used);
        return data;
    } catch (const Error& e) {
        throw Error(path.string() + ": " + e.Message());
    }
}

// Makes the item of one manifest line's words; throws Error describing the fault.
ManifestItem ParseLine(const std::vector<std::string>& words, const std::filesystem::path& base) {
    if (words.size() < 2) throw Error("expected NAME FILE [key=value ...]");
    ManifestItem item;
    item.name = words[0];
    item.data = PictureData(base / words[1]);
    for (size_t w = 2; w < words.size(); ++w) {
        const std::string& word = words[w];
        const size_t eq = word.find('=');
        const std::string key = word.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : word.substr(eq + 1);
        auto number = [&](int64_t lo, int64_t hi) {
            const std::optional<int64_t> v = ParseNumber(value);
            if (!v || *v < lo || *v > hi) throw Error("bad value in " + word);
            return *v;
        };
        auto flag = [&]() {
            if (eq == std::string::npos) return true;
            return number(0, 1) == 1;
        };
        if (key == "patternWidth")
            item.patternWidth = static_cast<int32_t>(number(0, INT32_MAX));
        else if (key == "patternHeight")
            item.patternHeight = static_cast<int32_t>(number(0, INT32_MAX));
        else if (key == "skipWidth")
            item.skipWidth = static_cast<int32_t>(number(INT32_MIN, INT32_MAX));
        else if (key == "skipHeight")
            item.skipHeight = static_cast<int32_t>(number(INT32_MIN, INT32_MAX));
        else if (key == "systemMemory")
            item.systemMemory = flag();
        else if (key == "transparent")
            item.transparent = flag();
        else if (key == "transparentColor") {
            TColor c = 0;
            if (graphics::IdentToColor(value, c))
                item.transparentColor = c;
            else
                item.transparentColor = static_cast<TColor>(number(0, UINT32_MAX));
        } else {
            throw Error("unknown key " + key);
        }
    }
    return item;
}

std::vector<uint8_t> WritePictureFile(const std::vector<ManifestItem>& items) {
    container::ObjectWriter w("TPictureCollectionComponent", "");
    w.WriteBinary("List.ColorTable", std::vector<uint8_t>(1024, 0));
    w.BeginCollection("List");
    for (const ManifestItem& item : items) {
        w.BeginItem();
        w.WriteString("Name", item.name);
        if (item.patternHeight) w.WriteInteger("PatternHeight", item.patternHeight);
        if (item.patternWidth) w.WriteInteger("PatternWidth", item.patternWidth);
        w.WriteBinary("Picture.Data", item.data);
        if (item.skipHeight) w.WriteInteger("SkipHeight", item.skipHeight);
        if (item.skipWidth) w.WriteInteger("SkipWidth", item.skipWidth);
        if (item.systemMemory) w.WriteBoolean("SystemMemory", true);
        if (!item.transparent) w.WriteBoolean("Transparent", false);
        if (item.transparentColor != graphics::clBlack) {
            const std::string ident = graphics::ColorToIdent(item.transparentColor);
            if (!ident.empty())
                w.WriteIdent("TransparentColor", ident);
            else
                w.WriteInteger("TransparentColor", static_cast<int32_t>(item.transparentColor));
        }
        w.EndItem();
    }
    w.EndCollection();
    return w.Finish("PICTURES");
}

int Build(const std::vector<std::string>& args) {
    if (WantsHelp(args)) return Help(kBuildUsage);
    if (args.size() != 2) return Usage(kBuildUsage, "pics build needs MANIFEST and OUT");
    std::vector<uint8_t> manifest;
    try {
        manifest = container::ReadWholeFile(args[0]);
    } catch (const Error& e) {
        std::fprintf(stderr, "vlnedla-assets: %s\n", e.what());
        return 1;
    }
    const std::filesystem::path base = std::filesystem::path(args[0]).parent_path();
    std::vector<ManifestItem> items;
    const std::string_view text(reinterpret_cast<const char*>(manifest.data()), manifest.size());
    for (const ManifestLine& line : ManifestLines(text)) {
        try {
            if (!line.problem.empty()) throw Error(line.problem);
            items.push_back(ParseLine(line.words, base));
        } catch (const Error& e) {
            std::fprintf(stderr, "vlnedla-assets: %s:%d: %s\n", args[0].c_str(), line.number,
                         e.what());
            return 1;
        }
    }
    const std::vector<uint8_t> file = WritePictureFile(items);
    try { // what we write must read back as the game reads it (pixels were checked above)
        TPictureCollection check;
        check.SetReadOptions({.decodePixels = false});
        check.LoadFromStream(file);
    } catch (const Error& e) {
        std::fprintf(stderr, "vlnedla-assets: the file made does not read back: %s\n", e.what());
        return 1;
    }
    if (auto reason = WriteFile(args[1], file)) return CannotWrite(args[1], *reason);
    return 0;
}

} // namespace

// --- RunPics -------------------------------------------------------------------------------

int RunPics(const std::vector<std::string>& args) {
    static constexpr std::array<Command, 3> kCommands = {
        {{"list", List}, {"extract", Extract}, {"build", Build}}};
    return RunFamily({kPicsUsage, "pics needs a COMMAND", "unknown pics command '%s'", kCommands},
                     args);
}

} // namespace vl::tools
