// How a per-turn step of the main loop ends the turn.
#pragma once

enum class TurnOutcome {
    Continue,     // the turn goes on
    SceneSwitch,  // play and screens change over: the scene switch ends the turn
    Quit,         // the program ends at once with result 0
};
