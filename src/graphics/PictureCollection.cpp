// SPDX-License-Identifier: GPL-3.0-or-later
// PictureCollection: the image list's items, their reading from picture files, and the
// cutting of each picture into patterns on display surfaces.
//
// Index:
//   - colour names
//   - TPictureCollectionItem: properties, Restore (patterns and tiles), drawing, reading
//   - TPictureCollection: items, Find, Initialize/Finalize/Restore, loading
//   - TCustomDXImageList: the display link
#include "graphics/PictureCollection.h"

#include "base/Check.h"
#include "container/InputFile.h"

#include <algorithm>
#include <utility>

namespace vl::graphics {

using container::EReadError;
using container::ObjectReader;
using container::Persistent;
using container::SameName;

namespace {

struct NamedColor {
    std::string_view name;
    TColor color;
};

// The colour identifiers a stored TransparentColor may use.
constexpr NamedColor kColorNames[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
    {"clScrollBar", 0xFF000000},
    {"clBackground", 0xFF000001},
    {"clActiveCaption", 0xFF000002},
    {"clInactiveCaption", 0xFF000003},
    {"clMenu", 0xFF000004},
    {"clWindow", 0xFF000005},
    {"clWindowFrame", 0xFF000006},
    {"clMenuText", 0xFF000007},
    {"clWindowText", 0xFF000008},
    {"clCaptionText", 0xFF000009},
    {"clActiveBorder", 0xFF00000A},
    {"clInactiveBorder", 0xFF00000B},
    {"clAppWorkSpace", 0xFF00000C},
    {"clHighlight", 0xFF00000D},
    {"clHighlightText", 0xFF00000E},
    {"clBtnFace", 0xFF00000F},
    {"clBtnShadow", 0xFF000010},
    {"clGrayText", 0xFF000011},
    {"clBtnText", 0xFF000012},
    {"clInactiveCaptionText", 0xFF000013},
    {"clBtnHighlight", 0xFF000014},
    {"cl3DDkShadow", 0xFF000015},
    {"cl3DLight", 0xFF000016},
    {"clInfoText", 0xFF000017},
    {"clInfoBk", 0xFF000018},
    {"clHotLight", 0xFF00001A},
    {"clGradientActiveCaption", 0xFF00001B},
    {"clGradientInactiveCaption", 0xFF00001C},
    {"clMenuHighlight", 0xFF00001D},
    {"clMenuBar", 0xFF00001E},
};

[[noreturn]] void NoSuchProperty(std::string_view name) {
    throw EReadError(Format(container::kPropertyDoesNotExist, {name}));
}

[[noreturn]] void BadValue() {
    throw EReadError(std::string(container::kInvalidPropertyValue));
}

// The root object of a picture file; its only property `List` is the collection.
class PictureCollectionComponent : public Persistent {
public:
    explicit PictureCollectionComponent(TPictureCollection& list) : list_(list) {}
    std::string ReaderName() const override { return "TPictureCollectionComponent"; }
    Persistent* ObjectProperty(std::string_view name) override {
        if (SameName(name, "List")) return &list_;
        NoSuchProperty(name);
    }
    void ReadProperty(std::string_view name, ObjectReader& reader) override {
        if (!SameName(name, "List")) NoSuchProperty(name);
        reader.ReadCollection([this] { list_.Clear(); },
                              [this]() -> Persistent& { return list_.Add(); });
    }

private:
    TPictureCollection& list_;
};

} // namespace

bool IdentToColor(std::string_view ident, TColor& color) {
    for (const NamedColor& c : kColorNames)
        if (SameName(c.name, ident)) {
            color = c.color;
            return true;
        }
    return false;
}

std::string ColorToIdent(TColor color) {
    for (const NamedColor& c : kColorNames)
        if (c.color == color) return std::string(c.name);
    return {};
}

// --- TPictureCollectionItem ------------------------------------------------------------

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& collection)
    : THashCollectionItem(collection), collection_(collection) {}

TPictureCollectionItem::~TPictureCollectionItem() {
    ClearSurfaces();
}

int32_t TPictureCollectionItem::ImageWidth() const {
    return patternWidth_ > 0 ? patternWidth_ : picture_.Width();
}

int32_t TPictureCollectionItem::ImageHeight() const {
    return patternHeight_ > 0 ? patternHeight_ : picture_.Height();
}

