// Reaching a network game beyond a typed address. A host answers guests that
// search the local network and asks the home router to forward its port; a
// guest started with --join alone searches the local network for a host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "net/endpoint.h"

#include "platform/lan_discovery.h"
#include "platform/port_mapping.h"
#include "session/session_options.h"

// UPnP and NAT-PMP together get this long before the host says no router answered.
constexpr int kRouterBudgetMs = 2000;
constexpr int kLanSearchMs = 2000;

class HostReach {
public:
    ~HostReach() { stop(); }
    // Both run in the background and report on standard error. A host on a loopback
    // address does neither: no other machine could reach it.
    void start(const SessionOptions& options, uint16_t port);
    void setBusy(bool busy) { busy_ = busy; }
    // What the router has said of the port so far: nothing (nullopt), or where it forwards
    // from outside (an Endpoint of 0 when it refused or none answered).
    std::optional<net::Endpoint> routerAnswer() const;
    // The router's mapping is removed; searching guests hear nothing more.
    void stop();

private:
    void heard(const PortMappingReport& r);

    LanResponder lan_;
    PortMapping router_;
    mutable std::mutex mutex_;
    std::optional<net::Endpoint> routerAnswer_;
    std::atomic<bool> busy_{false};
    std::chrono::steady_clock::time_point since_;
};

// A router's outside address in a private or shared range: another router, or the
// provider's, stands between it and the internet.
bool IsPrivateAddress(const std::string& ipv4);

// This machine's own addresses on its networks, with `port` (the loopback left out).
std::vector<net::Endpoint> OwnAddresses(uint16_t port);
// An address of this machine, or a private or link-local one on one of its own networks:
// a guest from there is on the host's own local network.
bool OnOwnNetwork(uint32_t ip);
// HOST or HOST:PORT to an IPv4 address and port (`defaultPort` without one). false: `error` says why.
bool ResolveEndpoint(const std::string& text, uint16_t defaultPort, net::Endpoint& e, std::string& error);

// true: exactly one game answered and has room for a guest, and `options` names it.
// false: `error` says what was asked and what answered.
bool FindLanGame(SessionOptions& options, std::string& error);
