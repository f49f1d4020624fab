// SPDX-License-Identifier: GPL-3.0-or-later
// PictureCollection: the image list — named pictures read from a picture file, cut into
// equally sized patterns on display surfaces once the display is initialised, and drawn
// by pattern index with or without their transparent colour.
//
// Index:
//   - errors and message texts
//   - TPictureCollectionItemPattern, TPictureCollectionItem: one picture and its patterns
//   - TPictureCollection: the items, their name index, loading, Initialize/Restore
//   - TCustomDXImageList, TDXImageList: the component bound to a display
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "container/Error.h"
#include "container/HashCollection.h"
#include "container/ObjectStream.h"
#include "graphics/DIB.h"
#include "graphics/DXDraw.h"
#include "graphics/DirectDrawSurface.h"
#include "graphics/Rect.h"

namespace vl::graphics {

class EPictureCollectionError : public Error {
public:
    using Error::Error;
};
inline constexpr std::string_view kImageNotFound = "Image '%s' not found";

// The colour names a picture file may use for TransparentColor. Returns false for a
// name that is not one of them.
bool IdentToColor(std::string_view ident, TColor& color);
// The name of `color` when it has one ("clRed"); empty otherwise.
std::string ColorToIdent(TColor color);

struct TPictureCollectionItemPattern {
    TRect Rect;                            // on its surface
    TDirectDrawSurface* Surface = nullptr; // one of the item's surfaces
};

class TPictureCollection;

// An item keeps itself in the collection's name index (container::THashCollectionItem:
// Name, SetName, Index).
class TPictureCollectionItem : public container::THashCollectionItem, public container::Persistent {
public:
    explicit TPictureCollectionItem(TPictureCollection& collection);
    ~TPictureCollectionItem() override;
    TPictureCollectionItem(const TPictureCollectionItem&) = delete;
    TPictureCollectionItem& operator=(const TPictureCollectionItem&) = delete;

    TPictureCollection& Collection() const { return collection_; }

    // --- stored properties -------------------------------------------------------------
    const TPicture& Picture() const { return picture_; }
    TPicture& Picture() { return picture_; }
    void SetPicture(const TPicture& picture) { picture_ = picture; }
    int32_t PatternWidth() const { return patternWidth_; }
    int32_t PatternHeight() const { return patternHeight_; }
    int32_t SkipWidth() const { return skipWidth_; }
    int32_t SkipHeight() const { return skipHeight_; }
    void SetPatternWidth(int32_t v) { patternWidth_ = v; }
    void SetPatternHeight(int32_t v) { patternHeight_ = v; }
    void SetSkipWidth(int32_t v) { skipWidth_ = v; }
    void SetSkipHeight(int32_t v) { skipHeight_ = v; }
    bool SystemMemory() const { return systemMemory_; }
    void SetSystemMemory(bool v) { systemMemory_ = v; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v) { transparent_ = v; }
    TColor TransparentColor() const { return transparentColor_; }
    // A new value re-keys every surface the item already has.
    void SetTransparentColor(TColor color);

    // --- patterns ----------------------------------------------------------------------
    bool Initialized() const { return initialized_; }
    // PatternWidth/PatternHeight when above 0, else the picture's size (0 without one).
    int32_t ImageWidth() const;
    int32_t ImageHeight() const;
    int32_t PatternCount() const { return static_cast<int32_t>(patterns_.size()); }
    // The pattern's rectangle on its surface; (0, 0, 0, 0) for an index out of range.
    TRect PatternRect(int32_t index) const;
    // The pattern's surface; nullptr for an index out of range.
    TDirectDrawSurface* PatternSurface(int32_t index) const;
    // Draws pattern `index` with its top-left corner at (x, y), keyed when Transparent.
    // Nothing unless initialised and the index is in range.
    void DrawPattern(TDirectDrawSurface& dest, int32_t x, int32_t y, int32_t index) const;
    // The same, only inside `clip` of `dest`.
    void DrawPattern(TDirectDrawSurface& dest, int32_t x, int32_t y, int32_t index,
                     const TRect& clip) const;
    void DrawPattern(TDirectDrawSurface* dest, int32_t x, int32_t y, int32_t index) const {
        if (dest) DrawPattern(*dest, x, y, index);
    }
    size_t SurfaceCount() const { return surfaces_.size(); }
    TDirectDrawSurface& Surfaces(size_t i) const { return *surfaces_.at(i); }

    // Binds the item to the collection's display (Initialized := that display is
    // initialised). Finalize releases patterns and surfaces.
    void Initialize();
    void Finalize();
    // Rebuilds patterns and surfaces from the picture. Needs an initialised display;
    // does nothing otherwise or without a picture.
    void Restore();

    // --- reading (container::Persistent) ------------------------------------------------
    std::string ReaderName() const override { return "TPictureCollectionItem"; }
    container::Persistent* ObjectProperty(std::string_view name) override;
    void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

private:
    // The `Picture` sub-object of a stored item: its one property is `Data`.
    class PictureProperty : public container::Persistent {
    public:
        explicit PictureProperty(TPictureCollectionItem& item) : item_(item) {}
        std::string ReaderName() const override { return "TPicture"; }
        container::Persistent* ObjectProperty(std::string_view name) override;
        void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

