// The message boxes the game's own turns can show, by identifier: a network host
// names a box to its guest by it, never by its words.
#pragma once

#include <cstdint>

enum class GameBox : uint8_t {
    ConfigOpenFailed,
    ConfigWriteFailed,
    PuckModelFailed,
    LargePuckModelFailed,
    MalletModelFailed,
    PlaneModelFailed,
    TableModelFailed,
    Table5ModelFailed,
    Table7ModelFailed,
};
constexpr int kGameBoxCount = 9;

// All of them are errors with one OK button.
struct BoxWords {
    const char* caption;
    const char* text;
};
BoxWords GameBoxWords(GameBox box);
