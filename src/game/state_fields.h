// Every field of GameState, once, with its marks: shared (both sides of a network
// session run the turn on it, it crosses the network and makes up a state's
// checksum) or local to one machine (its models, the size and path it was made
// with), and traced (a trace line shows it, in this order). The state codec, the trace and a guest's return to its own game all read
// this list; a test checks that it covers every byte of GameState.
#pragma once

#include <climits>
#include <cstddef>
#include <iterator>

#include "game/game_state.h"
#include "game/name_entry.h"
#include "game/random.h"
#include "game/screen_numbers.h"
#include "game/table.h"

template <bool Shared, bool Traced>
struct Marks {};
using SharedTraced = Marks<true, true>;
using SharedOnly = Marks<true, false>;
using LocalTraced = Marks<false, true>;
using LocalOnly = Marks<false, false>;

// What a shared value may be; a state from the other machine outside them is refused
// (as a file from outside would be), so the turn never meets a value it cannot reach
// itself: no NaN, no index past its table, no count near the end of an int's range.
// Every shared number and text carries its bounds here, next to its name.
struct Bounds {  // a whole number
    int lowest, highest;
};
struct FloatBounds {  // finite, and within
    float lowest, highest;
};
struct OneOf {  // a whole number from a list
    const int* first;
    const int* last;
};
struct TextBounds {  // its length in bytes
    size_t longest;
};

// The tables' geometry and limits are copies of the tables' list.
constexpr Bounds kTableX{kTablesMinX, kTablesMaxX};
constexpr Bounds kTableZ{kTablesMinZ, kTablesMaxZ};
constexpr Bounds kTableNumber{1, kTableCount};
constexpr Bounds kTakenTable{0, kTableCount};  // 0: none waiting
constexpr Bounds kPuckRadius{44, 50};          // the small and the large puck
constexpr FloatBounds kGoalZ{0, kTablesMaxZ};
constexpr FloatBounds kFriction{0, 2};
// Puck and mallets stay inside the widest table's lines, give or take what one step moves
// them past a line: a bounce leaves the puck a step's speed out, a mallet strikes 45 ahead.
constexpr float kStepReach = 100.0f;
constexpr FloatBounds kAlongX{kTablesMinX - kStepReach, kTablesMaxX + kStepReach};
constexpr FloatBounds kAlongZ{kTablesMinZ - kStepReach, kTablesMaxZ + kStepReach};
// Every step ends with the puck and the far mallet limited to the table's speeds.
constexpr FloatBounds kSpeedLimit{0, 2 * kTablesTopPuckSpeed};
constexpr FloatBounds kSpeed{-2 * kTablesTopPuckSpeed, 2 * kTablesTopPuckSpeed};
// A hit in the middle of a step is limited only at its end, and a second hit may follow:
// (2U - 3u) / 2 twice over.
constexpr FloatBounds kHitSpeed{-64, 64};
// The mouse nudges the near mallet's speed by one a frame and nothing limits it while a
// replay runs, until the replayed puck has slowed: thousands of frames on the slow tables.
constexpr FloatBounds kNearMalletSpeed{-16384, 16384};
// A held camera key moves the camera 5 a frame without end; in floats adding 5 stops at 2^27.
constexpr FloatBounds kCamera{-134217728.0f, 134217728.0f};
// The screens' clock adds at most 1 a frame until a scene switch; in floats that stops at 2^24.
constexpr FloatBounds kClock{-16777216.0f, 16777216.0f};
constexpr FloatBounds kClockStep{-0.6f, 0.6f};  // the main menu swings it from 0.5 to -0.5 and back
constexpr FloatBounds kBlend{0, 1};
constexpr FloatBounds kNameOffset{-3, 0};       // under a ladder column; 0 before the names are drawn
// Mouse pixels are 16-bit; the 800x600 picture has 1.7 to 6.2 pixels per table unit.
constexpr Bounds kMousePixel{0, 65535};
constexpr FloatBounds kMouseScale{1, 16};
constexpr FloatBounds kMouseTarget{-131072, 131072};
// The opponent aims across the table, and from 40 units into its half to the far end.
constexpr Bounds kOpponentTargetX{0, kTablesMaxX - kTablesMinX};
constexpr Bounds kOpponentTargetZ{kTablesMinZ - 40, -40};

