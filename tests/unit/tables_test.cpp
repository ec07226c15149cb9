// The eleven tables' constants and the table step that sets one up.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/table_constants.h"
#include "app/table_setup.h"
#include "assets/milkshape_model.h"
#include "game/game_state.h"
#include "gl_test_context.h"
#include "platform/message_box.h"
#include "platform/turn_log.h"

namespace {

struct ExpectedTable {
    const char* model;
    const char* message;
    int minX, maxX, minZ, maxZ, g1, g2, g3, g4;
    float goalZ, x, z, pukMaxV, schiesserMaxV, a, schiesserA, zStart, schiesserZ, gegnerZ;
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
    g.my_score = 5;
    g.his_score = 6;
    g.puk_rad = 50;
    return g;
}

}  // namespace

TEST(TableConstants, AllElevenAsTabled) {
    for (int n = 1; n <= kTableCount; ++n) {
        const ExpectedTable& e = kExpected[n - 1];
        const TableConstants* t = tableConstants(n);
        ASSERT_NE(t, nullptr) << n;
        EXPECT_STREQ(t->modelFile, e.model) << n;
        EXPECT_STREQ(t->loadFailureMessage, e.message) << n;

        GameState g = scrambled();
        ASSERT_TRUE(applyTableConstants(g, n));
        EXPECT_EQ(g.table, n);
        EXPECT_EQ(g.table_min_x, e.minX) << n;
        EXPECT_EQ(g.table_max_x, e.maxX) << n;
        EXPECT_EQ(g.table_min_z, e.minZ) << n;
        EXPECT_EQ(g.table_max_z, e.maxZ) << n;
        EXPECT_EQ(g.my_goal_min_x, e.g1) << n;
        EXPECT_EQ(g.my_goal_max_x, e.g2) << n;
        EXPECT_EQ(g.my_goal_min_x2, e.g3) << n;
        EXPECT_EQ(g.my_goal_max_x2, e.g4) << n;
        // exact: the nearest single-precision value of each decimal
        EXPECT_EQ(g.goal_z, e.goalZ) << n;
        EXPECT_EQ(g.x, e.x) << n;
        EXPECT_EQ(g.z, e.z) << n;
        EXPECT_EQ(g.puk_max_v, e.pukMaxV) << n;
        EXPECT_EQ(g.schiesser_max_v, e.schiesserMaxV) << n;
        EXPECT_EQ(g.a, e.a) << n;
        EXPECT_EQ(g.schiesser_a, e.schiesserA) << n;
        EXPECT_EQ(g.schiesser_z_start, e.zStart) << n;
        EXPECT_EQ(g.schiesser_z, e.schiesserZ) << n;
        EXPECT_EQ(g.gegner_z, e.gegnerZ) << n;
    }
}

TEST(TableConstants, EverySetUpSharesCameraStartAndZeroes) {
    for (int n = 1; n <= kTableCount; ++n) {
        GameState g = scrambled();
        applyTableConstants(g, n);
        EXPECT_EQ(g.camera_x, 150);
        EXPECT_EQ(g.camera_y, 300);
        EXPECT_EQ(g.camera_z, 560);
        EXPECT_EQ(g.schiesser_x_start, 150);
        EXPECT_EQ(g.schiesser_x, 150);
        EXPECT_EQ(g.gegner_x, 150);
        EXPECT_EQ(g.move_x, 0);
        EXPECT_EQ(g.move_z, 0);
        EXPECT_EQ(g.schiesser_v_x, 0);
        EXPECT_EQ(g.schiesser_v_z, 0);
        EXPECT_EQ(g.gegner_v_x, 0);
        EXPECT_EQ(g.gegner_v_z, 0);
        EXPECT_EQ(g.my_score, 0);
        EXPECT_EQ(g.his_score, 0);
        EXPECT_EQ(g.puk_rad, 50);  // the puck goes with the puck model, not the constants
        EXPECT_FLOAT_EQ(g.mouse_const, 800.0f / static_cast<float>(g.table_max_x - g.table_min_x));
        EXPECT_FLOAT_EQ(g.mouse_const_z, 600.0f / static_cast<float>(g.table_max_x + 20));
    }
}

TEST(TableConstants, MouseScaleOfTheNarrowTable) {
    GameState g;
    applyTableConstants(g, 4);
    EXPECT_FLOAT_EQ(g.mouse_const, 800.0f / 130.0f);
    EXPECT_FLOAT_EQ(600.0f / g.mouse_const_z, 235.0f);  // window height maps onto z 0..235
}

TEST(TableConstants, UnknownTableChangesNothing) {
    for (int n : {0, -1, 12, 1000}) {
        GameState g = scrambled();
        EXPECT_EQ(tableConstants(n), nullptr);
        EXPECT_FALSE(applyTableConstants(g, n));
        EXPECT_EQ(g.table, 1);
        EXPECT_EQ(g.camera_z, 1);
        EXPECT_EQ(g.my_score, 5);
    }
}

