// The shipped configuration file: the header the reader skips, ten empty entries, and exactly
// what the game itself would write for that list.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "app/high_score_file.h"
#include "game/game_state.h"

namespace {

std::string shippedText() {
    std::ifstream in("Data/system/config.cfg", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

}  // namespace

TEST(ShippedConfig, HasTheHeaderTenEmptyNamesAndTenZeroScores) {
    const std::vector<std::string> l = lines(shippedText());
    ASSERT_EQ(l.size(), 26u);
    EXPECT_EQ(l[0], "Puckslyde3D");
    EXPECT_EQ(l[1], "Don't change this file or Puckslide3D won't work!");
    // The reader skips words up to "Valentino": it must be the header's last word and its only one.
    std::istringstream header(l[0] + "\n" + l[1] + "\n" + l[2] + "\n" + l[3] + "\n" + l[4]);
    std::vector<std::string> words{std::istream_iterator<std::string>(header), std::istream_iterator<std::string>()};
    ASSERT_FALSE(words.empty());
    EXPECT_EQ(words.back(), "Valentino");
    EXPECT_EQ(std::count(words.begin(), words.end(), "Valentino"), 1);
    for (int i = 5; i < 15; ++i) EXPECT_EQ(l[i], "-") << i;
    EXPECT_EQ(l[15], "//Nothing");
    for (int i = 16; i < 26; ++i) EXPECT_EQ(l[i], "0") << i;
}

TEST(ShippedConfig, ReadsAsAnEmptyListAndIsWhatTheGameWritesForOne) {
    GameState g;
    g.HSname[3] = "OLD";
    g.hsscore[3] = 9;
    std::istringstream in(shippedText());
    ASSERT_TRUE(ReadHighScores(in, g));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(g.HSname[i], "") << i;
        EXPECT_EQ(g.hsscore[i], 0) << i;
    }
    EXPECT_EQ(ConfigFileText(g), shippedText());
}
