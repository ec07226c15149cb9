#include "game/random.h"

#include <cstdlib>
#include <ctime>

namespace {
bool fixedSeedSet = false;
unsigned fixedSeed = 0;
RandomTape* activeTape = nullptr;
}

void ReseedRandom() {
    std::srand(fixedSeedSet ? fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void SetFixedRandomSeed(unsigned seed) {
    fixedSeedSet = true;
    fixedSeed = seed;
}

int GameRand() {
    RandomTape* tape = activeTape;
    if (tape && tape->mode == RandomTape::Mode::Replay && tape->next < tape->values.size())
        return static_cast<int>(tape->values[tape->next++] & RAND_MAX);
    const int value = std::rand();
    if (tape && tape->mode == RandomTape::Mode::Record) tape->values.push_back(static_cast<uint32_t>(value));
    return value;
}

void SetRandomTape(RandomTape* tape) { activeTape = tape; }
