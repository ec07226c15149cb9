// The world list's figures, on SQLite in a scratch folder or on the PostgreSQL of CONNINFO: runs verified
// per second per worker core and the frames replayed meanwhile (the singleplayer ladder of tests/records/, as
// puckslide3d-verify replays it); POST /runs and GET /scores from one front (8 clients, keep-alive); database
// bytes per run; and how long a run waits in the queue at 10 submissions a second with 2 workers. The
// service's log goes to a scratch file.
//   bench_scores [CONNINFO]
#include <httplib.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "bench_clock.h"
#include "scores/bounded_server.h"
#include "scores/service.h"

namespace {

// The ladder with one checksum bit turned over: a distinct run, refused near frame `frame` (the last is 4018).
std::string variant(const std::string& ladder, const std::vector<size_t>& ends, size_t i, size_t frame) {
    std::string r = ladder;
    r[ends[frame % ends.size()] - 1 - (i / ends.size()) % 4] ^= static_cast<char>(1 << (i / ends.size() / 4 % 8));
    return r;
}

void load(const char* what, int port, const std::function<int(httplib::Client&, size_t)>& request) {
    std::vector<double> all;
    std::mutex m;
    std::atomic<size_t> next{0};
    const auto start = std::chrono::steady_clock::now(), end = start + std::chrono::seconds(3);
    std::vector<std::thread> clients;
    for (int i = 0; i < 8; ++i)
        clients.emplace_back([&, port] {
            httplib::Client client("127.0.0.1", port);
            while (std::chrono::steady_clock::now() < end) {
                const auto t = std::chrono::steady_clock::now();
                if (request(client, next++) >= 400) std::printf("%s: a request failed\n", what);
                std::lock_guard<std::mutex> lock(m);
                all.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t).count());
            }
        });
    for (auto& c : clients) c.join();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s\n", what);
    figure("  requests", all.size() / seconds, "/s");
    figure("  median", quantile(all, 0.5), "ms");
    figure("  99th percentile", quantile(all, 0.99), "ms");
}

}  // namespace

int main(int argc, char** argv) {
    const char* source = std::getenv("PUCKSLIDE_SOURCE_DIR");
    std::ifstream in(std::string(source ? source : ".") + "/tests/records/single_ladder.rec", std::ios::binary);
    const std::string ladder{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto* bytes = reinterpret_cast<const uint8_t*>(ladder.data());
    net::RecordStart start;
    std::vector<net::RecordedFrame> frames;
    std::string error;
    if (!net::DecodeRecord(bytes, ladder.size(), start, frames, error)) return std::fprintf(stderr, "no ladder record\n"), 1;
    std::vector<size_t> ends{net::EncodeRecordStart(start).size()};
    for (const auto& f : frames) ends.push_back(ends.back() + net::EncodeRecordedFrame(f).size());
    ends.erase(ends.begin());

    const double msPerRun = msPer(20, [&] { scores::Admit(verify::VerifyRecord(bytes, ladder.size()), true); });
    figure("verified per worker core", 1000.0 / msPerRun, "runs/s");
    figure("  frames replayed", frames.size() * 1000.0 / msPerRun, "frames/s");

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("bench-scores-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    // A reopened stderr is buffered like any file: by lines, so the workers' are there to read back below.
    if (!std::freopen((dir / "log").c_str(), "w", stderr) || std::setvbuf(stderr, nullptr, _IOLBF, 0) != 0) return 1;
    const std::string conninfo = argc > 1 ? argv[1] : "";
    const scores::StoreFactory make = [&] {
        return std::make_unique<scores::Store>(conninfo.empty() ? scores::OpenSqlite(dir / "s.sqlite") : scores::OpenPostgres(conninfo));
    };
    auto store = make();
    store->migrate();
    scores::Options o;
    o.limits.runsPerMinute = 1000000;
    o.limits.connectionsPerAddress = 0;  // the clients below stand for many players
    scores::Wake wake;

    // The queue: 10 runs a second for 10 s, 2 workers; each replays nearly the whole ladder.
    std::vector<std::thread> workers;
    for (int i = 0; i < 2; ++i) workers.emplace_back([&, i] { scores::WorkerLoop(i, make, o, wake); });
    for (size_t i = 0; i < 100; ++i) {
        store->submit("q" + std::to_string(i), variant(ladder, ends, i, ends.size() - 1 - i), "bench", scores::NowMs());
        wake.notify();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    wake.stop();
    for (auto& w : workers) w.join();
    std::ifstream logged(dir / "log");
    std::vector<double> waits;
    for (std::string line; std::getline(logged, line);)
        if (line.find("waited_ms=") != std::string::npos) waits.push_back(std::stod(line.substr(line.find("waited_ms=") + 10)));
    std::printf("queue at 10 runs/s, 2 workers (%zu runs)\n", waits.size());
    figure("  median wait", quantile(waits, 0.5), "ms");
    figure("  99th percentile wait", quantile(waits, 0.99), "ms");

    scores::BoundedServer server(o.limits);
    scores::RouteFront(server, make, o, wake);
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });
    load("POST /runs (distinct ladders)", port, [&](httplib::Client& c, size_t i) {
        const auto r = c.Post("/runs", variant(ladder, ends, i + 100, i + 100), "application/octet-stream");
        return r ? r->status : 599;
    });
    for (int i = 0; i < 200; ++i) {  // a list of 200 proven lines to read
        scores::Outcome proven = scores::Admit(verify::VerifyRecord(bytes, ladder.size()), true);
        proven.entry.score = i % 22;
        if (auto job = store->take(scores::NowMs(), 60000, 1)) store->finish(*job, proven, scores::NowMs());
    }
    load("GET /scores?ladder=single&limit=10", port, [](httplib::Client& c, size_t) {
        const auto r = c.Get("/scores?ladder=single&limit=10");
        return r ? r->status : 599;
    });
    server.stop();
    serving.join();

    const auto db = conninfo.empty() ? scores::OpenSqlite(dir / "s.sqlite") : scores::OpenPostgres(conninfo);
    const double runs = std::stod(*db->exec("SELECT COUNT(*) FROM runs")[0][0]);
    if (conninfo.empty()) db->exec("PRAGMA wal_checkpoint(TRUNCATE)");  // the write-ahead log into the file
    const double size = conninfo.empty() ? std::filesystem::file_size(dir / "s.sqlite")
                                         : std::stod(*db->exec("SELECT pg_total_relation_size('runs')")[0][0]);
    figure("database bytes per run", size / runs, "bytes");  // the record itself: 46065 bytes
    std::filesystem::remove_all(dir);
    return 0;
}
