// The game's random numbers. The generator's state is part of the game state, so
// a saved state draws the same numbers again. It repeats the C library's rand()
// sequence for every seed (the additive feedback generator of degree 31 with its
// linear-congruential seeding), so a fixed seed still gives the numbers it gave
// when the game called rand() itself.
#pragma once

#include <cstdint>

constexpr int kRandomMax = 2147483647;

struct RandomState {
    static constexpr int kDegree = 31;
    int32_t r[kDegree] = {};
    uint8_t front = 3, rear = 0;  // indices into r; three apart, as the generator wants
};

RandomState SeededRandom(uint32_t seed);
int NextRandom(RandomState& s);  // 0 to kRandomMax

// A state no longer fresh from seeding is still a valid generator: both indices
// in range and three apart (modulo the degree).
bool ValidRandomState(const RandomState& s);
