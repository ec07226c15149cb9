// Where every screen puts its texts: each case writes down the screen's chain
// of translations, rotations, scalings, colours and prints, replays it on the
// GL matrix stack (a print moves right by half its width, as the game's does),
// projects each print position through the game's 800x600 view and compares
// it with what the real drawing recorded in the turn log. One wrong step of a
// chain moves every later text by far more than the tolerance.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "game/draw_scene.h"
#include "game/game_state.h"
#include "gl_test_context.h"
#include "platform/text.h"
#include "platform/turn_log.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;
using Ops = std::vector<std::string>;

// Ops: "T x y z", "R deg x y z", "S s", "C r g b [a]", "H" (the title colour of the clock), "P text".
std::vector<PrintedText> replay(const Ops& ops, float rot) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    float rgba[4] = {1, 1, 1, 1};
    std::vector<PrintedText> out;
    for (const std::string& op : ops) {
        double v[4] = {0, 0, 0, 1};
        std::sscanf(op.c_str() + 1, "%lf %lf %lf %lf", &v[0], &v[1], &v[2], &v[3]);
        if (op[0] == 'T') glTranslated(v[0], v[1], v[2]);
        if (op[0] == 'R') glRotated(v[0], v[1], v[2], v[3]);
        if (op[0] == 'S') glScaled(v[0], v[0], v[0]);
        if (op[0] == 'C') for (int c = 0; c < 4; ++c) rgba[c] = float(v[c]);
        if (op[0] == 'H') {
            const float t[4] = {std::cos(rot / 20.0f), std::sin(rot / 25.0f), 1.0f - 0.5f * std::cos(rot / 17.0f), 1};
            for (int c = 0; c < 4; ++c) rgba[c] = t[c];
        }
        if (op[0] != 'P') continue;
        PrintedText p;
        p.s = op.substr(2);
        double mv[16], pr[16], wx, wy, wz;
        GLint vp[4];
        glGetDoublev(GL_MODELVIEW_MATRIX, mv);
        glGetDoublev(GL_PROJECTION_MATRIX, pr);
        glGetIntegerv(GL_VIEWPORT, vp);
        gluProject(0, 0, 0, mv, pr, vp, &wx, &wy, &wz);
        p.x = float(wx), p.y = float(kHeight - wy);
        for (int c = 0; c < 4; ++c) p.rgba[c] = rgba[c];
        out.push_back(p);
        double width = 0;
        for (unsigned char ch : p.s) width += gmf[ch].gmfCellIncX;
        glTranslated(width * 0.5, 0, 0);
    }
    return out;
}

// A ladder with its draws already made, so the screens print known names.
void singleplayerBracket(GameState& g) {
    const char* names[8] = {nullptr, "Mark", "Giovanni", "Sarah", "Christine", "Luke", "Naomi", "Troy"};
    const float offsets[8] = {0, -1.0f, -2.1f, -1.3f, -2.5f, -1.0f, -1.3f, -1.0f};
    for (int s = 1; s <= 7; ++s) g.name1[s] = names[s], g.x_pos[s] = offsets[s];
    g.win[1][3] = g.win[1][4] = g.win[1][7] = g.win[2][7] = true;
    g.done_1 = g.done_2 = g.done_3 = true;
}

void multiplayerBracket(GameState& g) {
    const char* names[7] = {nullptr, "Alan", "Katherine", "Cindy", "Steven", "Daisy", "Russell"};
    const float offsets[7] = {0, -1.0f, -2.5f, -1.3f, -1.6f, -1.3f, -1.9f};
    for (int s = 1; s <= 6; ++s) g.name2[s] = names[s], g.x_pos2[s] = offsets[s];
    g.win2[1][2] = g.win2[1][5] = true;
    g.done_21 = g.done_22 = true;
}

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.9g", v);
    return b;
}

void highScoreNames(GameState& g) {
    for (int i = 0; i < 10; ++i) {
        g.HSname[i] = i == 4 ? "" : "NAME" + std::string(i % 3, ' ') + std::to_string(i);
        g.hsscore[i] = i * 2 - 3;
    }
    g.HSname[10] = "SCRATCH";
}

