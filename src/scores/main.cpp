// puckslide3d-scores: the world's high-score list. A front takes records over HTTP and serves
// the list; workers replay each record with the verifier and put what it proves in the list.
// Fronts and workers of many machines share one PostgreSQL database; without one, everything
// stays in one SQLite file. This file is the options, the signals and the threads.
#include <httplib.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "scores/bounded_server.h"
#include "scores/service.h"
#include "verify/verify_record.h"

namespace {

constexpr const char* kProgram = "puckslide3d-scores";
constexpr int kExitUsage = 2;

const char kHelp[] =
    "Usage: puckslide3d-scores [--listen ADDR:PORT] [--database CONNINFO | --data DIR] [--workers N]\n"
    "       puckslide3d-scores --worker [--database CONNINFO | --data DIR] [--workers N]\n"
    "The Puckslide 3D world list: takes the records of finished ladders over HTTP, replays each\n"
    "and lists only the scores the replay proves.\n"
    "\n"
    "  --listen ADDR:PORT   the IPv4 address and TCP port of the front (0.0.0.0:27318; port 0: any)\n"
    "  --database CONNINFO  a PostgreSQL database shared by every front and worker\n"
    "  --data DIR           without --database: the SQLite file's folder ($STATE_DIRECTORY,\n"
    "                       else $XDG_STATE_HOME/puckslide3d-scores or ~/.local/state/puckslide3d-scores)\n"
    "  --workers N          verifying workers in this process (one per core; 0: none)\n"
    "  --worker             workers only, no front\n"
    "  --runs-per-minute N  records taken from one address a minute, per front (30)\n"
    "  --request-seconds N  a request's time, from its first byte to the last of its answer (30)\n"
    "  --connections-per-address N\n"
    "                       connections served at once from one address (4; 0: no limit)\n"
    "  --keep-refused-days N\n"
    "                       how long a refused run's reason and record are kept (7; 0: not kept)\n"
    "  --lease-seconds N    how long a worker holds a run before another may take it (60)\n"
    "  --accept-switched    list ladders played with a switch (the computer off by key, ...): tests only\n"
    "  -h, --help           show this help and exit\n"
    "  --version            show the version and exit\n";

bool number(const char* s, long low, long high, long& out) {
    char* end = nullptr;
    errno = 0;
    out = std::strtol(s, &end, 10);
    return *s && !*end && errno == 0 && out >= low && out <= high;
}

std::string defaultDataDir() {
    if (const char* state = std::getenv("STATE_DIRECTORY"); state && *state) return state;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg == '/') return std::string(xdg) + "/puckslide3d-scores";
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + "/.local/state/puckslide3d-scores";
    return ".";
}

