// The simulation step against the numbers of the first table: lines, goals,
// hits, limits and friction.
#include <gtest/gtest.h>

#include <string>

#include "game/game_state.h"
#include "game/match_step.h"
#include "game/physics.h"
#include "game/table.h"
#include "platform/turn_log.h"

namespace {

// A first-table match in play with the replay off, friction off, nothing moving.
GameState quietTable() {
    GameState g;
    g.menu = false, g.play_video = false, g.a = 0.0f;
    CurrentTurnLog().clear();
    return g;
}

int count(const char* sound) {
    int n = 0;
    for (const auto& s : CurrentTurnLog().sounds) n += s == std::string("data/sounds/") + sound;
    return n;
}

}  // namespace

TEST(TableLines, FirstTableWithBothPucks) {
    // right, left, near and far wall, near and far goal line
    struct { int puk_rad, lines[6]; } cases[] = {{44, 269, 31, 335, -315, 331, -311}, {50, 263, 37, 329, -309, 325, -305}};
    for (const auto& c : cases) {
        GameState g;
        g.puk_rad = c.puk_rad;
        const int lines[] = {WallLineRight(g), WallLineLeft(g), WallLineNear(g), WallLineFar(g), GoalLineNear(g), GoalLineFar(g)};
        for (int i = 0; i < 6; ++i) EXPECT_EQ(lines[i], c.lines[i]) << "puck " << c.puk_rad << " line " << i;
    }
}

TEST(WallBounce, ReversesOnlyTheNormalComponentAndPutsThePuckOneUnitInside) {
    struct { float x, z, move_x, move_z, end[4]; int sideshots; } cases[] = {  // end: x, z, move x, move z
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
        PhysicsStepBack(g);
        const float end[] = {g.x, g.z, g.move_x, g.move_z};
        for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(end[i], c.end[i]) << c.x << "," << c.z << " value " << i;
        EXPECT_EQ(count("sideshot.wav"), c.sideshots) << c.x << "," << c.z;
    }
}

TEST(GoalTest, OpenMouthsAndGoalLines) {
    // the third table has a mouth at each side and none in the middle
    struct { const char* what; int puk_rad; float x, z; int myScore, hisScore; bool twoMouths; } cases[] = {
        {"far mouth beyond the line", 44, 150, -312, 1, 0},
        {"far, outside the mouth", 44, 100, -312, 0, 0}, {"far, on the goal line", 44, 150, -311, 0, 0},
        {"far, on the mouth's edge", 44, 110, -312, 0, 0}, {"far, just inside the edge", 44, 189.5f, -312, 1, 0},
        {"near mouth beyond the line", 44, 150, 332, 0, 1}, {"near, on the goal line", 44, 150, 331, 0, 0},
        {"near, outside the mouth", 44, 200, 334, 0, 0}, {"large puck, far", 50, 150, -306, 1, 0},
        {"large puck, far line", 50, 150, -305, 0, 0}, {"large puck, near", 50, 150, 326, 0, 1},
        {"two mouths, left", 44, 20, -312, 1, 0, true}, {"two mouths, middle", 44, 150, -312, 0, 0, true},
        {"two mouths, right", 44, 300, -312, 1, 0, true},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.puk_rad = c.puk_rad;
        g.x = c.x; g.z = c.z;
        if (c.twoMouths) g.my_goal_min_x = -5, g.my_goal_max_x = 55, g.my_goal_min_x2 = 265, g.my_goal_max_x2 = 325;
        PhysicsStepFront(g);
        EXPECT_EQ(g.my_score, c.myScore) << c.what;
        EXPECT_EQ(g.his_score, c.hisScore) << c.what;
        EXPECT_EQ(count("goal.wav"), c.myScore + c.hisScore) << c.what;
    }
}

TEST(GoalTest, PuckSlidingSidewaysIntoAMouthBeyondTheGoalLineScoresNextStep) {
    GameState g = quietTable();
    g.x = 100; g.z = -313; g.move_x = 7;  // between goal line and wall, left of the mouth
    MatchStep(g);
    EXPECT_FLOAT_EQ(g.x, 107);
    MatchStep(g);
    EXPECT_FLOAT_EQ(g.x, 114);  // in the mouth now, scored in the next step's test
    EXPECT_EQ(g.my_score, 0);
    MatchStep(g);
    EXPECT_EQ(g.my_score, 1);
}

