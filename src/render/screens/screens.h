// The screens between matches, one drawing function each, and the pieces they
// share. Each draws from the identity matrix; its transforms accumulate over
// the whole screen, and every glPrint moves the position on by half its width.
#pragma once

struct GameState;
struct ScreenPicture;

// The heading colour that cycles with the animation clock.
struct TitleRgb {
    float r, g, b;
};
TitleRgb TitleColour(float rot);
void SetTitleColour(float rot);

void DrawMainMenu(const GameState& g);
void DrawHighScoreList(const GameState& g);
void DrawCredits(const GameState& g);
void DrawOptionsHelp(const GameState& g);
void DrawNewGameMenu(const GameState& g);
void DrawNameEntry(const GameState& g);
void DrawSingleplayerLadder(const GameState& g, const ScreenPicture& picture);  // 111, 1110
void DrawMultiplayerLadder(const GameState& g);                                 // 112, 1120
void DrawTrainingList(const GameState& g);

// Menu lines come in two forms of equal length, so the highlight never moves a line.
const char* MenuItemText(const char* plain, const char* highlighted, int item, int highlightedItem);
