// SPDX-License-Identifier: GPL-3.0-or-later
// ToolkitListBox: the single-selection list box of the windowing layer.
//
// The menus are list boxes driven by keys: the key-down of an arrow or paging key moves the
// selection, typed characters reach the key-press handler and then the letter search, and
// every selection change made by the user fires OnClick. A program that sets ItemIndex
// itself fires nothing, which the menus rely on when they reset to entry 0.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vl::platform {

class Toolkit;
class Form;

class ListBox {
public:
    ListBox(Toolkit& toolkit, Form& owner, std::string name, int left, int top, int width,
            int height);
    ListBox(const ListBox&) = delete;
    ListBox& operator=(const ListBox&) = delete;

    const std::string& Name() const { return name_; }
    Form& Owner() const { return owner_; }
    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

    // Entries, UTF-8.
    void SetItems(std::vector<std::string> items);
    const std::vector<std::string>& Items() const { return items_; }
    int Count() const { return static_cast<int>(items_.size()); }

    // The selected entry, -1 when none. Setting it fires no event; a value outside the
    // entries clears the selection.
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int index);
    // First visible entry; the list scrolls to keep the selection in view.
    int TopIndex() const { return topIndex_; }
    // Whole rows that fit in the client area.
    int VisibleRows() const;

    int ItemHeight = 13;
    // On: typed characters build a search text (a 500 ms pause starts a new one, Backspace
    // takes the last character off) matched against entry beginnings. Off: a typed
    // character moves to the next entry beginning with it, wrapping.
    bool AutoComplete = true;

    std::function<void()> OnClick;    // the user changed the selection
    std::function<void()> OnDblClick; // double click on an entry
    // Key-down (virtual-key code) before the list box acts; setting it to 0 consumes it.
    std::function<void(uint8_t& vk)> OnKeyDown;
    // Key-press character before the letter search; setting it to 0 consumes it.
    std::function<void(char32_t& key)> OnKeyPress;

    // Input from the toolkit's dispatcher. Handlers run through the toolkit's boundary.
    void KeyDown(uint8_t vk);
    void KeyPress(char32_t key);
    // Mouse press in the list box's own coordinates; `dbl` for the second press of a
    // double click.
    void MouseDown(int x, int y, bool dbl);
    // A mouse press on entry `index` (scrolled into view first); nothing outside the entries.
    void ClickEntry(int index, bool dbl);

private:
    void SelectByUser(int index); // selection change that fires OnClick
    void ScrollIntoView();
    void PlainSearch(char32_t key);
    void IncrementalSearch(char32_t key);

    Toolkit& toolkit_;
    Form& owner_;
    std::string name_;
    int left_, top_, width_, height_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
    int topIndex_ = 0;
    std::u32string search_;     // incremental search text
    uint32_t lastSearchMs_ = 0; // clock reading of the last typed search character
    bool searchedOnce_ = false;
};

// Lower-cases the Latin letters the menus use (ASCII, Latin-1, Latin Extended-A).
char32_t FoldCase(char32_t c);
// Decodes UTF-8 into code points; malformed bytes become U+FFFD.
std::u32string DecodeUtf8(std::string_view text);

} // namespace vl::platform
