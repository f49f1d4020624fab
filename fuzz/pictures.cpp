// SPDX-License-Identifier: GPL-3.0-or-later
// fuzz_pictures: arbitrary bytes as a picture file, loaded into an image list bound to an
// initialised headless display (so every item is cut into patterns at once), then every
// pattern drawn and the surfaces restored as after a surface loss. Pictures are held to a
// small pixel budget.
#include <cstddef>
#include <cstdint>
#include <span>

#include "graphics/DXDraws.h"
#include "platform/Presenter.h"

namespace {

// One display for the whole run: making it is the costly part, and loading a file
// replaces every item anyway.
struct Rig {
    vl::platform::HeadlessPresenter window{64, 48};
    vl::graphics::TDXDraw draw;
    vl::graphics::TDXImageList images;
    Rig() {
        draw.SetPresenter(&window);
        draw.SetBounds(0, 0, 64, 48);
        images.SetDXDraw(&draw);
        draw.Initialize();
        // A few bytes of run-length data may claim a picture of the game's full limit;
        // a small budget keeps each run quick while the size checks stay the same code.
        images.Items().SetReadOptions({.maxPixels = 1 << 16});
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Rig rig;
    vl::graphics::TPictureCollection& items = rig.images.Items();
    bool loaded = false;
    try {
        items.LoadFromStream(std::span<const uint8_t>(data, size));
        loaded = true; // and prepared: the display is initialised
    } catch (const vl::Error&) {
    }
    try {
        // The items read before a failure are there too: prepare them once as well.
        if (!loaded) {
            items.Initialize(rig.draw);
            items.Restore();
        }
        for (int32_t i = 0; i < items.Count(); ++i) {
            vl::graphics::TPictureCollectionItem& item = items.Items(i);
            for (int32_t p = 0; p < item.PatternCount() && p < 64; ++p)
                item.DrawPattern(rig.draw.Surface(), p % 7 - 3, p % 5 - 2, p);
            (void)items.FindOrNull(item.Name());
        }
        rig.draw.Surface().SetLostForTesting(true);
        (void)rig.draw.CanDraw();
    } catch (const vl::Error&) {
    }
    return 0;
}
