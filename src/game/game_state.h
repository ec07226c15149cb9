// The one record of everything the game shares: table, puck, mallets, camera,
// scores, menus, high scores, replay and input. Field names are the game's own.
#pragma once

#include <string>

#include "game/float_rules.h"
#include "game/key_merge.h"
#include "game/random.h"

class Model;

// The keys that steer one mallet.
struct SteeringKeys {
    int up, left, down, right;
};

// Which keyboard keys steer which mallet: the only place the steering keys are named.
// One keyboard has no seats: the near keys always steer the near mallet and the far
// keys the far one; pads and a guest at another machine steer by their player's seat.
struct KeyBindings {
    SteeringKeys near{'W', 'A', 'S', 'D'};
    SteeringKeys far{'I', 'J', 'K', 'L'};
};

struct GameState {
    // Table geometry, written by every table set-up.
    int table = 1;
    int table_min_x = 31;
    int table_max_x = 269;
    int table_min_z = -315;
    int table_max_z = 335;
    int my_goal_min_x = 110, my_goal_max_x = 190;
    int my_goal_min_x2 = 110, my_goal_max_x2 = 190;
    float goal_z = 200.0f;
    int puk_rad = 44;
    int training_tables = 11;

    // Puck, in table units per step.
    float x = 150.0f, z = 200.0f;
    float move_x = 0.0f, move_z = 0.0f;
    float a = 0.001f;
    float puk_max_v = 7.0f;

    // The player's mallet (drawing position; it strikes 45 units toward +z).
    float schiesser_x = 150.0f, schiesser_z = 230.0f;
    float schiesser_v_x = 0.0f, schiesser_v_z = 0.0f;
    float schiesser_x_start = 150.0f, schiesser_z_start = 230.0f;
    float schiesser_max_v = 4.5f;
    float schiesser_a = 0.5f;

    // The opponent's mallet.
    float gegner_x = 150.0f, gegner_z = -300.0f;
    float gegner_v_x = 0.0f, gegner_v_z = 0.0f;
    int gegner_point_x = 100;
    int gegner_point_z = -100;
    bool artif_int = false;

    // Camera position parameters of the match view.
    float camera_x = 150.0f, camera_y = 300.0f, camera_z = 560.0f;

    // Scores and rounds.
    int my_score = 0, his_score = 0;
    int pl1_final_score = 0, pl2_final_score = 0;
    int a_round = 1;
    int m_round = 1;
    bool player1_turn = true;

    // Modes and flags.
    bool menu = true;
    bool sound = true;
    bool play_video = true;
    bool video = false;
    bool my_goal = false;
    bool mouse = false;
    bool active = true;
    bool fullscreen = true;
    int adjust = 3;
    int steps[6] = {1, 2, 4, 5, 10, 20};
    float blend_fac = 0.4f;
    int take_table = 0;
    bool random = false;

    // Menus and their animation clock.
    int hauptmenu_nr = 1;
    int menu_1_nr = 1;
    float rot = 0.0f;
    float rot_fac = 0.5f;
    bool bminus = true;

    // Ladder brackets and the high-score list.
    const char* name1[10] = {};
    const char* name2[10] = {};
    int rand_nr = 0;
    float x_pos[10] = {};
    float x_pos2[10] = {};
    bool win[5][10] = {};
    bool win2[5][10] = {};
    bool done_1 = false, done_2 = false, done_3 = false, done_21 = false, done_22 = false;
    std::string HSname[12];
    int hsscore[12] = {};
    std::string HS;
    std::string zeichen;
    int HSlenght = 0;
    int HSfinalscore = 0;
    // A pad's letter wheel on the name entry: a new place waits after the name's last letter;
    // the way the wheel is held (1 up, -1 down, 0 not) and the milliseconds to its next turn.
    bool HS_place = false;
    int HS_wheel = 0;
    int HS_wheel_wait = 0;
    std::string dateiname = "Data/system/config.cfg";

    // Replay record: the last mallet hit and the camera saved at the goal.
    float video_x = 0.0f, video_z = 0.0f;
    float video_move_x = 0.0f, video_move_z = 0.0f;
    float video_oldx_position = 0.0f, video_oldz_position = 0.0f;

    // The GL switches the rules flip; the window follows them before each frame is drawn.
    bool gl_blend = false;
    bool gl_lighting = true;

    // The random numbers, as the C library's rand() starts before its first srand().
    RandomState rng = SeededRandom(1);

    // Input, indexed by Win32 virtual-key code: the merge of what every source holds.
    KeyTable keys = {};
    KeyMerge key_sources;
    KeyBindings bindings;
    int mouse_x = 0, mouse_y = 0;
    float mouse_movex = 0.0f, mouse_movez = 0.0f;
    int width = 800, height = 600;
    // Computed like every table set-up does: pixels per table unit across and along.
    float mouse_const = static_cast<float>(width) / static_cast<float>(table_max_x - table_min_x);
    float mouse_const_z = static_cast<float>(height) / static_cast<float>(table_max_x + 20);

    // The five models, created at start-up and kept for the whole run.
    Model* pTable = nullptr;
    Model* pPuk = nullptr;
    Model* pSchiesser = nullptr;
    Model* pGegner = nullptr;
    Model* pKZMPlane = nullptr;
};

// The game's random draws and reseeds all go through the state's generator.
inline int GameRand(GameState& g) { return NextRandom(g.rng); }
inline void ReseedRandom(GameState& g, uint32_t seed) { g.rng = SeededRandom(seed); }
