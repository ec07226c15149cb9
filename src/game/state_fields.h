// Every field of GameState, once, with its marks: shared (both sides of a network
// session run the turn on it, it crosses the network and makes up a state's
// checksum) or local to one machine (its models, the size and path it was made
// with), and traced (a trace line shows it, in this order). The state codec, the trace and a guest's return to its own game all read
// this list; a test checks that it covers every byte of GameState.
#pragma once

#include "game/game_state.h"
#include "game/table.h"

template <bool Shared, bool Traced>
struct Marks {};
using SharedTraced = Marks<true, true>;
using SharedOnly = Marks<true, false>;
using LocalTraced = Marks<false, true>;
using LocalOnly = Marks<false, false>;

// The values a shared whole number may take; a decoded state outside them is refused.
struct Bounds {
    int lowest, highest;
};

// Table bounds and puck radii enter differences and abs(): well inside int range.
constexpr Bounds kGeometry{-1000000, 1000000};

template <class G, class V>
void VisitStateFields(G& g, V&& v) {
    v("menu", g.menu, SharedTraced{});
    v("hauptmenu_nr", g.hauptmenu_nr, SharedTraced{});
    v("menu_1_nr", g.menu_1_nr, SharedTraced{});
    v("table", g.table, SharedTraced{}, Bounds{0, kTableCount});
    v("x", g.x, SharedTraced{});
    v("z", g.z, SharedTraced{});
    v("move_x", g.move_x, SharedTraced{});
    v("move_z", g.move_z, SharedTraced{});
    v("schiesser_x", g.schiesser_x, SharedTraced{});
    v("schiesser_z", g.schiesser_z, SharedTraced{});
    v("schiesser_v_x", g.schiesser_v_x, SharedTraced{});
    v("schiesser_v_z", g.schiesser_v_z, SharedTraced{});
    v("gegner_x", g.gegner_x, SharedTraced{});
    v("gegner_z", g.gegner_z, SharedTraced{});
    v("gegner_v_x", g.gegner_v_x, SharedTraced{});
    v("gegner_v_z", g.gegner_v_z, SharedTraced{});
    v("gegner_point_x", g.gegner_point_x, SharedTraced{});
    v("gegner_point_z", g.gegner_point_z, SharedTraced{});
    v("my_score", g.my_score, SharedTraced{});
    v("his_score", g.his_score, SharedTraced{});
    v("a_round", g.a_round, SharedTraced{});
    v("m_round", g.m_round, SharedTraced{});
    v("player1_turn", g.player1_turn, SharedTraced{});
    v("pl1_final_score", g.pl1_final_score, SharedTraced{});
    v("pl2_final_score", g.pl2_final_score, SharedTraced{});
    v("HSfinalscore", g.HSfinalscore, SharedTraced{});
    v("artif_int", g.artif_int, SharedTraced{});
    v("play_video", g.play_video, SharedTraced{});
    v("video", g.video, SharedTraced{});
    v("my_goal", g.my_goal, SharedTraced{});
    v("mouse", g.mouse, SharedTraced{});
    v("sound", g.sound, SharedTraced{});
    v("blend_fac", g.blend_fac, SharedTraced{});
    v("adjust", g.adjust, SharedTraced{}, Bounds{0, static_cast<int>(std::size(g.steps)) - 1});
    v("take_table", g.take_table, SharedTraced{});
    v("puk_rad", g.puk_rad, SharedTraced{}, kGeometry);
    v("camera_x", g.camera_x, SharedTraced{});
    v("camera_y", g.camera_y, SharedTraced{});
    v("camera_z", g.camera_z, SharedTraced{});
    v("rot", g.rot, SharedTraced{});
    v("rot_fac", g.rot_fac, SharedTraced{});
    v("fullscreen", g.fullscreen, SharedTraced{});
    v("active", g.active, SharedTraced{});
    v("gl_blend", g.gl_blend, SharedTraced{});
    v("gl_lighting", g.gl_lighting, SharedTraced{});
    v("HS", g.HS, SharedTraced{});
    v("HSname", g.HSname, SharedTraced{});
    v("hsscore", g.hsscore, SharedTraced{});

    v("table_min_x", g.table_min_x, SharedOnly{}, kGeometry);
    v("table_max_x", g.table_max_x, SharedOnly{}, kGeometry);
    v("table_min_z", g.table_min_z, SharedOnly{}, kGeometry);
    v("table_max_z", g.table_max_z, SharedOnly{}, kGeometry);
    v("my_goal_min_x", g.my_goal_min_x, SharedOnly{}, kGeometry);
    v("my_goal_max_x", g.my_goal_max_x, SharedOnly{}, kGeometry);
    v("my_goal_min_x2", g.my_goal_min_x2, SharedOnly{}, kGeometry);
    v("my_goal_max_x2", g.my_goal_max_x2, SharedOnly{}, kGeometry);
    v("goal_z", g.goal_z, SharedOnly{});
    v("training_tables", g.training_tables, SharedOnly{}, Bounds{0, kTableCount});
    v("a", g.a, SharedOnly{});
    v("puk_max_v", g.puk_max_v, SharedOnly{});
    v("schiesser_x_start", g.schiesser_x_start, SharedOnly{});
    v("schiesser_z_start", g.schiesser_z_start, SharedOnly{});
    v("schiesser_max_v", g.schiesser_max_v, SharedOnly{});
    v("schiesser_a", g.schiesser_a, SharedOnly{});
    v("steps", g.steps, SharedOnly{});
    v("random", g.random, SharedOnly{});
    v("bminus", g.bminus, SharedOnly{});
    v("name1", g.name1, SharedOnly{});
    v("name2", g.name2, SharedOnly{});
    v("rand_nr", g.rand_nr, SharedOnly{});
    v("x_pos", g.x_pos, SharedOnly{});
    v("x_pos2", g.x_pos2, SharedOnly{});
    v("win", g.win, SharedOnly{});
    v("win2", g.win2, SharedOnly{});
    v("done_1", g.done_1, SharedOnly{});
    v("done_2", g.done_2, SharedOnly{});
    v("done_3", g.done_3, SharedOnly{});
    v("done_21", g.done_21, SharedOnly{});
    v("done_22", g.done_22, SharedOnly{});
    v("HSlenght", g.HSlenght, SharedOnly{});
    v("zeichen", g.zeichen, SharedOnly{});
    v("video_x", g.video_x, SharedOnly{});
    v("video_z", g.video_z, SharedOnly{});
    v("video_move_x", g.video_move_x, SharedOnly{});
    v("video_move_z", g.video_move_z, SharedOnly{});
    v("video_oldx_position", g.video_oldx_position, SharedOnly{});
    v("video_oldz_position", g.video_oldz_position, SharedOnly{});
    v("rng", g.rng, SharedOnly{});
    v("mouse_movex", g.mouse_movex, SharedOnly{});
    v("mouse_movez", g.mouse_movez, SharedOnly{});
    v("mouse_const", g.mouse_const, SharedOnly{});
    v("mouse_const_z", g.mouse_const_z, SharedOnly{});

    v("dateiname", g.dateiname, LocalOnly{});
    v("keys", g.keys, SharedOnly{});
    v("key_sources", g.key_sources, SharedOnly{});
    v("bindings", g.bindings, SharedOnly{});
    v("mouse_x", g.mouse_x, SharedOnly{});
    v("mouse_y", g.mouse_y, SharedOnly{});
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
