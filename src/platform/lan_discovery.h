// Finding games on the local network with UDP broadcasts. A responder answers on
// a fixed port from its own thread, so the game's loop never waits for it; a
// search asks on the broadcast address of every IPv4 interface and collects what
// comes back. What the datagrams mean is the caller's business.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class LanResponder {
public:
    // The reply to one datagram; empty: stay silent. Runs on the responder's thread.
    using Answer = std::function<std::vector<uint8_t>(const uint8_t* data, size_t size)>;

    LanResponder() = default;
    ~LanResponder();
    LanResponder(const LanResponder&) = delete;
    LanResponder& operator=(const LanResponder&) = delete;

    // Shares the port with other responders on this machine. false: `error` says why.
    bool start(uint16_t port, Answer answer, std::string& error);
    void stop();

private:
    void run();

    int socket_ = -1;
    Answer answer_;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

struct LanReply {
    std::string address;  // "a.b.c.d" of the sender
    std::vector<uint8_t> bytes;
};

// This machine's IPv4 networks that are up, loopback left out (host byte order).
struct LocalNetwork {
    uint32_t address = 0, netmask = 0;
};
std::vector<LocalNetwork> LocalNetworks();

// Broadcasts `request` to `port` on every IPv4 interface that has a broadcast
// address (a few times, against loss) and gathers the replies for `waitMs`.
// `askedOn` names each "interface address". false: nothing could be sent, `error` says why.
bool AskLan(uint16_t port, const std::vector<uint8_t>& request, int waitMs, std::vector<LanReply>& replies,
            std::vector<std::string>& askedOn, std::string& error);
