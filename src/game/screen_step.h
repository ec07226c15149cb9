// The screens' own step, around their drawing: before it the ladders' lots are
// drawn when due, after it the animation clock moves on.
#pragma once

#include <cstdint>

struct GameState;

// What a screen frame draws beside the state.
struct ScreenPicture {
    // The singleplayer round-2 lot was drawn in this frame: its column still shows
    // as it stood before the lot.
    bool round2LotJustDrawn = false;
};

ScreenPicture ScreenStepBeforeDraw(GameState& g, uint32_t reseed);
void ScreenStepAfterDraw(GameState& g);
