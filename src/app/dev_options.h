// Command-line options for tests, demos and bug reports. Without any the game
// behaves exactly as it always does.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "session/session_options.h"

struct DevOptions {
    std::optional<bool> fullscreen;       // --windowed / --fullscreen answer the start-up question
    bool noDialogs = false;
    std::string scriptFile;
    long frames = -1;                     // -1: no limit
    std::map<long, std::string> screenshots;
    std::string traceFile;
    std::string recordFile;               // --record: the game's input goes here
    std::string replayFile;               // --replay: a recorded game is played back
    std::optional<unsigned> seed;
    bool noPacing = false;
    // A network session: --host [[ADDR:]PORT] or --join [HOST[:PORT]] (0: the default port).
    bool host = false;
    std::string hostAddress;              // empty: every interface
    bool join = false;
    std::string joinHost;                 // empty: the game the local network offers
    std::string joinCode;                 // --join +CODE: the game of an invite code
    std::string rendezvous;               // --rendezvous HOST[:PORT]: over the setting's
    std::string worldScores;              // --world-scores URL: over the setting world_scores
    std::string sendRecord;               // --send-record FILE: send a saved record to the world list and wait
    uint16_t port = 0;
    bool awaitGuest = false;              // the host makes no frame before a guest has joined
    std::string netVersion;               // the version a guest announces (tests); empty: this game's
    unsigned routerLease = 3600;          // seconds of a router's port mapping before it is renewed
    long injectDesync = -1;               // a session frame whose confirmed state is disturbed (tests)
    long relayRefresh = 480;              // seconds between refreshes of the relay's channel (tests)
    bool showHelp = false;
    bool showVersion = false;
};

// false with a message in `error` when the command line is not understood.
bool ParseDevOptions(int argc, char** argv, DevOptions& options, std::string& error);
const char* DevOptionsUsage();
// The network session the options ask for, with the settings' rendezvous unless --rendezvous
// names another; a guest announces --net-version's version, else the game's.
SessionOptions SessionOptionsOf(const DevOptions& options, const std::string& rendezvousSetting);
