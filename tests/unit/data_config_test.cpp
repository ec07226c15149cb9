// The shipped configuration file reads as an empty list with the game's reader and is exactly
// what the game itself writes for one.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "app/high_score_file.h"
#include "game/game_state.h"

TEST(ShippedConfig, ReadsAsAnEmptyListAndIsWhatTheGameWritesForOne) {
    std::ifstream file("Data/system/config.cfg", std::ios::binary);
    const std::string shipped{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    GameState g;
    g.HSname[3] = "OLD";
    g.hsscore[3] = 9;
    std::istringstream in(shipped);
    ASSERT_TRUE(ReadHighScores(in, g));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(g.HSname[i], "") << i;
        EXPECT_EQ(g.hsscore[i], 0) << i;
    }
    EXPECT_EQ(ConfigFileText(g), shipped);
}
