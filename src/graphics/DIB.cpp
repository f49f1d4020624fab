// SPDX-License-Identifier: GPL-3.0-or-later
// DIB: decoding of Windows bitmaps (core, info and the later .bmp headers; 1 to 32 bits;
// bit fields; RLE8/RLE4) into 32-bit pixels, and the picture holder of image items.
//
// Index:
//   - header: the fields we use, read from core / info / later headers
//   - masks: channel extraction for bit-field pixels
//   - rows: uncompressed pixel rows
//   - rle: run-length decoding, clipped to the picture
//   - TDIB::Load, LoadDIB, LoadBitmapFile
//   - TPicture, WriteDIB24
#include "graphics/DIB.h"

#include "container/LittleEndian.h"

#include <algorithm>
#include <array>
#include <bit>

namespace vl::graphics {

using container::ByteReader;
using container::EReadError;
using container::LoadU16;
using container::LoadU32;
using container::PutU16;
using container::PutU32;

namespace {

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(std::string(kDIBInvalid));
}

// --- header ----------------------------------------------------------------------------

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

struct Header {
    uint32_t size = 0;
    int64_t width = 0;
    int64_t height = 0; // signed: negative = top row first
    uint32_t bitCount = 0;
    uint32_t compression = kRgb;
    uint32_t sizeImage = 0;
    uint32_t colorsUsed = 0;
    uint32_t masks[3] = {0, 0, 0}; // red, green, blue
    bool masksRead = false;
    bool core = false;
};

// Reads the header and, for bit fields after an info header, the three masks; leaves the
// reader at the palette. Header sizes past 40 exist only in .bmp files (`allowV4`).
Header ReadHeader(ByteReader& in, bool allowV4) {
    if (in.Remaining() < 4) Invalid();
    const size_t start = in.Position();
    Header h;
    h.size = in.ReadU32();
    if (h.size == 12) {
        h.core = true;
        h.width = in.ReadU16();
        h.height = in.ReadU16();
        in.ReadU16(); // planes
        h.bitCount = in.ReadU16();
        return h;
    }
    const bool later = h.size == 52 || h.size == 56 || h.size == 108 || h.size == 124;
    if (h.size != 40 && !(allowV4 && later)) Invalid();
    h.width = in.ReadI32();
    h.height = in.ReadI32();
    in.ReadU16(); // planes
    h.bitCount = in.ReadU16();
    h.compression = in.ReadU32();
    h.sizeImage = in.ReadU32();
    in.ReadU32(); // resolutions
    in.ReadU32();
    h.colorsUsed = in.ReadU32();
    in.ReadU32(); // important colours
    if (h.size > 40) {
        // The later headers carry the masks themselves (then alpha, colour space, ...).
        for (uint32_t& m : h.masks) m = in.ReadU32();
        h.masksRead = true;
        in.Seek(start); // Skip() below measures from the header's start
        in.Skip(h.size);
    } else if (h.compression == kBitFields) {
        for (uint32_t& m : h.masks) m = in.ReadU32();
        h.masksRead = true;
    }
    return h;
}

// --- masks -----------------------------------------------------------------------------

// One channel of a bit-field pixel: the mask's lowest run of set bits, scaled to 8 bits.
// Up to 8 bits its top bits are repeated (a full 5-bit channel reads 255); wider channels
// are scaled with rounding, v * 255 / max to the nearest, as reference decoders do.
struct Channel {
    int shift = 0;
    int width = 0;