TRect TPictureCollectionItem::PatternRect(int32_t index) const {
    if (index < 0 || index >= PatternCount()) return TRect{};
    return patterns_[static_cast<size_t>(index)].Rect;
}

TDirectDrawSurface* TPictureCollectionItem::PatternSurface(int32_t index) const {
    if (index < 0 || index >= PatternCount()) return nullptr;
    return patterns_[static_cast<size_t>(index)].Surface;
}

void TPictureCollectionItem::DrawPattern(TDirectDrawSurface& dest, int32_t x, int32_t y,
                                         int32_t index) const {
    if (!initialized_ || index < 0 || index >= PatternCount()) return;
    const TPictureCollectionItemPattern& p = patterns_[static_cast<size_t>(index)];
    if (p.Surface) dest.Draw(x, y, p.Rect, p.Surface, transparent_);
}

void TPictureCollectionItem::DrawPattern(TDirectDrawSurface& dest, int32_t x, int32_t y,
                                         int32_t index, const TRect& clip) const {
    if (!initialized_ || index < 0 || index >= PatternCount()) return;
    const TPictureCollectionItemPattern& p = patterns_[static_cast<size_t>(index)];
    if (p.Surface) dest.Draw(x, y, p.Rect, p.Surface, transparent_, clip);
}

void TPictureCollectionItem::SetTransparentColor(TColor color) {
    if (color == transparentColor_) return;
    transparentColor_ = color;
    for (auto& s : surfaces_) s->SetTransparentColor(s->ColorMatch(color));
}

void TPictureCollectionItem::Initialize() {
    TCustomDXDraw* dxdraw = collection_.DXDraw();
    initialized_ = dxdraw && dxdraw->Initialized();
}

void TPictureCollectionItem::Finalize() {
    if (!initialized_) return;
    initialized_ = false;
    ClearSurfaces();
}

void TPictureCollectionItem::ClearSurfaces() {
    patterns_.clear();
    surfaces_.clear();
}

TDirectDrawSurface* TPictureCollectionItem::AddSurface(int32_t x, int32_t y, int32_t w, int32_t h) {
    TCustomDXDraw* dxdraw = collection_.DXDraw();
    std::unique_ptr<TDirectDrawSurface> s =
        dxdraw ? dxdraw->CreateSurface() : std::make_unique<TDirectDrawSurface>();
    s->SystemMemory = systemMemory_;
    // A surface that cannot be made stays without pixels: its patterns draw nothing.
    if (s->SetSize(w, h)) {
        s->CopyFromPicture(*picture_.Graphic(), x, y, w, h);
        s->SetTransparentColor(s->ColorMatch(transparentColor_));
    }
    surfaces_.push_back(std::move(s));
    return surfaces_.back().get();
}

void TPictureCollectionItem::Restore() {
    if (!picture_.Graphic()) return;
    if (!initialized_) {
        TCustomDXDraw* dxdraw = collection_.DXDraw();
        if (dxdraw && dxdraw->Initialized()) Initialize();
        if (!initialized_) return;
    }
    ClearSurfaces();

    // 64-bit arithmetic: stored sizes and skips are any 32-bit values.
    const int64_t W = ImageWidth(), H = ImageHeight();
    const int64_t PW = picture_.Width(), PH = picture_.Height();
    if (PW <= 0 || PH <= 0) return;
    const int64_t cw = W + skipWidth_, ch = H + skipHeight_;
    auto addPattern = [&](int64_t x, int64_t y, TDirectDrawSurface* s) {
        patterns_.push_back(TPictureCollectionItemPattern{
            TRect{static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(x + W),
                  static_cast<int32_t>(y + H)},
            s});
    };

    if (W == PW && H == PH) { // the whole picture is the one pattern
        addPattern(0, 0, AddSurface(0, 0, static_cast<int32_t>(PW), static_cast<int32_t>(PH)));
        return;
    }
    // A cell of zero or negative size (skips below -size) cuts nothing.
    if (cw <= 0 || ch <= 0) return;
    const int64_t rows = (PH + skipHeight_) / ch, cols = (PW + skipWidth_) / cw;

    if (systemMemory_) { // one surface, patterns cut straight from it
        TDirectDrawSurface* s =
            AddSurface(0, 0, static_cast<int32_t>(PW), static_cast<int32_t>(PH));
        for (int64_t r = 0; r < rows; ++r)
            for (int64_t c = 0; c < cols; ++c) addPattern(c * cw, r * ch, s);
        return;
    }

    // Tiles: the fewest whole cells that reach 512 pixels, at most the picture's cells.
    const int64_t f = std::min(cw * ((cw + 511) / cw), cw * cols);
    const int64_t g = std::min(ch * ((ch + 511) / ch), ch * rows);
    if (f <= 0 || g <= 0) return;
    const int64_t n = (PW + f - 1) / f, m = (PH + g - 1) / g;
    for (int64_t i = 0; i < m; ++i)
        for (int64_t j = 0; j < n; ++j) {
            int64_t w = std::min(f, PW - j * f), h = std::min(g, PH - i * g);
            if (w <= 0) w = f;
            if (h <= 0) h = g;
            AddSurface(static_cast<int32_t>(j * f), static_cast<int32_t>(i * g),
                       static_cast<int32_t>(w), static_cast<int32_t>(h));
        }
    for (int64_t r = 0; r < rows; ++r)
        for (int64_t c = 0; c < cols; ++c) {
            const int64_t x = c * cw, y = r * ch;
            const int64_t index = x / f + n * (y / g);
            TDirectDrawSurface* s = index < static_cast<int64_t>(surfaces_.size())
                                        ? surfaces_[static_cast<size_t>(index)].get()
                                        : nullptr;
            addPattern(x % f, y % g, s);
        }
}