Ops highScoreOps(float rot) {
    GameState g;
    highScoreNames(g);
    Ops o = rot < 400 ? Ops{"T 0 " + num(-rot / 15.0f) + " " + num(rot / 15.0f), "T 0 -2 -15",
                            "R 20 1 0 0"}
                      : Ops{"T 0 -6 -17", "R " + num(rot * 1.5f) + " 0 1 0"};
    for (int i = 0; i < 10; ++i) {
        const std::string fade = num(i == 0 ? 1.0f : 1.5f / i);
        if (i > 0) o.push_back("T -0.5 3 -3");
        o.insert(o.end(), {"C 1 1 " + fade, "P " + g.HSname[i],
                           "T " + num(-0.25 * g.HSname[i].size()) + " -0.7 0",
                           "C 1 " + fade + " " + fade, "P " + std::to_string(g.hsscore[i])});
    }
    return o;
}

Ops trainingOps() {
    Ops o = {"T 0 2 -7", "R 30 1 1 0.1", "H", "P Training", "T -2.3 -0.5 -5"};
    for (int t = 1; t <= 11; ++t)
        o.insert(o.end(), {"T -2 -1 -0.35", "C 0.7 " + std::to_string(t % 2) + " " + std::to_string(t % 3),
                           (t == 5 ? "P -> Table " : "P    Table ") + std::to_string(t)});
    return o;
}

struct Case {
    const char* what;
    int screen, entry;
    float rot;
    void (*setup)(GameState&);
    Ops ops;
};

}  // namespace

