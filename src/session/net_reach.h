// Reaching a network game beyond a typed address. A host answers guests that
// search the local network and asks the home router to forward its port; a
// guest started with --join alone searches the local network for a host.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>

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
    // The router's mapping is removed; searching guests hear nothing more.
    void stop();

private:
    LanResponder lan_;
    PortMapping router_;
    std::atomic<bool> busy_{false};
    std::chrono::steady_clock::time_point since_;
};

// A router's outside address in a private or shared range: another router, or the
// provider's, stands between it and the internet.
bool IsPrivateAddress(const std::string& ipv4);

// true: exactly one game answered and has room for a guest, and `options` names it.
// false: `error` says what was asked and what answered.
bool FindLanGame(SessionOptions& options, std::string& error);
