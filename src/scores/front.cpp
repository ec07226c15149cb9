#include <httplib.h>

#include <chrono>

#include "scores/service.h"
#include "scores/views.h"

namespace scores {

namespace {

constexpr const char* kJson = "application/json";
constexpr int kPageLines = 50;

int64_t steadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A front serves requests on a handful of threads; each keeps one connection to the database.
class Front {
public:
    Front(const StoreFactory& make, const Options& o, Wake& wake)
        : make_(make), o_(o), wake_(wake), limit_(o.limits.runsPerMinute) {}

    // `answer` with the thread's store; a failing database is a 503 and a fresh connection next time.
    template <typename Answer>
    void withStore(httplib::Response& res, Answer answer) {
        std::unique_ptr<Store>& store = threadStore();
        try {
            if (!store) store = make_();
            answer(*store);
        } catch (const DatabaseError& e) {
            store.reset();
            Log("database_error", {{"error", e.what()}});
            res.status = 503;
            res.set_content(ErrorJson("the database is out of reach; try again later"), kJson);
        }
    }

    void postRun(const httplib::Request& req, httplib::Response& res) {
        int64_t retryMs = 0;
        bool allowed;
        {
            std::lock_guard<std::mutex> lock(limitMutex_);
            allowed = limit_.take(req.remote_addr, steadyMs(), retryMs);
        }
        if (!allowed) {
            res.status = 429;
            res.set_header("Retry-After", std::to_string((retryMs + 999) / 1000));
            res.set_content(ErrorJson("more than " + std::to_string(o_.limits.runsPerMinute) +
                                      " runs a minute from this address"),
                            kJson);
            Log("run_limited", {{"address", req.remote_addr}});
            return;
        }
        const auto* bytes = reinterpret_cast<const uint8_t*>(req.body.data());
        const Shape shape = ShapeOf(bytes, req.body.size());
        if (!shape.problem.empty()) {
            res.status = shape.tooLarge ? 413 : 400;
            res.set_content(ErrorJson("not a record of this version: " + shape.problem), kJson);
            Log("run_not_a_record", {{"address", req.remote_addr}, {"reason", shape.problem}});
            return;
        }
        const std::string id = RunIdOf(bytes, req.body.size());
        withStore(res, [&](Store& store) {
            const bool fresh = store.submit(id, req.body, req.remote_addr, NowMs());
            Log(fresh ? "run_queued" : "run_again", {{"id", id}, {"address", req.remote_addr},
                                                     {"bytes", std::to_string(req.body.size())}});
            if (fresh) wake_.notify();
            res.status = 202;
            res.set_content(QueuedJson(id), kJson);
        });
    }

    void getRun(const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.matches[1];
        withStore(res, [&](Store& store) {
            const auto run = store.run(id);
            if (!run) return notFound(res);
            res.set_content(RunJson(id, *run), kJson);
        });
    }

    void getRecord(const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.matches[1];
        withStore(res, [&](Store& store) {
            const auto record = store.record(id);
            if (!record) return notFound(res);
            res.set_header("Content-Disposition", "attachment; filename=\"" + id.substr(0, 16) + ".rec\"");
            res.set_content(*record, "application/octet-stream");
        });
    }

    void getScores(const httplib::Request& req, httplib::Response& res) {
        const std::string ladder = req.get_param_value("ladder"), limit = req.get_param_value("limit");
        ListQuery q;
        std::string error;
        if (!ParseListQuery(req.has_param("ladder") ? &ladder : nullptr, req.has_param("limit") ? &limit : nullptr, q,
                            error)) {
            res.status = 400;
            res.set_content(ErrorJson(error), kJson);
            return;
        }
        withStore(res, [&](Store& store) { res.set_content(ListJson(store.list(q.multiplayer, q.limit)), kJson); });
    }

    void getPage(const httplib::Request&, httplib::Response& res) {
        withStore(res, [&](Store& store) {
            res.set_header("Cache-Control", "max-age=10");
            res.set_content(ListsPage(store.list(false, kPageLines), store.list(true, kPageLines)),
                            "text/html; charset=utf-8");
        });
    }

private:
    // One connection per serving thread, whichever endpoint it serves.
    static std::unique_ptr<Store>& threadStore() {
        thread_local std::unique_ptr<Store> store;
        return store;
    }
    static void notFound(httplib::Response& res) {
        res.status = 404;
        res.set_content(ErrorJson("no such run"), kJson);
    }

    const StoreFactory& make_;
    const Options& o_;
    Wake& wake_;
    std::mutex limitMutex_;
    RateLimit limit_;
};

}  // namespace

void RouteFront(httplib::Server& server, const StoreFactory& make, const Options& o, Wake& wake) {
    auto front = std::make_shared<Front>(make, o, wake);
    const int threads = o.limits.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server.set_payload_max_length(verify::kMaxRecordBytes);
    server.set_read_timeout(o.limits.readTimeoutS);
    server.set_write_timeout(o.limits.readTimeoutS);
    server.set_keep_alive_timeout(o.limits.readTimeoutS);
    const std::string id = "/runs/([0-9a-f]{64})";
    server.Post("/runs", [front](const httplib::Request& q, httplib::Response& r) { front->postRun(q, r); });
    server.Get(id, [front](const httplib::Request& q, httplib::Response& r) { front->getRun(q, r); });
    server.Get(id + "/record", [front](const httplib::Request& q, httplib::Response& r) { front->getRecord(q, r); });
    server.Get("/scores", [front](const httplib::Request& q, httplib::Response& r) { front->getScores(q, r); });
    server.Get("/", [front](const httplib::Request& q, httplib::Response& r) { front->getPage(q, r); });
    // What httplib refuses by itself (too large, no such path, a broken request) says why in JSON too.
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        const std::string why = res.status == 413 ? "too large: a record goes as application/octet-stream, at most " + std::to_string(verify::kMaxRecordBytes) + " bytes"
                          : res.status == 404 ? "no such page"
                                              : "the request was refused (HTTP " + std::to_string(res.status) + ")";
        res.set_content(ErrorJson(why), kJson);
    });
}

}  // namespace scores
