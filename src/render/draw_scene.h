// A frame's drawing. It reads the state and changes nothing a later frame reads:
// what the design's screens changed while they drew (the animation clock, the
// ladders' lots) is the screen step's (game/screen_step.h).
#pragma once

#include "game/match_step.h"
#include "game/screen_step.h"

struct GameState;

// A cleared frame, with the GL switches of the state.
void BeginFrame(const GameState& g);
// The screen of hauptmenu_nr.
void DrawScreen(const GameState& g, const ScreenPicture& picture);

// The match drawn at the three points of its step.
class MatchDrawing : public MatchStepView {
public:
    void table(const GameState& g) override;
    void mallets(const GameState& g) override;
    void puckAndScore(const GameState& g) override;
};
