// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the name index: chain numbers, lower-casing, lookup order, relinking.
#include <gtest/gtest.h>

#include "container/HashCollection.h"

namespace vl::container {
namespace {

// A collection whose items can be added from a test.
class Names : public THashCollection {
public:
    THashCollectionItem& Add(const std::string& name) {
        auto& item = AddItem(std::make_unique<THashCollectionItem>(*this));
        item.SetName(name);
        return item;
    }
    using THashCollection::DeleteItem;
};

TEST(BankItemHash, ChainNumbersOfTheWorkedExamples) {
    EXPECT_EQ(BankItemHash(""), 0);
    EXPECT_EQ(BankItemHash("a"), 16);
    EXPECT_EQ(BankItemHash("Z"), 16);
    EXPECT_EQ(BankItemHash("mainmenusp"), 128);
    EXPECT_EQ(BankItemHash("hititemsp"), 107);
    // Upper case hashes as its lower case.
    EXPECT_EQ(BankItemHash("MAINMENUSP"), 128);
    // Two bytes: first + second-to-last (= first) + 32.
    EXPECT_EQ(BankItemHash("ab"), (32 + 'a' + 'a') % 256);
    // A length of 16 or more wraps the length part.
    EXPECT_EQ(BankItemHash(std::string(16, 'x')), ('x' + 'x') % 256);
}

TEST(LowerName, LatinLettersOfUtf8KeepTheirLength) {
    EXPECT_EQ(LowerName("ŘEŘICHA Žluťoučký ĎÁBEL"), "řeřicha žluťoučký ďábel");
    EXPECT_EQ(LowerName("ŁÓDŹ ŮŇ ÀÉÎ Ÿ"), "łódź ůň àéî ÿ");
    // × is no letter, İ would shrink, and bytes that are no UTF-8 letter stay.
    EXPECT_EQ(LowerName("×İ\xC3"), "×İ\xC3");
    EXPECT_EQ(LowerName("A\xC4\x41"), "a\xC4"
                                      "a");
    EXPECT_TRUE(SameNameIgnoringCase("Čáp", "čÁP"));
    EXPECT_FALSE(SameNameIgnoringCase("cap", "čap"));
    EXPECT_EQ(BankItemHash("ČÁP"), BankItemHash("čáp"));
}

TEST(THashCollection, FindIgnoresCaseAndTheLaterNameWins) {
    Names names;
    auto& first = names.Add("mainmenusp");
    auto& other = names.Add("hititemsp");
    EXPECT_EQ(names.FindItem("MAINMENUSP"), &first);
    EXPECT_EQ(names.FindItem("HitItemSp"), &other);
    EXPECT_EQ(names.FindItem("mainmenu"), nullptr);

    auto& second = names.Add("MainMenuSP");
    EXPECT_EQ(names.FindItem("mainmenusp"), &second);
    EXPECT_EQ(names.FindItem("MAINMENUSP"), &second);
    EXPECT_EQ(second.Index(), 2);

    // Naming the first again makes it the most recently named.
    first.SetName("mainmenusp");
    EXPECT_EQ(names.FindItem("mainmenusp"), &first);
    EXPECT_EQ(names.ChainHead(128), &first);
    EXPECT_EQ(THashCollection::ChainNext(first), &second);
}

TEST(THashCollection, RenameAndDeleteLeaveTheIndexConsistent) {
    Names names;
    names.Add("a");
    auto& b = names.Add("b"); // same chain as "a" (16)
    names.Add("c");
    b.SetName("renamed");
    EXPECT_EQ(names.FindItem("b"), nullptr);
    EXPECT_EQ(names.FindItem("renamed"), &b);

    names.DeleteItem(0); // "a"
    EXPECT_EQ(names.FindItem("a"), nullptr);
    EXPECT_EQ(names.Count(), 2);
    EXPECT_EQ(names.FindItem("renamed")->Index(), 0);
    EXPECT_EQ(names.FindItem("c")->Index(), 1);
    EXPECT_EQ(&names.ItemAt(1), names.FindItem("C"));
    EXPECT_THROW(names.ItemAt(2), EListError);
    EXPECT_STREQ(
        [&] {
            try {
                names.ItemAt(-1);
            } catch (const EListError& e) {
                return std::string(e.what());
            }
            return std::string();
        }()
            .c_str(),
        "List index out of bounds (-1)");

    // A name longer than the lookup's stack area is found too.
    const std::string longName(200, 'Q');
    auto& l = names.Add(longName);
    EXPECT_EQ(names.FindItem(std::string(200, 'q')), &l);
}

TEST(THashCollection, UnnamedItemsLiveInChainZero) {
    Names names;
    auto& item = names.Add("");
    EXPECT_EQ(names.FindItem(""), &item);
    EXPECT_EQ(names.ChainHead(0), &item);
}

} // namespace
} // namespace vl::container
