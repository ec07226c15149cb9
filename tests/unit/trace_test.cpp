// The trace is what the end-to-end tests read: it must be valid JSON and exact.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/trace_writer.h"
#include "game/game_state.h"
#include "platform/turn_log.h"

TEST(TraceLine, FloatsRoundTripExactly) {
    GameState g;
    g.x = 0.1f;
    g.move_z = -1.0f / 3.0f;
    TurnLog log;
    const std::string line = TraceLine(7, g, log, false, true);
    auto valueOf = [&](const char* key) {
        const std::string k = std::string("\"") + key + "\":";
        const size_t at = line.find(k);
        EXPECT_NE(at, std::string::npos) << key;
        return std::strtof(line.c_str() + at + k.size(), nullptr);
    };
    EXPECT_EQ(valueOf("x"), 0.1f);
    EXPECT_EQ(valueOf("move_z"), -1.0f / 3.0f);
    EXPECT_EQ(valueOf("frame"), 7.0f);
    EXPECT_NE(line.find("\"gl_blend\":false"), std::string::npos);
    EXPECT_NE(line.find("\"gl_lighting\":true"), std::string::npos);
}

TEST(TraceLine, StringsAreEscapedSoHostileNamesCannotBreakTheLine) {
    GameState g;
    g.HSname[0] = "a\"b\\c\nd";
    g.HSname[1] = std::string("\xe9\x01", 2);
    TurnLog log;
    log.texts.push_back({"My: 1 His: 2", 400.5f, 20.25f, {1, 0, 0, 1}});
    log.boxes.push_back({"Error", "Couldn't load the model data\\puk.ms3d"});
    log.sounds.push_back("data/sounds/shot.wav");
    const std::string line = TraceLine(0, g, log, false, false);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_NE(line.find("\"a\\\"b\\\\c\\u000ad\""), std::string::npos);
    EXPECT_NE(line.find("\"\\u00e9\\u0001\""), std::string::npos);
    EXPECT_NE(line.find("{\"s\":\"My: 1 His: 2\",\"x\":400.5,\"y\":20.25,\"rgba\":[1,0,0,1]}"),
              std::string::npos);
    EXPECT_NE(line.find("\"text\":\"Couldn't load the model data\\\\puk.ms3d\""), std::string::npos);
    EXPECT_NE(line.find("\"sounds\":[\"data/sounds/shot.wav\"]"), std::string::npos);
}

TEST(TraceLine, EveryStateKeyIsPresent) {
    const char* keys[] = {
        "frame", "menu", "hauptmenu_nr", "menu_1_nr", "table", "x", "z", "move_x", "move_z",
        "schiesser_x", "schiesser_z", "schiesser_v_x", "schiesser_v_z", "gegner_x", "gegner_z",
        "gegner_v_x", "gegner_v_z", "gegner_point_x", "gegner_point_z", "my_score", "his_score",
        "a_round", "m_round", "player1_turn", "pl1_final_score", "pl2_final_score", "HSfinalscore",
        "artif_int", "play_video", "video", "my_goal", "mouse", "sound", "blend_fac", "adjust",
        "take_table", "puk_rad", "camera_x", "camera_y", "camera_z", "rot", "rot_fac", "fullscreen",
        "active", "gl_blend", "gl_lighting", "HS", "HSname", "hsscore", "sounds", "music", "texts",
        "boxes"};
    GameState g;
    TurnLog log;
    const std::string line = TraceLine(0, g, log, false, false);
    for (const char* key : keys)
        EXPECT_NE(line.find(std::string("\"") + key + "\":"), std::string::npos) << key;
}
