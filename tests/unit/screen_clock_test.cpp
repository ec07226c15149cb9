// The screen frame's clock and the state the screens change while drawing.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cmath>
#include <cstdlib>

#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/screens/screens.h"
#include "gl_test_context.h"

namespace {
GameState onScreen(int screen, int entry = 1) {
    GameState g;
    g.hauptmenu_nr = screen;
    g.menu_1_nr = entry;
    return g;
}
}  // namespace

TEST(ScreenClock, AdvancesByScreen) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    struct Case { int screen; float rotBefore, rotFacBefore, rotAfter; };
    const Case cases[] = {
        {3, 10.0f, -0.3f, 11.0f},   // credits: one per frame
        {2, 10.0f, -0.3f, 10.5f},   // elsewhere the increment is back to 0.5
        {11, 10.0f, 0.2f, 10.5f},
        {5, 10.0f, 0.5f, 0.5f},     // help holds the clock at 0
        {21, 10.0f, 0.5f, 0.5f},    // so does name entry
        {999, 10.0f, 0.1f, 10.5f},  // an unknown screen draws nothing, the clock still runs
        {1, 10.0f, 0.3f, 10.299f},  // the main menu swings its increment, then uses it
    };
    for (const Case& c : cases) {
        GameState g = onScreen(c.screen);
        g.rot = c.rotBefore;
        g.rot_fac = c.rotFacBefore;
        glLoadIdentity();
        DrawScreenFrame(g);
        EXPECT_FLOAT_EQ(g.rot, c.rotAfter) << c.screen;
    }
}

TEST(ScreenClock, MainMenuSwingFallsToMinusHalfAndClimbsBack) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    GameState g = onScreen(1);
    float lowest = 0.0f, highest = 0.0f, lowestFac = 1.0f;
    int framesToTurn = -1;
    for (int frame = 0; frame < 4200; ++frame) {
        glLoadIdentity();
        const float before = g.rot_fac;
        DrawScreenFrame(g);
        if (framesToTurn < 0 && g.rot_fac > before) framesToTurn = frame;
        lowest = std::fmin(lowest, g.rot);
        highest = std::fmax(highest, g.rot);
        lowestFac = std::fmin(lowestFac, g.rot_fac);
    }
    EXPECT_NEAR(framesToTurn, 1000, 3);
    EXPECT_NEAR(lowestFac, -0.5f, 0.002f);
    // rot swings about 125 above its value on entry and returns below it.
    EXPECT_NEAR(highest, 125.0f, 2.0f);
    EXPECT_NEAR(lowest, -125.0f, 3.0f);
}

TEST(ScreenState, HelpScreenLeavesBlendingOff) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    glEnable(GL_BLEND);
    GameState g = onScreen(5, 4);
    DrawScreenFrame(g);
    EXPECT_EQ(glIsEnabled(GL_BLEND), GL_FALSE);
}

TEST(ScreenState, MultiplayerFinalSwitchesTheComputerOff) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    SetFixedRandomSeed(3);
    for (int round = 1; round <= 4; ++round) {
        GameState g = onScreen(112);
        g.m_round = round;
        g.artif_int = true;
        DrawScreenFrame(g);
        EXPECT_EQ(g.artif_int, round < 3) << round;
        EXPECT_TRUE(g.done_21);
        EXPECT_EQ(g.done_22, round >= 2);
    }
}

TEST(ScreenState, LadderScreensReseedEveryFrame) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    SetFixedRandomSeed(11);
    GameState g = onScreen(111);
    DrawScreenFrame(g);  // draws the names
    std::rand();
    DrawScreenFrame(g);  // nothing left to draw: the generator is just reseeded
    const int afterSecond = std::rand();
    std::srand(11);
    EXPECT_EQ(afterSecond, std::rand());
}

TEST(TitleColour, CyclesWithTheClock) {
    const TitleRgb at0 = TitleColour(0.0f);
    EXPECT_FLOAT_EQ(at0.r, 1.0f);
    EXPECT_FLOAT_EQ(at0.g, 0.0f);
    EXPECT_FLOAT_EQ(at0.b, 0.5f);
    const TitleRgb at100 = TitleColour(100.0f);
    EXPECT_FLOAT_EQ(at100.r, std::cos(5.0f));
    EXPECT_FLOAT_EQ(at100.g, std::sin(4.0f));
    EXPECT_FLOAT_EQ(at100.b, 1.0f - 0.5f * std::cos(100.0f / 17.0f));
}
