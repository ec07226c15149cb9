#include "game/key_merge.h"

namespace {
bool validKey(int key) { return key >= 0 && key < kKeyCount; }
}  // namespace

void KeyMerge::press(KeyTable& keys, KeySource source, int key) {
    if (!validKey(key)) return;
    held_[static_cast<int>(source)].set(key);
    if (!resting_[static_cast<int>(source)].test(key)) keys[key] = true;
}

void KeyMerge::release(KeyTable& keys, KeySource source, int key) {
    if (!validKey(key)) return;
    held_[static_cast<int>(source)].reset(key);
    if (!downElsewhere(key)) keys[key] = false;
}

bool KeyMerge::downElsewhere(int key) const {
    for (int s = 0; s < kKeySourceCount; ++s)
        if (held_[s].test(key) && !resting_[s].test(key)) return true;
    return false;
}

void KeyMerge::rest(KeyTable& keys, KeySource source, const HeldKeys& resting) {
    const int s = static_cast<int>(source);
    const HeldKeys before = resting_[s];
    resting_[s] = resting;
    for (int key = 0; key < kKeyCount; ++key) {
        if (!held_[s].test(key) || before.test(key) == resting.test(key)) continue;
        if (resting.test(key)) {
            if (!downElsewhere(key)) keys[key] = false;
        } else {
            keys[key] = true;
        }
    }
}

void KeyMerge::hold(KeyTable& keys, KeySource source, const HeldKeys& held) {
    const HeldKeys before = held_[static_cast<int>(source)];
    for (int key = 0; key < kKeyCount; ++key) {
        if (held.test(key) && !before.test(key)) press(keys, source, key);
        if (!held.test(key) && before.test(key)) release(keys, source, key);
    }
}
