#include "game/match_step.h"

#include "game/game_state.h"
#include "game/physics.h"
#include "game/replay.h"

void MatchStep(GameState& g, Effects& fx, MatchStepView& view) {
    if (g.video) {
        ReplayCameraTravel(g);
        view.table(g);
        ReplayStepFront(g);
    } else {
        view.table(g);
        PhysicsStepFront(g, fx);
        view.mallets(g);
    }
    PhysicsStepBack(g, fx);
    view.puckAndScore(g);
}

void MatchStep(GameState& g, Effects& fx) {
    MatchStepView nothingDrawn;
    MatchStep(g, fx, nothingDrawn);
}
