// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitListBox: selection moves by keys and mouse, and the two kinds of letter search.
#include "platform/ToolkitListBox.h"

#include <algorithm>

#include "platform/Keys.h"
#include "platform/Toolkit.h"

namespace vl::platform {

namespace {
constexpr uint32_t kSearchPauseMs = 500; // a longer pause starts a new search text
constexpr int kBorder = 2;               // the list box's frame, top and bottom
} // namespace

char32_t FoldCase(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if (c >= 0x100 && c <= 0x137) return c | 1;               // pairs: even upper
    if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c; // pairs: odd upper
    if (c >= 0x14A && c <= 0x177) return c | 1;
    if (c == 0x178) return 0xFF;
    if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
    return c;
}

std::u32string DecodeUtf8(std::string_view text) {
    std::u32string out;
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (b < 0x80) {
            cp = b;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07;
        } else {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        if (i + static_cast<size_t>(extra) >= text.size()) { // truncated sequence
            out += U'\uFFFD';
            break;
        }
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((c & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += U'\uFFFD';
            ++i;
            continue;
        }
        out += cp;
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

ListBox::ListBox(Toolkit& toolkit, Form& owner, std::string name, int left, int top, int width,
                 int height)
    : toolkit_(toolkit), owner_(owner), name_(std::move(name)), left_(left), top_(top),
      width_(width), height_(height) {}

void ListBox::SetItems(std::vector<std::string> items) {
    items_ = std::move(items);
    itemIndex_ = -1;
    topIndex_ = 0;
    owner_.Invalidate();
}

void ListBox::SetItemIndex(int index) {
    if (index < 0 || index >= Count()) index = -1;
    if (index == itemIndex_) return;
    itemIndex_ = index;
    ScrollIntoView();
    toolkit_.NotifySelect(*this, itemIndex_);
    owner_.Invalidate();
}

int ListBox::VisibleRows() const {
    return std::max(1, (height_ - 2 * kBorder) / std::max(ItemHeight, 1));
}

void ListBox::ScrollIntoView() {
    if (itemIndex_ < 0) return;
    const int rows = VisibleRows();
    if (itemIndex_ < topIndex_) topIndex_ = itemIndex_;
    if (itemIndex_ >= topIndex_ + rows) topIndex_ = itemIndex_ - rows + 1;
}

void ListBox::SelectByUser(int index) {
    if (index < 0 || index >= Count() || index == itemIndex_) return;
    SetItemIndex(index);
    toolkit_.Invoke(OnClick);
}

void ListBox::KeyDown(uint8_t vk) {
    if (OnKeyDown) {
        if (!toolkit_.Invoke([&] { OnKeyDown(vk); })) return;
        if (vk == 0) return;
    }
    const int count = Count();
    if (count == 0) return;
    const int page = std::max(VisibleRows() - 1, 1);
    const int cur = itemIndex_;
    int next = cur;
    switch (vk) {
    case kVkUp:
    case kVkLeft:
        next = cur <= 0 ? 0 : cur - 1;
        break; // one column: Left acts as Up
    case kVkDown:
    case kVkRight:
        next = cur < 0 ? 0 : std::min(cur + 1, count - 1);
        break;
    case kVkHome:
        next = 0;
        break;
    case kVkEnd:
        next = count - 1;
        break;
    case kVkPrior:
        next = cur < 0 ? 0 : std::max(cur - page, 0);
        break;
    case kVkNext:
        next = cur < 0 ? 0 : std::min(cur + page, count - 1);
        break;
    default:
        return;
    }
    SelectByUser(next);
}

void ListBox::KeyPress(char32_t key) {
    if (OnKeyPress) {
        if (!toolkit_.Invoke([&] { OnKeyPress(key); })) return;
        if (key == 0) return;
    }
    if (AutoComplete)
        IncrementalSearch(key);
    else
        PlainSearch(key);
}

void ListBox::PlainSearch(char32_t key) {
    if (key < 32 || Count() == 0) return; // control characters do not search
    const char32_t want = FoldCase(key);
    const int count = Count();
    for (int step = 1; step <= count; ++step) {
        const int i = ((itemIndex_ < 0 ? -1 : itemIndex_) + step + count) % count;
        const std::u32string text = DecodeUtf8(items_[static_cast<size_t>(i)]);
        if (!text.empty() && FoldCase(text[0]) == want) {
            SelectByUser(i);
            return;
        }
    }
}

void ListBox::IncrementalSearch(char32_t key) {
    // Enter and Escape pass the search by; other control characters but Backspace too.
    if (key != U'\b' && key < 32) return;
    const uint32_t now = toolkit_.Clock().NowMs();
    if (!searchedOnce_ || static_cast<uint32_t>(now - lastSearchMs_) >= kSearchPauseMs)
        search_.clear();
    lastSearchMs_ = now;
    searchedOnce_ = true;
    if (key == U'\b') {
        if (!search_.empty()) search_.pop_back();
    } else {
        search_ += FoldCase(key);
    }
    if (search_.empty()) return;
    for (int i = 0; i < Count(); ++i) {
        std::u32string text = DecodeUtf8(items_[static_cast<size_t>(i)]);
        if (text.size() < search_.size()) continue;
        bool match = true;
        for (size_t k = 0; k < search_.size() && match; ++k)
            match = FoldCase(text[k]) == search_[k];
        if (match) {
            SelectByUser(i);
            return;
        }
    }
}

void ListBox::MouseDown(int x, int y, bool dbl) {
    if (x < 0 || y < kBorder) return;
    ClickEntry(topIndex_ + (y - kBorder) / std::max(ItemHeight, 1), dbl);
}

void ListBox::ClickEntry(int index, bool dbl) {
    if (index < 0 || index >= Count()) return;
    SelectByUser(index);
    if (dbl) toolkit_.Invoke(OnDblClick);
}

} // namespace vl::platform
