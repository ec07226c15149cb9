// Menu arrows and ESC per screen, and the coin flip of a ladder match start.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/menu_flow.h"
#include "game/game_state.h"
#include "gl_test_context.h"
#include "platform/turn_log.h"

namespace {

constexpr int kEnter = 13, kEsc = 27, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

std::vector<std::string> pressMenuKey(GameState& g, int key, TurnOutcome* outcome = nullptr) {
    CurrentTurnLog().clear(), g.keys[key] = true;
    const TurnOutcome o = MenuStep(g);
    if (outcome) *outcome = o;
    return CurrentTurnLog().music;
}

GameState onScreen(int screen, int entry = 1) {
    GameState g;
    g.hauptmenu_nr = screen, g.menu_1_nr = entry;
    return g;
}

}  // namespace

TEST(MenuArrows, RangesPerScreen) {
    struct Case { int screen, from, key, to; };
    const Case cases[] = {
        {11, 4, kDown, 1}, {11, 1, kUp, 4}, {113, 1, kUp, 11}, {113, 11, kDown, 1},
        {3, 3, kRight, 1}, {3, 1, kLeft, 3}, {113, 5, kDown, 6},
    };
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen, c.from);
        pressMenuKey(g, c.key);
        EXPECT_EQ(g.menu_1_nr, c.to) << "screen " << c.screen << " from " << c.from;
    }
    // Screens without entries are not wrapped.
    GameState g = onScreen(2, 1);
    pressMenuKey(g, kDown);
    pressMenuKey(g, kDown);
    EXPECT_EQ(g.menu_1_nr, 3);
    // Without sound only the stop is sent.
    GameState q = onScreen(1, 2);
    q.sound = false;
    EXPECT_EQ(pressMenuKey(q, kLeft), (std::vector<std::string>{"stop data/sounds/2.mp3"}));
    EXPECT_EQ(q.menu_1_nr, 1);
}

TEST(MenuEscape, OneLevelBackPerScreen) {
    struct Case { int screen, round, to; };  // a finished ladder leads back to the main menu
    const Case cases[] = {{2, 1, 1}, {3, 1, 1}, {5, 1, 1}, {11, 1, 1}, {113, 1, 11}, {111, 1, 111}, {1110, 1, 1110},
                          {112, 1, 112}, {1120, 1, 1120}, {111, 4, 1}, {112, 4, 1}};
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen, 3);
        g.a_round = g.m_round = c.round;
        TurnOutcome o;
        pressMenuKey(g, kEsc, &o);
        EXPECT_EQ(o, TurnOutcome::Continue);
        EXPECT_EQ(g.hauptmenu_nr, c.to) << c.screen;
        EXPECT_FALSE(g.keys[kEsc]);
        if (c.to != c.screen) EXPECT_EQ(g.menu_1_nr, 1);
    }
    GameState g = onScreen(1);
    TurnOutcome o;
    pressMenuKey(g, kEsc, &o);
    EXPECT_EQ(o, TurnOutcome::Quit);
}

TEST(MenuEnter, LadderMatchStartFlipsBlendingAndDrawsATable) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    bool sawBlendOn = false, sawBlendOff = false;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::srand(seed);
        GameState g = onScreen(seed % 2 ? 111 : 1120);
        g.my_score = 9;
        const auto music = pressMenuKey(g, kEnter);
        EXPECT_EQ(music, (std::vector<std::string>{"play data/sounds/2.mp3"}));
        EXPECT_FALSE(g.menu);
        EXPECT_GE(g.take_table, 1);
        EXPECT_LE(g.take_table, 11);
        EXPECT_EQ(g.my_score, 0);
        const bool blend = glIsEnabled(GL_BLEND) == GL_TRUE;
        EXPECT_EQ(blend, !g.random);
        (blend ? sawBlendOn : sawBlendOff) = true;
    }
    EXPECT_TRUE(sawBlendOn);
    EXPECT_TRUE(sawBlendOff);
}

