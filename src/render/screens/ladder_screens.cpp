// The three mode screens: the singleplayer and multiplayer brackets and the
// training table list.
#include <GL/gl.h>

#include "render/draw_scene.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "render/screens/screens.h"
#include "platform/text.h"

namespace {

// The gaps pair the names: "You" (or "Player1") with slot 1, then (2, 3), (4, 5), (6, 7).
constexpr float kGapInPair = -0.7f;
constexpr float kGapBetweenPairs = -1.5f;

float pairGap(int n) { return n % 2 != 0 ? kGapInPair : kGapBetweenPairs; }

const char* entrant(const char* name) { return name ? name : ""; }

void red() { glColor3f(1.0f, 0.0f, 0.0f); }
void blue() { glColor3f(0.0f, 0.0f, 1.0f); }
void white() { glColor3f(1.0f, 1.0f, 1.0f); }
void redIf(bool current) { if (current) red(); else blue(); }

void modeHeading(const char* title, float rot) {
    glTranslatef(0.0f, 2.0f, -7.0f);
    glRotatef(30.0f, 1.0f, 1.0f, 0.1f);
    SetTitleColour(rot);
    glPrint("%s", title);
}

}  // namespace

void DrawSingleplayerLadder(const GameState& g, const ScreenPicture& picture) {
    modeHeading("Singleplayer", g.rot);
    glRotatef(-30.0f, 1.0f, 1.0f, 0.1f);

    red();
    if (g.hauptmenu_nr == Screen::SingleplayerRepeat) {
        glTranslatef(-5.0f, -8.0f, -10.0f);
        glPrint("Repeat match?    score:%i", g.pl1_final_score);
        glTranslatef(-1.0f, 8.0f, 10.0f);
    } else if (g.a_round <= 3) {
        glTranslatef(-8.5f, -8.0f, -10.0f);
        glPrint("Score:%i", g.pl1_final_score);
        glTranslatef(7.0f, 8.0f, 10.0f);
    } else {
        glTranslatef(-8.5f, -8.0f, -10.0f);
        glPrint("Score:%i [ENTER]", g.pl1_final_score);
        glTranslatef(5.0f, 8.0f, 10.0f);
    }

    glTranslatef(-9.0f, 1.0f, -10.0f);
    redIf(g.a_round == 1);
    glPrint("You");

    for (int slot = 1; slot <= 7; ++slot) {
        glTranslatef(g.x_pos[slot], pairGap(slot), 0.0f);
        if (g.win[1][slot]) blue(); else white();
        glPrint("%s", entrant(g.name1[slot]));
    }

    if (g.a_round >= 2) {
        glTranslatef(5.0f, 5.1f, 0.0f);
        redIf(g.a_round == 2);
        glPrint("You");
        int placed = 0;
        for (int slot = 1; slot <= 7; ++slot) {
            if (!g.win[1][slot]) continue;
            ++placed;
            glTranslatef(g.x_pos[slot], pairGap(placed), 0.0f);
            // The frame that draws round 2's lot still shows the column as it stood before it.
            if (g.win[2][slot] && !picture.round2LotJustDrawn) blue(); else white();
            glPrint("%s", entrant(g.name1[slot]));
        }
    }

    if (g.a_round >= 3) {
        glTranslatef(5.0f, 1.7f, 0.0f);
        redIf(g.a_round == 3);
        glPrint("You");
        for (int slot = 1; slot <= 7; ++slot) {
            if (!g.win[2][slot]) continue;
            glTranslatef(g.x_pos[slot], kGapInPair, 0.0f);
            white();
            glPrint("%s", entrant(g.name1[slot]));
        }
    }

    if (g.a_round >= 4) {
        glTranslatef(2.0f, 0.35f, 0.0f);
        red();
        glPrint("You");
    }
}

void DrawMultiplayerLadder(const GameState& g) {
    modeHeading("Multiplayer", g.rot);
    glRotatef(-30.0f, 1.0f, 1.0f, 0.1f);

    red();
    if (g.hauptmenu_nr == Screen::MultiplayerRepeat) {
        glTranslatef(-5.0f, -8.0f, -10.0f);
        glPrint("Repeat match?    score:%i", g.player1_turn ? g.pl1_final_score : g.pl2_final_score);
        glTranslatef(-2.0f, 8.0f, 10.0f);
    } else {
        glTranslatef(-3.0f, -8.0f, -10.0f);
        glPrint("Player1 Score:%i   Player2 Score:%i", g.pl1_final_score, g.pl2_final_score);
        glTranslatef(-6.0f, 8.0f, 10.0f);
    }

    glTranslatef(-9.0f, 1.0f, -10.0f);
    redIf(g.player1_turn);
    glPrint("Player1");

    // In the final both players are at the table, so both names show red.
    const bool player2Current = !g.player1_turn || g.m_round == 3;
    for (int slot = 1; slot <= 6; ++slot) {
        glTranslatef(g.x_pos2[slot], pairGap(slot), 0.0f);
        if (g.win2[1][slot]) blue(); else white();
        glPrint("%s", entrant(g.name2[slot]));
    }
    glTranslatef(-1.9f, kGapInPair, 0.0f);
    redIf(player2Current);
    glPrint("Player2");

    if (g.m_round >= 2) {
        glTranslatef(5.0f, 5.1f, 0.0f);
        redIf(g.player1_turn);
        glPrint("Player1");
        int placed = 0;
        for (int slot = 1; slot <= 6; ++slot) {
            if (!g.win2[1][slot]) continue;
            ++placed;
            glTranslatef(g.x_pos2[slot], pairGap(placed), 0.0f);
            white();
            glPrint("%s", entrant(g.name2[slot]));
        }
        glTranslatef(-1.9f, kGapInPair, 0.0f);
        redIf(player2Current);
        glPrint("Player2");
    }

    if (g.m_round >= 3) {
        glTranslatef(3.0f, 1.7f, -4.0f);
        redIf(g.player1_turn || g.m_round == 3);
        glPrint("Player1");
        glTranslatef(-1.9f, kGapInPair, 0.0f);
        redIf(player2Current);
        glPrint("Player2");
    }

    if (g.m_round >= 4) {
        glTranslatef(4.0f, 0.35f, -4.0f);
        red();
        glPrint("%s", g.player1_turn ? "Player1" : "Player2");
    }
}

void DrawTrainingList(const GameState& g) {
    modeHeading("Training", g.rot);
    glTranslatef(-2.3f, -0.5f, -5.0f);
    for (int t = 1; t <= g.training_tables; ++t) {
        glTranslatef(-2.0f, -1.0f, -0.35f);
        glColor3f(0.7f, static_cast<float>(t % 2), static_cast<float>(t % 3));
        if (g.menu_1_nr == t)
            glPrint("-> Table %i", t);
        else
            glPrint("   Table %i", t);
    }
}
