// SPDX-License-Identifier: GPL-3.0-or-later
// DIB: the picture decoder — Windows device-independent bitmaps as picture files hold
// them ("TDIB": the bitmap without its file header; "TBitmap": a length and a whole
// .bmp file), decoded into 32-bit pixels, and the picture holder of an image item.
//
// Index:
//   - EInvalidGraphic and the decoder's message texts
//   - TDIB: a decoded picture (32-bit pixels, original bit depth kept for listing)
//   - TPicture: the holder of one picture as read from a picture item's data
//   - WriteDIB24: the writer our data tool uses
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "container/ObjectStream.h"

namespace vl::graphics {

// Bad bitmap data. Short data is container::EReadError ("Stream read error") instead.
class EInvalidGraphic : public Error {
public:
    using Error::Error;
};

inline constexpr std::string_view kDIBInvalid = "DIB is invalid";
inline constexpr std::string_view kBitCountInvalid = "Bitcount in invalid (%d)";
inline constexpr std::string_view kPixelFormatInvalid = "PixelFormat in invalid";

// Largest picture the decoder accepts; anything larger is "DIB is invalid". Keeps a
// hostile header from making us allocate gigabytes.
inline constexpr int32_t kMaxDIBSide = 16384;
inline constexpr int64_t kMaxDIBPixels = 64LL * 1024 * 1024;
// Most pixels the pictures of one picture file decode to in all (256 MB at 4 bytes a
// pixel; the game's own file has under 0.1 M): a file of many small run-length bitmaps,
// each claiming the largest size, is refused at the picture that passes it.
inline constexpr int64_t kMaxPictureFilePixels = 64LL * 1024 * 1024;

// What one decode may cost, and whether it makes pixels at all.
struct TDIBReadOptions {
    // Pictures with more pixels are "DIB is invalid". Whoever tries great numbers of
    // untrusted files (the fuzz targets) gives a smaller budget; the game keeps the limit.
    int64_t maxPixels = kMaxDIBPixels;
    // The pictures of one picture file hold at most this many pixels in all (never more
    // than kMaxPictureFilePixels, whatever is asked).
    int64_t maxFilePixels = kMaxPictureFilePixels;
    // False: everything is read and checked as for decoding, the size and depth kept, but
    // no pixel is decoded or stored (a listing that reports sizes only).
    bool decodePixels = true;
};

class TDIB {
public:
    TDIB() = default;
    // A black picture of the given size and nominal bit depth (w, h >= 0).
    TDIB(int32_t width, int32_t height, int32_t bitCount = 32);

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Bits per pixel as stored in the file (1, 4, 8, 16, 24, 32); 0 when empty.
    int32_t BitCount() const { return bitCount_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Pixel as 0x00RRGGBB (the surfaces' own layout); (x, y) must be inside.
    uint32_t Pixel(int32_t x, int32_t y) const { return pixels_[Index(x, y)]; }
    void SetPixel(int32_t x, int32_t y, uint32_t rgb) { pixels_[Index(x, y)] = rgb & 0xFFFFFFu; }
    // Row-major, top row first, Width() * Height() entries.
    const std::vector<uint32_t>& Pixels() const { return pixels_; }

    // Reads a bitmap without file header: header (12 or 40 bytes), masks, palette (the
    // first 256 entries kept, the rest of a longer one skipped) and pixels, from the
    // reader's position. Throws EInvalidGraphic (kDIBInvalid, kBitCountInvalid,
    // kPixelFormatInvalid) or container::EReadError for short data; on failure *this is
    // unchanged. Without options.decodePixels the picture has its size and depth but
    // no pixels: Pixels() is empty.
    void LoadDIB(container::ByteReader& in, const TDIBReadOptions& options = {});
    // Reads a whole .bmp file (14-byte file header, then the bitmap; header sizes 12,
    // 40, 52, 56, 108 and 124 accepted) from the reader's position, which is the file's
    // start. Same failures as LoadDIB.
    void LoadBitmapFile(container::ByteReader& in, const TDIBReadOptions& options = {});
    void LoadBitmapFile(std::span<const uint8_t> file, const TDIBReadOptions& options = {});

private:
    size_t Index(int32_t x, int32_t y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
    }
    // The shared body: `allowV4` admits the later header sizes of .bmp files;
    // `pixelData` is where the pixels start when a file header says so (else 0 =
    // right after the palette).
    void Load(container::ByteReader& in, bool allowV4, size_t pixelData,
              const TDIBReadOptions& options);

    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitCount_ = 0;
    std::vector<uint32_t> pixels_;
};

// The picture of one image item: the kind named in the data and, when the kind is one
// we decode, the picture itself.
class TPicture {
public:
    // The kind name read ("TDIB", "TBitmap", or whatever the file said); empty when no
    // data was ever read.
    const std::string& Kind() const { return kind_; }
    // The decoded picture, or nullptr (no data, or a kind we do not know).
    // Also nullptr when the data was read without decoding its pixels.
    const TDIB* Graphic() const { return hasGraphic_ ? &dib_ : nullptr; }
    // The size and depth read (decoded or not); 0 without a picture of a kind we know.
    int32_t Width() const { return dib_.Width(); }
    int32_t Height() const { return dib_.Height(); }
    int32_t BitCount() const { return dib_.BitCount(); }

    // Reads picture data: a short string naming the kind, then the kind's bytes. An
    // unknown kind leaves no picture and skips the rest. Throws as TDIB does; the
    // picture is left empty (with the kind read) on failure. Without
    // options.decodePixels only the size and depth are kept, and Graphic() is nullptr.
    void LoadFromData(std::span<const uint8_t> data, const TDIBReadOptions& options = {});
    void Assign(const TDIB& dib, std::string kind = "TDIB");
    void Clear();

private:
    std::string kind_;
    bool hasGraphic_ = false;
    TDIB dib_;
};

// Picture data of kind "TDIB" for `dib`: kind name, 40-byte info header, 24-bit rows
// bottom-up, each padded to 4 bytes.
std::vector<uint8_t> WriteDIB24(const TDIB& dib);

} // namespace vl::graphics
