#include "app/dev_options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "app/settings.h"
#include "net/invite_code.h"

namespace {

bool parseWhole(const std::string& text, long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') return false;
    value = parsed;
    return true;
}

bool isPort(const std::string& text, uint16_t& port) {
    long n = 0;
    if (!parseWhole(text, n) || n < 1 || n > 65535) return false;
    port = static_cast<uint16_t>(n);
    return true;
}

// "[ADDR:]PORT" for --host, "HOST[:PORT]" for --join.
bool splitAddress(const std::string& text, bool portFirst, std::string& address, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) {
        if (portFirst) return isPort(text, port);
        address = text;
        return !text.empty();
    }
    address = text.substr(0, colon);
    return !address.empty() && isPort(text.substr(colon + 1), port);
}

}  // namespace

const char* DevOptionsUsage() {
    return "usage: puckslide3d [options]\n"
           "  --windowed | --fullscreen   answer the start-up question\n"
           "  --no-dialogs                message boxes go to stderr, default button answers\n"
           "  --script FILE               scripted input, lines 'FRAME EVENT [ARGS]'\n"
           "  --frames N                  end after frame N-1 as if the window were closed\n"
           "  --screenshot N:FILE.png     save frame N (repeatable)\n"
           "  --trace FILE                one JSON line of state per frame\n"
           "  --seed N                    seed the random generator with N instead of the clock\n"
           "  --no-pacing                 skip the frame pacing wait\n"
           "  --record FILE               write the game's start and every frame's input to FILE\n"
           "  --replay FILE               play a recorded game back, as it happened\n"
           "  --host [[ADDR:]PORT]        wait for a guest at another machine (port 27315)\n"
           "  --join [HOST[:PORT]|CODE]   play as the guest of a hosted game (alone: the invite code on the\n"
           "                              clipboard, else search the local network)\n"
           "  --rendezvous HOST[:PORT]    the rendezvous of invite codes (over the setting rendezvous)\n"
           "  --world-scores URL          the world list the ladders' records go to (over the setting world_scores)\n"
           "  --send-record FILE          send a saved record to the world list, wait for its verdict and print it\n"
           "  --await-guest               with --host: make no frame before a guest has joined\n"
           "  --net-version X.Y.Z         the version a guest announces (tests)\n"
           "  --router-lease SECONDS      how long the host's router mapping lasts between renewals (3600)\n"
           "  --inject-desync FRAME       disturb the confirmed state of a session frame (tests)\n"
           "  --relay-refresh SECONDS     how often the relay's channel and permission are refreshed (480; tests)\n"
           "  --help, --version\n";
}

