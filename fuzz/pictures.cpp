// fuzz_pictures: arbitrary bytes as a picture file, loaded into an image list bound to an
// initialised headless display (so every item is cut into patterns at once), then every
// pattern drawn and the surfaces restored as after a surface loss.
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
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Rig rig;
    vl::graphics::TPictureCollection& items = rig.images.Items();
    try {
        items.LoadFromStream(std::span<const uint8_t>(data, size));
    } catch (const vl::Error&) {
    }
    try {
        // The items read before a failure are there too: prepare and draw them all.
        items.Initialize(rig.draw);
        items.Restore();
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
