// Lookups per source IP address: a token bucket of `burst` lookups refilled at one per
// `intervalMs`, kept as the time the bucket will be full again (one number a source).
// A guest repeats its Lookup until an answer arrives; repeats of the same lookup from
// the same address within `repeatWindowMs` of the one that was charged count once, up
// to `maxFreeRepeats`, so a lossy line does not lock a player out.
// The table holds at most `maxSources` addresses; past that the one heard from longest
// ago is forgotten, so a flood of spoofed sources costs a bounded amount of memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <unordered_map>

namespace rendezvous {

struct RateLimits {
    uint32_t burst = 10;  // at least 1
    uint64_t intervalMs = 6000;  // ten a minute
    uint64_t repeatWindowMs = 5000;
    uint32_t maxFreeRepeats = 10;
    size_t maxSources = 65536;
};

struct RateVerdict {
    bool allowed = false;
    bool repeat = false;         // allowed as a repeat of the lookup charged last
    uint64_t retryAfterMs = 0;   // when refused: until the next lookup is allowed
    bool firstRefusal = false;   // when refused: the source was allowed last time (worth one log line)
};

class RateLimiter {
public:
    explicit RateLimiter(const RateLimits& limits = RateLimits()) : limits_(limits) {}

    // `repeatKey` names the lookup (its id and the source's port); nowMs never goes back.
    RateVerdict take(uint32_t sourceIp, uint64_t repeatKey, uint64_t nowMs);
    size_t sources() const { return table_.size(); }

private:
    struct Source {
        uint32_t ip = 0;
        uint64_t fullAtMs = 0;  // with nothing taken since, the bucket is full from then on
        uint64_t lastKey = 0;
        uint64_t lastChargedMs = 0;
        uint32_t freeRepeats = 0;
        bool charged = false;
        bool refusing = false;
    };
    using Order = std::list<Source>;  // the most recently heard first

    RateLimits limits_;
    Order order_;
    std::unordered_map<uint32_t, Order::iterator> table_;
};

}  // namespace rendezvous
