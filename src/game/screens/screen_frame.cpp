// The screen frame: dispatch by hauptmenu_nr, the title colour and the clock.
#include <GL/gl.h>

#include <cmath>

#include "game/draw_scene.h"
#include "game/game_state.h"
#include "game/screens/screens.h"

namespace {
constexpr float kCreditsClockStep = 1.0f;
constexpr float kSteadyClockStep = 0.5f;
}  // namespace

TitleRgb TitleColour(float rot) {
    return {std::cos(rot / 20.0f), std::sin(rot / 25.0f), 1.0f - 0.5f * std::cos(rot / 17.0f)};
}

void SetTitleColour(float rot) {
    const TitleRgb c = TitleColour(rot);
    glColor3f(c.r, c.g, c.b);
}

const char* MenuItemText(const char* plain, const char* highlighted, int item, int highlightedItem) {
    return item == highlightedItem ? highlighted : plain;
}

void DrawScreenFrame(GameState& g) {
    // Only the main menu lets the clock increment swing.
    if (g.hauptmenu_nr != 1) g.rot_fac = kSteadyClockStep;

    switch (g.hauptmenu_nr) {
        case 1: DrawMainMenu(g); break;
        case 2: DrawHighScoreList(g); break;
        case 21: DrawNameEntry(g); break;
        case 3: DrawCredits(g); break;
        case 5: DrawOptionsHelp(g); break;
        case 11: DrawNewGameMenu(g); break;
        case 111: case 1110: DrawSingleplayerLadder(g); break;
        case 112: case 1120: DrawMultiplayerLadder(g); break;
        case 113: DrawTrainingList(g); break;
        default: break;  // an unknown screen is an empty frame
    }

    g.rot += g.hauptmenu_nr == 3 ? kCreditsClockStep : g.rot_fac;
}
