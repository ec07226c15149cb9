#include "platform/pacing.h"

#include <ctime>

#include "platform/timer.h"

namespace {
// A sleeper typically wakes 0.03 to 0.1 ms late, so the wait sleeps until this margin
// before its end and spins through the rest. Rarer, longer delays (a busy machine) are
// longer than any spin worth its processor time.
constexpr float kSpinMarginMs = 0.2f;
}

void PacingWaitBusy(float milliseconds) {
    const float start = TimerGetTime();
    while (TimerGetTime() < start + milliseconds) {
    }
}

void PacingWait(float milliseconds) {
    const float start = TimerGetTime();
    const float end = start + milliseconds;
    for (;;) {
        const float left = end - TimerGetTime();
        if (left <= 0.0f) return;
        if (left > kSpinMarginMs) {
            const double sleepMs = static_cast<double>(left - kSpinMarginMs);
            timespec ts;
            ts.tv_sec = static_cast<time_t>(sleepMs / 1000.0);
            ts.tv_nsec = static_cast<long>((sleepMs - ts.tv_sec * 1000.0) * 1e6);
            nanosleep(&ts, nullptr);
        }
    }
}