    explicit Channel(uint32_t mask) {
        if (mask == 0) return;
        shift = std::countr_zero(mask);
        width = std::countr_one(mask >> shift);
    }
    uint32_t Get(uint32_t px) const {
        if (width == 0) return 0;
        const uint32_t v = (px >> shift) & ((width >= 32) ? ~0u : ((1u << width) - 1));
        if (width > 8) {
            const uint64_t max = (width >= 32) ? 0xFFFFFFFFu : ((uint64_t{1} << width) - 1);
            return static_cast<uint32_t>((uint64_t{v} * 255 + max / 2) / max);
        }
        if (width == 8) return v;
        uint32_t out = v << (8 - width);
        for (int have = width; have < 8; have += width) out |= out >> width;
        return out & 0xFF;
    }
};

struct Masks {
    Channel r, g, b;
    uint32_t Rgb(uint32_t px) const { return (r.Get(px) << 16) | (g.Get(px) << 8) | b.Get(px); }
};

// --- rows ------------------------------------------------------------------------------

uint32_t PaletteAt(const std::vector<uint32_t>& palette, uint32_t index) {
    return index < palette.size() ? palette[index] : 0;
}

// Decodes one stored row of `width` pixels into `out`.
void DecodeRow(const uint8_t* src, uint32_t bitCount, int32_t width,
               const std::vector<uint32_t>& palette, const Masks& masks, uint32_t* out) {
    switch (bitCount) {
    case 1:
        for (int32_t x = 0; x < width; ++x)
            out[x] = PaletteAt(palette, (src[x >> 3] >> (7 - (x & 7))) & 1);
        break;
    case 4:
        for (int32_t x = 0; x < width; ++x)
            out[x] = PaletteAt(palette, (x & 1) ? (src[x >> 1] & 0x0F) : (src[x >> 1] >> 4));
        break;
    case 8:
        for (int32_t x = 0; x < width; ++x) out[x] = PaletteAt(palette, src[x]);
        break;
    case 16:
        for (int32_t x = 0; x < width; ++x) out[x] = masks.Rgb(LoadU16(src + 2 * x));
        break;
    case 24:
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = src + 3 * x;
            out[x] = (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        }
        break;
    case 32:
        for (int32_t x = 0; x < width; ++x) out[x] = masks.Rgb(LoadU32(src + 4 * x));
        break;
    default:
        break;
    }
}

// --- rle -------------------------------------------------------------------------------

// Run-length data of `bitCount` 8 (RLE8) or 4 (RLE4) into `pixels` (width x height, top
// row first), rows counted from the bottom when `bottomUp`. Pixels falling outside the
// picture — runs past a row's end, deltas beyond it, rows past the top — are dropped.
// Ends at the end-of-bitmap code or at the end of the data.
void DecodeRle(std::span<const uint8_t> data, uint32_t bitCount, int32_t width, int32_t height,
               bool bottomUp, const std::vector<uint32_t>& palette, std::vector<uint32_t>& pixels) {
    size_t pos = 0;
    int64_t x = 0, row = 0;
    auto put = [&](uint32_t index) {
        if (x >= 0 && x < width && row >= 0 && row < height) {
            const int64_t y = bottomUp ? height - 1 - row : row;
            pixels[static_cast<size_t>(y * width + x)] = PaletteAt(palette, index);
        }
        ++x;
    };
    while (pos + 2 <= data.size() && row < height) {
        const uint8_t count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) { // encoded run: one index, or two alternating nibbles
            for (int i = 0; i < count; ++i)
                put(bitCount == 8 ? value : ((i & 1) ? (value & 0x0F) : (value >> 4)));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++row;
        } else if (value == 1) { // end of bitmap
            break;
        } else if (value == 2) { // delta: move right and up
            if (pos + 2 > data.size()) break;
            x += data[pos];
            row += data[pos + 1];
            pos += 2;
        } else { // absolute run of `value` pixels, padded to a 16-bit boundary
            const size_t bytes = bitCount == 8 ? value : (value + 1u) / 2;
            if (pos + bytes > data.size()) break;
            for (int i = 0; i < value; ++i) {
                const uint8_t b = data[pos + (bitCount == 8 ? i : i / 2)];
                put(bitCount == 8 ? b : ((i & 1) ? (b & 0x0F) : (b >> 4)));
            }
            pos += bytes + (bytes & 1);
        }
    }
}

} // namespace

// --- TDIB ------------------------------------------------------------------------------

TDIB::TDIB(int32_t width, int32_t height, int32_t bitCount)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), bitCount_(bitCount),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {}

void TDIB::LoadDIB(ByteReader& in, const TDIBReadOptions& options) {
    Load(in, false, 0, options);
}

void TDIB::LoadBitmapFile(ByteReader& in, const TDIBReadOptions& options) {
    if (in.Remaining() < 14) throw EReadError(std::string(container::kStreamReadError));
    uint8_t magic[2];
    in.Read(magic, 2);
    if (magic[0] != 'B' || magic[1] != 'M') Invalid();
    in.ReadU32(); // file size
    in.ReadU32(); // reserved
    const uint32_t offBits = in.ReadU32();
    Load(in, true, offBits, options);
}

void TDIB::LoadBitmapFile(std::span<const uint8_t> file, const TDIBReadOptions& options) {
    ByteReader in(file);
    LoadBitmapFile(in, options);
}