bool ParseDevOptions(int argc, char** argv, DevOptions& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                error = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        // The option's value as a whole number from `low` to `high`; `takes` says what it takes.
        auto whole = [&](long low, long high, const char* takes, long& n) {
            std::string text;
            if (!value(text)) return false;
            if (!parseWhole(text, n) || n < low || n > high) {
                error = arg + " takes " + takes + ", not '" + text + "'";
                return false;
            }
            return true;
        };
        long n = 0;
        std::string text;
        if (arg == "--windowed") {
            options.fullscreen = false;
        } else if (arg == "--fullscreen") {
            options.fullscreen = true;
        } else if (arg == "--no-dialogs") {
            options.noDialogs = true;
        } else if (arg == "--no-pacing") {
            options.noPacing = true;
        } else if (arg == "--host") {
            options.host = true;
            // The port is optional: a following word that is not an option is taken as one.
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                text = argv[++i];
                if (!splitAddress(text, /*portFirst=*/true, options.hostAddress, options.port)) {
                    error = "--host takes [ADDR:]PORT with a port from 1 to 65535, not '" + text + "'";
                    return false;
                }
            }
        } else if (arg == "--join") {
            options.join = true;
            if (i + 1 < argc && argv[i + 1][0] != '-') {
                text = argv[++i];
                if (net::LooksLikeInviteCode(text)) {
                    options.joinCode = text;
                } else if (!splitAddress(text, /*portFirst=*/false, options.joinHost, options.port)) {
                    error = "--join takes HOST[:PORT] with a port from 1 to 65535, not '" + text + "'";
                    return false;
                }
            }
        } else if (arg == "--rendezvous") {
            std::string host;
            uint16_t port = 0;
            if (!value(options.rendezvous)) return false;
            if (!splitAddress(options.rendezvous, /*portFirst=*/false, host, port)) {
                error = "--rendezvous takes HOST[:PORT] with a port from 1 to 65535, not '" + options.rendezvous + "'";
                return false;
            }
        } else if (arg == "--world-scores") {
            if (!value(options.worldScores)) return false;
            if (!IsWorldListUrl(options.worldScores)) {
                error = "--world-scores takes an http:// or https:// URL, not '" + options.worldScores + "'";
                return false;
            }
        } else if (arg == "--send-record") {
            if (!value(options.sendRecord)) return false;
        } else if (arg == "--await-guest") {
            options.awaitGuest = true;
        } else if (arg == "--net-version") {
            if (!value(options.netVersion)) return false;
        } else if (arg == "--router-lease") {
            if (!whole(2, 86400, "seconds from 2 to 86400", n)) return false;
            options.routerLease = static_cast<unsigned>(n);
        } else if (arg == "--inject-desync") {
            if (!whole(0, LONG_MAX, "a frame number", n)) return false;
            options.injectDesync = n;
        } else if (arg == "--relay-refresh") {
            if (!whole(1, 480, "seconds from 1 to 480", options.relayRefresh)) return false;
        } else if (arg == "--help" || arg == "-h") {
            options.showHelp = true;
        } else if (arg == "--version") {
            options.showVersion = true;
        } else if (arg == "--script") {
            if (!value(options.scriptFile)) return false;
        } else if (arg == "--record") {
            if (!value(options.recordFile)) return false;
        } else if (arg == "--replay") {
            if (!value(options.replayFile)) return false;
        } else if (arg == "--trace") {
            if (!value(options.traceFile)) return false;
        } else if (arg == "--frames") {
            if (!whole(0, LONG_MAX, "a whole number of frames", n)) return false;
            options.frames = n;
        } else if (arg == "--seed") {
            if (!whole(0, 0xFFFFFFFFL, "a whole number from 0 to 4294967295", n)) return false;
            options.seed = static_cast<unsigned>(n);
        } else if (arg == "--screenshot") {
            if (!value(text)) return false;
            const size_t colon = text.find(':');
            long frame = 0;
            if (colon == std::string::npos || !parseWhole(text.substr(0, colon), frame) || frame < 0 ||
                colon + 1 >= text.size()) {
                error = "--screenshot takes FRAME:FILE.png, not '" + text + "'";
                return false;
            }
            options.screenshots[frame] = text.substr(colon + 1);
        } else {
            error = "unknown option '" + arg + "'";
            return false;
        }
    }
    if (options.host && options.join) {
        error = "--host and --join exclude each other";
        return false;
    }
    if (!options.replayFile.empty() && (options.host || options.join)) {
        error = "--replay plays a recorded game on this machine alone: not with --host or --join";
        return false;
    }
    if (options.awaitGuest && !options.host) {
        error = "--await-guest needs --host";
        return false;
    }
    return true;
}

SessionOptions SessionOptionsOf(const DevOptions& options, const std::string& rendezvousSetting) {
    SessionOptions s;
    s.joinCode = options.joinCode;
    s.rendezvous = options.rendezvous.empty() ? rendezvousSetting : options.rendezvous;
    s.host = options.host;
    s.hostAddress = options.hostAddress;
    s.join = options.join;
    s.joinHost = options.joinHost;
    s.port = options.port;
    s.awaitGuest = options.awaitGuest;
    s.version = options.netVersion.empty() ? PUCKSLIDE_VERSION : options.netVersion;
    s.routerLease = options.routerLease;
    s.injectDesync = options.injectDesync;
    s.relayRefreshMs = static_cast<uint64_t>(options.relayRefresh) * 1000;
    return s;
}
