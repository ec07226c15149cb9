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

void DrawMainMenu(GameState& g);
void DrawHighScoreList(GameState& g);
void DrawCredits(GameState& g);
void DrawOptionsHelp(GameState& g);
void DrawNewGameMenu(GameState& g);
void DrawNameEntry(GameState& g);
// The ladder screens also pick the brackets' names and coin tosses when they are due.
void DrawSingleplayerLadderAndPickBracket(GameState& g); // 111, 1110
void DrawMultiplayerLadderAndPickBracket(GameState& g);  // 112, 1120
void DrawTrainingList(GameState& g);

// Menu lines come in two forms of equal length, so the highlight never moves a line.
const char* MenuItemText(const char* plain, const char* highlighted, int item, int highlightedItem);
