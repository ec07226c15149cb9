#include "session/net_reach.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "net/discovery.h"
#include "net/protocol.h"
#include "platform/net_transport.h"

namespace {

std::string hostingTime(uint32_t seconds) {
    if (seconds < 120) return std::to_string(seconds) + " s";
    if (seconds < 7200) return std::to_string(seconds / 60) + " min";
    return std::to_string(seconds / 3600) + " h " + std::to_string(seconds % 3600 / 60) + " min";
}

void reportMapping(const PortMappingReport& r, uint16_t port) {
    using Outcome = PortMappingReport::Outcome;
    const std::string outside = r.externalAddress.empty() ? "THE-ROUTER'S-ADDRESS" : r.externalAddress;
    switch (r.outcome) {
        case Outcome::Mapped: {
            // A port the router already gives another machine may come back as another number outside.
            const std::string here = r.externalPort == port ? "" : " port " + std::to_string(port);
            std::fprintf(stderr,
                         "puckslide3d: the router forwards UDP port %u to this machine%s (%s) from %s:%u; a guest "
                         "from the internet joins with the invite code\n",
                         r.externalPort, here.c_str(), r.via.c_str(), outside.c_str(), r.externalPort);
            if (IsPrivateAddress(r.externalAddress))
                std::fprintf(stderr,
                             "puckslide3d: but %s is a private address: another router, or the provider's, stands "
                             "in front of this one, and a guest from the internet reaches this game only if that "
                             "one forwards UDP port %u too\n",
                             r.externalAddress.c_str(), r.externalPort);
            break;
        }
        case Outcome::NoRouter:
            std::fprintf(stderr,
                         "puckslide3d: no router answered (UPnP and NAT-PMP, %d s): for a guest from the internet, "
                         "forward UDP port %u on the router to this machine by hand\n",
                         kRouterBudgetMs / 1000, port);
            break;
        case Outcome::Refused:
            std::fprintf(stderr,
                         "puckslide3d: the router would not forward UDP port %u (%s): forward it on the router to "
                         "this machine by hand, or host on another port\n",
                         port, r.why.c_str());
            break;
        case Outcome::Lost:
            std::fprintf(stderr, "puckslide3d: the router no longer forwards UDP port %u (%s)\n", r.externalPort,
                         r.via.c_str());
            break;
        case Outcome::Removed:
            if (r.why.empty())
                std::fprintf(stderr, "puckslide3d: the router's forwarding of UDP port %u (%s) is removed\n",
                             r.externalPort, r.via.c_str());
            else
                std::fprintf(stderr,
                             "puckslide3d: the router's forwarding of UDP port %u (%s) could not be removed (%s); "
                             "it ends with its lease\n",
                             r.externalPort, r.via.c_str(), r.why.c_str());
            break;
    }
}

bool isLoopback(const std::string& address) { return address.rfind("127.", 0) == 0 || address == "localhost"; }

}  // namespace

bool IsPrivateAddress(const std::string& ipv4) {
    in_addr a{};
    if (inet_pton(AF_INET, ipv4.c_str(), &a) != 1) return false;
    const uint32_t ip = ntohl(a.s_addr);
    struct Range {
        uint32_t base;
        int bits;
    };
    constexpr Range kPrivate[] = {
        {0x0A000000, 8}, {0xAC100000, 12}, {0xC0A80000, 16}, {0x64400000, 10}, {0xA9FE0000, 16}};
    for (const Range& r : kPrivate)
        if ((ip >> (32 - r.bits)) == (r.base >> (32 - r.bits))) return true;
    return false;
}

void HostReach::heard(const PortMappingReport& r) {
    using Outcome = PortMappingReport::Outcome;
    if (r.outcome == Outcome::Lost || r.outcome == Outcome::Removed) return;
    net::Endpoint outside;
    in_addr a{};
    if (r.outcome == Outcome::Mapped && inet_pton(AF_INET, r.externalAddress.c_str(), &a) == 1)
        outside = {ntohl(a.s_addr), r.externalPort};
    std::lock_guard<std::mutex> lock(mutex_);
    if (!routerAnswer_) routerAnswer_ = outside;
}

std::optional<net::Endpoint> HostReach::routerAnswer() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return routerAnswer_;
}

