// The screen frame: dispatch by hauptmenu_nr, and the title colour.
#include <GL/gl.h>

#include <cmath>

#include "render/draw_scene.h"
#include "game/game_state.h"
#include "game/screen_numbers.h"
#include "render/screens/screens.h"

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

void DrawScreen(const GameState& g, const ScreenPicture& picture) {
    switch (g.hauptmenu_nr) {
        case Screen::MainMenu: DrawMainMenu(g); break;
        case Screen::HighScores: DrawHighScoreList(g); break;
        case Screen::NameEntry: DrawNameEntry(g); break;
        case Screen::Credits: DrawCredits(g); break;
        case Screen::OptionsHelp: DrawOptionsHelp(g); break;
        case Screen::NewGame: DrawNewGameMenu(g); break;
        case Screen::Singleplayer: case Screen::SingleplayerRepeat: DrawSingleplayerLadder(g, picture); break;
        case Screen::Multiplayer: case Screen::MultiplayerRepeat: DrawMultiplayerLadder(g); break;
        case Screen::Training: DrawTrainingList(g); break;
        default: break;  // an unknown screen is an empty frame
    }
}
