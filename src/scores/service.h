// The running service around the store: its options, its log, the workers and the HTTP front.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "scores/store.h"

namespace httplib {
class Server;
}

namespace scores {

constexpr uint16_t kDefaultPort = 27318;

struct Limits {
    uint32_t runsPerMinute = 30;   // POST /runs per address, per front
    int readTimeoutS = 5;          // each read and write of a request
    int requestSeconds = 30;       // a request, from its first byte to the last of its answer
    uint32_t connectionsPerAddress = 4;  // served at once; 0: no limit (behind a proxy)
    int threads = 16;              // requests served at once per front
    int64_t leaseMs = kLeaseMs;
};

struct Options {
    std::string listen = "0.0.0.0:27318";
    bool front = true;             // false: --worker, workers only
    int workers = -1;              // -1: one per core
    std::string database;          // PostgreSQL conninfo; empty: SQLite in dataDir
    std::string dataDir;
    bool acceptSwitched = false;
    int keepRefusedDays = 7;       // a refused run's reason and record; 0: gone at the next clean-up
    Limits limits;
};

using StoreFactory = std::function<std::unique_ptr<Store>()>;

// One line per event on standard error, as key=value pairs (journald keeps them).
void Log(const std::string& event, std::initializer_list<std::pair<const char*, std::string>> fields);
int64_t NowMs();  // the wall clock: runs' times are compared across machines

// Wakes idle workers when a run arrives, and tells them to stop.
class Wake {
public:
    void notify();
    void stop();
    bool stopping();
    void wait(int ms);

private:
    std::mutex m_;
    std::condition_variable cv_;
    uint64_t calls_ = 0;
    bool stop_ = false;
};

// A worker: takes runs until told to stop, finishing the one in hand first.
void WorkerLoop(int number, const StoreFactory& make, const Options& o, Wake& wake);
// The front's endpoints on `server`.
void RouteFront(httplib::Server& server, const StoreFactory& make, const Options& o, Wake& wake);

}  // namespace scores
