// One frame's input: for each player, the messages their devices sent before the
// frame and the mallet directions they hold. Keyboard, mouse, pads, the input
// script and a guest at another machine all arrive as this record; the turn
// applies it, and a recorded game is nothing but these records.
#pragma once

#include <cstdint>
#include <vector>

#include "game/key_merge.h"

struct InputMessage {
    enum class Kind : uint8_t { KeyDown, KeyUp, MouseMove, Activity };
    Kind kind = Kind::KeyDown;
    KeySource source = KeySource::Keyboard;  // of a key message
    uint8_t key = 0;                         // virtual-key code
    uint16_t x = 0, y = 0;                   // MouseMove: client pixels; Activity: x is 1 while active

    bool operator==(const InputMessage& o) const {
        return kind == o.kind && source == o.source && key == o.key && x == o.x && y == o.y;
    }
};

struct Directions {
    bool up = false, left = false, down = false, right = false;
    bool operator==(const Directions& o) const {
        return up == o.up && left == o.left && down == o.down && right == o.right;
    }
};

struct PlayerInput {
    std::vector<InputMessage> messages;  // in the order they arrived
    Directions held;                     // steer the player's mallet in play, by its seat

    bool operator==(const PlayerInput& o) const { return messages == o.messages && held == o.held; }
};

constexpr int kPlayerCount = 2;

struct FrameInput {
    PlayerInput players[kPlayerCount];
    uint32_t reseed = 0;          // what a reseed of this frame seeds with: the fixed seed or the clock's second
    bool player2Remote = false;   // Player2 plays at another machine: the host's near keys rest when it has the near mallet

    bool operator==(const FrameInput& o) const {
        return players[0] == o.players[0] && players[1] == o.players[1] && reseed == o.reseed &&
               player2Remote == o.player2Remote;
    }
};
