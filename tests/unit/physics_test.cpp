// The simulation step against the numbers of the first table: lines, goals,
// hits, limits, friction and confinement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/game_state.h"
#include "game/physics.h"
#include "platform/turn_log.h"

namespace {

const std::string kShot = "data/sounds/shot.wav";
const std::string kSideshot = "data/sounds/sideshot.wav";
const std::string kGoal = "data/sounds/goal.wav";

// A first-table match in play with the replay off, friction off, nothing moving.
GameState quietTable() {
    GameState g;
    g.menu = false;
    g.play_video = false;
    g.a = 0.0f;
    turnLog().clear();
    return g;
}

int count(const std::string& sound) {
    int n = 0;
    for (const auto& s : turnLog().sounds) n += s == sound;
    return n;
}

}  // namespace

struct LineCase {
    int puk_rad;
    int right, left, nearWall, farWall, nearGoal, farGoal;
};

TEST(TableLines, FirstTableWithBothPucks) {
    const LineCase cases[] = {
        {44, 269, 31, 335, -315, 331, -311},
        {50, 263, 37, 329, -309, 325, -305},
    };
    for (const auto& c : cases) {
        GameState g;
        g.puk_rad = c.puk_rad;
        EXPECT_EQ(wallLineRight(g), c.right) << c.puk_rad;
        EXPECT_EQ(wallLineLeft(g), c.left) << c.puk_rad;
        EXPECT_EQ(wallLineNear(g), c.nearWall) << c.puk_rad;
        EXPECT_EQ(wallLineFar(g), c.farWall) << c.puk_rad;
        EXPECT_EQ(goalLineNear(g), c.nearGoal) << c.puk_rad;
        EXPECT_EQ(goalLineFar(g), c.farGoal) << c.puk_rad;
    }
}

struct BounceCase {
    float x, z, move_x, move_z;
    float endX, endZ, endMoveX, endMoveZ;  // after the whole back half, friction off
    int sideshots;
};

TEST(WallBounce, ReversesOnlyTheNormalComponentAndPutsThePuckOneUnitInside) {
    const BounceCase cases[] = {
        {270, 0, 3, 1, 268 - 3, 1, -3, 1, 1},        // right wall
        {30, 0, -3, 1, 32 + 3, 1, 3, 1, 1},          // left wall
        {100, 336, 1, 2, 101, 334 - 2, 1, -2, 1},    // near wall outside the mouths
        {100, -316, 1, -2, 101, -314 + 2, 1, 2, 1},  // far wall outside the mouths
        {269, 335, 2, 2, 266, 332, -2, -2, 2},       // corner: two bounces
        {269, 0, 0.5f, 0, 267.5f, 0, -0.5f, 0, 1},   // slow puck on the line leaves it
        {268.9f, 0, 0.5f, 0, 269.4f, 0, 0.5f, 0, 0}, // just inside: no bounce yet
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.x = c.x; g.z = c.z; g.move_x = c.move_x; g.move_z = c.move_z;
        physicsStepBack(g);
        EXPECT_FLOAT_EQ(g.x, c.endX) << c.x << "," << c.z;
        EXPECT_FLOAT_EQ(g.z, c.endZ) << c.x << "," << c.z;
        EXPECT_FLOAT_EQ(g.move_x, c.endMoveX) << c.x << "," << c.z;
        EXPECT_FLOAT_EQ(g.move_z, c.endMoveZ) << c.x << "," << c.z;
        EXPECT_EQ(count(kSideshot), c.sideshots) << c.x << "," << c.z;
    }
}

TEST(WallBounce, SilentDuringReplayAndWithSoundOff) {
    for (int variant = 0; variant < 2; ++variant) {
        GameState g = quietTable();
        if (variant == 0) g.video = true; else g.sound = false;
        g.x = 270; g.move_x = 3;
        physicsStepBack(g);
        EXPECT_FLOAT_EQ(g.move_x, -3);
        EXPECT_TRUE(turnLog().sounds.empty());
    }
}

TEST(WallBounce, LargePuckBouncesSixUnitsEarlier) {
    GameState g = quietTable();
    g.puk_rad = 50;
    g.x = 263; g.move_x = 1;
    physicsStepBack(g);
    EXPECT_FLOAT_EQ(g.x, 262 - 1);
    EXPECT_FLOAT_EQ(g.move_x, -1);
}

struct GoalCase {
    const char* what;
    int puk_rad;
    float x, z;
    int myScore, hisScore;
};

