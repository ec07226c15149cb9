// What a network session is asked to be, as plain values: the shell reads them from its
// command line and settings.
#pragma once

#include <cstdint>
#include <string>

struct SessionOptions {
    bool host = false;                    // --host [[ADDR:]PORT]
    std::string hostAddress;              // empty: every interface
    bool join = false;                    // --join [HOST[:PORT] | CODE]
    std::string joinHost;                 // empty: the game the local network offers
    std::string joinCode;                 // an invite code, "+...": the game it names
    std::string rendezvous;               // HOST[:PORT] of the rendezvous; empty: none
    uint16_t port = 0;                    // 0: the default port
    bool awaitGuest = false;              // the host makes no frame before a guest has joined
    std::string version;                  // the version this side announces
    unsigned routerLease = 3600;          // seconds of a router's port mapping before it is renewed
    long injectDesync = -1;               // a session frame whose confirmed state is disturbed (tests)
    uint64_t relayRefreshMs = 8 * 60 * 1000;  // how often the relay's channel and permission are refreshed
};
