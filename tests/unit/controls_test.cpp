// The play keys and mouse steering: which keys act every frame, which act
// once per key-down, and how the mouse nudges the mallet.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include "app/controls.h"
#include "game/game_state.h"
#include "gl_test_context.h"

namespace {

constexpr int kShift = 16, kCtrl = 17, kEsc = 27;
constexpr int kPgUp = 33, kPgDn = 34, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

GameState inPlay() {
    GameState g;
    g.menu = false;
    return g;
}

}  // namespace

TEST(PlayKeys, EscapeGoesToTheNewGameMenuAndSkipsTheRest) {
    GameState g = inPlay();
    g.keys[kEsc] = true;
    g.keys['W'] = true;
    g.keys['V'] = true;
    EXPECT_EQ(PlayKeysStep(g), TurnOutcome::SceneSwitch);
    EXPECT_TRUE(g.menu);
    EXPECT_EQ(g.hauptmenu_nr, 11);
    EXPECT_TRUE(g.keys[kEsc]);  // left down: it may act once more in the menu
    EXPECT_EQ(g.schiesser_v_z, 0);
    EXPECT_TRUE(g.play_video);
    EXPECT_TRUE(g.keys['V']);
}

TEST(PlayKeys, MovementKeysSetVelocityAndTheLaterKeyOfAPairWins) {
    struct { int key1, key2; float vx, vz; } cases[] = {
        {'W', 0, 0, -4.5f}, {'S', 0, 0, 4.5f}, {'A', 0, -4.5f, 0}, {'D', 0, 4.5f, 0},
        {'W', 'S', 0, 4.5f}, {'A', 'D', 4.5f, 0},
    };
    for (const auto& c : cases) {
        GameState g = inPlay();
        g.schiesser_v_x = g.schiesser_v_z = 0.0f;
        g.keys[c.key1] = true;
        if (c.key2) g.keys[c.key2] = true;
        for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(PlayKeysStep(g), TurnOutcome::Continue);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, c.vx);
        EXPECT_FLOAT_EQ(g.schiesser_v_z, c.vz);
        EXPECT_TRUE(g.keys[c.key1]);  // movement keys are not cleared
    }
}

TEST(PlayKeys, SecondPlayersKeysOnlyWithoutTheComputer) {
    for (bool computer : {false, true}) {
        GameState g = inPlay();
        g.artif_int = computer;
        g.schiesser_max_v = 6;
        g.keys['I'] = g.keys['K'] = true;  // K wins
        g.keys['J'] = true;
        PlayKeysStep(g);
        EXPECT_FLOAT_EQ(g.gegner_v_z, computer ? 0.0f : 6.0f);
        EXPECT_FLOAT_EQ(g.gegner_v_x, computer ? 0.0f : -6.0f);
        EXPECT_EQ(g.schiesser_v_x, 0);
    }
}

TEST(PlayKeys, CameraKeysMoveFivePerFrameWhileHeld) {
    struct { int key; float dx, dy, dz; } cases[] = {
        {kPgUp, 0, 0, 5}, {kPgDn, 0, 0, -5}, {kUp, 0, 5, 0}, {kDown, 0, -5, 0}, {kRight, 5, 0, 0}, {kLeft, -5, 0, 0},
    };
    for (const auto& c : cases) {
        GameState g = inPlay();
        g.keys[c.key] = true;
        PlayKeysStep(g);
        PlayKeysStep(g);
        EXPECT_FLOAT_EQ(g.camera_x, 150 + 2 * c.dx);
        EXPECT_FLOAT_EQ(g.camera_y, 300 + 2 * c.dy);
        EXPECT_FLOAT_EQ(g.camera_z, 560 + 2 * c.dz);
    }
}

