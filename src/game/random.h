// Seeding of the C library generator. Every place that seeds from the clock goes
// through here so that a fixed seed (for tests and bug reports) repeats a run.
#pragma once

void ReseedRandom();                   // srand(time(NULL)), or the fixed seed
void SetFixedRandomSeed(unsigned seed); // all later reseeds use this seed
