// The goal replay: its start, the camera's flight, the end test that waits for
// the puck, the stop in the goal zone and the camera restored at the end.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/table_constants.h"
#include "game/game_state.h"
#include "game/physics.h"
#include "platform/turn_log.h"

namespace {

const std::string kGoal = "data/sounds/goal.wav";
const std::string kShot = "data/sounds/shot.wav";

// A first-table match one step before a goal, with the last hit recorded as
// given. playersGoal: the puck is in the far mouth, else in the near one.
GameState beforeGoal(bool playersGoal, float recX, float recZ, float recMoveX, float recMoveZ) {
    GameState g;
    g.menu = false;
    g.x = 150;
    g.z = playersGoal ? -312.0f : 332.0f;
    g.video_x = recX; g.video_z = recZ;
    g.video_move_x = recMoveX; g.video_move_z = recMoveZ;
    turnLog().clear();
    return g;
}

// Steps until the replay is over; -1 if it runs past the limit.
int stepsUntilReplayEnds(GameState& g, int limit = 100000) {
    for (int n = 1; n <= limit; ++n) {
        matchStep(g);
        if (!g.video) return n;
    }
    return -1;
}

}  // namespace

TEST(ReplayStart, PuckTakesTheRecordAndTheCameraGoesToTheScorersEnd) {
    struct { bool playersGoal; float cameraZ; } cases[] = {{true, 560}, {false, -560}};
    for (const auto& c : cases) {
        GameState g = beforeGoal(c.playersGoal, 60, 10, 0, 0);
        g.camera_x = 140; g.camera_z = 500;
        matchStep(g);
        EXPECT_TRUE(g.video);
        EXPECT_EQ(g.my_goal, c.playersGoal);
        EXPECT_EQ(g.my_score + g.his_score, 1);
        EXPECT_FLOAT_EQ(g.camera_z, c.cameraZ);
        EXPECT_FLOAT_EQ(g.video_oldz_position, 500);
        EXPECT_FLOAT_EQ(g.video_oldx_position, 140);
        EXPECT_FLOAT_EQ(g.x, 60);
        EXPECT_FLOAT_EQ(g.z, 10);
        EXPECT_FLOAT_EQ(g.schiesser_z, 230);
        EXPECT_FLOAT_EQ(g.gegner_z, -300);
    }
}

TEST(ReplayStart, GoalStepGoesOnAsNormalPlayWithSilentWalls) {
    // the record touches the player's mallet at its start spot: the goal step
    // still tests the hits; a record at the wall bounces without a sound
    GameState g = beforeGoal(true, 150, 240, 0, -5);
    g.artif_int = true;
    matchStep(g);
    ASSERT_EQ(turnLog().sounds, (std::vector<std::string>{kGoal, kShot}));
    EXPECT_FLOAT_EQ(g.move_z, 7);  // 7.5 from the hit, then the puck limit

    GameState w = beforeGoal(true, 270, 0, 3, 0);
    matchStep(w);
    EXPECT_EQ(turnLog().sounds, std::vector<std::string>{kGoal});
    EXPECT_FLOAT_EQ(w.x, 268 - 3 + 0.001f);
}

TEST(ReplayTiming, EndsAfter113StepsWithAPuckAtRest) {
    for (bool playersGoal : {true, false}) {
        GameState g = beforeGoal(playersGoal, 60, 10, 0, 0);
        matchStep(g);
        turnLog().clear();
        const int n = stepsUntilReplayEnds(g);
        EXPECT_EQ(n, 113) << playersGoal;
        EXPECT_FLOAT_EQ(g.camera_z, 560);  // magnitude saved at the goal
        EXPECT_FLOAT_EQ(g.x, 150);
        EXPECT_FLOAT_EQ(g.z, playersGoal ? 200.0f : -200.0f);
        EXPECT_EQ(g.move_x, 0);
        EXPECT_EQ(g.my_score + g.his_score, 1);
        EXPECT_TRUE(turnLog().sounds.empty());
    }
}

TEST(ReplayTiming, WaitsWithTheCameraParkedUntilThePuckSlowsDown) {
    GameState g = beforeGoal(true, 150, 0, 7, 0);
    g.a = 0.05f;  // about 130 steps from 7 to 0.5
    matchStep(g);
    int n = 0;
    bool ended = false;
    while (!ended && n < 1000) {
        const bool slow = std::fabs(g.move_x) <= 0.5f && std::fabs(g.move_z) <= 0.5f;
        const bool cameraThere = g.camera_z - 10 <= -565 || g.camera_z <= -565;
        matchStep(g);
        ++n;
        ended = !g.video;
        EXPECT_EQ(ended, slow && cameraThere) << "step " << n;
        if (n == 113) EXPECT_FLOAT_EQ(g.camera_z, -570);
    }
    EXPECT_GT(n, 113);
    EXPECT_TRUE(ended);
    EXPECT_TRUE(turnLog().sounds.size() == 1);  // the goal only: replay walls are silent
}

TEST(ReplayGoalZone, ReplayedPuckStopsInTheMouthWithoutScoring) {
    GameState g = beforeGoal(true, 150, -200, 0, -7);
    g.a = 0;
    matchStep(g);
    for (int n = 0; n < 60; ++n) matchStep(g);
    EXPECT_TRUE(g.video);
    EXPECT_EQ(g.move_z, 0);
    EXPECT_LE(g.z, -311);
    EXPECT_GT(g.z, -315);
    EXPECT_EQ(stepsUntilReplayEnds(g), 113 - 60);
    EXPECT_EQ(g.my_score, 1);
    EXPECT_EQ(turnLog().sounds, std::vector<std::string>{kGoal});
}

TEST(ReplayEnd, CameraRestoredAsMagnitudeAndSavedX) {
    GameState g = beforeGoal(true, 60, 10, 0, 0);
    g.camera_z = -100; g.camera_x = 90;
    matchStep(g);
    g.camera_x = 10;  // moved by the keys during the replay
    stepsUntilReplayEnds(g);
    EXPECT_FLOAT_EQ(g.camera_z, 100);
    EXPECT_FLOAT_EQ(g.camera_x, 90);
}

TEST(ReplayEnd, CameraPositionNotTheScorerDecidesTheServe) {
    GameState g = beforeGoal(true, 60, 10, 0, 0);
    matchStep(g);
    g.camera_z = 600;  // pushed past the other end with the keys
    EXPECT_EQ(stepsUntilReplayEnds(g), 1);
    EXPECT_FLOAT_EQ(g.z, -200);
}

TEST(ReplayEnd, LeavingTheMatchKeepsTheReplayForTheNextTable) {
    GameState g = beforeGoal(true, 60, 10, 0, 0);
    g.camera_z = 400; g.camera_x = 120;
    matchStep(g);
    for (int n = 0; n < 20; ++n) matchStep(g);

    g.keys[27] = true;
    EXPECT_EQ(PlayKeysStep(g), TurnOutcome::SceneSwitch);
    EXPECT_TRUE(g.menu);
    EXPECT_TRUE(g.video);
    g.keys[27] = false;

    ASSERT_TRUE(applyTableConstants(g, 2));
    g.menu = false;
    EXPECT_TRUE(g.video);
    EXPECT_FLOAT_EQ(g.camera_z, 560);
    EXPECT_EQ(stepsUntilReplayEnds(g), 113);
    EXPECT_FLOAT_EQ(g.camera_z, 400);
    EXPECT_FLOAT_EQ(g.camera_x, 120);
    EXPECT_FLOAT_EQ(g.x, 150);
    EXPECT_FLOAT_EQ(g.z, 200);
}