Persistent* TPictureCollectionItem::ObjectProperty(std::string_view name) {
    if (SameName(name, "Picture")) return &pictureProperty_;
    for (std::string_view plain : {"Name", "PatternHeight", "PatternWidth", "SkipHeight",
                                   "SkipWidth", "SystemMemory", "Transparent", "TransparentColor"})
        if (SameName(name, plain)) return nullptr;
    NoSuchProperty(name);
}

void TPictureCollectionItem::ReadProperty(std::string_view name, ObjectReader& reader) {
    if (SameName(name, "Name")) {
        SetName(reader.ReadString());
    } else if (SameName(name, "PatternHeight")) {
        patternHeight_ = reader.ReadInteger();
    } else if (SameName(name, "PatternWidth")) {
        patternWidth_ = reader.ReadInteger();
    } else if (SameName(name, "SkipHeight")) {
        skipHeight_ = reader.ReadInteger();
    } else if (SameName(name, "SkipWidth")) {
        skipWidth_ = reader.ReadInteger();
    } else if (SameName(name, "SystemMemory")) {
        systemMemory_ = reader.ReadBoolean();
    } else if (SameName(name, "Transparent")) {
        transparent_ = reader.ReadBoolean();
    } else if (SameName(name, "TransparentColor")) {
        if (reader.PeekTag() == container::ValueTag::Ident) {
            TColor color = 0;
            if (!IdentToColor(reader.ReadIdent(), color)) BadValue();
            SetTransparentColor(color);
        } else {
            SetTransparentColor(static_cast<TColor>(reader.ReadInteger()));
        }
    } else if (SameName(name, "Picture")) {
        BadValue(); // an object, stored only through its Data
    } else {
        NoSuchProperty(name);
    }
}

Persistent* TPictureCollectionItem::PictureProperty::ObjectProperty(std::string_view name) {
    if (SameName(name, "Data")) return nullptr;
    NoSuchProperty(name);
}

void TPictureCollectionItem::PictureProperty::ReadProperty(std::string_view name,
                                                           ObjectReader& reader) {
    if (!SameName(name, "Data")) NoSuchProperty(name);
    TPictureCollection& list = item_.collection_;
    TDIBReadOptions options = list.ReadOptions();
    const int64_t budget = std::min(options.maxFilePixels, kMaxPictureFilePixels);
    if (options.decodePixels)
        options.maxPixels = std::min(options.maxPixels, budget - list.pixelsDecoded_);
    item_.picture_.LoadFromData(reader.ReadBinarySpan(), options);
    if (options.decodePixels && item_.picture_.Graphic() != nullptr)
        list.pixelsDecoded_ += int64_t{item_.picture_.Width()} * item_.picture_.Height();
    VL_CHECK(list.pixelsDecoded_ <= budget, "the pictures decoded stay within the budget");
}

// --- TPictureCollection ----------------------------------------------------------------

