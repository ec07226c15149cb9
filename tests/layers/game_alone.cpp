// The rules on their own, linked with nothing but the standard library: a frame runs.
#include "game/game_state.h"
#include "game/turn.h"

int main() {
    GameState g;
    return AdvanceFrame(g, FrameInput{}) == TurnOutcome::Quit ? 1 : 0;
}
