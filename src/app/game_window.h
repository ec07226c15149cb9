// The game's window: every window the game opens gets the models' textures and the
// font rebuilt in its new context, and its messages reach the game state here.
#pragma once

struct GameState;
struct WindowEvent;
class KeyMerge;

// Start-up, the scene switch back to the screens and F1. false: the program must end
// (the failure has been reported).
bool OpenGameWindow(GameState& g);

// A window message's effect on the key table, the mouse and `active`.
// Returns true when the message closes the program.
bool ApplyWindowEvent(GameState& g, KeyMerge& keys, const WindowEvent& event);
