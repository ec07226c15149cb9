// One simulation step of a match, in its one order. The match frame draws at three
// points of it, so that every object is drawn where its own part of the step has just
// put it: the table under this step's camera, the mallets after the front half, the
// puck and the score line after the back half. While a replay runs, its camera travel
// and its own front half take the place of normal play's front half, and the mallets
// are not drawn.
#pragma once

#include "game/effects.h"

struct GameState;

class MatchStepView {
public:
    virtual ~MatchStepView() = default;
    virtual void table(const GameState&) {}
    virtual void mallets(const GameState&) {}
    virtual void puckAndScore(const GameState&) {}
};

void MatchStep(GameState& g, Effects& fx, MatchStepView& view);
void MatchStep(GameState& g, Effects& fx);  // without drawing
