#include "game/random.h"

#include <cstdlib>
#include <ctime>

namespace {
bool fixedSeedSet = false;
unsigned fixedSeed = 0;
}

void ReseedRandom() {
    std::srand(fixedSeedSet ? fixedSeed : static_cast<unsigned>(std::time(nullptr)));
}

void SetFixedRandomSeed(unsigned seed) {
    fixedSeedSet = true;
    fixedSeed = seed;
}
