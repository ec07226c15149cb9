// What stays a guest's own while it plays the host's game: its keyboard, whose keys
// become its player's directions (Esc leaves the session and F1 is its window's; none of
// them enters the host's game), its window's mode and whether it is shown, and its speakers.
#pragma once

#include "game/effects.h"
#include "game/frame_input.h"
#include "game/key_merge.h"

struct GameState;

// A guest's own window mode and sound setting as it joins.
struct OwnSettings {
    bool fullscreen = false;
    bool sound = true;
};

// Each side of a session has pads for its own player alone: only `player`'s rumble stays.
void KeepPlayersRumble(Effects& fx, int player);

class GuestOwn {
public:
    void start(const OwnSettings& own);
    void input(const InputMessage& m);
    // true once per press of `key`: it is taken, and its own game will not act on it later.
    bool takeKey(int key);
    // The directions its keys hold, by the host's key bindings, together with its pad's.
    Directions directions(const GameState& g, const Directions& pad) const;
    // The sounds and music the host's game plays, unless its own setting silences them.
    void keepOwnSound(Effects& fx) const;
    bool& fullscreen() { return fullscreen_; }
    bool shown() const { return active_; }
    // A frame's state as this window traces it: its own mode and activity.
    void trace(GameState& g) const;

private:
    KeyMerge keys_;
    KeyTable table_ = {};
    bool active_ = true, fullscreen_ = false, sound_ = true;
};
