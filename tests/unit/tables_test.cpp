// The eleven tables' constants.
#include <gtest/gtest.h>

#include <string>

#include "game/game_state.h"
#include "game/table.h"

namespace {

struct ExpectedTable {
    const char* model;
    const char* message;
    int ints[8];       // table min x, max x, min z, max z, the two goal mouths
    float floats[10];  // goal z, x, z, puck limit, mallet limit, a, mallet a, z start, mallet z, opponent z
};

// As the game's table of tables gives them, written out again independently.
const ExpectedTable kExpected[11] = {
    {"data/model/table.ms3d", "Couldn't load the model data\\table.ms3d", 31, 269, -315, 335, 110, 190, 110, 190,
     200, 150, 200, 7, 4.5, 0.002, 0.5, 230, 230, -300},
    {"data/model/table2.ms3d", "Couldn't load the model data\\table.ms3d", -40, 335, -315, 335, 120, 180, 130, 190,
     200, 150, 200, 10, 6, 0.005, 0.5, 230, 230, -300},
    {"data/model/table3.ms3d", "Couldn't load the model data\\table.ms3d", -40, 335, -218, 238, -5, 55, 265, 325,
     100, 150, 100, 6, 5.5, 0.001, 0.5, 230, 230, -300},
    {"data/model/table4.ms3d", "Couldn't load the model data\\table.ms3d", 85, 215, -325, 345, 135, 175, 135, 175,
     200, 150, 100, 10, 4, 0.005, 0.5, 230, 230, -300},
    {"data/model/table5.ms3d", "Couldn't load the model data\\table5.ms3d", 31, 269, -188, 218, 110, 190, 110, 190,
     80, 150, 50, 10, 5, 0.05, 0.1, 170, 170, -170},
    {"data/model/table7.ms3d", "Couldn't load the model data\\table7.ms3d", -30, 330, -473, 503, 90, 210, 110, 190,
     200, 150, 200, 8, 5.5, 0.01, 1, 230, 230, -300},
    {"data/model/table.ms3d", "Couldn't load the model data\\table.ms3d", 31, 269, -315, 335, 110, 190, 110, 190,
     120, 120, 200, 7, 4.5, 0.002, 0.5, 230, 230, -300},
    {"data/model/table2.ms3d", "Couldn't load the model data\\table.ms3d", -40, 335, -315, 335, 120, 180, 130, 190,
     120, 120, 200, 10, 6, 0.005, 0.5, 230, 230, -300},
    {"data/model/table3.ms3d", "Couldn't load the model data\\table.ms3d", -40, 335, -218, 238, -5, 55, 265, 325,
     100, 150, 100, 6.5, 5, 0.001, 0.5, 230, 230, -300},
    {"data/model/table5.ms3d", "Couldn't load the model data\\table5.ms3d", 31, 269, -188, 218, 110, 190, 110, 190,
     80, 150, 50, 10, 6, 0.05, 0.1, 170, 170, -170},
    {"data/model/table7.ms3d", "Couldn't load the model data\\table7.ms3d", -30, 330, -473, 503, 90, 210, 110, 190,
     200, 200, 200, 8, 5.5, 0.001, 1, 300, 230, -300},
};

// A state far from any table's values, so every write shows.
GameState scrambled() {
    GameState g;
    g.x = g.z = g.move_x = g.move_z = 99;
    g.schiesser_x = g.schiesser_z = g.gegner_x = g.gegner_z = 99;
    g.schiesser_v_x = g.schiesser_v_z = g.gegner_v_x = g.gegner_v_z = 9;
    g.camera_x = g.camera_y = g.camera_z = 1;
    g.my_score = 5, g.his_score = 6, g.puk_rad = 50;
    return g;
}

}  // namespace

TEST(TableConstants, AllElevenAsTabled) {
    for (int n = 1; n <= kTableCount; ++n) {
        const ExpectedTable& e = kExpected[n - 1];
        const TableConstants* t = TableConstantsOf(n);
        ASSERT_NE(t, nullptr) << n;
        EXPECT_STREQ(t->modelFile, e.model) << n;
        EXPECT_STREQ(t->loadFailureMessage, e.message) << n;

        GameState g = scrambled();
        ASSERT_TRUE(ApplyTableConstants(g, n));
        EXPECT_EQ(g.table, n);
        const int ints[] = {g.table_min_x, g.table_max_x, g.table_min_z, g.table_max_z,
                            g.my_goal_min_x, g.my_goal_max_x, g.my_goal_min_x2, g.my_goal_max_x2};
        for (int i = 0; i < 8; ++i) EXPECT_EQ(ints[i], e.ints[i]) << "table " << n << " int " << i;
        // exact: the nearest single-precision value of each decimal
        const float floats[] = {g.goal_z, g.x, g.z, g.puk_max_v, g.schiesser_max_v, g.a, g.schiesser_a,
                                g.schiesser_z_start, g.schiesser_z, g.gegner_z};
        for (int i = 0; i < 10; ++i) EXPECT_EQ(floats[i], e.floats[i]) << "table " << n << " float " << i;
        // shared by every set-up; the puck goes with the puck model, not the constants
        for (float v : {g.camera_x - 150, g.camera_y - 300, g.camera_z - 560, g.schiesser_x - 150, g.gegner_x - 150,
                        g.move_x, g.move_z, g.schiesser_v_x, g.schiesser_v_z, g.gegner_v_x, g.gegner_v_z,
                        float(g.my_score), float(g.his_score), float(g.puk_rad - 50)})
            EXPECT_EQ(v, 0) << "table " << n;
    }
}

TEST(TableConstants, UnknownTableChangesNothing) {
    for (int n : {0, -1, 12, 1000}) {
        GameState g = scrambled();
        EXPECT_EQ(TableConstantsOf(n), nullptr);
        EXPECT_FALSE(ApplyTableConstants(g, n));
        EXPECT_EQ(g.table, 1);
        EXPECT_EQ(g.camera_z, 1);
        EXPECT_EQ(g.my_score, 5);
    }
}