constexpr OneOf kScreenNumber{std::begin(Screen::kAll), std::end(Screen::kAll)};
// An arrow on a screen without entries counts on, unwrapped: room for years of a stuck key.
constexpr Bounds kMenuEntry{-(1 << 30), 1 << 30};
constexpr Bounds kLadderRound{1, 4};  // 4: the ladder is over
// Training counts goals without end; a ladder's total gains at most seven won matches of
// seven and loses at least one in every lost match, which can go on for ever.
constexpr Bounds kGoals{0, 1 << 24};
constexpr Bounds kLadderTotal{-(1 << 24), 7 * 7};
constexpr Bounds kAnyInt{INT_MIN, INT_MAX};  // the high-score file's scores: whatever it held
constexpr Bounds kPacingStep{1, 20};         // milliseconds, halved; the table is never changed
constexpr Bounds kRandomDraw{0, kRandomMax};
constexpr Bounds kNameLength{0, 255};        // a name is one print
constexpr TextBounds kName{255};
constexpr TextBounds kConfigMarker{9};       // the config file's word before the list, "Valentino"
constexpr Bounds kWheelWay{-1, 1};
constexpr Bounds kWheelWait{0, kWheelRepeatDelayMs};

template <class G, class V>
void VisitStateFields(G& g, V&& v) {
    v("menu", g.menu, SharedTraced{});
    v("hauptmenu_nr", g.hauptmenu_nr, SharedTraced{}, kScreenNumber);
    v("menu_1_nr", g.menu_1_nr, SharedTraced{}, kMenuEntry);
    v("table", g.table, SharedTraced{}, kTableNumber);
    v("x", g.x, SharedTraced{}, kAlongX);
    v("z", g.z, SharedTraced{}, kAlongZ);
    v("move_x", g.move_x, SharedTraced{}, kSpeed);
    v("move_z", g.move_z, SharedTraced{}, kSpeed);
    v("schiesser_x", g.schiesser_x, SharedTraced{}, kAlongX);
    v("schiesser_z", g.schiesser_z, SharedTraced{}, kAlongZ);
    v("schiesser_v_x", g.schiesser_v_x, SharedTraced{}, kNearMalletSpeed);
    v("schiesser_v_z", g.schiesser_v_z, SharedTraced{}, kNearMalletSpeed);
    v("gegner_x", g.gegner_x, SharedTraced{}, kAlongX);
    v("gegner_z", g.gegner_z, SharedTraced{}, kAlongZ);
    v("gegner_v_x", g.gegner_v_x, SharedTraced{}, kSpeed);
    v("gegner_v_z", g.gegner_v_z, SharedTraced{}, kSpeed);
    v("gegner_point_x", g.gegner_point_x, SharedTraced{}, kOpponentTargetX);
    v("gegner_point_z", g.gegner_point_z, SharedTraced{}, kOpponentTargetZ);
    v("my_score", g.my_score, SharedTraced{}, kGoals);
    v("his_score", g.his_score, SharedTraced{}, kGoals);
    v("a_round", g.a_round, SharedTraced{}, kLadderRound);
    v("m_round", g.m_round, SharedTraced{}, kLadderRound);
    v("player1_turn", g.player1_turn, SharedTraced{});
    v("pl1_final_score", g.pl1_final_score, SharedTraced{}, kLadderTotal);
    v("pl2_final_score", g.pl2_final_score, SharedTraced{}, kLadderTotal);
    v("HSfinalscore", g.HSfinalscore, SharedTraced{}, kLadderTotal);
    v("artif_int", g.artif_int, SharedTraced{});
    v("play_video", g.play_video, SharedTraced{});
    v("video", g.video, SharedTraced{});
    v("my_goal", g.my_goal, SharedTraced{});
    v("mouse", g.mouse, SharedTraced{});
    v("sound", g.sound, SharedTraced{});
    v("blend_fac", g.blend_fac, SharedTraced{}, kBlend);
    v("adjust", g.adjust, SharedTraced{}, Bounds{0, static_cast<int>(std::size(g.steps)) - 1});
    v("take_table", g.take_table, SharedTraced{}, kTakenTable);
    v("puk_rad", g.puk_rad, SharedTraced{}, kPuckRadius);
    v("camera_x", g.camera_x, SharedTraced{}, kCamera);
    v("camera_y", g.camera_y, SharedTraced{}, kCamera);
    v("camera_z", g.camera_z, SharedTraced{}, kCamera);
    v("rot", g.rot, SharedTraced{}, kClock);
    v("rot_fac", g.rot_fac, SharedTraced{}, kClockStep);
    v("fullscreen", g.fullscreen, SharedTraced{});
    v("active", g.active, SharedTraced{});
    v("gl_blend", g.gl_blend, SharedTraced{});
    v("gl_lighting", g.gl_lighting, SharedTraced{});
    v("HS", g.HS, SharedTraced{}, kName);
    v("HSname", g.HSname, SharedTraced{}, kName);
    v("hsscore", g.hsscore, SharedTraced{}, kAnyInt);

    v("table_min_x", g.table_min_x, SharedOnly{}, kTableX);
    v("table_max_x", g.table_max_x, SharedOnly{}, kTableX);
    v("table_min_z", g.table_min_z, SharedOnly{}, kTableZ);
    v("table_max_z", g.table_max_z, SharedOnly{}, kTableZ);
    v("my_goal_min_x", g.my_goal_min_x, SharedOnly{}, kTableX);
    v("my_goal_max_x", g.my_goal_max_x, SharedOnly{}, kTableX);
    v("my_goal_min_x2", g.my_goal_min_x2, SharedOnly{}, kTableX);
    v("my_goal_max_x2", g.my_goal_max_x2, SharedOnly{}, kTableX);
    v("goal_z", g.goal_z, SharedOnly{}, kGoalZ);
    v("training_tables", g.training_tables, SharedOnly{}, kTableNumber);
    v("a", g.a, SharedOnly{}, kFriction);
    v("puk_max_v", g.puk_max_v, SharedOnly{}, kSpeedLimit);
    v("schiesser_x_start", g.schiesser_x_start, SharedOnly{}, kAlongX);
    v("schiesser_z_start", g.schiesser_z_start, SharedOnly{}, kAlongZ);
    v("schiesser_max_v", g.schiesser_max_v, SharedOnly{}, kSpeedLimit);
    v("schiesser_a", g.schiesser_a, SharedOnly{}, kFriction);
    v("steps", g.steps, SharedOnly{}, kPacingStep);
    v("random", g.random, SharedOnly{});
    v("bminus", g.bminus, SharedOnly{});
    v("name1", g.name1, SharedOnly{});
    v("name2", g.name2, SharedOnly{});
    v("rand_nr", g.rand_nr, SharedOnly{}, kRandomDraw);
    v("x_pos", g.x_pos, SharedOnly{}, kNameOffset);
    v("x_pos2", g.x_pos2, SharedOnly{}, kNameOffset);
    v("win", g.win, SharedOnly{});
    v("win2", g.win2, SharedOnly{});
    v("done_1", g.done_1, SharedOnly{});
    v("done_2", g.done_2, SharedOnly{});
    v("done_3", g.done_3, SharedOnly{});
    v("done_21", g.done_21, SharedOnly{});
    v("done_22", g.done_22, SharedOnly{});
    v("HSlenght", g.HSlenght, SharedOnly{}, kNameLength);
    v("HS_place", g.HS_place, SharedOnly{});
    v("HS_wheel", g.HS_wheel, SharedOnly{}, kWheelWay);
    v("HS_wheel_wait", g.HS_wheel_wait, SharedOnly{}, kWheelWait);
    v("zeichen", g.zeichen, SharedOnly{}, kConfigMarker);
    v("video_x", g.video_x, SharedOnly{}, kAlongX);
    v("video_z", g.video_z, SharedOnly{}, kAlongZ);
    v("video_move_x", g.video_move_x, SharedOnly{}, kHitSpeed);
    v("video_move_z", g.video_move_z, SharedOnly{}, kHitSpeed);
    v("video_oldx_position", g.video_oldx_position, SharedOnly{}, kCamera);
    v("video_oldz_position", g.video_oldz_position, SharedOnly{}, kCamera);
    v("rng", g.rng, SharedOnly{});
    v("mouse_movex", g.mouse_movex, SharedOnly{}, kMouseTarget);
    v("mouse_movez", g.mouse_movez, SharedOnly{}, kMouseTarget);
    v("mouse_const", g.mouse_const, SharedOnly{}, kMouseScale);
    v("mouse_const_z", g.mouse_const_z, SharedOnly{}, kMouseScale);

    v("dateiname", g.dateiname, LocalOnly{});
    v("keys", g.keys, SharedOnly{});
    v("key_sources", g.key_sources, SharedOnly{});
    v("bindings", g.bindings, SharedOnly{});
    v("mouse_x", g.mouse_x, SharedOnly{}, kMousePixel);
    v("mouse_y", g.mouse_y, SharedOnly{}, kMousePixel);
    v("width", g.width, LocalOnly{});
    v("height", g.height, LocalOnly{});
    v("pTable", g.pTable, LocalOnly{});
    v("pPuk", g.pPuk, LocalOnly{});
    v("pSchiesser", g.pSchiesser, LocalOnly{});
    v("pGegner", g.pGegner, LocalOnly{});
    v("pKZMPlane", g.pKZMPlane, LocalOnly{});
}

// `to` takes the local fields of `from` (a guest back in its own game keeps its
// window, keys, models and file) and keeps its own shared ones.
void TakeLocalFields(const GameState& from, GameState& to);