TEST(MalletHit, ExactlyAtPuckRadiusHitsAndJustBeyondDoesNot) {
    struct { int puk_rad; float dx, dz; bool hits; } cases[] = {
        // with the large puck: the radius alone, not two radii
        {44, 0, 44, true}, {44, 0, 44.01f, false}, {44, 44, 0, true}, {50, 30, 40, true}, {50, 30, 40.01f, false}};
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.puk_rad = c.puk_rad;
        g.schiesser_x = 150; g.schiesser_z = 100;  // strikes at (150, 145)
        g.x = 150 + c.dx; g.z = 145 - c.dz;
        PhysicsStepFront(g);
        EXPECT_EQ(count("shot.wav"), c.hits ? 1 : 0) << c.dx << "," << c.dz;
    }
}

TEST(MalletHit, ResponseFromVelocitiesAloneWithSeparatingMove) {
    struct { const char* what; float u, w, U, W, puckU, puckW, malletU, malletW; } cases[] = {
        {"head-on, resting mallet", 0, 4, 0, 0, 0, -6, 0, 8.0f / 3},
        {"resting puck, mallet at full speed", 0, 0, 0, -4.5f, 0, -4.5f, 0, -1.5f},
        {"sideways", 2, 0, 3, 0, 0, 0, 7.0f / 3, 0},
        {"both at rest in contact", 0, 0, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.schiesser_x = 150; g.schiesser_z = 100; g.x = 150; g.z = 120;  // 25 in front of the striking centre
        g.move_x = c.u; g.move_z = c.w; g.schiesser_v_x = c.U; g.schiesser_v_z = c.W;
        PhysicsStepFront(g);
        EXPECT_FLOAT_EQ(g.move_x, c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.move_z, c.puckW) << c.what;
        EXPECT_FLOAT_EQ(g.video_x, 150) << c.what;
        EXPECT_FLOAT_EQ(g.video_z, 120) << c.what;
        EXPECT_FLOAT_EQ(g.video_move_x, c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.video_move_z, c.puckW) << c.what;
        EXPECT_FLOAT_EQ(g.x, 150 + c.puckU) << c.what;
        EXPECT_FLOAT_EQ(g.z, 120 + c.puckW) << c.what;
        EXPECT_EQ(count("shot.wav"), 1) << c.what;
        // the mallet moved once by its response and once more in the mallet move
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
    MatchStep(g);
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
    PhysicsStepFront(g);
    EXPECT_EQ(count("shot.wav"), 2);
    // the player's hit sends it back at -4.5; the opponent's then answers that
    EXPECT_FLOAT_EQ(g.move_z, 6.75f);
    EXPECT_FLOAT_EQ(g.video_z, 0.5f);
    EXPECT_FLOAT_EQ(g.gegner_v_z, -3);
    EXPECT_FLOAT_EQ(g.gegner_z, -60 - 3 - 3);
    EXPECT_EQ(g.gegner_point_x, targetX);
    EXPECT_EQ(g.gegner_point_z, targetZ);
}

TEST(MalletLimits, CapThenCutBelowPointFour) {
    struct { float v, limited; } cases[] = {
        {5, 4.5f}, {-5, -4.5f}, {4.5f, 4.5f}, {0.39f, 0}, {-0.39f, 0}, {0.4f, 0.4f}, {-0.4f, -0.4f}, {1, 1}};
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.schiesser_x = 150; g.schiesser_z = 100; g.gegner_x = 40;
        g.x = 150; g.z = -200;  // out of reach of both mallets
        g.schiesser_v_x = g.schiesser_v_z = g.gegner_v_x = g.gegner_v_z = c.v;
        PhysicsStepFront(g);
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
        // 0.001 is lowered below zero and raised again; -0.001 raised above zero stays there
        {0.002f, 1, 0.998f}, {0.002f, -1, -0.998f}, {0.002f, 0.001f, 0.001f}, {0.002f, -0.001f, 0.001f},
        {0.002f, 0, 0}, {0.5f, 0.3f, 0.3f},
    };
    for (const auto& c : cases) {
        GameState g = quietTable();
        g.x = 150; g.z = 0; g.a = g.schiesser_a = c.a;
        g.move_x = g.move_z = g.schiesser_v_x = g.gegner_v_z = c.v;
        PhysicsStepBack(g);
        EXPECT_NEAR(g.move_x, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.move_z, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.schiesser_v_x, c.after, 1e-6) << c.a << " " << c.v;
        EXPECT_NEAR(g.gegner_v_z, c.after, 1e-6) << c.a << " " << c.v;
    }
}
