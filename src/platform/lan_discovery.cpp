#include "platform/lan_discovery.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// How often the responder looks whether it should stop.
constexpr int kStopPollMs = 100;
// A request goes out this many times, spread over the search, so one lost datagram loses nothing.
constexpr int kRequestRounds = 3;
constexpr size_t kMaxDatagram = 512;

std::string ipText(const sockaddr_in& a) {
    char text[INET_ADDRSTRLEN] = "?";
    inet_ntop(AF_INET, &a.sin_addr, text, sizeof text);
    return text;
}

int udpSocket(std::string& error) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) error = std::string("no network socket could be opened: ") + std::strerror(errno);
    return s;
}

struct Broadcast {
    sockaddr_in to;
    std::string name;
};

std::vector<Broadcast> broadcastAddresses(uint16_t port) {
    std::vector<Broadcast> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
            !(i->ifa_flags & IFF_BROADCAST) || !i->ifa_broadaddr)
            continue;
        Broadcast b;
        std::memcpy(&b.to, i->ifa_broadaddr, sizeof b.to);
        // An address set up without a broadcast address reports its own: the subnet's is meant.
        const in_addr_t own = reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr;
        if ((b.to.sin_addr.s_addr == 0 || b.to.sin_addr.s_addr == own) && i->ifa_netmask)
            b.to.sin_addr.s_addr = own | ~reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr;
        b.to.sin_port = htons(port);
        b.name = std::string(i->ifa_name) + " " + ipText(b.to);
        out.push_back(b);
    }
    freeifaddrs(list);
    return out;
}

}  // namespace

std::vector<LocalNetwork> LocalNetworks() {
    std::vector<LocalNetwork> out;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return out;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET || !(i->ifa_flags & IFF_UP) ||
            (i->ifa_flags & IFF_LOOPBACK) || !i->ifa_netmask)
            continue;
        out.push_back({ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr),
                       ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr)});
    }
    freeifaddrs(list);
    return out;
}

LanResponder::~LanResponder() { stop(); }

bool LanResponder::start(uint16_t port, Answer answer, std::string& error) {
    stop();
    socket_ = udpSocket(error);
    if (socket_ < 0) return false;
    const int on = 1;
    setsockopt(socket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_ANY);
    a.sin_port = htons(port);
    if (::bind(socket_, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = "UDP port " + std::to_string(port) + " cannot be opened: " + std::strerror(errno);
        ::close(socket_);
        socket_ = -1;
        return false;
    }
    answer_ = std::move(answer);
    stopping_ = false;
    thread_ = std::thread(&LanResponder::run, this);
    return true;
}

void LanResponder::run() {
    uint8_t buffer[kMaxDatagram];
    while (!stopping_) {
        pollfd p{socket_, POLLIN, 0};
        if (::poll(&p, 1, kStopPollMs) <= 0) continue;
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t got = ::recvfrom(socket_, buffer, sizeof buffer, MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&from), &fromSize);
        if (got <= 0) continue;
        const std::vector<uint8_t> reply = answer_(buffer, static_cast<size_t>(got));
        if (!reply.empty())
            ::sendto(socket_, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&from), fromSize);
    }
}

void LanResponder::stop() {
    stopping_ = true;
    if (thread_.joinable()) thread_.join();
    if (socket_ >= 0) ::close(socket_);
    socket_ = -1;
}

bool AskLan(uint16_t port, const std::vector<uint8_t>& request, int waitMs, std::vector<LanReply>& replies,
            std::vector<std::string>& askedOn, std::string& error) {
    const std::vector<Broadcast> targets = broadcastAddresses(port);
    if (targets.empty()) {
        error = "this machine has no network interface with a broadcast address";
        return false;
    }
    const int s = udpSocket(error);
    if (s < 0) return false;
    const int on = 1;
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);

    bool sentAny = false;
    std::string sendError;
    const Clock::time_point start = Clock::now();
    const Clock::time_point end = start + std::chrono::milliseconds(waitMs);
    for (int round = 0; round < kRequestRounds; ++round) {
        for (const Broadcast& b : targets) {
            if (::sendto(s, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&b.to),
                         sizeof b.to) == static_cast<ssize_t>(request.size())) {
                sentAny = true;
                if (round == 0) askedOn.push_back(b.name);
            } else {
                sendError = b.name + ": " + std::strerror(errno);
            }
        }
        const Clock::time_point roundEnd = start + std::chrono::milliseconds(waitMs * (round + 1) / kRequestRounds);
        for (Clock::time_point now = Clock::now(); now < roundEnd && now < end; now = Clock::now()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(roundEnd - now).count();
            pollfd p{s, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left) + 1) <= 0) continue;
            uint8_t buffer[kMaxDatagram];
            sockaddr_in from{};
            socklen_t fromSize = sizeof from;
            const ssize_t got =
                ::recvfrom(s, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &fromSize);
            if (got > 0) replies.push_back({ipText(from), std::vector<uint8_t>(buffer, buffer + got)});
        }
    }
    ::close(s);
    if (!sentAny) error = "no broadcast could be sent (" + sendError + ")";
    return sentAny;
}
