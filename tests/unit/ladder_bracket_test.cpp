// The brackets: the name list with its offsets and the coin tosses of the
// pairings that the player does not play.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "game/game_state.h"
#include "game/random.h"
#include "game/screens/ladder_bracket.h"

TEST(BracketDraws, EveryNameCanBeDrawnAndGiovanniKeepsHisOwnOffset) {
    std::set<std::string> seen;
    for (unsigned seed = 1; seed <= 400 && seen.size() < 40; ++seed) {
        SetFixedRandomSeed(seed);
        GameState g;
        PickSingleplayerBracket(g);
        PickMultiplayerBracket(g);
        for (int slot = 1; slot <= 7; ++slot) seen.insert(g.name1[slot]);
        for (int slot = 1; slot <= 6; ++slot) seen.insert(g.name2[slot]);
    }
    EXPECT_EQ(seen.size(), 40u);
    EXPECT_TRUE(seen.count("Naomi") && seen.count("Michael"));
    EXPECT_STREQ(OpponentName(39), "Giovanni");
    EXPECT_FLOAT_EQ(OpponentNameOffset(39), -2.1f);
    EXPECT_FLOAT_EQ(OpponentNameOffset(40), -(0.3f * 5 - 0.2f));  // "Naomi": by length
    EXPECT_STREQ(OpponentName(41), "");
}

TEST(BracketDraws, SingleplayerRoundsHaveOneWinnerPerPairingAndStayDrawn) {
    for (unsigned seed = 1; seed <= 64; ++seed) {
        SetFixedRandomSeed(seed);
        GameState g;
        PickSingleplayerBracket(g);
        EXPECT_FALSE(g.done_2);  // round 1 still running
        g.a_round = 2;
        PickSingleplayerBracket(g);
        ASSERT_TRUE(g.done_2);
        EXPECT_FALSE(g.win[1][1]);  // slot 1 is the player's opponent
        for (int lower : {2, 4, 6}) EXPECT_NE(g.win[1][lower], g.win[1][lower + 1]) << seed;
        PickSingleplayerRound2(g);
        EXPECT_FALSE(g.done_3);
        g.a_round = 3;
        PickSingleplayerRound2(g);
        ASSERT_TRUE(g.done_3);
        int round2Winners = 0;
        for (int slot = 1; slot <= 7; ++slot) {
            if (!g.win[2][slot]) continue;
            ++round2Winners;
            EXPECT_TRUE(slot >= 4 && g.win[1][slot]) << seed;
        }
        EXPECT_EQ(round2Winners, 1) << seed;
        GameState before = g;
        SetFixedRandomSeed(seed + 1000);
        PickSingleplayerBracket(g);
        PickSingleplayerRound2(g);
        EXPECT_EQ(std::memcmp(before.win, g.win, sizeof g.win), 0);
        for (int slot = 1; slot <= 7; ++slot) EXPECT_EQ(g.name1[slot], before.name1[slot]);
    }
}