void TDIB::Load(ByteReader& in, bool allowV4, size_t pixelData, const TDIBReadOptions& options) {
    const Header h = ReadHeader(in, allowV4);
    const uint32_t bits = h.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        throw EInvalidGraphic(Format(kBitCountInvalid, {int64_t{bits}}));

    // Pixel format: masks only with bit fields (16 or 32 bits); RLE only at its depth.
    Masks masks{Channel(0x7C00), Channel(0x03E0), Channel(0x001F)};
    if (bits == 32) masks = Masks{Channel(0xFF0000), Channel(0xFF00), Channel(0xFF)};
    switch (h.compression) {
    case kRgb:
        break;
    case kBitFields:
        if (bits != 16 && bits != 32) Invalid();
        if (bits == 16) {
            const bool f555 = h.masks[0] == 0x7C00 && h.masks[1] == 0x03E0 && h.masks[2] == 0x1F;
            const bool f565 = h.masks[0] == 0xF800 && h.masks[1] == 0x07E0 && h.masks[2] == 0x1F;
            if (!f555 && !f565) throw EInvalidGraphic(std::string(kPixelFormatInvalid));
        }
        masks = Masks{Channel(h.masks[0]), Channel(h.masks[1]), Channel(h.masks[2])};
        break;
    case kRle8:
        if (bits != 8) Invalid();
        break;
    case kRle4:
        if (bits != 4) Invalid();
        break;
    default:
        Invalid();
    }

    // Size: a hostile header must not make us allocate more than a sane picture.
    if (h.width <= 0 || h.height == 0) Invalid();
    const bool bottomUp = h.height > 0;
    const int64_t height = bottomUp ? h.height : -h.height;
    if (h.width > kMaxDIBSide || height > kMaxDIBSide ||
        h.width * height > std::min(kMaxDIBPixels, options.maxPixels))
        Invalid();
    const auto width = static_cast<int32_t>(h.width);
    const auto rows = static_cast<int32_t>(height);

    // Palette: colours-used entries, or 2^bits up to 8 bits; 256 kept at most.
    size_t declared = h.colorsUsed != 0 ? h.colorsUsed : (bits <= 8 ? size_t{1} << bits : 0);
    if (h.core) declared = bits <= 8 ? size_t{1} << bits : 0;
    const size_t entrySize = h.core ? 3 : 4;
    std::vector<uint32_t> palette(std::min<size_t>(declared, 256));
    for (uint32_t& c : palette) {
        std::span<const uint8_t> e = in.ReadSpan(entrySize);
        c = (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
    }
    // A file header says where the pixels are; trust it only when it points past the
    // palette and into the file. Otherwise they follow the whole declared palette.
    if (pixelData != 0 && pixelData >= in.Position() && pixelData <= in.Size())
        in.Seek(pixelData);
    else
        in.Skip((declared - palette.size()) * entrySize);

    const size_t stride = ((size_t{bits} * static_cast<size_t>(width) + 31) / 32) * 4;
    const bool rle = h.compression == kRle8 || h.compression == kRle4;
    if (!options.decodePixels) { // the same checks of the pixel bytes, none decoded
        in.Skip(rle ? h.sizeImage : stride * static_cast<size_t>(rows));
        width_ = width;
        height_ = rows;
        bitCount_ = static_cast<int32_t>(bits);
        pixels_.clear();
        return;
    }
    std::vector<uint32_t> pixels;
    if (rle) {
        std::span<const uint8_t> data = in.ReadSpan(h.sizeImage);
        // Pixels no code reaches keep colour 0, as other bitmap readers leave them.
        pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(rows),
                      PaletteAt(palette, 0));
        DecodeRle(data, bits, width, rows, bottomUp, palette, pixels);
    } else {
        if (stride * static_cast<size_t>(rows) > in.Remaining())
            throw EReadError(std::string(container::kStreamReadError));
        pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(rows));
        for (int32_t k = 0; k < rows; ++k) {
            std::span<const uint8_t> src = in.ReadSpan(stride);
            const int32_t y = bottomUp ? rows - 1 - k : k;
            DecodeRow(src.data(), bits, width, palette, masks,
                      pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width));
        }
    }
    width_ = width;
    height_ = rows;
    bitCount_ = static_cast<int32_t>(bits);
    pixels_ = std::move(pixels);
}

// --- TPicture --------------------------------------------------------------------------

void TPicture::Clear() {
    kind_.clear();
    hasGraphic_ = false;
    dib_ = TDIB();
}

void TPicture::Assign(const TDIB& dib, std::string kind) {
    kind_ = std::move(kind);
    dib_ = dib;
    hasGraphic_ = true;
}

void TPicture::LoadFromData(std::span<const uint8_t> data, const TDIBReadOptions& options) {
    Clear();
    ByteReader in(data);
    const uint8_t length = in.ReadU8();
    std::span<const uint8_t> name = in.ReadSpan(length);
    kind_.assign(name.begin(), name.end());
    TDIB dib;
    if (container::SameName(kind_, "TDIB")) {
        dib.LoadDIB(in, options);
    } else if (container::SameName(kind_, "TBitmap")) {
        const uint32_t size = in.ReadU32();
        dib.LoadBitmapFile(in.ReadSpan(size), options);
    } else {
        return; // a kind we do not draw: no picture, the rest is not ours to read
    }
    dib_ = std::move(dib);
    hasGraphic_ = options.decodePixels;
}

// --- WriteDIB24 ------------------------------------------------------------------------

std::vector<uint8_t> WriteDIB24(const TDIB& dib) {
    std::vector<uint8_t> out = {4, 'T', 'D', 'I', 'B'}; // the kind, as a short string
    const auto w = static_cast<uint32_t>(dib.Width()), h = static_cast<uint32_t>(dib.Height());
    const uint32_t stride = ((24 * w + 31) / 32) * 4;
    PutU32(out, 40);
    PutU32(out, w);
    PutU32(out, h);
    PutU16(out, 1);
    PutU16(out, 24);
    PutU32(out, 0);          // no compression
    PutU32(out, stride * h); // image size
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    PutU32(out, 0);
    for (int32_t y = dib.Height() - 1; y >= 0; --y) { // bottom row first
        const size_t rowStart = out.size();
        for (int32_t x = 0; x < dib.Width(); ++x) {
            const uint32_t p = dib.Pixel(x, y);
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

} // namespace vl::graphics
