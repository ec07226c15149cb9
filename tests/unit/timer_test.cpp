// The pacing trusts this clock: it must start near zero, never step back and count milliseconds.
#include <gtest/gtest.h>

#include <ctime>

#include "platform/pacing.h"
#include "platform/timer.h"

TEST(FrameTimer, StartsNearZeroAndNeverStepsBack) {
    TimerInit();
    EXPECT_TRUE(timer.has_counter);
    const float first = TimerGetTime();
    EXPECT_GE(first, 0.0f);
    EXPECT_LT(first, 50.0f);
    float last = first;
    for (int i = 0; i < 100000; ++i) {
        const float now = TimerGetTime();
        ASSERT_GE(now, last);
        last = now;
    }
}

TEST(FrameTimer, CountsMillisecondsOfTheMonotonicClock) {
    TimerInit();
    timespec before{}, after{};
    clock_gettime(CLOCK_MONOTONIC, &before);
    const float t0 = TimerGetTime();
    const timespec pause{0, 30 * 1000 * 1000};
    nanosleep(&pause, nullptr);
    const float t1 = TimerGetTime();
    clock_gettime(CLOCK_MONOTONIC, &after);
    const double realMs = (after.tv_sec - before.tv_sec) * 1000.0 + (after.tv_nsec - before.tv_nsec) / 1e6;
    EXPECT_GE(t1 - t0, 30.0f);
    EXPECT_LE(t1 - t0, realMs + 0.01);
}

TEST(FramePacing, BothWaitsLastAtLeastTheInterval) {
    TimerInit();
    for (float interval : {0.0f, 0.3f, 2.0f, 10.0f}) {
        float start = TimerGetTime();
        PacingWait(interval);
        EXPECT_GE(TimerGetTime() - start, interval);
        start = TimerGetTime();
        PacingWaitBusy(interval);
        EXPECT_GE(TimerGetTime() - start, interval);
    }
}