TEST(GoalTest, OpenMouthsAndGoalLines) {
    const GoalCase cases[] = {
        {"far mouth beyond the line", 44, 150, -312, 1, 0},
        {"far, outside the mouth", 44, 100, -312, 0, 0},
        {"far, on the goal line", 44, 150, -311, 0, 0},
        {"far, on the mouth's edge", 44, 110, -312, 0, 0},
        {"far, just inside the edge", 44, 189.5f, -312, 1, 0},
        {"near mouth beyond the line", 44, 150, 332, 0, 1},
        {"near, on the goal line", 44, 150, 331, 0, 0},
        {"near, outside the mouth", 44, 200, 334, 0, 0},
        {"large puck, far", 50, 150, -306, 1, 0},
        {"large puck, far line", 50, 150, -305, 0, 0},
        {"large puck, near", 50, 150, 326, 0, 1},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.puk_rad = c.puk_rad;
        g.x = c.x; g.z = c.z;
        physicsStepFront(g);
        EXPECT_EQ(g.my_score, c.myScore) << c.what;
        EXPECT_EQ(g.his_score, c.hisScore) << c.what;
        EXPECT_EQ(count(kGoal), c.myScore + c.hisScore) << c.what;
    }
}

TEST(GoalTest, EitherOfTwoSeparateMouthsScores) {
    // the third table has a mouth at each side and none in the middle
    for (float x : {20.0f, 150.0f, 300.0f}) {
        GameState g = quietTable();
        g.my_goal_min_x = -5; g.my_goal_max_x = 55;
        g.my_goal_min_x2 = 265; g.my_goal_max_x2 = 325;
        g.x = x; g.z = -312;
        physicsStepFront(g);
        EXPECT_EQ(g.my_score, x == 150.0f ? 0 : 1) << x;
    }
}

TEST(GoalTest, ServesAtRestInTheScorersHalfWithMalletsOnTheirSpots) {
    struct { float z; float serveZ; } cases[] = {{-312, 200}, {332, -200}};
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.x = 150; g.z = c.z; g.move_x = 2; g.move_z = 5;
        g.schiesser_x = 60; g.schiesser_z = 100; g.schiesser_v_x = 3;
        g.gegner_x = 200; g.gegner_z = -100; g.gegner_v_z = -2;
        g.schiesser_z_start = 240;
        const float cameraZ = g.camera_z;
        matchStep(g);
        EXPECT_FLOAT_EQ(g.x, 150);
        EXPECT_FLOAT_EQ(g.z, c.serveZ);
        EXPECT_EQ(g.move_x, 0);
        EXPECT_EQ(g.move_z, 0);
        EXPECT_FLOAT_EQ(g.schiesser_x, 150);
        EXPECT_FLOAT_EQ(g.schiesser_z, 240);
        EXPECT_FLOAT_EQ(g.gegner_x, 150);
        EXPECT_FLOAT_EQ(g.gegner_z, -310);
        EXPECT_EQ(g.schiesser_v_x, 0);
        EXPECT_EQ(g.gegner_v_z, 0);
        EXPECT_FALSE(g.video);  // replay off: play goes on at once
        EXPECT_EQ(g.camera_z, cameraZ);
    }
}

TEST(GoalTest, PuckSlidingSidewaysIntoAMouthBeyondTheGoalLineScoresNextStep) {
    GameState g = quietTable();
    g.x = 100; g.z = -313; g.move_x = 7;  // between goal line and wall, left of the mouth
    matchStep(g);
    EXPECT_FLOAT_EQ(g.x, 107);
    matchStep(g);
    EXPECT_FLOAT_EQ(g.x, 114);  // in the mouth now, scored in the next step's test
    EXPECT_EQ(g.my_score, 0);
    matchStep(g);
    EXPECT_EQ(g.my_score, 1);
}

TEST(GoalTest, OnlyOneGoalPerStepAndNoneWhilePuckRests) {
    GameState g = quietTable();
    for (int i = 0; i < 100; ++i) matchStep(g);
    EXPECT_FLOAT_EQ(g.x, 150);
    EXPECT_FLOAT_EQ(g.z, 200);  // 75 units from the player's striking centre
    EXPECT_TRUE(turnLog().sounds.empty());
}

TEST(MalletHit, ExactlyAtPuckRadiusHitsAndJustBeyondDoesNot) {
    struct { int puk_rad; float dx, dz; bool hits; } cases[] = {
        {44, 0, 44, true},
        {44, 0, 44.01f, false},
        {44, 44, 0, true},
        {50, 30, 40, true},  // the radius alone, not two radii
        {50, 30, 40.01f, false},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.puk_rad = c.puk_rad;
        g.schiesser_x = 150; g.schiesser_z = 100;  // strikes at (150, 145)
        g.x = 150 + c.dx; g.z = 145 - c.dz;
        physicsStepFront(g);
        EXPECT_EQ(count(kShot), c.hits ? 1 : 0) << c.dx << "," << c.dz;
    }
}

