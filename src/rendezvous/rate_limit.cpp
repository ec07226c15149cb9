#include "rendezvous/rate_limit.h"

#include <algorithm>

namespace rendezvous {

RateVerdict RateLimiter::take(uint32_t sourceIp, uint64_t repeatKey, uint64_t nowMs) {
    auto found = table_.find(sourceIp);
    if (found != table_.end()) {
        order_.splice(order_.begin(), order_, found->second);
    } else {
        if (table_.size() >= limits_.maxSources && !order_.empty()) {
            table_.erase(order_.back().ip);
            order_.pop_back();
        }
        order_.push_front(Source{});
        order_.front().ip = sourceIp;
        table_.emplace(sourceIp, order_.begin());
    }
    Source& s = order_.front();

    RateVerdict verdict;
    if (s.charged && repeatKey == s.lastKey && nowMs - s.lastChargedMs < limits_.repeatWindowMs &&
        s.freeRepeats < limits_.maxFreeRepeats) {
        ++s.freeRepeats;
        verdict.allowed = verdict.repeat = true;
        return verdict;
    }
    // The bucket holds burst tokens when fullAtMs is now or past, one fewer per interval after now.
    const uint64_t tolerance = (limits_.burst - 1) * limits_.intervalMs;
    const uint64_t full = std::max(s.fullAtMs, nowMs);
    if (full - nowMs > tolerance) {
        verdict.retryAfterMs = full - nowMs - tolerance;
        verdict.firstRefusal = !s.refusing;
        s.refusing = true;
        return verdict;
    }
    s.fullAtMs = full + limits_.intervalMs;
    s.lastKey = repeatKey;
    s.lastChargedMs = nowMs;
    s.charged = true;
    s.freeRepeats = 0;
    s.refusing = false;
    verdict.allowed = true;
    return verdict;
}

}  // namespace rendezvous
