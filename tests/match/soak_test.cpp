// SPDX-License-Identifier: GPL-3.0-or-later
// Soak: minutes of matches with both players pressing keys at random. Nothing fails, the
// field stays bounded, objectcount follows the obstacles, and everything made is freed
// (the sanitizer build's leak check sees the whole run).
#include <gtest/gtest.h>

#include <unistd.h>

#include "support/match_data.h"
#include "support/match_rig.h"

namespace vl::match {
namespace {

// Counts the obstacle rows the match announces.
class RowCounter final : public sound::SoundTrace {
public:
    void OnPlay(std::string_view, std::string_view item, bool, bool, int32_t, int32_t,
                int32_t) override {
        if (item == "objapp") ++rows;
    }
    void OnStop(std::string_view, std::string_view) override {}
    void OnSet(std::string_view, std::string_view, std::string_view, int32_t) override {}
    int rows = 0;
};

TEST(Soak, RandomPlayForMinutesStaysBoundedAndCountsItsObstacles) {
    const auto data = vl::testing::WriteMatchData(std::filesystem::path(VL_BINARY_DIR) /
                                                  "test-match-soak" / std::to_string(getpid()));
    if (!std::filesystem::exists(data / "pics" / "game.dat")) GTEST_SKIP() << "no pictures";
    RowCounter rows;
    vl::testing::MatchRig rig(data, &rows);
    int lastMatch = 0, rowsAtStart = 0, maxSprites = 0, checked = 0;
    vl::testing::Soak(rig, 20261208, 5 * 60 * 1000, [&](int matches) {
        TForm1& f = *rig.form1;
        if (matches != lastMatch) {
            lastMatch = matches;
            rowsAtStart = rows.rows;
        }
        maxSprites = std::max(maxSprites, f.DXSpriteEngine1.Engine().SpriteCount);
        // A new match keeps the last one's count until its first row resets it.
        if (f.game.gamerunning && rows.rows > rowsAtStart) {
            ASSERT_EQ(f.game.objectcount, rig.Obstacles())
                << "at " << rig.clock.ElapsedMs() << " ms";
            ++checked;
        }
    });
    EXPECT_TRUE(rig.toolkit.MessageBoxes().empty()) << rig.toolkit.MessageBoxes()[0].text;
    EXPECT_GE(rows.rows, 3); // rows were shot away and came again
    EXPECT_GT(checked, 10000);
    EXPECT_LE(maxSprites, 64);
    rig.form1->form.Close();
    EXPECT_EQ(rig.Obstacles(), 0);
    RecordProperty("matches", lastMatch);
    RecordProperty("max_sprites", maxSprites);
    std::error_code ec;
    std::filesystem::remove_all(data, ec);
}

} // namespace
} // namespace vl::match
