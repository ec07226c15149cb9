// The goal replay: its start, its length, the serve and the camera restored at
// the end, also after leaving the match.
#include <gtest/gtest.h>

#include <cmath>

#include "app/controls.h"
#include "game/game_state.h"
#include "game/match_step.h"
#include "game/physics.h"
#include "game/table.h"
#include "platform/turn_log.h"

namespace {

// A first-table match one step before a goal, the last hit recorded at rest at
// (60, 10). playersGoal: the puck is in the far mouth, else in the near one.
GameState beforeGoal(bool playersGoal) {
    GameState g;
    g.menu = false;
    g.x = 150, g.z = playersGoal ? -312.0f : 332.0f;
    g.video_x = 60; g.video_z = 10; g.video_move_x = g.video_move_z = 0;
    CurrentTurnLog().clear();
    return g;
}

// Steps until the replay is over; -1 if it runs past the limit.
int stepsUntilReplayEnds(GameState& g) {
    for (int n = 1; n <= 100000; ++n)
        if (MatchStep(g), !g.video) return n;
    return -1;
}

}  // namespace

TEST(Replay, StartsOverTheScorersEndAndEndsAfter113StepsWithTheCameraRestoredAsMagnitudeAndSavedX) {
    struct { bool playersGoal; float cameraX, cameraZ, replayCameraZ; } cases[] = {
        {true, 150, 560, 560}, {false, 90, -100, -560}};
    for (const auto& c : cases) {
        GameState g = beforeGoal(c.playersGoal);
        g.camera_x = c.cameraX; g.camera_z = c.cameraZ;
        MatchStep(g);
        // the puck takes the recorded hit; the mallets are on their spots
        EXPECT_TRUE(g.video);
        EXPECT_EQ(g.my_goal, c.playersGoal);
        EXPECT_EQ(g.my_score + g.his_score, 1);
        EXPECT_FLOAT_EQ(g.camera_z, c.replayCameraZ);
        EXPECT_FLOAT_EQ(g.video_oldz_position, std::fabs(c.cameraZ));  // the magnitude, saved at the goal
        EXPECT_FLOAT_EQ(g.video_oldx_position, c.cameraX);
        EXPECT_FLOAT_EQ(g.x, 60);
        EXPECT_FLOAT_EQ(g.z, 10);
        EXPECT_FLOAT_EQ(g.schiesser_z, 230);
        EXPECT_FLOAT_EQ(g.gegner_z, -300);
        CurrentTurnLog().clear();
        g.camera_x = 10;  // moved by the keys during the replay
        EXPECT_EQ(stepsUntilReplayEnds(g), 113) << c.playersGoal;
        EXPECT_FLOAT_EQ(g.camera_z, std::fabs(c.cameraZ));
        EXPECT_FLOAT_EQ(g.camera_x, c.cameraX);
        EXPECT_FLOAT_EQ(g.x, 150);
        EXPECT_FLOAT_EQ(g.z, c.playersGoal ? 200.0f : -200.0f);
        EXPECT_EQ(g.move_x, 0);
        EXPECT_EQ(g.my_score + g.his_score, 1);
        EXPECT_TRUE(CurrentTurnLog().sounds.empty());
    }
}

TEST(ReplayEnd, CameraPositionNotTheScorerDecidesTheServe) {
    GameState g = beforeGoal(true);
    MatchStep(g);
    g.camera_z = 600;  // pushed past the other end with the keys
    EXPECT_EQ(stepsUntilReplayEnds(g), 1);
    EXPECT_FLOAT_EQ(g.z, -200);
}

TEST(ReplayEnd, LeavingTheMatchKeepsTheReplayForTheNextTable) {
    GameState g = beforeGoal(true);
    g.camera_z = 400; g.camera_x = 120;
    MatchStep(g);
    for (int n = 0; n < 20; ++n) MatchStep(g);

    g.keys[27] = true;
    EXPECT_EQ(PlayKeysStep(g), TurnOutcome::SceneSwitch);
    EXPECT_TRUE(g.menu);
    EXPECT_TRUE(g.video);
    g.keys[27] = false;

    ASSERT_TRUE(ApplyTableConstants(g, 2));
    g.menu = false;
    EXPECT_TRUE(g.video);
    EXPECT_FLOAT_EQ(g.camera_z, 560);
    EXPECT_EQ(stepsUntilReplayEnds(g), 113);
    EXPECT_FLOAT_EQ(g.camera_z, 400);
    EXPECT_FLOAT_EQ(g.camera_x, 120);
    EXPECT_FLOAT_EQ(g.x, 150);
    EXPECT_FLOAT_EQ(g.z, 200);
}