TEST(PlayKeys, SwitchesActOncePerKeyDown) {
    GameState g = inPlay();
    g.keys['V'] = true;
    PlayKeysStep(g);
    PlayKeysStep(g);
    EXPECT_FALSE(g.play_video);
    EXPECT_FALSE(g.keys['V']);

    g.keys['C'] = true;  // without Ctrl+Shift: nothing, and C stays down
    PlayKeysStep(g);
    EXPECT_FALSE(g.artif_int);
    EXPECT_TRUE(g.keys['C']);
    g.keys[kShift] = g.keys[kCtrl] = true;
    PlayKeysStep(g);
    PlayKeysStep(g);
    EXPECT_TRUE(g.artif_int);
    EXPECT_FALSE(g.keys['C']);
}

TEST(PlayKeys, CtrlShiftBStepsPacingAndWrapsToOne) {
    GameState g = inPlay();
    g.keys[kShift] = g.keys[kCtrl] = true;
    for (int expected : {4, 5, 1, 2}) {
        g.keys['B'] = true;
        PlayKeysStep(g);
        EXPECT_EQ(g.adjust, expected);
    }
    PlayKeysStep(g);
    EXPECT_EQ(g.adjust, 2);
}

TEST(PlayKeys, CtrlMTogglesMouseAfterRaisingTransparency) {
    GameState g = inPlay();
    g.keys[kCtrl] = true;
    g.keys['M'] = true;
    PlayKeysStep(g);
    EXPECT_TRUE(g.mouse);
    EXPECT_FALSE(g.keys['M']);
    EXPECT_FLOAT_EQ(g.blend_fac, 0.45f);
}

TEST(Transparency, MRaisesToOneAndSwitchesBlendingOffNLowersToZeroWithBlendingOn) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    glEnable(GL_BLEND);
    GameState g = inPlay();
    g.keys['M'] = true;
    for (int i = 0; i < 30; ++i) PlayKeysStep(g);
    EXPECT_FLOAT_EQ(g.blend_fac, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(g.keys['M']);

    g.keys['M'] = false;
    g.keys['N'] = true;
    PlayKeysStep(g);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FLOAT_EQ(g.blend_fac, 0.95f);
    for (int i = 0; i < 40; ++i) PlayKeysStep(g);
    EXPECT_EQ(g.blend_fac, 0.0f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
}

TEST(MouseSteering, NudgesByOneTowardTheTruncatedTarget) {
    struct { float mallet; float dv; } cases[] = {
        {151.7f, 0},   // truncated, not rounded: 151 is one more than 150, left alone
        {150.9f, 0},
        {152.0f, -1},
        {149.9f, 1},
    };
    for (const auto& c : cases) {
        GameState g = inPlay();
        g.mouse = true;
        g.table_min_x = 0;
        g.mouse_const = 1;
        g.mouse_const_z = 1;
        g.mouse_x = 150;
        g.mouse_y = 150;
        g.schiesser_x = c.mallet;
        g.schiesser_z = c.mallet;
        g.schiesser_v_x = 2;
        g.schiesser_v_z = 2;
        PlayKeysStep(g);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, 2 + c.dv) << c.mallet;
        EXPECT_FLOAT_EQ(g.schiesser_v_z, 2 + c.dv) << c.mallet;
    }
}

TEST(MouseSteering, MapsTheWindowOntoTheTableAndAddsToTheKeys) {
    GameState g = inPlay();
    g.mouse = true;
    g.mouse_x = 400;
    g.mouse_y = 300;
    g.keys['W'] = true;
    PlayKeysStep(g);
    EXPECT_NEAR(g.mouse_movex, 150.0f, 1e-3);
    EXPECT_NEAR(g.mouse_movez, 144.5f, 1e-3);
    // W sets -4.5; the mallet (z 230) is behind the target (z 144): one more unit
    EXPECT_FLOAT_EQ(g.schiesser_v_z, -5.5f);
    EXPECT_FLOAT_EQ(g.schiesser_v_x, 0);

    g.mouse = false;
    g.keys['W'] = false;
    PlayKeysStep(g);
    EXPECT_FLOAT_EQ(g.schiesser_v_z, -5.5f);
}
