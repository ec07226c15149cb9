#include "platform/port_mapping.h"

#include <arpa/inet.h>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>
#include <natpmp.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kDescription = "Puckslide 3D";
// UPnP's search takes at most this share of the budget; NAT-PMP gets the rest.
constexpr int kUpnpSearchShare = 2;
constexpr int kMaxUpnpSearchMs = 1000;
// The removal at the end must not hold the game's exit for long.
constexpr int kRemoveBudgetMs = 1000;
// UPnP's answer when a router keeps only mappings without an end.
constexpr int kOnlyPermanentLeases = 725;

int msLeft(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

std::string upnpError(int code) {
    const char* text = strupnperror(code);
    return "UPnP error " + std::to_string(code) + (text ? std::string(" (") + text + ")" : std::string());
}

std::string natpmpError(int code) {
    switch (code) {
        case NATPMP_ERR_NOTAUTHORIZED: return "NAT-PMP: not authorised";
        case NATPMP_ERR_NETWORKFAILURE: return "NAT-PMP: the router has no outside connection";
        case NATPMP_ERR_OUTOFRESOURCES: return "NAT-PMP: the router has no room for another mapping";
        case NATPMP_TRYAGAIN: return "NAT-PMP: no answer";
        default: return "NAT-PMP error " + std::to_string(code);
    }
}

// One NAT-PMP exchange: the request is already sent; waits for its answer until the deadline.
// NATPMP_TRYAGAIN: no answer in time.
int natpmpAnswer(natpmp_t& n, natpmpresp_t& answer, Clock::time_point deadline) {
    for (;;) {
        const int r = readnatpmpresponseorretry(&n, &answer);
        if (r != NATPMP_TRYAGAIN) return r;
        timeval retry{};
        getnatpmprequesttimeout(&n, &retry);
        const int retryMs = static_cast<int>(retry.tv_sec * 1000 + retry.tv_usec / 1000);
        const int wait = std::min(std::max(retryMs, 1), msLeft(deadline));
        if (wait <= 0) return NATPMP_TRYAGAIN;
        pollfd p{n.s, POLLIN, 0};
        ::poll(&p, 1, wait);
    }
}

// Maps `port` (lifetime 0 removes it). Returns NAT-PMP's result: 0 on success,
// NATPMP_TRYAGAIN when nothing answered in time, below 0 otherwise.
int natpmpMap(uint16_t port, unsigned lease, Clock::time_point deadline, PortMappingReport& r, unsigned& granted) {
    natpmp_t n;
    if (initnatpmp(&n, 0, 0) != 0) return NATPMP_ERR_CANNOTGETGATEWAY;
    natpmpresp_t answer{};
    int result = lease ? sendpublicaddressrequest(&n) : 0;
    if (result >= 0 && lease) result = natpmpAnswer(n, answer, deadline);
    if (result == 0 && lease) {
        char text[INET_ADDRSTRLEN] = "";
        inet_ntop(AF_INET, &answer.pnu.publicaddress.addr, text, sizeof text);
        r.externalAddress = text;
    }
    if (result >= 0) result = sendnewportmappingrequest(&n, NATPMP_PROTOCOL_UDP, port, lease ? port : 0, lease);
    if (result >= 0) result = natpmpAnswer(n, answer, deadline);
    if (result == 0) {
        r.externalPort = answer.pnu.newportmapping.mappedpublicport;
        granted = answer.pnu.newportmapping.lifetime;
    }
    closenatpmp(&n);
    return result;
}

}  // namespace

// The router found by UPnP and what it needs to renew and remove a mapping.
struct PortMapping::Upnp {
    UPNPUrls urls{};
    IGDdatas data{};
    bool found = false;
    char lanAddress[64] = "";

    ~Upnp() {
        if (found) FreeUPNPUrls(&urls);
    }

    bool search(int waitMs) {
        static const char* const kTypes[] = {"urn:schemas-upnp-org:device:InternetGatewayDevice:1",
                                             "urn:schemas-upnp-org:device:InternetGatewayDevice:2",
                                             "urn:schemas-upnp-org:service:WANIPConnection:1",
                                             "urn:schemas-upnp-org:service:WANPPPConnection:1", nullptr};
        int error = 0;
        // All types asked at once, then one wait for the answers.
        UPNPDev* devices = upnpDiscoverDevices(kTypes, waitMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error,
                                               /*searchalltypes=*/1);
        if (!devices) return false;
        const int igd = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
        freeUPNPDevlist(devices);
        found = igd != 0;
        return igd == 1;  // 2 and 3: a router without an outside connection, or no router at all
    }

