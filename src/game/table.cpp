#include "game/table.h"

#include "game/game_state.h"

namespace {

constexpr float kCameraX = 150.0f, kCameraY = 300.0f, kCameraZ = 560.0f;
constexpr float kStartX = 150.0f;
constexpr float kServeX = 150.0f;
// The opponent's spot mirrors the player's start spot across this line.
constexpr float kOpponentStartOffsetZ = -70.0f;
// The wall lines are given for the standard puck; a larger puck bounces earlier.
constexpr int kStandardPuckRadius = 44;
constexpr int kGoalLineInset = 40;

// Tables 7 to 11 reuse the models of 1, 2, 3, 5 and 6; several failure
// boxes name "table.ms3d" although another file failed.
constexpr TableConstants kTables[kTableCount] = {
    {"data/model/table.ms3d", GameBox::TableModelFailed,
     31, 269, -315, 335, 110, 190, 110, 190, 200.0f, 150.0f, 200.0f, 7.0f, 4.5f, 0.002f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table2.ms3d", GameBox::TableModelFailed,
     -40, 335, -315, 335, 120, 180, 130, 190, 200.0f, 150.0f, 200.0f, 10.0f, 6.0f, 0.005f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table3.ms3d", GameBox::TableModelFailed,
     -40, 335, -218, 238, -5, 55, 265, 325, 100.0f, 150.0f, 100.0f, 6.0f, 5.5f, 0.001f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table4.ms3d", GameBox::TableModelFailed,
     85, 215, -325, 345, 135, 175, 135, 175, 200.0f, 150.0f, 100.0f, 10.0f, 4.0f, 0.005f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table5.ms3d", GameBox::Table5ModelFailed,
     31, 269, -188, 218, 110, 190, 110, 190, 80.0f, 150.0f, 50.0f, 10.0f, 5.0f, 0.05f, 0.1f, 170.0f, 170.0f, -170.0f},
    {"data/model/table7.ms3d", GameBox::Table7ModelFailed,
     -30, 330, -473, 503, 90, 210, 110, 190, 200.0f, 150.0f, 200.0f, 8.0f, 5.5f, 0.01f, 1.0f, 230.0f, 230.0f, -300.0f},
    {"data/model/table.ms3d", GameBox::TableModelFailed,
     31, 269, -315, 335, 110, 190, 110, 190, 120.0f, 120.0f, 200.0f, 7.0f, 4.5f, 0.002f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table2.ms3d", GameBox::TableModelFailed,
     -40, 335, -315, 335, 120, 180, 130, 190, 120.0f, 120.0f, 200.0f, 10.0f, 6.0f, 0.005f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table3.ms3d", GameBox::TableModelFailed,
     -40, 335, -218, 238, -5, 55, 265, 325, 100.0f, 150.0f, 100.0f, 6.5f, 5.0f, 0.001f, 0.5f, 230.0f, 230.0f, -300.0f},
    {"data/model/table5.ms3d", GameBox::Table5ModelFailed,
     31, 269, -188, 218, 110, 190, 110, 190, 80.0f, 150.0f, 50.0f, 10.0f, 6.0f, 0.05f, 0.1f, 170.0f, 170.0f, -170.0f},
    {"data/model/table7.ms3d", GameBox::Table7ModelFailed,
     -30, 330, -473, 503, 90, 210, 110, 190, 200.0f, 200.0f, 200.0f, 8.0f, 5.5f, 0.001f, 1.0f, 300.0f, 230.0f, -300.0f},
};

constexpr bool withinTheTablesExtent(const TableConstants& t) {
    const int xs[] = {t.table_min_x, t.table_max_x, t.my_goal_min_x, t.my_goal_max_x, t.my_goal_min_x2, t.my_goal_max_x2};
    for (int x : xs)
        if (x < kTablesMinX || x > kTablesMaxX) return false;
    return t.table_min_z >= kTablesMinZ && t.table_max_z <= kTablesMaxZ && t.goal_z > 0 && t.goal_z < kTablesMaxZ &&
           t.puk_max_v <= kTablesTopPuckSpeed && t.schiesser_max_v <= kTablesTopMalletSpeed;
}

constexpr bool everyTableWithinTheExtent() {
    for (const TableConstants& t : kTables)
        if (!withinTheTablesExtent(t)) return false;
    return true;
}
static_assert(everyTableWithinTheExtent(), "a table outside kTablesMinX ... kTablesTopMalletSpeed: widen them");

}  // namespace

