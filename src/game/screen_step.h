// The screens' own step, around their drawing: before it the ladders' lots are
// drawn when due, after it the animation clock moves on.
#pragma once

#include <cstdint>

#include "game/draw_scene.h"

struct GameState;

ScreenPicture ScreenStepBeforeDraw(GameState& g, uint32_t reseed);
void ScreenStepAfterDraw(GameState& g);
