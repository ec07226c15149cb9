#include "app/players.h"

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

HeldKeys MalletKeys(Mallet mallet, const Directions& held) {
    HeldKeys keys;
    if (mallet == Mallet::None) return keys;
    const bool near = mallet == Mallet::Near;
    keys.set(near ? 'W' : 'I', held.up);
    keys.set(near ? 'A' : 'J', held.left);
    keys.set(near ? 'S' : 'K', held.down);
    keys.set(near ? 'D' : 'L', held.right);
    return keys;
}
