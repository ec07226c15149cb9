// The initial state is what every part relies on before the first table is set up.
#include <gtest/gtest.h>

#include "game/game_state.h"

TEST(GameStateInitial, MouseScaleUsesTableMaxXForBothAxes) {
    GameState g;
    EXPECT_FLOAT_EQ(g.mouse_const, 800.0f / 238.0f);
    EXPECT_FLOAT_EQ(g.mouse_const_z, 600.0f / 289.0f);
}

TEST(GameStateInitial, StartsOnTheMainMenuWithTheFirstTable) {
    GameState g;
    EXPECT_TRUE(g.menu);
    EXPECT_EQ(g.hauptmenu_nr, 1);
    EXPECT_EQ(g.menu_1_nr, 1);
    EXPECT_EQ(g.table, 1);
    EXPECT_EQ(g.steps[g.adjust], 5);  // 10 ms pacing
    EXPECT_TRUE(g.player1_turn);
    EXPECT_TRUE(g.play_video);
    EXPECT_FALSE(g.artif_int);
    EXPECT_EQ(g.dateiname, "Data/system/config.cfg");
    for (bool k : g.keys) EXPECT_FALSE(k);
    for (int i = 0; i < 12; ++i) {
        EXPECT_TRUE(g.HSname[i].empty());
        EXPECT_EQ(g.hsscore[i], 0);
    }
}
