// The play keys and mouse steering: which keys act every frame, which act
// once per key-down, and how the mouse nudges the mallet.
#include <gtest/gtest.h>

#include "app/controls.h"
#include "game/game_state.h"

namespace {

constexpr int kShift = 16, kCtrl = 17;

GameState inPlay() {
    GameState g;
    g.menu = false;
    return g;
}

}  // namespace

TEST(PlayKeys, MovementKeysSetVelocityTheLaterKeyOfAPairWinsAndTheSecondPlayerOnlyWithoutTheComputer) {
    struct { int key1, key2; bool computer; float vx, vz, gvx, gvz; } cases[] = {
        {'W', 0, false, 0, -4.5f, 0, 0}, {'S', 0, false, 0, 4.5f, 0, 0}, {'A', 0, false, -4.5f, 0, 0, 0},
        {'D', 0, false, 4.5f, 0, 0, 0}, {'W', 'S', false, 0, 4.5f, 0, 0}, {'A', 'D', false, 4.5f, 0, 0, 0},
        {'I', 'K', false, 0, 0, 0, 4.5f}, {'J', 'L', false, 0, 0, 4.5f, 0}, {'J', 'K', true, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        GameState g = inPlay();
        g.artif_int = c.computer;
        g.keys[c.key1] = true;
        if (c.key2) g.keys[c.key2] = true;
        for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(PlayKeysStep(g), TurnOutcome::Continue);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, c.vx) << char(c.key1);
        EXPECT_FLOAT_EQ(g.schiesser_v_z, c.vz) << char(c.key1);
        EXPECT_FLOAT_EQ(g.gegner_v_x, c.gvx) << char(c.key1);
        EXPECT_FLOAT_EQ(g.gegner_v_z, c.gvz) << char(c.key1);
        EXPECT_TRUE(g.keys[c.key1]);  // movement keys are not cleared
    }
}

TEST(PlayKeys, SwitchesActOncePerKeyDown) {
    GameState g = inPlay();
    g.keys['V'] = g.keys['C'] = true;  // C without Ctrl+Shift: nothing, and C stays down
    for (int i = 0; i < 2; ++i) PlayKeysStep(g);
    EXPECT_FALSE(g.play_video);
    EXPECT_FALSE(g.keys['V']);
    EXPECT_FALSE(g.artif_int);
    EXPECT_TRUE(g.keys['C']);
    g.keys[kShift] = g.keys[kCtrl] = true;
    for (int i = 0; i < 2; ++i) PlayKeysStep(g);
    EXPECT_TRUE(g.artif_int);
    EXPECT_FALSE(g.keys['C']);
}

TEST(MouseSteering, NudgesByOneTowardTheTruncatedTarget) {
    // truncated, not rounded: 151.7 is 151, one more than 150, left alone
    struct { float mallet; float dv; } cases[] = {{151.7f, 0}, {150.9f, 0}, {152.0f, -1}, {149.9f, 1}};
    for (const auto& c : cases) {
        GameState g = inPlay();
        g.mouse = true;
        g.table_min_x = 0;
        g.mouse_const = g.mouse_const_z = 1;
        g.mouse_x = g.mouse_y = 150;
        g.schiesser_x = g.schiesser_z = c.mallet;
        g.schiesser_v_x = g.schiesser_v_z = 2;
        PlayKeysStep(g);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, 2 + c.dv) << c.mallet;
        EXPECT_FLOAT_EQ(g.schiesser_v_z, 2 + c.dv) << c.mallet;
    }
}
