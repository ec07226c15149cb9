// The key table is fed by more than one device: a key is down while any source
// holds it, and a key the rules clear when it acts comes back only with a new press.
#pragma once

#include <bitset>

#include "platform/virtual_keys.h"

using KeyTable = bool[kKeyCount];

// Player 1's keyboard and pads, and the mallet directions each player holds
// (a stick, a D-pad, a guest's keys at another machine), set by the player's seat.
// A guest at another machine presses keys as Remote.
enum class KeySource { Keyboard, Pad1, Pad2, Directions1, Directions2, Remote };
constexpr int kKeySourceCount = 6;

using HeldKeys = std::bitset<kKeyCount>;

class KeyMerge {
public:
    // Every press sets the key, also one the rules have cleared since an earlier
    // press: a key-down message (auto-repeat included) acts once.
    void press(KeyTable& keys, KeySource source, int key);
    // Releasing one source does not release a key another source still holds.
    void release(KeyTable& keys, KeySource source, int key);
    // Makes `held` the keys the source holds: the new ones pressed, the dropped ones released.
    void hold(KeyTable& keys, KeySource source, const HeldKeys& held);
    void releaseAll(KeyTable& keys, KeySource source) { hold(keys, source, HeldKeys{}); }
    const HeldKeys& held(KeySource source) const { return held_[static_cast<int>(source)]; }
    // Keys of `resting` held on this source count as up until the rest is lifted
    // (the host's W A S D while a network guest plays the near mallet); a key that
    // is still held when its rest ends counts as pressed again.
    void rest(KeyTable& keys, KeySource source, const HeldKeys& resting);

    // What every source holds and rests, for saving and sending a state.
    HeldKeys held_[kKeySourceCount];
    HeldKeys resting_[kKeySourceCount];

private:
    bool downElsewhere(int key) const;
};
