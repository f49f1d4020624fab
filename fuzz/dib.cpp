// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_dib: arbitrary bytes into the bitmap decoder. The first byte chooses the form:
// even = bitmap without file header ("TDIB" data), odd = a whole .bmp file ("TBitmap");
// the whole input is also tried as picture data with its kind name. Pictures are held to a
// small pixel budget.
#include <cstddef>
#include <cstdint>
#include <span>

#include "container/ObjectStream.h"
#include "graphics/DIB.h"

namespace {

// A picture budget far below the game's limit: a few bytes of run-length data may claim
// any size up to it, and filling that many pixels would make each run slow. Size checks
// are the same code at any budget.
constexpr vl::graphics::TDIBReadOptions kBudget{.maxPixels = 1 << 16};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    try {
        vl::graphics::TDIB dib;
        if (data[0] % 2 == 0) {
            vl::container::ByteReader in(rest);
            dib.LoadDIB(in, kBudget);
        } else {
            dib.LoadBitmapFile(rest, kBudget);
        }
        // Touch every pixel so a wrong size shows up under the sanitizers.
        uint32_t sum = 0;
        for (uint32_t p : dib.Pixels()) sum += p;
        if (dib.Pixels().size() != static_cast<size_t>(dib.Width()) * dib.Height())
            __builtin_trap();
        (void)sum;
    } catch (const vl::Error&) {
    }
    try {
        vl::graphics::TPicture picture;
        picture.LoadFromData(std::span<const uint8_t>(data, size), kBudget);
    } catch (const vl::Error&) {
    }
    return 0;
}
