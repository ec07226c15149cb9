// The game's window: every window the game opens gets the models' textures and the
// font rebuilt in its new context, and its messages become input messages here.
#pragma once

#include "game/frame_input.h"

struct GameState;
struct WindowEvent;

// Start-up, the scene switch back to the screens and F1. false: the program must end
// (the failure has been reported).
// `fullscreen` is the window's mode: the state's own, or a network guest's own window's.
bool OpenGameWindow(GameState& g, bool& fullscreen);

// The input message a window message stands for: a key of the keyboard, the mouse,
// the window's activity. false for the others (a close, the pads, what the window handled).
bool InputMessageOf(const WindowEvent& event, InputMessage& m);
