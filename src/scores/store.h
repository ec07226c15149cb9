// The runs and the list in a database: the queue workers take runs from under a lease, the
// verdicts, and the list read back in its order. Every statement lives in store.cpp, with bound
// parameters only. Throws DatabaseError when the database fails.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scores/database.h"
#include "scores/rules.h"

namespace scores {

constexpr int kSchemaVersion = 2;

struct Job {
    std::string id, record;
    int64_t token = 0;       // this take's; a finish with another is too late
    int64_t waitedMs = 0;    // from the run's arrival to this take
    int attempts = 0;        // takes of this run, this one included
};

struct RunView {
    std::string status;  // queued, working, proven, refused
    long frames = 0;
    std::string reason, ladder, name;
    int score = 0;
    long ladderFrames = 0;
    int attempts = 0;
};

class Store {
public:
    explicit Store(std::unique_ptr<Database> db);
    // Creates the tables or brings them to kSchemaVersion, once however many processes start together.
    void migrate();
    // false when the run was already there (the same record).
    bool submit(const std::string& id, const std::string& record, const std::string& address, int64_t nowMs);
    // The oldest run that is queued or whose lease ran out, now leased to the caller.
    std::optional<Job> take(int64_t nowMs, int64_t leaseMs, int64_t token);
    // false when the lease was lost (another worker took the run): nothing is stored.
    bool finish(const Job& job, const Outcome& o, int64_t nowMs);
    // Deletes the refused runs that arrived before `receivedBeforeMs`; how many went.
    long forgetRefused(int64_t receivedBeforeMs);
    std::optional<RunView> run(const std::string& id);
    std::optional<std::string> record(const std::string& id);
    std::vector<ListLine> list(bool multiplayer, int limit);
    int schemaVersion();

private:
    std::unique_ptr<Database> db_;
};

}  // namespace scores
