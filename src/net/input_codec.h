// A player's input record of one frame as bytes, for the network and for recorded
// games: one byte with the held directions and whether messages follow, so that an
// idle frame costs one byte; then the messages, seven bytes each.
#pragma once

#include <cstdint>
#include <vector>

#include "game/frame_input.h"
#include "net/bytes.h"

namespace net {

// A frame holds at most this many messages per player; the loop takes one message a
// turn, so even a flood of key repeats stays far below it.
constexpr size_t kMaxFrameMessages = 4096;

// Held directions, one bit each.
enum Direction : uint8_t { kUp = 1, kLeft = 2, kDown = 4, kRight = 8 };
constexpr uint8_t kAllDirections = kUp | kLeft | kDown | kRight;
uint8_t DirectionBits(const Directions& d);
Directions DirectionsOf(uint8_t bits);

void PutPlayerInput(std::vector<uint8_t>& out, const PlayerInput& p);
// false (and `p` half read) when the bytes are not a record.
bool GetPlayerInput(Bytes& in, PlayerInput& p);

}  // namespace net
