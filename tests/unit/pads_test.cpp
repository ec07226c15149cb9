// Seats and gamepads as players, merged with the keyboard, without SDL.
#include <gtest/gtest.h>

#include "app/pad_players.h"
#include "game/players.h"
#include "game/turn.h"
#include "game/game_state.h"

namespace {

constexpr int kBackspace = 8, kEnter = 13, kUp = 38;

PadState pad(int id, std::initializer_list<PadButton> buttons = {}, int lefty = 0) {
    PadState p;
    p.id = id, p.axes[static_cast<int>(PadAxis::LeftY)] = lefty;
    for (PadButton b : buttons) p.buttons |= 1u << static_cast<int>(b);
    return p;
}

// What the pads hold goes into a frame's input, which the turn applies first.
void apply(GameState& g, PadPlayers& pads, const std::vector<PadState>& connected) {
    FrameInput in;
    pads.collect(g, in, connected);
    for (int p = 0; p < kPlayerCount; ++p) in.players[p].held = pads.directions(p);
    ApplyFrameInput(g, in);
}

}  // namespace

// Training with the computer on and off is proven by the end-to-end pad runs (e2e test_pads), Player2's
// own multiplayer match and the final by the network ladder (e2e test_network).
TEST(Seats, EachPlayersMalletByModeTurnAndRound) {
    struct { int screen; bool player1Turn; int round; bool computer; Mallet p1, p2; } cases[] = {
        {111, true, 1, true, Mallet::Near, Mallet::None},
        {112, true, 2, true, Mallet::Near, Mallet::None},     // player 1's ladder match
        {1120, false, 1, true, Mallet::None, Mallet::Near},   // Player2's own match played again
    };
    for (const auto& c : cases) {
        GameState g;
        g.hauptmenu_nr = c.screen, g.player1_turn = c.player1Turn, g.m_round = c.round, g.artif_int = c.computer;
        EXPECT_EQ(std::make_pair(Player1Mallet(g), Player2Mallet(g)), std::make_pair(c.p1, c.p2)) << c.screen << " round " << c.round;
    }
    Directions upLeft;
    GameState g;
    upLeft.up = upLeft.left = true;
    EXPECT_EQ(MalletKeys(g, Mallet::Near, upLeft), HeldKeys().set('W').set('A'));
    EXPECT_TRUE(MalletKeys(g, Mallet::Far, upLeft) == HeldKeys().set('I').set('J') && MalletKeys(g, Mallet::None, upLeft) == HeldKeys());
    g.bindings.near = {'Z', 'Q', 'S', 'D'};  // a French keyboard
    EXPECT_EQ(MalletKeys(g, Mallet::Near, upLeft), HeldKeys().set('Z').set('Q'));
}

// The first pad is player 1 and the second Player2, and a remaining pad takes player 1's seat only
// in the menus: the end-to-end pad runs (e2e test_pads) show it.
TEST(PadPlayers, APadPluggedInMidMatchTakesTheEmptySeat) {
    GameState g;
    PadPlayers pads;
    g.menu = false, apply(g, pads, {pad(5), pad(6)}), apply(g, pads, {pad(6)}), apply(g, pads, {pad(6), pad(7)});
    EXPECT_EQ(std::make_pair(pads.player1Pad(), pads.player2Pad()), std::make_pair(7, 6));
}

// A pulled pad letting go is the end-to-end pad runs' (e2e test_pads), the settings' dead zone e2e test_desktop's.
TEST(PadPlayers, StickHasADeadZoneWithHysteresisAndTheKeyboardKeepsWhatItHolds) {
    GameState g;
    g.menu = false, g.artif_int = false;
    PadPlayers pads;
    struct { int lefty; bool w; } stick[] = {{-8000, false}, {-8192, true}, {-7000, true}, {-6000, false}, {-7000, false}};
    for (const auto& s : stick) {
        apply(g, pads, {pad(1, {}, s.lefty), pad(2, {PadButton::DpadUp})});
        EXPECT_TRUE(g.keys['W'] == s.w && g.keys['I']) << s.lefty;  // the second pad steers the far mallet
    }
    g.key_sources.press(g.keys, KeySource::Keyboard, 'I'), apply(g, pads, {pad(1, {}, -32767)});
    EXPECT_TRUE(g.keys['W'] && g.keys['I']);  // the keyboard still holds I
}

// That a held button acts once, across screens and in play, is e2e test_pads'. A D-pad held over from the
// menus steers in play and lets go of its arrow, so the camera never moves; on name entry a pad presses the
// wheel's keys alone (Start stores, left takes back), none of the menus' or the match's.
TEST(PadPlayers, AHeldDpadLetsGoOfItsArrowInPlayAndNameEntryTakesOnlyTheWheelsKeys) {
    GameState g;  // the main menu
    PadPlayers pads;
    EXPECT_TRUE((apply(g, pads, {pad(1, {PadButton::DpadUp})}), g.keys[kUp]));
    g.keys[kUp] = false, g.menu = false;  // the menu acts and clears it
    apply(g, pads, {pad(1, {PadButton::DpadUp})});
    EXPECT_EQ(std::make_pair(g.keys['W'], g.key_sources.held(KeySource::Pad1)), std::make_pair(true, HeldKeys()));
    g.menu = true, g.hauptmenu_nr = 21, apply(g, pads, {pad(1, {PadButton::Start, PadButton::DpadLeft, PadButton::Back, PadButton::Y})});
    EXPECT_EQ(g.key_sources.held(KeySource::Pad1), HeldKeys().set(kEnter).set(kBackspace));
}
