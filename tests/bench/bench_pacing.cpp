// Frame pacing on this machine: how evenly frames start and what the wait costs in
// processor time, for the sleeping wait the game uses and for a pure busy wait.
#include "bench_clock.h"
#include "platform/pacing.h"
#include "platform/timer.h"

int main() {
    TimerInit();
    const int frames = 300;
    for (float interval : {10.0f, 2.0f})
        for (const auto& [name, wait] : {std::pair{"sleep+spin", PacingWait}, std::pair{"busy wait", PacingWaitBusy}}) {
            std::vector<float> gaps;
            float last = TimerGetTime();
            const double cpuBefore = cpuMs();
            for (int i = 0; i < frames; ++i) {
                wait(interval);
                const float now = TimerGetTime();
                gaps.push_back(now - last), last = now;
                volatile double sink = 0;  // a stand-in for drawing: a little work between the waits
                for (int k = 0; k < 20000; ++k) sink = sink + k * 0.5;
            }
            const double cpuPerFrame = (cpuMs() - cpuBefore) / frames;
            gaps.erase(gaps.begin());  // the first gap starts before the first wait
            std::printf("%-12s interval %5.1f ms: frame start gap median %.3f ms, p99 %.3f ms, min %.3f ms; "
                        "CPU %.3f ms per frame\n", name, interval, quantile(gaps, 0.5), quantile(gaps, 0.99),
                        quantile(gaps, 0), cpuPerFrame);
        }
    return 0;
}
