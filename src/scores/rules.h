// The world list's decisions, without sockets, clocks or a database: a run's id, whether a
// verdict puts a run in the list, how the list is ordered, when a worker's lease has run out,
// how many runs an address may send and how many of its connections are served at once, and what
// a request's path and query may say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "verify/verify_record.h"

namespace scores {

// The run's id: the SHA-256 of its record in hex, so the same record sent twice is one run.
std::string RunIdOf(const uint8_t* data, size_t size);
bool IsRunId(const std::string& s);

// What a finished replay makes of a run.
struct Outcome {
    bool proven = false;     // in the list
    long frames = 0;         // of the record
    std::string reason;      // refused: why
    verify::LadderEntry entry;  // proven: what the replay stored, the name in UTF-8
};
// Only a ladder played as designed counts, unless the deployment accepts switched ones (tests).
Outcome Admit(const verify::Verdict& v, bool acceptSwitched);

// A record's structure without its replay: what the front refuses at once. `tooLarge` when over
// the verifier's caps (413), otherwise not a record (400); empty when it reads as a record.
struct Shape {
    bool tooLarge = false;
    std::string problem;
};
Shape ShapeOf(const uint8_t* data, size_t size);

// A line of the list and its order: the higher score first; equal scores, the ladder played in
// fewer frames; still equal, the earlier proven (then the id, so the order is total).
struct ListLine {
    std::string id, name;
    int score = 0;
    long ladderFrames = 0;
    int64_t provenMs = 0;
};
bool ListsBefore(const ListLine& a, const ListLine& b);

// A worker holds a run for this long; after it another may take it.
constexpr int64_t kLeaseMs = 60 * 1000;
inline bool LeaseRunOut(int64_t leaseUntilMs, int64_t nowMs) { return leaseUntilMs <= nowMs; }

// GET /scores?ladder=single|multi&limit=N.
constexpr int kDefaultLimit = 10;
constexpr int kMaxLimit = 100;
struct ListQuery {
    bool multiplayer = false;
    int limit = kDefaultLimit;
};
// false with the reason when a parameter is missing, unknown or out of range.
bool ParseListQuery(const std::string* ladder, const std::string* limit, ListQuery& q, std::string& error);

// Runs per address: a bucket of `perMinute` refilled evenly over a minute, kept as the time it is
// full again. At most `maxAddresses` are remembered; past that the one heard from longest ago goes.
class RateLimit {
public:
    explicit RateLimit(uint32_t perMinute, size_t maxAddresses = 65536) : perMinute_(perMinute), max_(maxAddresses) {}
    // nowMs never goes back; false when the address is over its limit, with the wait in `retryMs`.
    bool take(const std::string& address, int64_t nowMs, int64_t& retryMs);
    size_t addresses() const { return table_.size(); }

private:
    using Order = std::list<std::pair<std::string, int64_t>>;  // address, full again at; newest first
    uint32_t perMinute_;
    size_t max_;
    Order order_;
    std::unordered_map<std::string, Order::iterator> table_;
};

// Connections served at once per address, so that one address cannot hold every serving thread.
// 0: no limit (behind a proxy, where every client has the proxy's address).
class ConnectionLimit {
public:
    explicit ConnectionLimit(uint32_t perAddress) : perAddress_(perAddress) {}
    bool open(const std::string& address);  // false when the address already has its share
    void close(const std::string& address);
    size_t addresses() const { return open_.size(); }

private:
    uint32_t perAddress_;
    std::unordered_map<std::string, uint32_t> open_;  // only addresses with a connection open
};

// The game's names are Latin-1 bytes; the list keeps them as UTF-8, and HTML escapes what it must.
std::string Utf8OfLatin1(const std::string& s);
std::string HtmlEscaped(const std::string& utf8);

}  // namespace scores
