// The computer opponent's choice between wandering and going for the puck,
// its steering, and the range of its wander targets.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "game/game_state.h"
#include "game/opponent.h"
#include "game/physics.h"

namespace {

// Opponent at (150, -80), wander target (131, -100): wandering steers toward
// -x and -z, so it differs from going for the puck on both axes.
GameState opponentAt150() {
    GameState g;
    g.artif_int = true;
    g.gegner_x = 150;
    g.gegner_z = -80;
    g.gegner_v_x = 0.3f;  // what friction left of the last step
    return g;
}

constexpr float kSpeed = 2.25f;  // half of the first table's 4.5

}  // namespace

TEST(OpponentChoice, BoundariesOfGoingForThePuck) {
    struct Case {
        const char* what;
        float puckX, puckZ, gegnerZ;
        bool goesForPuck;
    } cases[] = {
        {"at z -50, mallet 30 behind", 150, -50, -80, true},
        {"at z -50, mallet further back", 150, -50, -200, true},
        {"at z -49.9", 150, -49.9f, -80, false},
        {"only 29 in front of the mallet", 150, -51, -80, false},
        {"behind the mallet", 150, -100, -80, false},
    };
    for (const auto& c : cases) {
        GameState g = opponentAt150();
        g.x = c.puckX; g.z = c.puckZ; g.gegner_z = c.gegnerZ;
        steerOpponent(g);
        if (c.goesForPuck) {
            EXPECT_FLOAT_EQ(g.gegner_v_z, kSpeed) << c.what;   // charges, in line
            EXPECT_FLOAT_EQ(g.gegner_v_x, 0.3f) << c.what;     // x tie: kept
        } else {
            EXPECT_FLOAT_EQ(g.gegner_v_x, -kSpeed) << c.what;  // toward the target
        }
    }
}

TEST(OpponentChoice, ChargesOnlyWhenThePuckIsWithinTwentyToTheSide) {
    struct { float dx; float vz; float vx; } cases[] = {
        {0, kSpeed, 0.3f},
        {19.9f, kSpeed, kSpeed},
        {20, -kSpeed, kSpeed},     // exactly 20 aside: falls back
        {-20, -kSpeed, -kSpeed},
        {-19.9f, kSpeed, -kSpeed},
    };
    for (const auto& c : cases) {
        GameState g = opponentAt150();
        g.x = 150 + c.dx; g.z = -50;
        steerOpponent(g);
        EXPECT_FLOAT_EQ(g.gegner_v_z, c.vz) << c.dx;
        EXPECT_FLOAT_EQ(g.gegner_v_x, c.vx) << c.dx;
    }
}

TEST(OpponentWander, FirstTargetAndDiagonalSteering) {
    GameState g;
    EXPECT_EQ(g.table_min_x + g.gegner_point_x, 131);
    EXPECT_EQ(g.gegner_point_z, -100);
    struct { float gx, gz, vx, vz; } cases[] = {
        {200, -300, -kSpeed, kSpeed},
        {50, -80, kSpeed, -kSpeed},
        {131, -300, kSpeed, kSpeed},   // exact tie counts as +
        {140, -100, -kSpeed, kSpeed},  // z tie too
    };
    for (const auto& c : cases) {
        GameState h;
        h.x = 150; h.z = 200;  // puck in the player's half
        h.gegner_x = c.gx; h.gegner_z = c.gz;
        steerOpponent(h);
        EXPECT_FLOAT_EQ(h.gegner_v_x, c.vx) << c.gx << "," << c.gz;
        EXPECT_FLOAT_EQ(h.gegner_v_z, c.vz) << c.gx << "," << c.gz;
        EXPECT_EQ(h.gegner_point_x, 100);
    }
}

TEST(OpponentWander, ArrivalDrawsXThenZAndLeavesTheVelocity) {
    struct { float gx, gz; bool arrived; } cases[] = {
        {131, -100, true},
        {124.5f, -106.5f, true},
        {124, -100, false},      // 7 off in x is not there
        {131, -107, false},
        {131, -89, true},        // near its forward limit: arrived in z anywhere
        {131, -90, false},
    };
    for (const auto& c : cases) {
        GameState g;
        g.x = 150; g.z = 200;
        g.gegner_x = c.gx; g.gegner_z = c.gz;
        g.gegner_v_x = 0.7f; g.gegner_v_z = -0.2f;
        std::srand(77);
        const int r1 = std::rand(), r2 = std::rand();
        std::srand(77);
        steerOpponent(g);
        if (c.arrived) {
            EXPECT_EQ(g.gegner_point_x, r1 % 238) << c.gx << "," << c.gz;
            EXPECT_EQ(g.gegner_point_z, -(r2 % 315 + 40)) << c.gx << "," << c.gz;
            EXPECT_FLOAT_EQ(g.gegner_v_x, 0.7f);
            EXPECT_FLOAT_EQ(g.gegner_v_z, -0.2f);
        } else {
            EXPECT_EQ(g.gegner_point_x, 100) << c.gx << "," << c.gz;
            EXPECT_NE(g.gegner_v_x, 0.7f);
        }
    }
}

TEST(OpponentWander, TargetsCoverTheirWholeRangeAndNoMore) {
    struct { int minX, maxX, minZ; } tables[] = {{31, 269, -315}, {-40, 335, -218}, {-30, 330, -473}};
    std::srand(12345);
    for (const auto& t : tables) {
        int loX = 1 << 30, hiX = -(1 << 30), loZ = 1 << 30, hiZ = -(1 << 30);
        for (int i = 0; i < 50000; ++i) {
            GameState g;
            g.table_min_x = t.minX; g.table_max_x = t.maxX; g.table_min_z = t.minZ;
            g.gegner_x = static_cast<float>(t.minX + 100); g.gegner_z = -100;  // on the first target
            g.x = 150; g.z = 200;
            steerOpponent(g);
            loX = std::min(loX, g.gegner_point_x); hiX = std::max(hiX, g.gegner_point_x);
            loZ = std::min(loZ, g.gegner_point_z); hiZ = std::max(hiZ, g.gegner_point_z);
        }
        EXPECT_EQ(loX, 0) << t.minX;
        EXPECT_EQ(hiX, t.maxX - t.minX - 1) << t.minX;
        EXPECT_EQ(hiZ, -40) << t.minZ;
        EXPECT_EQ(loZ, t.minZ - 39) << t.minZ;
        // still inside the opponent's confinement
        EXPECT_GE(loZ, t.minZ - 45);
    }
}

TEST(OpponentInStep, SteersAtHalfTheTablesMalletSpeedAndNotWhenOff) {
    for (bool on : {true, false}) {
        GameState g;
        g.menu = false;
        g.artif_int = on;
        g.schiesser_max_v = 6;
        g.x = 150; g.z = 200;
        matchStep(g);
        // first target (131, -100) from (150, -300): toward -x and +z at 3 per axis
        if (on) {
            EXPECT_FLOAT_EQ(g.gegner_x, 147);
            EXPECT_FLOAT_EQ(g.gegner_z, -297);
        } else {
            EXPECT_FLOAT_EQ(g.gegner_x, 150);
            EXPECT_FLOAT_EQ(g.gegner_z, -300);
        }
    }
}
