#include "session/time_sync.h"

#include <algorithm>
#include <numeric>

void TimeSync::sample(int localAdvantage, int remoteAdvantage) {
    differences_[static_cast<size_t>(count_++)] = localAdvantage - remoteAdvantage;
    if (count_ < kTimeSyncFrames) return;
    count_ = 0;
    const int sum = std::accumulate(differences_.begin(), differences_.end(), 0);
    // Frames ahead: half the average difference, to the nearest whole frame, so that the
    // sides settle at the same frame rather than up to one apart.
    const int ahead = (sum + kTimeSyncFrames) / (2 * kTimeSyncFrames);
    holds_ = std::clamp(ahead, 0, kMaxHeldFrames);
}

bool TimeSync::holdBack() {
    if (holds_ == 0) return false;
    --holds_;
    return true;
}
