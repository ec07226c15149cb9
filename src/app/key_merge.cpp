#include "app/key_merge.h"

#include "game/game_state.h"

namespace {
bool validKey(int key) { return key >= 0 && key < kKeyCount; }
}  // namespace

void KeyMerge::press(GameState& g, KeySource source, int key) {
    if (!validKey(key)) return;
    held_[static_cast<int>(source)].set(key);
    g.keys[key] = true;
}

void KeyMerge::release(GameState& g, KeySource source, int key) {
    if (!validKey(key)) return;
    held_[static_cast<int>(source)].reset(key);
    for (const HeldKeys& other : held_)
        if (other.test(key)) return;
    g.keys[key] = false;
}

void KeyMerge::hold(GameState& g, KeySource source, const HeldKeys& held) {
    const HeldKeys before = held_[static_cast<int>(source)];
    for (int key = 0; key < kKeyCount; ++key) {
        if (held.test(key) && !before.test(key)) press(g, source, key);
        if (!held.test(key) && before.test(key)) release(g, source, key);
    }
}
