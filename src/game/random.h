// The game's random numbers. Every draw goes through GameRand and every place that
// seeds from the clock through ReseedRandom, so that a fixed seed (tests, bug
// reports) repeats a run and a network guest can replay the host's draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

void ReseedRandom();                   // srand(time(NULL)), or the fixed seed
void SetFixedRandomSeed(unsigned seed); // all later reseeds use this seed

// rand(), or the tape's next value while a tape replays.
int GameRand();

// While recording, every draw is appended to `values`; while replaying, draws are
// taken from `values` in order (plain rand() once they run out), and reseeding
// changes nothing the game sees.
struct RandomTape {
    enum class Mode { Record, Replay };
    Mode mode = Mode::Record;
    std::vector<uint32_t> values;
    size_t next = 0;
};
void SetRandomTape(RandomTape* tape);  // nullptr: plain rand()
