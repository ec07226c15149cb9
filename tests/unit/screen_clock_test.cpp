// The screen frame's clock and the state the screens change while drawing.
#include <gtest/gtest.h>
#include <GL/gl.h>

#include <cstdlib>

#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/screens/screens.h"
#include "gl_test_context.h"

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
        GameState g;
        g.hauptmenu_nr = c.screen, g.rot = c.rotBefore, g.rot_fac = c.rotFacBefore;
        glLoadIdentity();
        DrawScreenFrame(g);
        EXPECT_FLOAT_EQ(g.rot, c.rotAfter) << c.screen;
    }
}

TEST(ScreenState, LadderScreensReseedEveryFrame) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    SetFixedRandomSeed(11);
    GameState g;
    g.hauptmenu_nr = 111;
    DrawScreenFrame(g);  // draws the names
    std::rand();
    DrawScreenFrame(g);  // nothing left to draw: the generator is just reseeded
    const int afterSecond = std::rand();
    std::srand(11);
    EXPECT_EQ(afterSecond, std::rand());
}

