// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the list box: key and mouse navigation, silent selection, both letter searches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/HeadlessToolkit.h"
#include "platform/Keys.h"

namespace vl::platform {
namespace {

class RecordingObserver : public ToolkitObserver {
public:
    void OnWindowEvent(std::string_view ev, const Form& form) override {
        events.push_back(std::string(ev) + " " + form.Name());
    }
    void OnSelect(const ListBox&, int index) override { selects.push_back(index); }
    void OnMessageBox(std::string_view, std::string_view text) override {
        boxes.emplace_back(text);
    }
    std::vector<std::string> events, boxes;
    std::vector<int> selects;
};

struct ListFixture : ::testing::Test {
    VirtualClock clock;
    HeadlessToolkit tk{clock};
    RecordingObserver obs;
    Form& form = tk.CreateForm("f", "F", 0, 0, 544, 375);
    ListBox& list = form.AddListBox("list", 10, 20, 121, 97);
    std::vector<int> clicks; // ItemIndex at each OnClick

    ListFixture() {
        tk.SetObserver(&obs);
        list.SetItems({"Start hry", "Test reproduktorů", "Průvodce zvuky", "Konec hry", "Tlačítko",
                       "Šipka", "Čtení", "Osm", "Devět", "Deset"});
        list.OnClick = [this] { clicks.push_back(list.ItemIndex()); };
        form.Show();
    }
    void Key(uint8_t vk) {
        tk.UserKeyDown(vk);
        tk.UserKeyUp(vk);
        tk.RunUntil(clock.ElapsedMs());
    }
    void Type(char32_t c) {
        tk.UserType(c);
        tk.RunUntil(clock.ElapsedMs());
    }
};

TEST_F(ListFixture, KeysMoveTheSelectionAndEachChangeFiresOnClickOnce) {
    list.SetItemIndex(0);
    Key(kVkDown);
    Key(kVkDown);
    Key(kVkUp);
    EXPECT_EQ(clicks, (std::vector<int>{1, 2, 1}));
    Key(kVkEnd);
    Key(kVkDown); // already at the end: no change, no event
    EXPECT_EQ(list.ItemIndex(), 9);
    Key(kVkHome);
    Key(kVkUp);
    EXPECT_EQ(clicks, (std::vector<int>{1, 2, 1, 9, 0}));
    // 97 pixels of 13-pixel rows: 7 rows, a page moves 6.
    EXPECT_EQ(list.VisibleRows(), 7);
    Key(kVkNext);
    EXPECT_EQ(list.ItemIndex(), 6);
    Key(kVkNext);
    EXPECT_EQ(list.ItemIndex(), 9);
    EXPECT_EQ(list.TopIndex(), 3);
    Key(kVkPrior);
    EXPECT_EQ(list.ItemIndex(), 3);
    Key(kVkEscape); // neither moves nor searches
    EXPECT_EQ(list.ItemIndex(), 3);
}

TEST_F(ListFixture, ProgramSetSelectionIsSilentButTraced) {
    list.SetItemIndex(2);
    list.SetItemIndex(2);
    list.SetItemIndex(42); // outside: no selection
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(obs.selects, (std::vector<int>{2, -1}));
}

TEST_F(ListFixture, PlainSearchGoesToTheNextEntryWithTheLetterAndWraps) {
    list.AutoComplete = false;
    list.SetItemIndex(0);
    Type(U't'); // "Test reproduktorů"
    EXPECT_EQ(list.ItemIndex(), 1);
    Type(U'T'); // next one: "Tlačítko", case ignored
    EXPECT_EQ(list.ItemIndex(), 4);
    Type(U't'); // wraps to the first
    EXPECT_EQ(list.ItemIndex(), 1);
    Type(U'š'); // "Šipka": diacritics fold too
    EXPECT_EQ(list.ItemIndex(), 5);
    Type(U'q'); // nothing begins with it
    Type(U'\r');
    EXPECT_EQ(list.ItemIndex(), 5);
    EXPECT_EQ(clicks, (std::vector<int>{1, 4, 1, 5}));
}

TEST_F(ListFixture, IncrementalSearchBuildsTextUntilAPauseAndBackspaceShortensIt) {
    list.AutoComplete = true;
    list.SetItemIndex(0);
    Type(U'd');
    EXPECT_EQ(list.ItemIndex(), 8); // "Devět"
    clock.AdvanceTo(clock.ElapsedMs() + 499);
    Type(U'e');
    Type(U's'); // "des" -> "Deset"
    EXPECT_EQ(list.ItemIndex(), 9);
    Type(U'\b'); // back to "de": the first match is "Devět"
    EXPECT_EQ(list.ItemIndex(), 8);
    clock.AdvanceTo(clock.ElapsedMs() + 500); // the pause starts a new text
    Type(U'o');
    EXPECT_EQ(list.ItemIndex(), 7);
    clock.AdvanceTo(clock.ElapsedMs() + 600);
    Type(U'\b'); // after a pause the text is empty: nothing moves
    EXPECT_EQ(list.ItemIndex(), 7);
    Type(U'\r'); // Enter and Escape do not search
    Type(char32_t{27});
    EXPECT_EQ(clicks, (std::vector<int>{8, 9, 8, 7}));
}

TEST_F(ListFixture, KeyPressHandlerSeesCharactersFirstAndCanConsumeThem) {
    list.AutoComplete = false;
    list.SetItemIndex(0);
    std::u32string seen;
    list.OnKeyPress = [&](char32_t& key) {
        seen += key;
        if (key == U'k') key = 0;
    };
    Key(kVkReturn); // Enter makes the character 13
    Type(U'k');     // consumed: no search
    Key('K');       // the key makes a lower-case letter without Shift
    EXPECT_EQ(seen, U"\rkk");
    EXPECT_EQ(list.ItemIndex(), 0);
    Key(kVkDown); // no character
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(ListFixture, MouseClickSelectsAndDoubleClickFiresAfterIt) {
    int dbl = 0;
    list.OnDblClick = [&] { dbl = list.ItemIndex() + 100; };
    list.SetItemIndex(0);
    // Row 2 of the list box at (10, 20) on the form; 2 pixels of frame above the rows.
    tk.Post({ToolkitEvent::Kind::MouseDown, &form, 0, 0, 15, 20 + 2 + 2 * 13 + 5, false});
    tk.Post({ToolkitEvent::Kind::MouseDown, &form, 0, 0, 15, 20 + 2 + 2 * 13 + 5, true});
    tk.Post({ToolkitEvent::Kind::MouseDown, &form, 0, 0, 15, 20 + 2 + 12 * 13, false}); // no row
    tk.RunUntil(0);
    EXPECT_EQ(clicks, (std::vector<int>{2}));
    EXPECT_EQ(dbl, 102);
}

} // namespace
} // namespace vl::platform
