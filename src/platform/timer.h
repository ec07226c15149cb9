// Millisecond clock for the frame pacing, on a monotonic high-resolution clock.
#pragma once

#include <cstdint>

struct Timer {
    int64_t frequency = 0;       // ticks per second
    float resolution = 0;        // seconds per tick
    uint32_t mm_start = 0;
    bool has_counter = false;
    int64_t counter_start = 0;
};

extern Timer timer;

void TimerInit();
float TimerGetTime();            // milliseconds since TimerInit
double MachineClockMs();         // the machine's monotonic clock, the same in every process
