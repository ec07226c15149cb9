// Who steers which mallet. On one keyboard the design needs no seats: W A S D move
// the near mallet, I J K L the far one. Devices that belong to one player (a pad, a
// guest at another machine) follow the seats given here.
#pragma once

#include "app/key_merge.h"

struct GameState;

enum class Mallet { None, Near, Far };

// Player1 has the near mallet, except in Player2's own matches of the multiplayer
// ladder, where Player1 rests.
Mallet Player1Mallet(const GameState& g);
// Player2 has the near mallet in its own matches of the multiplayer ladder, the far
// one wherever the computer is off (the ladder's final, training after Ctrl+Shift+C),
// and none while the computer plays the far mallet.
Mallet Player2Mallet(const GameState& g);

struct Directions {
    bool up = false, left = false, down = false, right = false;
};

// The keys a held direction acts as on a mallet: W A S D near, I J K L far.
HeldKeys MalletKeys(Mallet mallet, const Directions& held);
