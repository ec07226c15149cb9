#include <sys/random.h>

#include <chrono>

#include "scores/service.h"
#include "verify/verify_record.h"

namespace scores {

namespace {

// An idle worker looks at the queue this often (other machines' fronts cannot wake it).
constexpr int kIdlePollMs = 250;
constexpr int kDatabaseRetryMs = 1000;
constexpr int64_t kForgetEveryMs = 3600 * 1000;
constexpr int64_t kDayMs = 24 * 3600 * 1000;

int64_t leaseToken() {
    int64_t v = 0;
    while (getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v)) {}
    return v & INT64_MAX;
}

}  // namespace

void Wake::notify() {
    std::lock_guard<std::mutex> lock(m_);
    ++calls_;
    cv_.notify_one();
}

void Wake::stop() {
    std::lock_guard<std::mutex> lock(m_);
    stop_ = true;
    cv_.notify_all();
}

bool Wake::stopping() {
    std::lock_guard<std::mutex> lock(m_);
    return stop_;
}

void Wake::wait(int ms) {
    std::unique_lock<std::mutex> lock(m_);
    const uint64_t seen = calls_;
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stop_ || calls_ != seen; });
}

void WorkerLoop(int number, const StoreFactory& make, const Options& o, Wake& wake) {
    const std::string worker = std::to_string(number);
    std::unique_ptr<Store> store;
    int64_t forgetAtMs = 0;  // the first worker of each process clears old refused runs at its start, then hourly
    while (!wake.stopping()) {
        try {
            if (!store) store = make();
            if (number == 0 && NowMs() >= forgetAtMs) {
                const long forgotten = store->forgetRefused(NowMs() - o.keepRefusedDays * kDayMs);
                if (forgotten > 0)
                    Log("refused_forgotten", {{"runs", std::to_string(forgotten)},
                                              {"older_than_days", std::to_string(o.keepRefusedDays)}});
                forgetAtMs = NowMs() + kForgetEveryMs;
            }
            const auto job = store->take(NowMs(), o.limits.leaseMs, leaseToken());
            if (!job) {
                wake.wait(kIdlePollMs);
                continue;
            }
            Log("run_taken", {{"id", job->id}, {"worker", worker}, {"attempt", std::to_string(job->attempts)},
                              {"waited_ms", std::to_string(job->waitedMs)}});
            const auto start = std::chrono::steady_clock::now();
            const auto* bytes = reinterpret_cast<const uint8_t*>(job->record.data());
            const Outcome outcome = Admit(verify::VerifyRecord(bytes, job->record.size()), o.acceptSwitched);
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            if (!store->finish(*job, outcome, NowMs())) {
                Log("run_lease_lost", {{"id", job->id}, {"worker", worker}});
            } else if (outcome.proven) {
                Log("run_proven", {{"id", job->id}, {"worker", worker}, {"verify_ms", std::to_string(ms.count())},
                                   {"ladder", outcome.entry.multiplayer ? "multi" : "single"},
                                   {"score", std::to_string(outcome.entry.score)}});
            } else {
                Log("run_refused", {{"id", job->id}, {"worker", worker}, {"verify_ms", std::to_string(ms.count())},
                                    {"reason", outcome.reason}});
            }
        } catch (const DatabaseError& e) {
            Log("database_error", {{"worker", worker}, {"error", e.what()}});
            store.reset();
            wake.wait(kDatabaseRetryMs);
        }
    }
}

}  // namespace scores