const TableConstants* TableConstantsOf(int n) {
    if (n < 1 || n > kTableCount) return nullptr;
    return &kTables[n - 1];
}

bool ApplyTableConstants(GameState& g, int n) {
    const TableConstants* t = TableConstantsOf(n);
    if (!t) return false;
    g.table = n;
    g.table_min_x = t->table_min_x;
    g.table_max_x = t->table_max_x;
    g.table_min_z = t->table_min_z;
    g.table_max_z = t->table_max_z;
    g.my_goal_min_x = t->my_goal_min_x;
    g.my_goal_max_x = t->my_goal_max_x;
    g.my_goal_min_x2 = t->my_goal_min_x2;
    g.my_goal_max_x2 = t->my_goal_max_x2;
    g.goal_z = t->goal_z;
    g.x = t->x;
    g.z = t->z;
    g.puk_max_v = t->puk_max_v;
    g.schiesser_max_v = t->schiesser_max_v;
    g.a = t->a;
    g.schiesser_a = t->schiesser_a;
    g.schiesser_x_start = kStartX;
    g.schiesser_z_start = t->schiesser_z_start;
    g.schiesser_x = kStartX;
    g.schiesser_z = t->schiesser_z;
    g.gegner_x = kStartX;
    g.gegner_z = t->gegner_z;
    g.schiesser_v_x = g.schiesser_v_z = 0.0f;
    g.gegner_v_x = g.gegner_v_z = 0.0f;
    g.move_x = g.move_z = 0.0f;
    g.camera_x = kCameraX;
    g.camera_y = kCameraY;
    g.camera_z = kCameraZ;
    g.my_score = g.his_score = 0;
    // The z scale divides by table_max_x + 20, not by a z extent: the window
    // height maps onto z from 0 to that value.
    g.mouse_const = static_cast<float>(g.width) / static_cast<float>(g.table_max_x - g.table_min_x);
    g.mouse_const_z = static_cast<float>(g.height) / static_cast<float>(g.table_max_x + 20);
    return true;
}

int WallLineRight(const GameState& g) { return g.table_max_x - g.puk_rad + kStandardPuckRadius; }
int WallLineLeft(const GameState& g) { return g.table_min_x + g.puk_rad - kStandardPuckRadius; }
int WallLineNear(const GameState& g) { return g.table_max_z - g.puk_rad + kStandardPuckRadius; }
int WallLineFar(const GameState& g) { return g.table_min_z + g.puk_rad - kStandardPuckRadius; }
int GoalLineNear(const GameState& g) { return g.table_max_z - g.puk_rad + kGoalLineInset; }
int GoalLineFar(const GameState& g) { return g.table_min_z + g.puk_rad - kGoalLineInset; }

bool InGoalMouth(const GameState& g) {
    return (g.my_goal_min_x < g.x && g.x < g.my_goal_max_x) ||
           (g.my_goal_min_x2 < g.x && g.x < g.my_goal_max_x2);
}

void ResetPositions(GameState& g, float serveZ) {
    g.x = kServeX;
    g.z = serveZ;
    g.move_x = g.move_z = 0.0f;
    g.schiesser_x = g.schiesser_x_start;
    g.schiesser_z = g.schiesser_z_start;
    g.gegner_x = g.schiesser_x_start;
    g.gegner_z = kOpponentStartOffsetZ - g.schiesser_z_start;
    g.schiesser_v_x = g.schiesser_v_z = 0.0f;
    g.gegner_v_x = g.gegner_v_z = 0.0f;
}