TEST(TableStep, NothingRequestedNothingDone) {
    GameState g = scrambled();
    g.menu = false;
    g.keys[16] = g.keys[17] = true;  // Ctrl+Shift without a digit
    g.keys['9'] = true;              // 9 is not a table key
    EXPECT_EQ(TableStep(g), TurnOutcome::Continue);
    EXPECT_EQ(g.camera_z, 1);
    EXPECT_EQ(g.my_score, 5);
}

namespace {

constexpr int kShift = 16, kCtrl = 17;

// A match in play with the real models' records, as the game creates them.
struct TableRig {
    MilkshapeModel table, puck;
    GameState g;
    TableRig() {
        g.menu = false;
        g.pTable = &table;
        g.pPuk = &puck;
        SetMessageBoxesHeadless(true);
        turnLog().clear();
    }
};

// Runs in a folder without the game's data, and goes back afterwards.
class WithoutData {
public:
    WithoutData() : home_(std::filesystem::current_path()) {
        dir_ = std::filesystem::temp_directory_path() / ("puckslide-tables-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::filesystem::current_path(dir_);
    }
    ~WithoutData() {
        std::filesystem::current_path(home_);
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

private:
    std::filesystem::path home_, dir_;
};

}  // namespace

TEST(TableStep, RequestedTableBringsItsPuck) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    struct { int table; int puk_rad; } cases[] = {{1, 44}, {6, 44}, {7, 50}, {11, 50}};
    for (const auto& c : cases) {
        TableRig rig;
        rig.g.puk_rad = c.puk_rad == 44 ? 50 : 44;
        rig.g.take_table = c.table;
        ASSERT_EQ(TableStep(rig.g), TurnOutcome::SceneSwitch) << c.table;
        EXPECT_EQ(rig.g.table, c.table);
        EXPECT_EQ(rig.g.puk_rad, c.puk_rad);
        EXPECT_GT(rig.puck.numVertices, 0);
        EXPECT_GT(rig.table.numVertices, 0);
        EXPECT_TRUE(turnLog().boxes.empty());
    }
}

TEST(TableStep, TableKeysKeepThePuckAndTheLowestDigitWins) {
    GlTestContext ctx;
    REQUIRE_GL(ctx);
    TableRig rig;
    rig.g.puk_rad = 50;
    rig.g.keys[kShift] = rig.g.keys[kCtrl] = true;
    rig.g.keys['2'] = rig.g.keys['5'] = true;
    ASSERT_EQ(TableStep(rig.g), TurnOutcome::SceneSwitch);
    EXPECT_EQ(rig.g.table, 2);
    EXPECT_EQ(rig.g.puk_rad, 50);
    EXPECT_EQ(rig.puck.numVertices, 0);  // no puck was loaded
    EXPECT_FALSE(rig.g.keys['2']);
    EXPECT_TRUE(rig.g.keys['5']);
    EXPECT_TRUE(rig.g.keys[kShift] && rig.g.keys[kCtrl]);
    ASSERT_EQ(TableStep(rig.g), TurnOutcome::SceneSwitch);
    EXPECT_EQ(rig.g.table, 5);
    EXPECT_FALSE(rig.g.keys['5']);
}

TEST(TableStep, MissingModelsEndTheGameWithTheirMessages) {
    struct Case {
        int take_table;
        int digit;
        const char* message;
        int tableAfter;  // constants are written before the model load fails
    } cases[] = {
        {3, 0, "Couldn't load the model data\\puk.ms3d", 1},
        {9, 0, "Couldn't load the model data\\puk2.ms3d", 1},
        {0, 4, "Couldn't load the model data\\table.ms3d", 4},
        {0, 5, "Couldn't load the model data\\table5.ms3d", 5},
        {0, 6, "Couldn't load the model data\\table7.ms3d", 6},
        {0, 8, "Couldn't load the model data\\table.ms3d", 8},
    };
    WithoutData away;
    for (const auto& c : cases) {
        TableRig rig;
        rig.g.take_table = c.take_table;
        if (c.digit) rig.g.keys[kShift] = rig.g.keys[kCtrl] = rig.g.keys['0' + c.digit] = true;
        EXPECT_EQ(TableStep(rig.g), TurnOutcome::Quit) << c.message;
        ASSERT_EQ(turnLog().boxes.size(), 1u) << c.message;
        EXPECT_EQ(turnLog().boxes[0].caption, "Error");
        EXPECT_EQ(turnLog().boxes[0].text, c.message);
        EXPECT_EQ(rig.g.table, c.tableAfter) << c.message;
    }
}