TEST(MalletHit, ResponseFromVelocitiesAloneWithSeparatingMove) {
    struct Case {
        const char* what;
        float u, w, U, W;
        float puckU, puckW, malletU, malletW;  // just after the hit, before any limit
    } cases[] = {
        {"head-on, resting mallet", 0, 4, 0, 0, 0, -6, 0, 8.0f / 3},
        {"resting puck, mallet at full speed", 0, 0, 0, -4.5f, 0, -4.5f, 0, -1.5f},
        {"sideways", 2, 0, 3, 0, 0, 0, 7.0f / 3, 0},
        {"both at rest in contact", 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.schiesser_x = 150; g.schiesser_z = 100;
        g.x = 150; g.z = 120;  // 25 units in front of the striking centre
        g.move_x = c.u; g.move_z = c.w;
        g.schiesser_v_x = c.U; g.schiesser_v_z = c.W;
        physicsStepFront(g);
        EXPECT_FLOAT_EQ(g.move_x, c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.move_z, c.puckW) << c.what;
        EXPECT_FLOAT_EQ(g.video_x, 150) << c.what;
        EXPECT_FLOAT_EQ(g.video_z, 120) << c.what;
        EXPECT_FLOAT_EQ(g.video_move_x, c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.video_move_z, c.puckW) << c.what;
        EXPECT_FLOAT_EQ(g.x, 150 + c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.z, 120 + c.puckW) << c.what;
        EXPECT_EQ(count(kShot), 1) << c.what;
        // the mallet moved once by its response and once more in the mallet move
        // (neither of these is above the limit or under the 0.4 cut)
        EXPECT_FLOAT_EQ(g.schiesser_v_x, c.malletU) << c.what;
        EXPECT_FLOAT_EQ(g.schiesser_v_z, c.malletW) << c.what;
        EXPECT_FLOAT_EQ(g.schiesser_x, 150 + 2 * c.malletU) << c.what;
        EXPECT_FLOAT_EQ(g.schiesser_z, 100 + 2 * c.malletW) << c.what;
    }
}

TEST(MalletHit, SeparatingMovesUseTheUnlimitedVelocities) {
    GameState g = quietTable();
    g.schiesser_x = 150; g.schiesser_z = 100;
    g.x = 150; g.z = 120; g.move_z = 7;  // fast puck into a resting mallet
    matchStep(g);
    // puck: -10.5 at once, then -7 after the limit
    EXPECT_FLOAT_EQ(g.move_z, -7);
    EXPECT_FLOAT_EQ(g.z, 120 - 10.5f - 7);
    // mallet: 14/3 at once, then capped at 4.5, then friction 0.5
    EXPECT_FLOAT_EQ(g.schiesser_z, 100 + 14.0f / 3 + 4.5f);
    EXPECT_FLOAT_EQ(g.schiesser_v_z, 4.0f);
}

TEST(MalletHit, SecondMalletSeesTheFirstMalletsResponse) {
    GameState g = quietTable();
    g.artif_int = true;  // a hit takes the opponent's steering's place
    g.schiesser_x = 150; g.schiesser_z = -20;  // strikes at z 25
    g.gegner_x = 150; g.gegner_z = -60;        // strikes at z -15
    g.x = 150; g.z = 5; g.move_z = 3;
    const int targetX = g.gegner_point_x, targetZ = g.gegner_point_z;
    physicsStepFront(g);
    EXPECT_EQ(count(kShot), 2);
    // the player's hit sends it back at -4.5; the opponent's then answers that
    EXPECT_FLOAT_EQ(g.move_z, 6.75f);
    EXPECT_FLOAT_EQ(g.video_z, 0.5f);
    EXPECT_FLOAT_EQ(g.gegner_v_z, -3);
    EXPECT_FLOAT_EQ(g.gegner_z, -60 - 3 - 3);
    EXPECT_EQ(g.gegner_point_x, targetX);
    EXPECT_EQ(g.gegner_point_z, targetZ);
}

TEST(MalletHit, PuckAndMalletAtRestTouchingRepeatTheShotEveryStep) {
    GameState g = quietTable();
    g.x = 150; g.z = 240;  // 35 from the start striking centre (150, 275)
    for (int i = 0; i < 5; ++i) matchStep(g);
    EXPECT_EQ(count(kShot), 5);
    EXPECT_FLOAT_EQ(g.x, 150);
    EXPECT_FLOAT_EQ(g.z, 240);
}

TEST(MalletLimits, CapThenCutBelowPointFour) {
    struct { float v, limited; } cases[] = {
        {5, 4.5f}, {-5, -4.5f}, {4.5f, 4.5f}, {0.39f, 0}, {-0.39f, 0}, {0.4f, 0.4f}, {-0.4f, -0.4f}, {1, 1},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.schiesser_x = 150; g.schiesser_z = 100;
        g.x = 150; g.z = -200;  // out of reach of both mallets
        g.gegner_x = 40;
        g.schiesser_v_x = c.v; g.schiesser_v_z = c.v;
        g.gegner_v_x = c.v; g.gegner_v_z = c.v;
        physicsStepFront(g);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, c.limited) << c.v;
        EXPECT_FLOAT_EQ(g.schiesser_v_z, c.limited) << c.v;
        EXPECT_FLOAT_EQ(g.gegner_v_x, c.limited) << c.v;
        EXPECT_FLOAT_EQ(g.gegner_v_z, c.limited) << c.v;
        EXPECT_FLOAT_EQ(g.schiesser_x, 150 + c.limited) << c.v;
        EXPECT_FLOAT_EQ(g.gegner_z, -300 + c.limited) << c.v;
    }
}