void HostReach::start(const SessionOptions& options, uint16_t port) {
    if (isLoopback(options.hostAddress)) {
        routerAnswer_ = net::Endpoint{};  // no router is asked
        return;
    }
    since_ = std::chrono::steady_clock::now();
    const uint32_t greeting = net::Greeting(options.version);
    // Runs on the responder's thread: reads only the busy flag and the start time.
    auto answer = [this, greeting, port](const uint8_t* data, size_t size) {
        if (!net::DecodeDiscoveryRequest(data, size, greeting)) return std::vector<uint8_t>{};
        net::DiscoveryAnswer a;
        a.port = port;
        a.hostingSeconds = static_cast<uint32_t>(
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - since_).count());
        a.hasGuest = busy_;
        return net::EncodeDiscoveryAnswer(greeting, a);
    };
    std::string error;
    if (lan_.start(net::kDiscoveryPort, answer, error))
        std::fprintf(stderr, "puckslide3d: a guest on this network finds this game with --join alone (UDP port %u)\n",
                     net::kDiscoveryPort);
    else
        std::fprintf(stderr, "puckslide3d: guests on this network cannot search for this game (%s)\n", error.c_str());
    router_.start(port, options.hostAddress, options.routerLease, kRouterBudgetMs, [this, port](const PortMappingReport& r) {
        reportMapping(r, port);
        heard(r);
    });
}

void HostReach::stop() {
    lan_.stop();
    router_.stop();
}

bool FindLanGame(SessionOptions& options, std::string& error) {
    const uint32_t greeting = net::Greeting(options.version);
    std::fprintf(stderr, "puckslide3d: looking for a game on the local network (%d s)\n", kLanSearchMs / 1000);
    std::vector<LanReply> replies;
    std::vector<std::string> asked;
    if (!AskLan(net::kDiscoveryPort, net::EncodeDiscoveryRequest(greeting), kLanSearchMs, replies, asked, error)) {
        error = "cannot search the local network: " + error;
        return false;
    }
    struct Found {
        std::string where;
        net::DiscoveryAnswer answer;
    };
    std::vector<Found> found;
    for (const LanReply& reply : replies) {
        net::DiscoveryAnswer a;
        if (!net::DecodeDiscoveryAnswer(reply.bytes.data(), reply.bytes.size(), greeting, a)) continue;
        const std::string where = reply.address + ":" + std::to_string(a.port);
        bool known = false;
        for (const Found& f : found) known = known || f.where == where;
        if (known) continue;
        found.push_back({where, a});
        std::fprintf(stderr, "puckslide3d: found a game at %s, hosting for %s, %s\n", where.c_str(),
                     hostingTime(a.hostingSeconds).c_str(), a.hasGuest ? "already has a guest" : "waiting for a guest");
    }
    if (found.empty()) {
        std::string on;
        for (const std::string& a : asked) on += (on.empty() ? "" : ", ") + a;
        error = "no game answered on the local network within " + std::to_string(kLanSearchMs / 1000) +
                " seconds (asked on " + on + "): is a game hosting with --host, and does its firewall let UDP ports " +
                std::to_string(net::kDiscoveryPort) + " and " + std::to_string(net::kDefaultPort) +
                " in? A game elsewhere is joined with --join HOST[:PORT]";
        return false;
    }
    if (found.size() > 1) {
        std::string list;
        for (const Found& f : found) list += (list.empty() ? "" : ", ") + f.where;
        error = std::to_string(found.size()) + " games answered on the local network (" + list +
                "): choose one with --join HOST[:PORT]";
        return false;
    }
    if (found[0].answer.hasGuest) {
        error = "the game found on the local network, at " + found[0].where + ", already has a guest";
        return false;
    }
    const size_t colon = found[0].where.rfind(':');
    options.joinHost = found[0].where.substr(0, colon);
    options.port = found[0].answer.port;
    return true;
}

std::vector<net::Endpoint> OwnAddresses(uint16_t port) {
    std::vector<net::Endpoint> out;
    for (const LocalNetwork& n : LocalNetworks()) out.push_back({n.address, port});
    return out;
}

bool OnOwnNetwork(uint32_t ip) {
    if (ip >> 24 == 127) return true;  // this machine
    const auto within = [ip](uint32_t base, int bits) { return ip >> (32 - bits) == base >> (32 - bits); };
    const bool local = within(0x0A000000, 8) || within(0xAC100000, 12) || within(0xC0A80000, 16) ||
                       within(0xA9FE0000, 16);
    if (!local) return false;
    for (const LocalNetwork& n : LocalNetworks())
        if ((ip & n.netmask) == (n.address & n.netmask)) return true;
    return false;
}

bool ResolveEndpoint(const std::string& text, uint16_t defaultPort, net::Endpoint& e, std::string& error) {
    std::string host = text;
    uint16_t port = defaultPort;
    const size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string digits = text.substr(colon + 1);
        char* end = nullptr;
        const long n = std::strtol(digits.c_str(), &end, 10);
        if (digits.empty() || *end || n < 1 || n > 65535) {
            error = "'" + text + "' has no port number after its colon";
            return false;
        }
        port = static_cast<uint16_t>(n);
    }
    uint32_t ip = 0;
    if (!ResolveIpv4(host, ip)) {
        error = "the address of '" + host + "' cannot be found";
        return false;
    }
    e = {ip, port};
    return true;
}