    int add(uint16_t port, const std::string& client, unsigned& lease) {
        const std::string number = std::to_string(port);
        int r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, number.c_str(), number.c_str(),
                                    client.c_str(), kDescription, "UDP", nullptr, std::to_string(lease).c_str());
        if (r == kOnlyPermanentLeases) {
            lease = 0;
            r = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, number.c_str(), number.c_str(),
                                    client.c_str(), kDescription, "UDP", nullptr, "0");
        }
        return r;
    }

    int remove(uint16_t port) {
        return UPNP_DeletePortMapping(urls.controlURL, data.first.servicetype, std::to_string(port).c_str(), "UDP",
                                      nullptr);
    }
};

PortMapping::~PortMapping() { stop(); }

void PortMapping::start(uint16_t port, const std::string& localAddress, unsigned leaseSeconds, int budgetMs,
                        Report report) {
    stop();
    report_ = std::move(report);
    stopping_ = false;
    thread_ = std::thread(&PortMapping::run, this, port, localAddress, leaseSeconds, budgetMs);
}

void PortMapping::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

// true: stop() was called. 0 seconds waits for that alone.
bool PortMapping::waitOrStop(unsigned seconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (seconds == 0) {
        wake_.wait(lock, [this] { return stopping_; });
        return true;
    }
    return wake_.wait_for(lock, std::chrono::seconds(seconds), [this] { return stopping_; });
}

void PortMapping::run(uint16_t port, std::string localAddress, unsigned leaseSeconds, int budgetMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    PortMappingReport r;
    Upnp upnp;
    unsigned lease = leaseSeconds;
    std::string refusal;

    if (upnp.search(std::min(kMaxUpnpSearchMs, budgetMs / kUpnpSearchShare))) {
        if (localAddress.empty()) localAddress = upnp.lanAddress;
        char external[64] = "";
        const int got = UPNP_GetExternalIPAddress(upnp.urls.controlURL, upnp.data.first.servicetype, external);
        const int added = upnp.add(port, localAddress, lease);
        if (added == 0) {
            r.outcome = PortMappingReport::Outcome::Mapped;
            r.via = "UPnP";
            r.externalAddress = got == 0 ? external : "";
            r.externalPort = port;
        } else {
            refusal = upnpError(added);
        }
    }
    bool natpmp = false;
    if (r.outcome != PortMappingReport::Outcome::Mapped) {
        unsigned granted = 0;
        const int result = natpmpMap(port, leaseSeconds, deadline, r, granted);
        if (result == 0) {
            natpmp = true;
            lease = granted;
            r.outcome = PortMappingReport::Outcome::Mapped;
            r.via = "NAT-PMP";
        } else if (result <= NATPMP_ERR_UNSUPPORTEDVERSION && result != NATPMP_TRYAGAIN && refusal.empty()) {
            refusal = natpmpError(result);  // the router's own answer, not a silence
        }
    }
    if (r.outcome != PortMappingReport::Outcome::Mapped) {
        r.outcome = refusal.empty() ? PortMappingReport::Outcome::NoRouter : PortMappingReport::Outcome::Refused;
        r.why = refusal;
        report_(r);
        return;
    }
    report_(r);

    // Renewed at half the lease, so one lost renewal still leaves time for the next.
    bool lost = false;
    while (!waitOrStop(lease ? std::max(1u, lease / 2) : 0)) {
        unsigned renewed = leaseSeconds, granted = 0;
        PortMappingReport again;
        const bool ok = natpmp ? natpmpMap(port, leaseSeconds, Clock::now() + std::chrono::milliseconds(budgetMs),
                                           again, granted) == 0
                               : upnp.add(port, localAddress, renewed) == 0;
        if (ok) lease = natpmp ? granted : renewed;
        if (!ok && !lost) {
            PortMappingReport gone = r;
            gone.outcome = PortMappingReport::Outcome::Lost;
            report_(gone);
        }
        lost = !ok;
    }
    unsigned granted = 0;
    PortMappingReport removal;
    const int result =
        natpmp ? natpmpMap(port, 0, Clock::now() + std::chrono::milliseconds(kRemoveBudgetMs), removal, granted)
               : upnp.remove(port);
    r.outcome = PortMappingReport::Outcome::Removed;
    if (result != 0) r.why = natpmp ? natpmpError(result) : upnpError(result);
    report_(r);
}