    private:
        TPictureCollectionItem& item_;
    };

    void ClearSurfaces();
    // Appends a surface holding the picture rectangle, keyed with TransparentColor.
    TDirectDrawSurface* AddSurface(int32_t x, int32_t y, int32_t w, int32_t h);

    TPictureCollection& collection_;
    TPicture picture_;
    PictureProperty pictureProperty_{*this};
    bool initialized_ = false;
    int32_t patternHeight_ = 0;
    int32_t patternWidth_ = 0;
    std::vector<TPictureCollectionItemPattern> patterns_;
    int32_t skipHeight_ = 0;
    int32_t skipWidth_ = 0;
    std::vector<std::unique_ptr<TDirectDrawSurface>> surfaces_;
    bool systemMemory_ = false;
    bool transparent_ = true;
    TColor transparentColor_ = clBlack;
};

class TCustomDXImageList;

class TPictureCollection : public container::THashCollection, public container::Persistent {
public:
    explicit TPictureCollection(TCustomDXImageList* owner = nullptr);
    ~TPictureCollection() override;
    TPictureCollection(const TPictureCollection&) = delete;
    TPictureCollection& operator=(const TPictureCollection&) = delete;

    TCustomDXImageList* Owner() const { return owner_; }
    // Item `index` in file order; throws container::EListError(kListIndexError) outside.
    TPictureCollectionItem& Items(int32_t index) const;
    TPictureCollectionItem& operator[](int32_t index) const { return Items(index); }
    // The item named `name`, letter case ignored (the one named last among equal
    // names); throws EPictureCollectionError(kImageNotFound).
    TPictureCollectionItem& Find(std::string_view name) const;
    // As Find, nullptr when there is none.
    TPictureCollectionItem* FindOrNull(std::string_view name) const;
    // A new item with the defaults, at the end.
    TPictureCollectionItem& Add();
    void Clear();

    const std::array<uint8_t, 1024>& ColorTable() const { return colorTable_; }

    // How the pictures of the items read from now on are decoded: the game's defaults,
    // or a smaller pixel budget, or no pixels at all (items then have sizes but no
    // Graphic()), for tools and checks that read untrusted files. The decoded pictures of
    // one file hold at most the options' maxFilePixels (at most kMaxPictureFilePixels)
    // pixels in all; the picture that would pass it is "DIB is invalid".
    void SetReadOptions(const TDIBReadOptions& options) { readOptions_ = options; }
    const TDIBReadOptions& ReadOptions() const { return readOptions_; }

    // The display the items are prepared for; nullptr while finalised.
    TCustomDXDraw* DXDraw() const { return dxdraw_; }
    // Finalize, remember `dxdraw`, and bind every item. Throws
    // EPictureCollectionError("TPictureCollection cannot be initialized") when the
    // display is not initialised.
    void Initialize(TCustomDXDraw& dxdraw);
    // Releases every item's surfaces and forgets the display.
    void Finalize();
    // Rebuilds every item's patterns, in order.
    void Restore();

    // Reads a picture file; `path` is in the program's own form (backslashes separate
    // folders). Throws container::EFOpenError, EReadError and the decoder's errors; the
    // items read before a failure (and the one being read) stay. When the collection is
    // prepared for an initialised display, it is initialised and restored afterwards.
    // The file is read only as far as its content declares.
    void LoadFromFile(const std::string& path);
    void LoadFromStream(std::span<const uint8_t> data);
    void LoadFromStream(container::ByteReader& in);

    // --- reading (container::Persistent): the List's own property ColorTable ---------
    std::string ReaderName() const override { return "TPictureCollection"; }
    container::Persistent* ObjectProperty(std::string_view name) override;
    void ReadProperty(std::string_view name, container::ObjectReader& reader) override;

private:
    TCustomDXImageList* owner_;
    TCustomDXDraw* dxdraw_ = nullptr;
    std::array<uint8_t, 1024> colorTable_{};
    TDIBReadOptions readOptions_;
    int64_t pixelsDecoded_ = 0; // by the items read since the last Clear

    friend class TPictureCollectionItem; // spends the file's pixel budget as it reads
};

class TCustomDXImageList {
public:
    TCustomDXImageList();
    // Lets go of the display first, then frees the items.
    virtual ~TCustomDXImageList();
    TCustomDXImageList(const TCustomDXImageList&) = delete;
    TCustomDXImageList& operator=(const TCustomDXImageList&) = delete;

    TCustomDXDraw* DXDraw() const { return dxdraw_; }
    // Leaves the old display's notification list and joins the new one's, which
    // replays its state (so an initialised display prepares the items at once).
    void SetDXDraw(TCustomDXDraw* dxdraw);
    // The framework tells us a component is going away: forget it if it is ours.
    void ComponentRemoved(const TCustomDXDraw* component) {
        if (component && component == dxdraw_) SetDXDraw(nullptr);
    }
    TPictureCollection& Items() { return *items_; }
    const TPictureCollection& Items() const { return *items_; }

private:
    void DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type);

    TCustomDXDraw* dxdraw_ = nullptr;
    std::unique_ptr<TPictureCollection> items_;
};

class TDXImageList : public TCustomDXImageList {
public:
    using TCustomDXImageList::TCustomDXImageList;
};

} // namespace vl::graphics