// 0: run; -1: done; otherwise the exit code.
int parseOptions(int argc, char** argv, scores::Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        long n = 0;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return -1;
        } else if (arg == "--version") {
            std::printf("%s %s\n", kProgram, PUCKSLIDE_VERSION);
            return -1;
        } else if (arg == "--listen" && hasValue) {
            o.listen = argv[++i];
        } else if (arg == "--database" && hasValue) {
            o.database = argv[++i];
        } else if (arg == "--data" && hasValue) {
            o.dataDir = argv[++i];
        } else if (arg == "--worker") {
            o.front = false;
        } else if (arg == "--accept-switched") {
            o.acceptSwitched = true;
        } else if (arg == "--workers" && hasValue && number(argv[i + 1], 0, 256, n)) {
            o.workers = static_cast<int>(n);
            ++i;
        } else if (arg == "--runs-per-minute" && hasValue && number(argv[i + 1], 1, 100000, n)) {
            o.limits.runsPerMinute = static_cast<uint32_t>(n);
            ++i;
        } else if (arg == "--request-seconds" && hasValue && number(argv[i + 1], 1, 3600, n)) {
            o.limits.requestSeconds = static_cast<int>(n);
            ++i;
        } else if (arg == "--connections-per-address" && hasValue && number(argv[i + 1], 0, 100000, n)) {
            o.limits.connectionsPerAddress = static_cast<uint32_t>(n);
            ++i;
        } else if (arg == "--keep-refused-days" && hasValue && number(argv[i + 1], 0, 36500, n)) {
            o.keepRefusedDays = static_cast<int>(n);
            ++i;
        } else if (arg == "--lease-seconds" && hasValue && number(argv[i + 1], 1, 86400, n)) {
            o.limits.leaseMs = n * 1000;
            ++i;
        } else {
            std::fprintf(stderr, "%s: unknown or incomplete option '%s' (see --help)\n", kProgram, argv[i]);
            return kExitUsage;
        }
    }
    if (!o.database.empty() && !o.dataDir.empty()) {
        std::fprintf(stderr, "%s: --database and --data exclude each other\n", kProgram);
        return kExitUsage;
    }
    if (o.workers < 0) o.workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    if (!o.front && o.workers == 0) o.workers = 1;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    scores::Options o;
    if (const int code = parseOptions(argc, argv, o)) return code < 0 ? 0 : code;

    std::string host;
    long port = 0;
    const size_t colon = o.listen.rfind(':');
    if (o.front && (colon == std::string::npos || !number(o.listen.c_str() + colon + 1, 0, 65535, port))) {
        std::fprintf(stderr, "%s: --listen needs ADDR:PORT, not '%s'\n", kProgram, o.listen.c_str());
        return kExitUsage;
    }
    if (colon != std::string::npos) host = o.listen.substr(0, colon);

    scores::StoreFactory make;
    std::string where;
    if (!o.database.empty()) {
        const std::string conninfo = o.database;
        make = [conninfo] { return std::make_unique<scores::Store>(scores::OpenPostgres(conninfo)); };
        where = "postgresql";
    } else {
        if (o.dataDir.empty()) o.dataDir = defaultDataDir();
        std::error_code ignored;  // a folder that cannot be made is named by the failing open
        std::filesystem::create_directories(o.dataDir, ignored);
        const std::string path = o.dataDir + "/scores.sqlite";
        make = [path] { return std::make_unique<scores::Store>(scores::OpenSqlite(path)); };
        where = path;
    }
    try {
        make()->migrate();
    } catch (const scores::DatabaseError& e) {
        std::fprintf(stderr, "%s: %s\n", kProgram, e.what());
        return 1;
    }

    // Only the main thread takes SIGTERM and SIGINT, by waiting for them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    scores::Wake wake;
    scores::BoundedServer server(o.limits);
    std::thread serving;
    std::string listening = "none";
    if (o.front) {
        scores::RouteFront(server, make, o, wake);
        if (port == 0) port = server.bind_to_any_port(host);
        else if (!server.bind_to_port(host, static_cast<int>(port))) port = -1;
        if (port <= 0) {
            std::fprintf(stderr, "%s: cannot listen on %s\n", kProgram, o.listen.c_str());
            return 1;
        }
        listening = host + ":" + std::to_string(port);
        serving = std::thread([&server] { server.listen_after_bind(); });
    }
    scores::Log("start", {{"listen", listening}, {"database", where}, {"workers", std::to_string(o.workers)},
                          {"accept_switched", o.acceptSwitched ? "yes (a test deployment: switched ladders are listed)" : "no"},
                          {"runs_per_minute", std::to_string(o.limits.runsPerMinute)},
                          {"max_bytes", std::to_string(verify::kMaxRecordBytes)},
                          {"max_frames", std::to_string(verify::kMaxRecordFrames)},
                          {"read_timeout_s", std::to_string(o.limits.readTimeoutS)},
                          {"request_s", std::to_string(o.limits.requestSeconds)},
                          {"connections_per_address", std::to_string(o.limits.connectionsPerAddress)},
                          {"lease_s", std::to_string(o.limits.leaseMs / 1000)},
                          {"keep_refused_days", std::to_string(o.keepRefusedDays)}});
    std::vector<std::thread> workers;
    for (int i = 0; i < o.workers; ++i) workers.emplace_back([&, i] { scores::WorkerLoop(i, make, o, wake); });

    int signal = 0;
    sigwait(&stopSignals, &signal);
    scores::Log("stopping", {{"signal", signal == SIGTERM ? "SIGTERM" : "SIGINT"}});
    // The front's requests in hand (30 s at most) and the workers' runs end side by side.
    if (o.front) server.stop();
    wake.stop();
    if (o.front) serving.join();
    for (std::thread& t : workers) t.join();
    scores::Log("stopped", {});
    return 0;
}
