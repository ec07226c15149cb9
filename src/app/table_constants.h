// The eleven tables' constants, written into the game state by a table set-up.
#pragma once

struct GameState;

constexpr int kTableCount = 11;

struct TableConstants {
    const char* modelFile;
    const char* loadFailureMessage;
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
const TableConstants* tableConstants(int n);

// Writes table n's constants and the values every set-up shares (camera, start
// positions, zero velocities and scores, mouse scale). Loads nothing; the puck
// radius goes with the puck model and is left alone. False for an unknown n.
bool applyTableConstants(GameState& g, int n);
