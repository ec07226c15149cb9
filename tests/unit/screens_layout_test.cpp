// Where every screen puts its texts: each case replays the screen's chain of
// translations, rotations and scalings with its own matrix code, advances by
// half of each printed width as a print does, projects the print positions as
// the game's 800x600 view does and compares them with what the real drawing
// recorded in the turn log.
#include <gtest/gtest.h>
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdarg>
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
constexpr double kPi = 3.14159265358979323846;
constexpr float kPixelTolerance = 0.1f;

// Column-major 4x4, as GL keeps it.
struct Mat4 {
    double m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    Mat4 operator*(const Mat4& b) const {
        Mat4 r;
        for (int col = 0; col < 4; ++col)
            for (int row = 0; row < 4; ++row) {
                double s = 0;
                for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * b.m[col * 4 + k];
                r.m[col * 4 + row] = s;
            }
        return r;
    }
};

Mat4 translation(double x, double y, double z) {
    Mat4 t;
    t.m[12] = x;
    t.m[13] = y;
    t.m[14] = z;
    return t;
}

Mat4 rotation(double degrees, double x, double y, double z) {
    const double len = std::sqrt(x * x + y * y + z * z);
    x /= len, y /= len, z /= len;
    const double a = degrees * kPi / 180.0, c = std::cos(a), s = std::sin(a), t = 1 - c;
    Mat4 r;
    const double rows[3][3] = {{t * x * x + c, t * x * y - s * z, t * x * z + s * y},
                               {t * x * y + s * z, t * y * y + c, t * y * z - s * x},
                               {t * x * z - s * y, t * y * z + s * x, t * z * z + c}};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) r.m[col * 4 + row] = rows[row][col];
    return r;
}

Mat4 scaling(double s) {
    Mat4 r;
    r.m[0] = r.m[5] = r.m[10] = s;
    return r;
}

Mat4 perspective(double fovy, double aspect, double zNear, double zFar) {
    const double f = 1.0 / std::tan(fovy * kPi / 360.0);
    Mat4 p;
    p.m[0] = f / aspect;
    p.m[5] = f;
    p.m[10] = (zFar + zNear) / (zNear - zFar);
    p.m[11] = -1;
    p.m[14] = 2 * zFar * zNear / (zNear - zFar);
    p.m[15] = 0;
    return p;
}

struct Expected {
    std::string s;
    double x, y;
    float rgba[4];
};

// The chain of one screen, replayed.
class Chain {
public:
    Chain() : projection_(perspective(45.0, double(kWidth) / kHeight, 1.0, 2000.0)) {}

    void translate(double x, double y, double z) { m_ = m_ * translation(x, y, z); }
    void rotate(double degrees, double x, double y, double z) { m_ = m_ * rotation(degrees, x, y, z); }
    void scale(double s) { m_ = m_ * scaling(s); }
    void colour(float r, float g, float b, float a = 1.0f) {
        rgba_[0] = r, rgba_[1] = g, rgba_[2] = b, rgba_[3] = a;
    }
    void titleColour(float rot) {
        colour(std::cos(rot / 20.0f), std::sin(rot / 25.0f), 1.0f - 0.5f * std::cos(rot / 17.0f));
    }

    void print(const char* fmt, ...) __attribute__((format(printf, 2, 3))) {
        char text[256];
        va_list ap;
        va_start(ap, fmt);
        std::vsnprintf(text, sizeof text, fmt, ap);
        va_end(ap);
        Expected e;
        e.s = text;
        const double* o = &m_.m[12];  // the origin of the current frame, in eye space
        double clip[4];
        for (int row = 0; row < 4; ++row)
            clip[row] = projection_.m[row] * o[0] + projection_.m[4 + row] * o[1] + projection_.m[8 + row] * o[2] +
                        projection_.m[12 + row] * o[3];
        e.x = (clip[0] / clip[3] + 1) * 0.5 * kWidth;
        e.y = kHeight - (clip[1] / clip[3] + 1) * 0.5 * kHeight;
        for (int c = 0; c < 4; ++c) e.rgba[c] = rgba_[c];
        out_.push_back(e);
        // A print leaves the position half its width to the right.
        double width = 0;
        for (const char* p = text; *p; ++p) width += gmf[static_cast<unsigned char>(*p)].gmfCellIncX;
        translate(width * 0.5, 0, 0);
    }

