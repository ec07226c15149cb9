// Frame pacing on this machine: how evenly frames start and what the wait costs in
// processor time, for the sleeping wait the game uses and for a pure busy wait.
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/pacing.h"
#include "platform/timer.h"

namespace {

double cpuMilliseconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// A stand-in for drawing: a little work between the waits, as a frame has.
void simulatedFrameWork() {
    volatile double sink = 0;
    for (int i = 0; i < 20000; ++i) sink = sink + i * 0.5;
}

void measure(const char* name, void (*wait)(float), float intervalMs, int frames) {
    std::vector<float> starts;
    starts.reserve(frames);
    const double cpuBefore = cpuMilliseconds();
    for (int i = 0; i < frames; ++i) {
        wait(intervalMs);
        starts.push_back(TimerGetTime());
        simulatedFrameWork();
    }
    const double cpuPerFrame = (cpuMilliseconds() - cpuBefore) / frames;
    std::vector<float> gaps;
    for (size_t i = 1; i < starts.size(); ++i) gaps.push_back(starts[i] - starts[i - 1]);
    std::sort(gaps.begin(), gaps.end());
    const float median = gaps[gaps.size() / 2];
    const float p99 = gaps[gaps.size() * 99 / 100];
    std::printf("%-12s interval %5.1f ms: frame start gap median %.3f ms, p99 %.3f ms, min %.3f ms; "
                "CPU %.3f ms per frame\n",
                name, intervalMs, median, p99, gaps.front(), cpuPerFrame);
}

}  // namespace

int main() {
    TimerInit();
    const int frames = 300;
    for (float interval : {10.0f, 2.0f}) {
        measure("sleep+spin", PacingWait, interval, frames);
        measure("busy wait", PacingWaitBusy, interval, frames);
    }
    return 0;
}
