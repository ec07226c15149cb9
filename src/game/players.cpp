#include "game/players.h"

#include "game/game_state.h"
#include "game/screen_numbers.h"

namespace {

constexpr int kFinalRound = 3;

bool playersOwnLadderMatch(const GameState& g) {
    const bool multiplayer = g.hauptmenu_nr == Screen::Multiplayer || g.hauptmenu_nr == Screen::MultiplayerRepeat;
    return multiplayer && !g.player1_turn && g.m_round < kFinalRound;
}

}  // namespace

Mallet Player1Mallet(const GameState& g) { return playersOwnLadderMatch(g) ? Mallet::None : Mallet::Near; }

Mallet Player2Mallet(const GameState& g) {
    if (playersOwnLadderMatch(g)) return Mallet::Near;
    return g.artif_int ? Mallet::None : Mallet::Far;
}

HeldKeys MalletKeys(const GameState& g, Mallet mallet, const Directions& held) {
    HeldKeys keys;
    if (mallet == Mallet::None) return keys;
    const SteeringKeys& k = mallet == Mallet::Near ? g.bindings.near : g.bindings.far;
    keys.set(k.up, held.up);
    keys.set(k.left, held.left);
    keys.set(k.down, held.down);
    keys.set(k.right, held.right);
    return keys;
}

Directions NearKeyDirections(const GameState& g, const HeldKeys& held) {
    const SteeringKeys& k = g.bindings.near;
    Directions d;
    d.up = held.test(k.up);
    d.left = held.test(k.left);
    d.down = held.test(k.down);
    d.right = held.test(k.right);
    return d;
}
