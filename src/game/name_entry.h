// The name-entry screen's step.
#pragma once

#include "game/effects.h"

struct GameState;

// Each frame on the name-entry screen: letters, digits, Space and Backspace edit the
// name; ENTER or ESC stores it in the list and the file and shows the list.
// A pad edits it on a letter wheel (A-Z, 0-9, blank, round again): the letter-up and
// letter-down keys turn the name's last letter, the first turn on a new place puts an A
// there, and the next-place key keeps the letter and opens a place after it. A wheel
// held turns again after a delay and then at a steady rate, in the game's own time.
void NameEntryStep(GameState& g, Effects& fx);

constexpr int kWheelRepeatDelayMs = 400;
constexpr int kWheelRepeatMs = 100;  // longer than the slowest frame: one turn a frame at most
