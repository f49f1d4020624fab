// SPDX-License-Identifier: GPL-3.0-or-later
// Fuzz target: arbitrary bytes as a Wave.WAVE block into TWave::LoadFromStream. Only
// vl::Error may leave the reader; anything else escaping is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "container/ObjectStream.h"
#include "sound/Wave.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    vl::container::ByteReader in(std::span<const uint8_t>(data, size));
    vl::sound::TWave wave;
    try {
        wave.LoadFromStream(in);
    } catch (const vl::Error&) {
        // A failed read leaves the record empty.
        if (!wave.Empty()) std::abort();
        return 0;
    }
    // What was read lies inside the input, and writing it back reads the same.
    if (wave.Format.size() + wave.Data.size() > size) std::abort();
    const std::vector<uint8_t> again = wave.SaveToBytes();
    vl::container::ByteReader in2(again);
    vl::sound::TWave back;
    back.LoadFromStream(in2);
    if (back.Format != wave.Format || back.Data != wave.Data) std::abort();
    return 0;
}
