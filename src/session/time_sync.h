// Keeps the two sides of a session at the same frame. A side's advantage is how far it has
// run beyond the other's newest record; it hears the other's with every record. Half the
// difference of the two is how many frames it is ahead of the other, give or take the
// link's jitter: single readings jump with every late or lost datagram, so a side decides on
// the average of its last frames' readings, and after holding back it waits for fresh
// readings, which see the effect, before it decides again.
#pragma once

#include <array>

#include "session/session_pace.h"

class TimeSync {
public:
    // Once per frame made: this side's advantage and the other's last reported one.
    void sample(int localAdvantage, int remoteAdvantage);
    // true: this side holds back one frame now to meet the other in the middle.
    bool holdBack();
    // The readings so far say nothing of the link as it is now (a side waited at the window).
    void restart() { count_ = 0; }

private:
    std::array<int, kTimeSyncFrames> differences_{};
    int count_ = 0;
    int holds_ = 0;
};
