// Gamepads as players. Each seated pad sends key messages of a key source of its own
// into its player's input record, so the rules of the controls, menus and ladders
// never learn that a key came from a pad; its stick and D-pad are the player's held
// directions. The first pad is player 1; the second is Player2 and steers the mallet
// the seats of players.h give it. On the name-entry screen a pad works the letter
// wheel with keys no keyboard sends (game/name_entry.h).
#pragma once

#include <string>
#include <vector>

#include "game/frame_input.h"
#include "platform/gamepad.h"

struct GameState;

class PadPlayers {
public:
    PadPlayers() { setStickDeadZone(kDefaultStickDeadZone); }
    static constexpr int kDefaultStickDeadZone = 25;

    // Seats the connected pads and adds to each player's record the key messages of
    // what its pad's buttons now hold. Run on every pad message and before every frame,
    // so that a change of screen or seat gives a held stick its new meaning at once. A
    // button or stick direction takes the meaning of the screen where it was pressed
    // and keeps it until released: held on, it never sets again a key the rules have cleared.
    void collect(const GameState& g, FrameInput& record, const std::vector<PadState>& pads);

    // The directions the pad of a player (0 or 1) holds; none without a pad.
    Directions directions(int player) const;

    // A stick counts as held beyond `percent` of its travel (a quarter unless set).
    void setStickDeadZone(int percent);

    // The ids of the pads in the two seats, -1 for an empty seat.
    int player1Pad() const { return player1_ < 0 ? -1 : slots_[player1_].pad; }
    int player2Pad() const;

private:
    // Buttons in PadButton order, then the four directions of the D-pad and left stick together.
    static constexpr int kControlCount = kPadButtonCount + 4;

    struct Slot {
        int pad = -1;
        bool stick[4] = {};                // the left stick beyond its dead zone: up, left, down, right
        Directions directions;             // stick or D-pad, as of the last apply
        bool held[kControlCount] = {};
        int latched[kControlCount] = {};   // the key a held control acts as, 0 for none
        HeldKeys sent;                     // the keys its messages hold down
    };

    int playerOf(int slot) const { return slot == player1_ ? 0 : 1; }
    void send(FrameInput& record, int slot, const HeldKeys& held, const HeldKeys& pressed);

    // The keys the slot's pad holds now; `pressed` gets those of the controls just pressed.
    HeldKeys slotKeys(const GameState& g, Slot& slot, const PadState& pad, HeldKeys& pressed);

    Slot slots_[2];        // key sources Pad1 and Pad2; a pad keeps its slot while connected
    int stickPress_, stickRelease_;  // axis values where a stick direction is held and let go
    int player1_ = -1;     // the slot of player 1's pad
    std::vector<int> seen_;  // the pads of the last call: any other has just been connected
};

// The player's own controller mappings: gamecontrollerdb.txt in the per-user folder,
// $XDG_DATA_HOME/puckslide3d (~/.local/share/puckslide3d by default). Empty without a home.
std::string PadMappingsFile();
