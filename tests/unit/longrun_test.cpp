// A long stretch of play on every table, random keys and mouse from a fixed
// seed, the computer opponent on: the step must stay finite, keep the puck
// near the table and change scores only through goals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "app/controls.h"
#include "game/game_state.h"
#include "game/match_step.h"
#include "game/table.h"
#include "platform/turn_log.h"

namespace {

constexpr int kSteps = 100000;

// Play keys only: ESC (leaves play), Ctrl+Shift+C (opponent off) and the
// table digits are kept out.
const int kPlayKeys[] = {'W', 'A', 'S', 'D', 'I', 'J', 'K', 'L', 'M', 'N', 'V', 'B', 16, 17, 33, 34, 37, 38, 39, 40};

bool allFinite(const GameState& g) {
    for (float v : {g.x, g.z, g.move_x, g.move_z, g.schiesser_x, g.schiesser_z, g.schiesser_v_x, g.schiesser_v_z,
                    g.gegner_x, g.gegner_z, g.gegner_v_x, g.gegner_v_z, g.camera_x, g.camera_y, g.camera_z,
                    g.blend_fac, g.video_x, g.video_z, g.video_move_x, g.video_move_z})
        if (!std::isfinite(v)) return false;
    return true;
}

}  // namespace

TEST(LongRun, EveryTableStaysFiniteInsideAndScoresOnlyByGoals) {
    for (int n = 1; n <= kTableCount; ++n) {
        GameState g;
        SCOPED_TRACE("table " + std::to_string(n));
        ASSERT_TRUE(ApplyTableConstants(g, n));
        g.puk_rad = n >= 7 ? 50 : 44, g.menu = false, g.artif_int = true;
        std::srand(static_cast<unsigned>(n));
        std::mt19937 rng(1000u + static_cast<unsigned>(n));
        std::uniform_int_distribution<int> pick(0, static_cast<int>(std::size(kPlayKeys)) - 1), chance(0, 7),
            mx(0, g.width - 1), my(0, g.height - 1);
        const float pmv = g.puk_max_v;
        int goals = 0;
        for (int step = 0; step < kSteps; ++step) {
            // The goal test of this step sees the puck as the last step left it.
            int expectMy = 0, expectHis = 0;
            if (!g.video && InGoalMouth(g)) {
                if (g.z < GoalLineFar(g)) expectMy = 1;
                else if (g.z > GoalLineNear(g)) expectHis = 1;
            }
            const int myBefore = g.my_score, hisBefore = g.his_score;
            CurrentTurnLog().clear();

            MatchStep(g);

            ASSERT_TRUE(allFinite(g)) << step;
            ASSERT_GE(g.x, WallLineLeft(g) - pmv) << step;
            ASSERT_LE(g.x, WallLineRight(g) + pmv) << step;
            ASSERT_GE(g.z, WallLineFar(g) - pmv) << step;
            ASSERT_LE(g.z, WallLineNear(g) + pmv) << step;
            ASSERT_GE(g.schiesser_z, -20.0f) << step;
            ASSERT_LE(g.gegner_z, -60.0f) << step;
            ASSERT_EQ(g.my_score - myBefore, expectMy) << step;
            ASSERT_EQ(g.his_score - hisBefore, expectHis) << step;
            goals += expectMy + expectHis;

            if (chance(rng) == 0) g.keys[kPlayKeys[pick(rng)]] ^= true;
            if (chance(rng) == 0) g.mouse_x = mx(rng), g.mouse_y = my(rng);
            ASSERT_EQ(PlayKeysStep(g), TurnOutcome::Continue);
        }
        // not a requirement of the game, but a run without a goal tested little
        EXPECT_GT(goals, 0) << "table " << n;
    }
}