TEST(ScreensLayout, EveryTextStandsWhereItsChainPutsIt) {
    GlTestContext ctx{kWidth, kHeight};
    REQUIRE_GL(ctx);
    ASSERT_TRUE(BuildFont());
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, double(kWidth) / kHeight, 1.0, 2000.0);
    CurrentTurnLog().recordTexts = true;
    const auto none = [](GameState&) {};
    const Case cases[] = {
        {"main menu", 1, 3, 20, none,
         {"T -1 2 -10", "R 30 0 1 0", "H", "P Puckslide3D", "R 30 0 0.5 0", "T 0 -1 -1", "C 1 0 0", "P    New Game",
          "R 30 0 0.5 0", "T 0 -1 -1", "C 0 1 0", "P    Hiscore", "R 30 0 0.5 0", "T 0 -1 -1", "C 1 1 0",
          "P -> Options/Help", "R 30 0 0.5 0", "T 0 -1 -1", "C 0 0 1", "P    Credits", "R 30 0 0.5 0", "T 0 -1 -1",
          "C 0.7 0.7 0.7", "P    Exit"}},
        {"new game", 11, 4, 20, none,
         {"T -2.5 0 -12", "R 30 1 1 0", "C 1 0 0", "P    Singleplayer", "T 0 -1 0", "C 0 1 0", "P    Multiplayer",
          "T 0 -1 0", "C 0 0 1", "P    Training", "T 0 -2 0", "C 1 1 1", "P -> Back", "T -12 7 5", "R 30 -30 -30 0",
          "R 30 0 1 0", "H", "P New Game"}},
        {"help", 5, 1, 12, none,
         {"T 0 7 -20", "R 20 1 0 0", "C 1 0 0", "P Player1: W/S/A/D", "T -4.3 -1 0", "P Player2: I/K/J/L", "C 0 1 0",
          "T -4.3 -2 0", "P MoveCam: UP/DOWN/LEFT/RIGHT", "T -7 -2 0", "P PlayGoalVideo: on/off=V", "C 0 0 1",
          "T -6 -2 0", "P AI(Art.Intell.): on/off=C+CTRL+SHIFT", "T -9 -2 0", "P Mouse for Player1: on/off=M+CTRL",
          "C 1 1 0", "T -9 -2 0", "P Fullscreen/Windowed: F1", "C 1 1 0 0.5", "T -6 -2 0", "P Transparency: +=M -=N"}},
        {"credits past the last page", 3, 4, 20, none, {}},
        {"unknown screen", 4, 1, 20, none, {}},
        {"name entry", 21, 1, 0, [](GameState& g) { g.HS = "AB C", g.HSfinalscore = 14; },
         {"T 0 4 -20", "R 20 1 0 0", "C 1 1 1", "P Please enter you're name!", "T -6.5 -1 10", "C 1 1 " + num(1.0f - 14.0f / 21.0f),
          "P AB C"}},
        {"training", 113, 5, 250, none, trainingOps()},
        {"high scores flying in", 2, 1, 120, highScoreNames, highScoreOps(120)},
        {"high scores spinning", 2, 1, 433.5f, highScoreNames, highScoreOps(433.5f)},
        {"singleplayer won", 111, 1, 20,
         [](GameState& g) { singleplayerBracket(g), g.a_round = 4, g.pl1_final_score = 17; },
         {"T 0 2 -7", "R 30 1 1 0.1", "H", "P Singleplayer", "R -30 1 1 0.1", "C 1 0 0", "T -8.5 -8 -10",
          "P Score:17 [ENTER]", "T 5 8 10", "T -9 1 -10", "C 0 0 1", "P You", "T -1 -0.7 0", "C 1 1 1", "P Mark",
          "T -2.1 -1.5 0", "P Giovanni", "T -1.3 -0.7 0", "C 0 0 1", "P Sarah", "T -2.5 -1.5 0", "P Christine",
          "T -1 -0.7 0", "C 1 1 1", "P Luke", "T -1.3 -1.5 0", "P Naomi", "T -1 -0.7 0", "C 0 0 1", "P Troy",
          "T 5 5.1 0", "P You", "T -1.3 -0.7 0", "C 1 1 1", "P Sarah", "T -2.5 -1.5 0", "P Christine",
          "T -1 -0.7 0", "C 0 0 1", "P Troy", "T 5 1.7 0", "P You", "T -1 -0.7 0", "C 1 1 1", "P Troy",
          "T 2 0.35 0", "C 1 0 0", "P You"}},
        {"multiplayer won by player 2", 112, 1, 20,
         [](GameState& g) {
             multiplayerBracket(g), g.m_round = 4, g.player1_turn = false;
             g.pl1_final_score = 6, g.pl2_final_score = -2;
         },
         {"T 0 2 -7", "R 30 1 1 0.1", "H", "P Multiplayer", "R -30 1 1 0.1", "C 1 0 0", "T -3 -8 -10",
          "P Player1 Score:6   Player2 Score:-2", "T -6 8 10", "T -9 1 -10", "C 0 0 1", "P Player1", "T -1 -0.7 0",
          "C 1 1 1", "P Alan", "T -2.5 -1.5 0", "C 0 0 1", "P Katherine", "T -1.3 -0.7 0", "C 1 1 1", "P Cindy",
          "T -1.6 -1.5 0", "P Steven", "T -1.3 -0.7 0", "C 0 0 1", "P Daisy", "T -1.9 -1.5 0", "C 1 1 1",
          "P Russell", "T -1.9 -0.7 0", "C 1 0 0", "P Player2", "T 5 5.1 0", "C 0 0 1", "P Player1",
          "T -2.5 -0.7 0", "C 1 1 1", "P Katherine", "T -1.3 -1.5 0", "P Daisy", "T -1.9 -0.7 0", "C 1 0 0",
          "P Player2", "T 3 1.7 -4", "C 0 0 1", "P Player1", "T -1.9 -0.7 0", "C 1 0 0", "P Player2",
          "T 4 0.35 -4", "P Player2"}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        GameState g;
        g.hauptmenu_nr = k.screen, g.menu_1_nr = k.entry, g.rot = k.rot;
        k.setup(g);
        const std::vector<PrintedText> want = replay(k.ops, g.rot);
        CurrentTurnLog().clear();
        glLoadIdentity();
        glColor4f(1, 1, 1, 1);
        DrawGLScene(g);
        const std::vector<PrintedText>& got = CurrentTurnLog().texts;
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE("text " + std::to_string(i) + " \"" + want[i].s + "\"");
            EXPECT_EQ(got[i].s, want[i].s);
            EXPECT_NEAR(got[i].x, want[i].x, 0.1f);
            EXPECT_NEAR(got[i].y, want[i].y, 0.1f);
            for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(got[i].rgba[c], want[i].rgba[c]) << "component " << c;
        }
    }
    CurrentTurnLog().recordTexts = false;
    CurrentTurnLog().clear();
    KillFont();
}