TPictureCollection::TPictureCollection(TCustomDXImageList* owner) : owner_(owner) {}

TPictureCollection::~TPictureCollection() {
    ClearItems();
}

TPictureCollectionItem& TPictureCollection::Items(int32_t index) const {
    return static_cast<TPictureCollectionItem&>(ItemAt(index));
}

TPictureCollectionItem* TPictureCollection::FindOrNull(std::string_view name) const {
    return static_cast<TPictureCollectionItem*>(FindItem(name));
}

TPictureCollectionItem& TPictureCollection::Find(std::string_view name) const {
    TPictureCollectionItem* item = FindOrNull(name);
    if (!item) throw EPictureCollectionError(Format(kImageNotFound, {name}));
    return *item;
}

TPictureCollectionItem& TPictureCollection::Add() {
    return static_cast<TPictureCollectionItem&>(
        AddItem(std::make_unique<TPictureCollectionItem>(*this)));
}

void TPictureCollection::Clear() {
    ClearItems();
    pixelsDecoded_ = 0;
}

void TPictureCollection::Initialize(TCustomDXDraw& dxdraw) {
    Finalize();
    dxdraw_ = &dxdraw;
    if (!dxdraw.Initialized())
        throw EPictureCollectionError(
            Format(kCannotInitialize, {std::string_view("TPictureCollection")}));
    for (int32_t i = 0; i < Count(); ++i) Items(i).Initialize();
}

void TPictureCollection::Finalize() {
    struct Forget {
        TCustomDXDraw*& d;
        ~Forget() { d = nullptr; }
    } forget{dxdraw_};
    for (int32_t i = 0; i < Count(); ++i) Items(i).Finalize();
}

void TPictureCollection::Restore() {
    for (int32_t i = 0; i < Count(); ++i) Items(i).Restore();
}

void TPictureCollection::LoadFromFile(const std::string& path) {
    container::InputFile file(container::ProgramDataPath(path));
    container::ByteReader in(file);
    LoadFromStream(in);
}

void TPictureCollection::LoadFromStream(std::span<const uint8_t> data) {
    container::ByteReader in(data);
    LoadFromStream(in);
}

void TPictureCollection::LoadFromStream(container::ByteReader& in) {
    Clear();
    ObjectReader reader(in);
    reader.ReadResourceHeader();
    PictureCollectionComponent root(*this);
    reader.ReadRootObject(root);
    if (dxdraw_ && dxdraw_->Initialized()) {
        Initialize(*dxdraw_);
        Restore();
    }
}

Persistent* TPictureCollection::ObjectProperty(std::string_view name) {
    if (SameName(name, "ColorTable")) return nullptr;
    NoSuchProperty(name);
}

void TPictureCollection::ReadProperty(std::string_view name, ObjectReader& reader) {
    if (!SameName(name, "ColorTable")) NoSuchProperty(name);
    std::span<const uint8_t> table = reader.ReadBinarySpan();
    if (table.size() < colorTable_.size())
        throw EReadError(std::string(container::kStreamReadError));
    std::copy_n(table.begin(), colorTable_.size(), colorTable_.begin());
}

// --- TCustomDXImageList ----------------------------------------------------------------

TCustomDXImageList::TCustomDXImageList() : items_(std::make_unique<TPictureCollection>(this)) {}

TCustomDXImageList::~TCustomDXImageList() {
    try {
        SetDXDraw(nullptr);
    } catch (...) { // a destructor has nobody to report to
    }
    items_.reset();
}

void TCustomDXImageList::SetDXDraw(TCustomDXDraw* dxdraw) {
    if (dxdraw_) dxdraw_->RemoveNotify(this);
    dxdraw_ = dxdraw;
    if (dxdraw_)
        dxdraw_->AddNotify(
            [this](TCustomDXDraw& sender, TDXDrawNotifyType type) { DXDrawNotify(sender, type); },
            this);
}

void TCustomDXImageList::DXDrawNotify(TCustomDXDraw& sender, TDXDrawNotifyType type) {
    switch (type) {
    case dxntDestroying:
        SetDXDraw(nullptr);
        break;
    case dxntInitialize:
        items_->Initialize(sender);
        break;
    case dxntFinalize:
        items_->Finalize();
        break;
    case dxntRestore:
        items_->Restore();
        break;
    default:
        break;
    }
}

} // namespace vl::graphics
