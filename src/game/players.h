// Who steers which mallet. On one keyboard the design needs no seats: the near keys
// move the near mallet, the far keys the far one (KeyBindings). Devices that belong
// to one player (a pad, a guest at another machine) follow the seats given here.
#pragma once

#include "game/frame_input.h"

struct GameState;

enum class Mallet { None, Near, Far };

// Player1 has the near mallet, except in Player2's own matches of the multiplayer
// ladder, where Player1 rests.
Mallet Player1Mallet(const GameState& g);
// Player2 has the near mallet in its own matches of the multiplayer ladder, the far
// one wherever the computer is off (the ladder's final, training after Ctrl+Shift+C),
// and none while the computer plays the far mallet.
Mallet Player2Mallet(const GameState& g);

// The keys held directions act as on a mallet, by the key bindings.
HeldKeys MalletKeys(const GameState& g, Mallet mallet, const Directions& held);

// The directions the keys of a keyboard's near mallet hold.
Directions NearKeyDirections(const GameState& g, const HeldKeys& held);
