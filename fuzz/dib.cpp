// fuzz_dib: arbitrary bytes into the bitmap decoder. The first byte chooses the form:
// even = bitmap without file header ("TDIB" data), odd = a whole .bmp file ("TBitmap");
// the whole input is also tried as picture data with its kind name.
#include <cstddef>
#include <cstdint>
#include <span>

#include "container/ObjectStream.h"
#include "graphics/DIB.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const std::span<const uint8_t> rest(data + 1, size - 1);
    try {
        vl::graphics::TDIB dib;
        if (data[0] % 2 == 0) {
            vl::container::ByteReader in(rest);
            dib.LoadDIB(in);
        } else {
            dib.LoadBitmapFile(rest);
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
        picture.LoadFromData(std::span<const uint8_t>(data, size));
    } catch (const vl::Error&) {
    }
    return 0;
}
