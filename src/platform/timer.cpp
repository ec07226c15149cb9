#include "platform/timer.h"

#include <ctime>

#include "platform/message_box.h"

Timer timer;

namespace {

// CLOCK_MONOTONIC in nanoseconds: never steps back, unaffected by clock changes.
bool readCounter(int64_t& ticks) {
    timespec ts;
    if (clock_gettime(CLOCK_MONOTONIC, &ts) != 0) return false;
    ticks = static_cast<int64_t>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
    return true;
}

// Without the monotonic clock the wall clock stands in, so the pacing wait still ends.
uint32_t fallbackMilliseconds() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint32_t>(static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000);
}

}  // namespace

void TimerInit() {
    timer = Timer{};
    int64_t now = 0;
    if (readCounter(now)) {
        timer.frequency = 1000000000LL;
        timer.counter_start = now;
        timer.has_counter = true;
        timer.resolution = static_cast<float>(1.0 / static_cast<double>(timer.frequency));
    } else {
        timer.frequency = 1000;
        timer.resolution = 0.001f;
        timer.mm_start = fallbackMilliseconds();
        MessageBox("Error", "error timer", MbButtons::Ok, MbIcon::Stop);
    }
}

float TimerGetTime() {
    int64_t now = 0;
    if (!timer.has_counter || !readCounter(now))
        return static_cast<float>((fallbackMilliseconds() - timer.mm_start) * timer.resolution * 1000.0);
    // The tick difference is taken exactly as an integer before it is scaled.
    return static_cast<float>(static_cast<double>(now - timer.counter_start) * timer.resolution * 1000.0);
}

double MachineClockMs() {
    int64_t now = 0;
    return readCounter(now) ? static_cast<double>(now) / 1e6 : 0.0;
}
