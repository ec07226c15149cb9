// The brackets: the name list with its offsets and the coin tosses of the
// pairings that the player does not play.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "game/game_state.h"
#include "game/random.h"
#include "game/screens/ladder_bracket.h"

TEST(OpponentNames, FortyNamesWithOffsetsByLength) {
    const char* expected[kOpponentNameCount] = {
        "Michael", "Sarah", "Jessica", "Andrew", "Kayla", "Riley", "Ashley", "David", "Brandon", "Rachel",
        "Justin", "Danielle", "Valentino", "Katherine", "Steven", "Allison", "Mark", "Katelyn", "Blake", "Grace",
        "Luke", "Christine", "Lucas", "Kaitlin", "Colin", "Claire", "Alan", "Natasha", "Troy", "Daisy",
        "Johnny", "Ashlee", "Brent", "Cindy", "Mathew", "Alisha", "Russell", "Linda", "Giovanni", "Naomi"};
    for (int n = 1; n <= kOpponentNameCount; ++n) {
        const std::string name = OpponentName(n);
        EXPECT_EQ(name, expected[n - 1]);
        const float byLength = std::string(name) == "Giovanni" ? -2.1f : -(0.3f * name.size() - 0.2f);
        EXPECT_NEAR(OpponentNameOffset(n), byLength, 1e-6) << name;
    }
    EXPECT_FLOAT_EQ(OpponentNameOffset(39), -2.1f);
    EXPECT_STREQ(OpponentName(0), "");
    EXPECT_STREQ(OpponentName(41), "");
}

TEST(BracketDraws, NamesAreDrawnOnceAndKept) {
    SetFixedRandomSeed(5);
    GameState g;
    SingleplayerBracketDraws(g);
    ASSERT_TRUE(g.done_1);
    const char* first[10];
    for (int slot = 1; slot <= 7; ++slot) {
        ASSERT_NE(g.name1[slot], nullptr);
        first[slot] = g.name1[slot];
    }
    EXPECT_EQ(g.name1[8], nullptr);
    SetFixedRandomSeed(6);
    SingleplayerBracketDraws(g);
    for (int slot = 1; slot <= 7; ++slot) EXPECT_EQ(g.name1[slot], first[slot]);
    // Offsets belong to the names drawn.
    for (int slot = 1; slot <= 7; ++slot) {
        const size_t len = std::strlen(g.name1[slot]);
        if (std::strcmp(g.name1[slot], "Giovanni") != 0)
            EXPECT_NEAR(g.x_pos[slot], -(0.3f * len - 0.2f), 1e-6);
    }
}

TEST(BracketDraws, EveryNameCanBeDrawnIncludingTheLast) {
    std::set<std::string> seen;
    for (unsigned seed = 1; seed <= 400 && seen.size() < 40; ++seed) {
        SetFixedRandomSeed(seed);
        GameState g;
        SingleplayerBracketDraws(g);
        MultiplayerBracketDraws(g);
        for (int slot = 1; slot <= 7; ++slot) seen.insert(g.name1[slot]);
        for (int slot = 1; slot <= 6; ++slot) seen.insert(g.name2[slot]);
    }
    EXPECT_EQ(seen.size(), 40u);
    EXPECT_TRUE(seen.count("Naomi"));
    EXPECT_TRUE(seen.count("Michael"));
}

TEST(BracketDraws, SingleplayerRoundsHaveOneWinnerPerPairing) {
    for (unsigned seed = 1; seed <= 64; ++seed) {
        SetFixedRandomSeed(seed);
        GameState g;
        SingleplayerBracketDraws(g);
        EXPECT_FALSE(g.done_2);  // round 1 still running
        g.a_round = 2;
        SingleplayerBracketDraws(g);
        ASSERT_TRUE(g.done_2);
        EXPECT_FALSE(g.win[1][1]);  // slot 1 is the player's opponent
        for (int lower : {2, 4, 6}) EXPECT_NE(g.win[1][lower], g.win[1][lower + 1]) << seed;

        SingleplayerRound2Draw(g);
        EXPECT_FALSE(g.done_3);
        g.a_round = 3;
        SingleplayerRound2Draw(g);
        ASSERT_TRUE(g.done_3);
        int round2Winners = 0;
        for (int slot = 1; slot <= 7; ++slot) {
            if (!g.win[2][slot]) continue;
            ++round2Winners;
            EXPECT_GE(slot, 4);
            EXPECT_TRUE(g.win[1][slot]);
        }
        EXPECT_EQ(round2Winners, 1) << seed;

        // Later frames change nothing.
        bool before[5][10];
        std::memcpy(before, g.win, sizeof before);
        SetFixedRandomSeed(seed + 1000);
        SingleplayerBracketDraws(g);
        SingleplayerRound2Draw(g);
        EXPECT_EQ(std::memcmp(before, g.win, sizeof before), 0);
    }
}

TEST(BracketDraws, MultiplayerHasTwoComputerPairingsAndNoSecondRound) {
    bool lowerWon = false, higherWon = false;
    for (unsigned seed = 1; seed <= 32; ++seed) {
        SetFixedRandomSeed(seed);
        GameState g;
        g.m_round = 3;
        MultiplayerBracketDraws(g);
        EXPECT_EQ(g.name2[7], nullptr);
        EXPECT_FALSE(g.win2[1][1]);
        EXPECT_FALSE(g.win2[1][6]);
        EXPECT_NE(g.win2[1][2], g.win2[1][3]);
        EXPECT_NE(g.win2[1][4], g.win2[1][5]);
        (g.win2[1][2] ? lowerWon : higherWon) = true;
        for (int slot = 0; slot < 10; ++slot) EXPECT_FALSE(g.win2[2][slot]);
    }
    EXPECT_TRUE(lowerWon);
    EXPECT_TRUE(higherWon);
}