    const std::vector<Expected>& expected() const { return out_; }

private:
    Mat4 projection_;
    Mat4 m_;
    float rgba_[4] = {1, 1, 1, 1};
    std::vector<Expected> out_;
};

class ScreensLayout : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(ctx_.ok()) << SDL_GetError();
        ASSERT_TRUE(BuildFont());
        glViewport(0, 0, kWidth, kHeight);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, double(kWidth) / kHeight, 1.0, 2000.0);
        glMatrixMode(GL_MODELVIEW);
        turnLog().recordTexts = true;
    }
    void TearDown() override {
        turnLog().recordTexts = false;
        turnLog().clear();
        KillFont();
    }

    // One screen frame as the game draws it; the texts it printed.
    std::vector<PrintedText> draw(GameState& g) {
        turnLog().clear();
        glColor4f(1, 1, 1, 1);
        DrawGLScene(g);
        return turnLog().texts;
    }

    static void compare(const std::vector<PrintedText>& got, const Chain& chain, const char* what) {
        const auto& want = chain.expected();
        ASSERT_EQ(got.size(), want.size()) << what;
        for (size_t i = 0; i < want.size(); ++i) {
            SCOPED_TRACE(std::string(what) + ", text " + std::to_string(i) + " \"" + want[i].s + "\"");
            EXPECT_EQ(got[i].s, want[i].s);
            EXPECT_NEAR(got[i].x, want[i].x, kPixelTolerance);
            EXPECT_NEAR(got[i].y, want[i].y, kPixelTolerance);
            for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(got[i].rgba[c], want[i].rgba[c]) << "component " << c;
        }
    }

    GlTestContext ctx_{kWidth, kHeight};
};

// A ladder with its draws already made, so the screens print known names.
void fixedSingleplayerBracket(GameState& g) {
    const char* names[8] = {nullptr, "Mark", "Giovanni", "Sarah", "Christine", "Luke", "Naomi", "Troy"};
    const float offsets[8] = {0, -1.0f, -2.1f, -1.3f, -2.5f, -1.0f, -1.3f, -1.0f};
    for (int s = 1; s <= 7; ++s) {
        g.name1[s] = names[s];
        g.x_pos[s] = offsets[s];
    }
    g.win[1][3] = g.win[1][4] = g.win[1][7] = true;
    g.win[2][7] = true;
    g.done_1 = g.done_2 = g.done_3 = true;
}

void fixedMultiplayerBracket(GameState& g) {
    const char* names[7] = {nullptr, "Alan", "Katherine", "Cindy", "Steven", "Daisy", "Russell"};
    const float offsets[7] = {0, -1.0f, -2.5f, -1.3f, -1.6f, -1.3f, -1.9f};
    for (int s = 1; s <= 6; ++s) {
        g.name2[s] = names[s];
        g.x_pos2[s] = offsets[s];
    }
    g.win2[1][2] = g.win2[1][5] = true;
    g.done_21 = g.done_22 = true;
}

}  // namespace

