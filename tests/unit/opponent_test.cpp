// The computer opponent's choice between wandering and going for the puck,
// its steering, and its wander targets.
#include <gtest/gtest.h>

#include <cstdlib>

#include "game/game_state.h"
#include "game/match_step.h"
#include "game/opponent.h"

namespace {

constexpr float kSpeed = 2.25f;  // half of the first table's 4.5

}  // namespace

TEST(OpponentChoice, BoundariesOfGoingForThePuck) {
    // Opponent at (150, -80) or further back, wander target (131, -100): wandering
    // steers toward -x and -z, so it differs from going for the puck on both axes.
    struct { const char* what; float puckX, puckZ, gegnerZ, vx, vz; } cases[] = {
        {"at z -50, mallet 30 behind", 150, -50, -80, 0.3f, kSpeed},  // x tie: velocity kept
        {"at z -50, mallet further back", 150, -50, -200, 0.3f, kSpeed},
        {"at z -49.9", 150, -49.9f, -80, -kSpeed, -kSpeed},
        {"only 29 in front of the mallet", 150, -51, -80, -kSpeed, -kSpeed},
        {"behind the mallet", 150, -100, -80, -kSpeed, -kSpeed},
        {"19.9 to the right", 169.9f, -50, -80, kSpeed, kSpeed},
        {"20 to the right: falls back", 170, -50, -80, kSpeed, -kSpeed},
        {"20 to the left: falls back", 130, -50, -80, -kSpeed, -kSpeed},
        {"19.9 to the left", 130.1f, -50, -80, -kSpeed, kSpeed},
    };
    for (const auto& c : cases) {
        GameState g;
        g.artif_int = true, g.gegner_x = 150, g.gegner_v_x = 0.3f;  // friction left 0.3 of the last step
        g.x = c.puckX; g.z = c.puckZ; g.gegner_z = c.gegnerZ;
        SteerOpponent(g);
        EXPECT_FLOAT_EQ(g.gegner_v_x, c.vx) << c.what;
        EXPECT_FLOAT_EQ(g.gegner_v_z, c.vz) << c.what;
    }
}

TEST(OpponentWander, DiagonalSteeringThenArrivalDrawsXThenZAndLeavesTheVelocity) {
    // first target (131, -100); ties count as +; arrival within 6.5 (in z anywhere near the forward limit)
    struct { float gx, gz, vx, vz; bool arrived; } cases[] = {
        {200, -300, -kSpeed, kSpeed, false}, {50, -80, kSpeed, -kSpeed, false},
        {131, -300, kSpeed, kSpeed, false}, {140, -100, -kSpeed, kSpeed, false},
        {131, -100, 0.7f, -0.2f, true}, {124.5f, -106.5f, 0.7f, -0.2f, true},
        {124, -100, kSpeed, kSpeed, false}, {131, -107, kSpeed, kSpeed, false},
        {131, -89, 0.7f, -0.2f, true}, {131, -90, kSpeed, -kSpeed, false},
    };
    for (const auto& c : cases) {
        GameState g;
        g.x = 150; g.z = 200;  // puck in the player's half
        g.gegner_x = c.gx; g.gegner_z = c.gz;
        g.gegner_v_x = 0.7f; g.gegner_v_z = -0.2f;
        std::srand(77);
        const int r1 = std::rand(), r2 = std::rand();
        std::srand(77);
        SteerOpponent(g);
        EXPECT_EQ(g.gegner_point_x, c.arrived ? r1 % 238 : 100) << c.gx << "," << c.gz;
        if (c.arrived) EXPECT_EQ(g.gegner_point_z, -(r2 % 315 + 40)) << c.gx << "," << c.gz;
        EXPECT_FLOAT_EQ(g.gegner_v_x, c.vx) << c.gx << "," << c.gz;
        EXPECT_FLOAT_EQ(g.gegner_v_z, c.vz) << c.gx << "," << c.gz;
    }
}

TEST(OpponentInStep, SteersAtHalfTheTablesMalletSpeedAndNotWhenOff) {
    for (bool on : {true, false}) {
        GameState g;
        g.menu = false, g.artif_int = on, g.schiesser_max_v = 6;
        g.x = 150; g.z = 200;
        MatchStep(g);
        // first target (131, -100) from (150, -300): toward -x and +z at 3 per axis
        EXPECT_FLOAT_EQ(g.gegner_x, on ? 147 : 150);
        EXPECT_FLOAT_EQ(g.gegner_z, on ? -297 : -300);
    }
}
