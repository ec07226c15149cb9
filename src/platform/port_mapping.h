// Asking the home router to forward a UDP port to this machine, through UPnP IGD
// (miniupnpc) and, where no UPnP router answers, NAT-PMP (libnatpmp). Everything
// runs on a thread of its own: the first request within a time budget, renewals
// at half the lease, and the removal when the mapping is stopped.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

struct PortMappingReport {
    enum class Outcome {
        Mapped,    // the router forwards externalAddress:externalPort here
        NoRouter,  // nothing answered within the budget
        Refused,   // a router answered and would not map the port; `why` says what it said
        Lost,      // a renewal failed: the router no longer forwards the port
        Removed,   // the end: the mapping is gone, or `why` says why it could not be removed
    };
    Outcome outcome = Outcome::NoRouter;
    std::string via;  // "UPnP" or "NAT-PMP"
    std::string externalAddress;
    uint16_t externalPort = 0;
    std::string why;
};

class PortMapping {
public:
    using Report = std::function<void(const PortMappingReport&)>;

    PortMapping() = default;
    ~PortMapping();
    PortMapping(const PortMapping&) = delete;
    PortMapping& operator=(const PortMapping&) = delete;

    // Starts asking for `port` (the same number outside) to reach `localAddress`
    // (empty: the address this machine reaches the router from). `report` runs on
    // the mapping's thread.
    void start(uint16_t port, const std::string& localAddress, unsigned leaseSeconds, int budgetMs, Report report);
    // Removes the mapping from the router and waits for the thread.
    void stop();

private:
    struct Upnp;
    void run(uint16_t port, std::string localAddress, unsigned leaseSeconds, int budgetMs);
    bool waitOrStop(unsigned seconds);

    Report report_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread thread_;
};