TEST_F(ScreensLayout, MainMenuIsATwistedColumn) {
    const char* plain[] = {"   New Game", "   Hiscore", "   Options/Help", "   Credits", "   Exit"};
    const char* lit[] = {"-> New Game", "-> Hiscore", "-> Options/Help", "-> Credits", "-> Exit"};
    const float colours[5][3] = {{1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {0, 0, 1}, {0.7f, 0.7f, 0.7f}};
    for (float rot : {0.0f, 37.25f, -80.0f}) {
        GameState g;
        g.rot = rot;
        g.menu_1_nr = 3;
        Chain c;
        c.translate(-1, 2, -10);
        c.rotate(rot * 1.5f, 0, 1, 0);
        c.titleColour(rot);
        c.print("Puckslide3D");
        for (int i = 0; i < 5; ++i) {
            c.rotate(rot * 1.5f, 0, 0.5, 0);
            c.translate(0, -1, -1);
            c.colour(colours[i][0], colours[i][1], colours[i][2]);
            c.print("%s", i == 2 ? lit[i] : plain[i]);
        }
        compare(draw(g), c, "main menu");
    }
}

TEST_F(ScreensLayout, NewGameMenuIsAStaircaseUnderASpinningHeading) {
    GameState g;
    g.hauptmenu_nr = 11;
    g.menu_1_nr = 4;
    g.rot = 91.5f;
    Chain c;
    c.translate(-2.5, 0, -12);
    c.rotate(30, 1, 1, 0);
    c.colour(1, 0, 0);
    c.print("   Singleplayer");
    c.translate(0, -1, 0);
    c.colour(0, 1, 0);
    c.print("   Multiplayer");
    c.translate(0, -1, 0);
    c.colour(0, 0, 1);
    c.print("   Training");
    c.translate(0, -2, 0);
    c.colour(1, 1, 1);
    c.print("-> Back");
    c.translate(-12, 7, 5);
    c.rotate(30, -30, -30, 0);
    c.rotate(91.5f * 1.5f, 0, 1, 0);
    c.titleColour(91.5f);
    c.print("New Game");
    compare(draw(g), c, "new game");
}

TEST_F(ScreensLayout, HelpLinesStandOneBelowTheOther) {
    GameState g;
    g.hauptmenu_nr = 5;
    g.rot = 12.0f;
    Chain c;
    c.translate(0, 7, -20);
    c.rotate(20, 1, 0, 0);
    struct Line { float r, g, b, a, dx, dy; const char* text; };
    const Line lines[] = {
        {1, 0, 0, 1, 0, 0, "Player1: W/S/A/D"},
        {1, 0, 0, 1, -4.3f, -1, "Player2: I/K/J/L"},
        {0, 1, 0, 1, -4.3f, -2, "MoveCam: UP/DOWN/LEFT/RIGHT"},
        {0, 1, 0, 1, -7, -2, "PlayGoalVideo: on/off=V"},
        {0, 0, 1, 1, -6, -2, "AI(Art.Intell.): on/off=C+CTRL+SHIFT"},
        {0, 0, 1, 1, -9, -2, "Mouse for Player1: on/off=M+CTRL"},
        {1, 1, 0, 1, -9, -2, "Fullscreen/Windowed: F1"},
        {1, 1, 0, 0.5f, -6, -2, "Transparency: +=M -=N"},
    };
    for (const Line& l : lines) {
        c.colour(l.r, l.g, l.b, l.a);
        c.translate(l.dx, l.dy, 0);
        c.print("%s", l.text);
    }
    compare(draw(g), c, "help");
}

TEST_F(ScreensLayout, CreditsPagesTumble) {
    const float rot = 47.0f;
    auto head = [&](Chain& c, const char* title) {
        c.translate(-1, 2, -10);
        c.rotate(30, 1, 1, 0);
        c.colour(1.1f, 0.8f, 0);
        c.print("%s", title);
    };
    {
        GameState g;
        g.hauptmenu_nr = 3;
        g.menu_1_nr = 1;
        g.rot = rot;
        Chain c;
        head(c, "Programmer");
        c.translate(-1.5, -3, 0);
        c.colour(0.7f, 0.5f, 0);
        c.print("Valentino Marbeck");
        c.scale(0.25);
        c.colour(0.9f, 0.9f, 0.9f);
        c.translate(-20, 9, 0);
        struct L { double x, y, z; const char* t; };
        const L lines[] = {
            {0, 0.5, 0, "glTranslatef(0.0f,-1.0f,-1.0f);"}, {0, 0.3, 0.1, "glColor3f(0.7f,0.7f,0.7f);"},
            {0.5, 0, 0, "glRotatef(30.0f,1.0f,1.0f,0.0f);"}, {0, 0.5, 0.3, "glEnable(GL_LIGHTING);"},
            {0.7, 0.5, 0, "srand( (unsigned)time( NULL ) );"}, {0.7, 0.5, 0.7, "for(counter=1;counter<8;counter++)"},
            {0, 0.5, 0, "name1[counter]='Valentino'"},
        };
        bool first = true;
        for (const L& l : lines) {
            c.rotate(rot, l.x, l.y, l.z);
            if (!first) c.translate(-1.5, -3, 0);
            first = false;
            c.print("%s", l.t);
        }
        compare(draw(g), c, "credits page 1");
    }
    {
        GameState g;
        g.hauptmenu_nr = 3;
        g.menu_1_nr = 2;
        g.rot = rot;
        const auto got = draw(g);
        ASSERT_GE(got.size(), 2u);
        Chain c;
        head(c, "Tutorials");
        c.translate(3, -3, -5);
        c.colour(0.7f, 0.5f, 0);
        c.print("%s", got[1].s.c_str());  // the address line is ours to word
        c.translate(-10, -3, 0);
        c.print("OpenGL Tutorials");
        c.scale(0.4);
        c.colour(0.9f, 0.9f, 0.9f);
        c.translate(-20, 9, 0);
        c.rotate(rot, 0, 0.5, 0);
        c.print("They were very helpfull");
        c.rotate(rot, 0.2, 0.3, 0.1);
        c.translate(-1.5, -3, 0);
        c.print("a.e: Model Loading Tutorial");
        c.rotate(rot, 0.5, 0.3, 0.2);
        c.translate(-1.5, -3, 0);
        c.print("and a lot of others...");
        compare(got, c, "credits page 2");
        EXPECT_FALSE(got[1].s.empty());
    }
    {
        GameState g;
        g.hauptmenu_nr = 3;
        g.menu_1_nr = 3;
        g.rot = rot;
        Chain c;
        head(c, "Sounds");
        c.translate(3, -3, -5);
        c.colour(0.7f, 0.5f, 0);
        c.print("Orvandel & Pellistram");
        c.scale(0.4);
        c.colour(0.9f, 0.9f, 0.9f);
        c.translate(-20, 9, 0);
        c.rotate(rot, 0, 0.5, 0);
        c.print("mciSendString(\"stop data/sounds/2.mp3\", NULL, 0, NULL)");
        c.rotate(rot, 0.2, 0.3, 0.1);
        c.translate(-1.5, -3, 0);
        c.print("PlaySound(\"data/sounds/goal.wav\",NULL,SND_FILENAME|SND_ASYNC);");
        c.rotate(rot, 0.5, 0.3, 0.2);
        c.translate(-1.5, -3, 0);
        c.print("mciSendString(\"play data/sounds/2.mp3\", NULL, 0, NULL)");
        compare(draw(g), c, "credits page 3");
    }
    GameState none;
    none.hauptmenu_nr = 3;
    none.menu_1_nr = 4;
    EXPECT_TRUE(draw(none).empty());
}

TEST_F(ScreensLayout, NameEntryShowsTheTypedNameNearerAndYellowing) {
    GameState g;
    g.hauptmenu_nr = 21;
    g.HS = "AB C";
    g.HSfinalscore = 14;
    Chain c;
    c.translate(0, 4, -20);
    c.rotate(20, 1, 0, 0);
    c.colour(1, 1, 1);
    c.print("Please enter you're name!");
    c.translate(-6.5, -1, 10);
    c.colour(1, 1, 1.0f - 14.0f / 21.0f);
    c.print("AB C");
    compare(draw(g), c, "name entry");
}

TEST_F(ScreensLayout, HighScoreListFliesInThenSpins) {
    for (float rot : {0.5f, 120.0f, 399.9f, 400.0f, 433.5f}) {
        GameState g;
        g.hauptmenu_nr = 2;
        g.rot = rot;
        for (int i = 0; i < 10; ++i) {
            g.HSname[i] = i == 4 ? "" : "NAME" + std::string(i % 3, ' ') + std::to_string(i);
            g.hsscore[i] = i * 2 - 3;
        }
        g.HSname[10] = "SCRATCH";
        Chain c;
        if (rot < 400.0f) {
            c.translate(0, -rot / 15.0f, rot / 15.0f);
            c.translate(0, -2, -15);
            c.rotate(20, 1, 0, 0);
        } else {
            c.translate(0, -6, -17);
            c.rotate(rot * 1.5f, 0, 1, 0);
        }
        for (int i = 0; i < 10; ++i) {
            const float fade = i == 0 ? 1.0f : 1.5f / i;
            if (i > 0) c.translate(-0.5, 3, -3);
            c.colour(1, 1, fade);
            c.print("%s", g.HSname[i].c_str());
            c.translate(-0.25 * g.HSname[i].size(), -0.7, 0);
            c.colour(1, fade, fade);
            c.print("%i", g.hsscore[i]);
        }
        compare(draw(g), c, ("high scores at " + std::to_string(rot)).c_str());
    }
}

TEST_F(ScreensLayout, SingleplayerLadderByRound) {
    struct Case { int screen, round, score; };
    const Case cases[] = {{111, 1, 0}, {1110, 2, -3}, {111, 3, 9}, {111, 4, 17}};
    for (const Case& k : cases) {
        GameState g;
        g.hauptmenu_nr = k.screen;
        g.a_round = k.round;
        g.pl1_final_score = k.score;
        g.rot = 21.0f;
        fixedSingleplayerBracket(g);
        Chain c;
        c.translate(0, 2, -7);
        c.rotate(30, 1, 1, 0.1);
        c.titleColour(21.0f);
        c.print("Singleplayer");
        c.rotate(-30, 1, 1, 0.1);
        c.colour(1, 0, 0);
        if (k.screen == 1110) {
            c.translate(-5, -8, -10);
            c.print("Repeat match?    score:%i", k.score);
            c.translate(-1, 8, 10);
        } else if (k.round <= 3) {
            c.translate(-8.5, -8, -10);
            c.print("Score:%i", k.score);
            c.translate(7, 8, 10);
        } else {
            c.translate(-8.5, -8, -10);
            c.print("Score:%i [ENTER]", k.score);
            c.translate(5, 8, 10);
        }
        c.translate(-9, 1, -10);
        auto roundColour = [&](int r) { if (k.round == r) c.colour(1, 0, 0); else c.colour(0, 0, 1); };
        roundColour(1);
        c.print("You");
        for (int s = 1; s <= 7; ++s) {
            c.translate(g.x_pos[s], s % 2 ? -0.7 : -1.5, 0);
            if (g.win[1][s]) c.colour(0, 0, 1); else c.colour(1, 1, 1);
            c.print("%s", g.name1[s]);
        }
        if (k.round >= 2) {
            c.translate(5, 5.1, 0);
            roundColour(2);
            c.print("You");
            // Round-1 winners 3, 4, 7: gaps -0.7, -1.5, -0.7.
            c.translate(-1.3, -0.7, 0);
            c.colour(1, 1, 1);
            c.print("Sarah");
            c.translate(-2.5, -1.5, 0);
            c.print("Christine");
            c.translate(-1.0, -0.7, 0);
            c.colour(0, 0, 1);
            c.print("Troy");
        }
        if (k.round >= 3) {
            c.translate(5, 1.7, 0);
            roundColour(3);
            c.print("You");
            c.translate(-1.0, -0.7, 0);
            c.colour(1, 1, 1);
            c.print("Troy");
        }
        if (k.round >= 4) {
            c.translate(2, 0.35, 0);
            c.colour(1, 0, 0);
            c.print("You");
        }
        compare(draw(g), c, ("singleplayer round " + std::to_string(k.round)).c_str());
    }
}

TEST_F(ScreensLayout, MultiplayerLadderByRound) {
    struct Case { int screen, round; bool p1; };
    const Case cases[] = {{112, 1, true}, {1120, 1, false}, {112, 2, true}, {112, 3, true}, {112, 4, false}};
    for (const Case& k : cases) {
        GameState g;
        g.hauptmenu_nr = k.screen;
        g.m_round = k.round;
        g.player1_turn = k.p1;
        g.pl1_final_score = 6;
        g.pl2_final_score = -2;
        g.rot = 3.0f;
        fixedMultiplayerBracket(g);
        Chain c;
        c.translate(0, 2, -7);
        c.rotate(30, 1, 1, 0.1);
        c.titleColour(3.0f);
        c.print("Multiplayer");
        c.rotate(-30, 1, 1, 0.1);
        c.colour(1, 0, 0);
        if (k.screen == 1120) {
            c.translate(-5, -8, -10);
            c.print("Repeat match?    score:%i", k.p1 ? 6 : -2);
            c.translate(-2, 8, 10);
        } else {
            c.translate(-3, -8, -10);
            c.print("Player1 Score:%i   Player2 Score:%i", 6, -2);
            c.translate(-6, 8, 10);
        }
        c.translate(-9, 1, -10);
        auto redIf = [&](bool red) { if (red) c.colour(1, 0, 0); else c.colour(0, 0, 1); };
        redIf(k.p1);
        c.print("Player1");
        for (int s = 1; s <= 6; ++s) {
            c.translate(g.x_pos2[s], s % 2 ? -0.7 : -1.5, 0);
            if (g.win2[1][s]) c.colour(0, 0, 1); else c.colour(1, 1, 1);
            c.print("%s", g.name2[s]);
        }
        const bool p2red = !k.p1 || k.round == 3;
        c.translate(-1.9, -0.7, 0);
        redIf(p2red);
        c.print("Player2");
        if (k.round >= 2) {
            c.translate(5, 5.1, 0);
            redIf(k.p1);
            c.print("Player1");
            c.translate(-2.5, -0.7, 0);  // Katherine, first winner
            c.colour(1, 1, 1);
            c.print("Katherine");
            c.translate(-1.3, -1.5, 0);  // Daisy, second
            c.print("Daisy");
            c.translate(-1.9, -0.7, 0);
            redIf(p2red);
            c.print("Player2");
        }
        if (k.round >= 3) {
            c.translate(3, 1.7, -4);
            redIf(k.p1 || k.round == 3);
            c.print("Player1");
            c.translate(-1.9, -0.7, 0);
            redIf(p2red);
            c.print("Player2");
        }
        if (k.round >= 4) {
            c.translate(4, 0.35, -4);
            c.colour(1, 0, 0);
            c.print("%s", k.p1 ? "Player1" : "Player2");
        }
        compare(draw(g), c, ("multiplayer round " + std::to_string(k.round)).c_str());
    }
}

TEST_F(ScreensLayout, TrainingListOfElevenTables) {
    GameState g;
    g.hauptmenu_nr = 113;
    g.menu_1_nr = 5;
    g.rot = 250.0f;
    Chain c;
    c.translate(0, 2, -7);
    c.rotate(30, 1, 1, 0.1);
    c.titleColour(250.0f);
    c.print("Training");
    c.translate(-2.3, -0.5, -5);
    for (int t = 1; t <= 11; ++t) {
        c.translate(-2, -1, -0.35);
        c.colour(0.7f, float(t % 2), float(t % 3));
        c.print(t == 5 ? "-> Table %i" : "   Table %i", t);
    }
    compare(draw(g), c, "training");
}

TEST_F(ScreensLayout, AShiftedTranslationIsSeen) {
    // The comparison must notice a tenth of a unit on the nearest and the farthest text.
    GameState g;
    g.hauptmenu_nr = 5;
    const auto got = draw(g);
    Chain c;
    c.translate(0, 7, -20);
    c.rotate(20, 1, 0, 0);
    c.colour(1, 0, 0);
    c.translate(0.1, 0, 0);
    c.print("Player1: W/S/A/D");
    ASSERT_FALSE(got.empty());
    EXPECT_GT(std::fabs(got[0].x - c.expected()[0].x), 10 * kPixelTolerance);
}

TEST_F(ScreensLayout, AnUnknownScreenPrintsNothing) {
    GameState g;
    g.hauptmenu_nr = 4;
    EXPECT_TRUE(draw(g).empty());
}
