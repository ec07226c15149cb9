// The game's one per-frame function and its two halves.
#pragma once

struct GameState;

int DrawGLScene(GameState& g);    // always 1
void DrawMatchFrame(GameState& g);   // one simulation step interleaved with the match drawing
void DrawScreenFrame(GameState& g);  // the screen of hauptmenu_nr, then the clock advances
