// The screens between matches, one drawing function each, and the pieces they
// share. Each draws from the identity matrix; its transforms accumulate over
// the whole screen, and every glPrint moves the position on by half its width.
#pragma once

struct GameState;

// The heading colour that cycles with the animation clock.
struct TitleRgb {
    float r, g, b;
};
TitleRgb TitleColour(float rot);
void SetTitleColour(float rot);

void DrawMainMenu(GameState& g);           // 1
void DrawHighScoreList(GameState& g);      // 2
void DrawCredits(GameState& g);            // 3
void DrawOptionsHelp(GameState& g);        // 5
void DrawNewGameMenu(GameState& g);        // 11
void DrawNameEntry(GameState& g);          // 21
void DrawSingleplayerLadder(GameState& g); // 111, 1110
void DrawMultiplayerLadder(GameState& g);  // 112, 1120
void DrawTrainingList(GameState& g);       // 113

// Menu lines come in two forms of equal length, so the highlight never moves a line.
const char* MenuItemText(const char* plain, const char* highlighted, int item, int highlightedItem);