TEST(Friction, TwoTestsNeverBringASmallComponentToRest) {
    struct { float a, v, after; } cases[] = {
        {0.002f, 1, 0.998f},
        {0.002f, -1, -0.998f},
        {0.002f, 0.001f, 0.001f},   // lowered below zero, raised again
        {0.002f, -0.001f, 0.001f},  // raised above zero, stays there
        {0.002f, 0, 0},
        {0.5f, 0.3f, 0.3f},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.x = 150; g.z = 0;
        g.a = c.a; g.schiesser_a = c.a;
        g.move_x = c.v; g.move_z = c.v;
        g.schiesser_v_x = c.v; g.gegner_v_z = c.v;
        physicsStepBack(g);
        EXPECT_NEAR(g.move_x, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.move_z, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.schiesser_v_x, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.gegner_v_z, c.after, 1e-6) << c.a << " " << c.v;
    }
}

TEST(Friction, ReleasedMalletStopsThroughTheCutNotThroughFriction) {
    GameState g = quietTable();
    g.schiesser_a = 0.5f;
    g.schiesser_v_x = 4.2f;
    // 4.2, 3.7, ... 0.2: friction alone would keep 0.2 for ever
    for (int i = 0; i < 9; ++i) matchStep(g);
    EXPECT_EQ(g.schiesser_v_x, 0);
    const float restX = g.schiesser_x;
    matchStep(g);
    EXPECT_EQ(g.schiesser_x, restX);
}

TEST(PuckLimit, EachComponentCappedAfterFriction) {
    GameState g = quietTable();
    g.x = 150; g.z = 0; g.move_x = 9; g.move_z = -12;
    physicsStepBack(g);
    EXPECT_FLOAT_EQ(g.move_x, 7);
    EXPECT_FLOAT_EQ(g.move_z, -7);
    EXPECT_FLOAT_EQ(g.x, 157);
    EXPECT_FLOAT_EQ(g.z, -7);
}

TEST(Confinement, EachMalletHeldInItsHalfWithVelocityKept) {
    struct { float sx, sz, gx, gz; float esx, esz, egx, egz; } cases[] = {
        {300, 400, 300, -50, 269, 290, 269, -60},
        {0, -30, 0, -400, 31, -20, 31, -360},
        {150, 100, 150, -200, 150, 100, 150, -200},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.schiesser_a = 0;
        g.x = 150; g.z = 0;
        g.schiesser_x = c.sx; g.schiesser_z = c.sz; g.gegner_x = c.gx; g.gegner_z = c.gz;
        g.schiesser_v_x = 3; g.gegner_v_z = -3;
        physicsStepBack(g);
        EXPECT_FLOAT_EQ(g.schiesser_x, c.esx);
        EXPECT_FLOAT_EQ(g.schiesser_z, c.esz);
        EXPECT_FLOAT_EQ(g.gegner_x, c.egx);
        EXPECT_FLOAT_EQ(g.gegner_z, c.egz);
        EXPECT_FLOAT_EQ(g.schiesser_v_x, 3);
        EXPECT_FLOAT_EQ(g.gegner_v_z, -3);
    }
}
