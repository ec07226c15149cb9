#include "game/random.h"

namespace {
constexpr int kSeparation = 3;
// Seeding runs the generator this many times before the first number counts.
constexpr int kWarmUp = 10 * RandomState::kDegree;
}  // namespace

RandomState SeededRandom(uint32_t seed) {
    RandomState s;
    if (seed == 0) seed = 1;
    s.r[0] = static_cast<int32_t>(seed);
    // Park and Miller's minimal standard generator, with Schrage's split against overflow.
    int64_t word = static_cast<int32_t>(seed);
    for (int i = 1; i < RandomState::kDegree; ++i) {
        const int64_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += kRandomMax;
        s.r[i] = static_cast<int32_t>(word);
    }
    s.front = kSeparation;
    s.rear = 0;
    for (int i = 0; i < kWarmUp; ++i) NextRandom(s);
    return s;
}

int NextRandom(RandomState& s) {
    const uint32_t sum = static_cast<uint32_t>(s.r[s.front]) + static_cast<uint32_t>(s.r[s.rear]);
    s.r[s.front] = static_cast<int32_t>(sum);
    s.front = static_cast<uint8_t>((s.front + 1) % RandomState::kDegree);
    s.rear = static_cast<uint8_t>((s.rear + 1) % RandomState::kDegree);
    return static_cast<int>(sum >> 1);
}

bool ValidRandomState(const RandomState& s) {
    return s.front < RandomState::kDegree && s.rear < RandomState::kDegree &&
           (s.rear + kSeparation) % RandomState::kDegree == s.front;
}
