// The game state a network guest takes over from the host, as bytes: the fields
// game/state_fields.h marks as shared.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GameState;

std::vector<uint8_t> EncodeSharedState(const GameState& g);

// Writes the fields into `g` only when all of `bytes` is a valid state: every
// length within the bytes, every flag 0 or 1, every name one of the list, every
// number finite and within its field's bounds (game/state_fields.h), the generator
// a valid one. Otherwise `refused` names the first field that failed and why,
// as in "x out of range", and `g` is left as it was.
bool DecodeSharedState(const std::vector<uint8_t>& bytes, GameState& g, std::string* refused = nullptr);
