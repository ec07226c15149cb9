// The eleven tables: their constants, the lines the puck meets, the goal mouths
// and the serve. A table set-up writes a table's constants into the game state;
// everything else here reads them from there.
#pragma once

#include "game/boxes.h"

struct GameState;

constexpr int kTableCount = 11;

// What every table stays within: its lines, goal mouths and the speeds it allows
// (checked against the list where the tables are listed).
constexpr int kTablesMinX = -40, kTablesMaxX = 335;
constexpr int kTablesMinZ = -473, kTablesMaxZ = 503;
constexpr float kTablesTopPuckSpeed = 10.0f;
constexpr float kTablesTopMalletSpeed = 6.0f;

struct TableConstants {
    const char* modelFile;
    GameBox loadFailure;
    int table_min_x, table_max_x, table_min_z, table_max_z;
    int my_goal_min_x, my_goal_max_x, my_goal_min_x2, my_goal_max_x2;
    float goal_z;
    float x, z;  // first serve
    float puk_max_v;
    float schiesser_max_v;
    float a;
    float schiesser_a;
    float schiesser_z_start;
    float schiesser_z;  // first serve; table 11 differs from its start spot
    float gegner_z;
};

// Table n, 1 to kTableCount; nullptr for any other number.
const TableConstants* TableConstantsOf(int n);

// Writes table n's constants and the values every set-up shares (camera, start
// positions, zero velocities and scores, mouse scale). Loads nothing; the puck
// radius goes with the puck model and is left alone. False for an unknown n.
bool ApplyTableConstants(GameState& g, int n);

// The wall lines limit the puck's centre; each goal line lies 4 units inside its
// end wall line.
int WallLineRight(const GameState& g);
int WallLineLeft(const GameState& g);
int WallLineNear(const GameState& g);
int WallLineFar(const GameState& g);
int GoalLineNear(const GameState& g);
int GoalLineFar(const GameState& g);
// Either open x interval of the goal mouths (both ends share them).
bool InGoalMouth(const GameState& g);

// Puck served at rest at (150, serveZ); both mallets back on their start spots.
void ResetPositions(GameState& g, float serveZ);
