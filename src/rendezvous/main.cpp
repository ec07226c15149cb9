// puckslide3d-rendezvous: introduces a guest holding an invite code to its host, over
// one UDP socket. The mailbox decides every answer; this file is the socket, the clock,
// the options and the log (one short line per event on standard error, for journald).
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "net/turn_credentials.h"
#include "rendezvous/mailbox.h"

namespace {

constexpr const char* kProgram = "puckslide3d-rendezvous";
constexpr uint64_t kTurnValiditySeconds = 12 * 3600;
// Fresh credentials this often, so the ones handed out stay valid at least 11 h 50 min.
constexpr uint64_t kTurnRenewMs = 10 * 60 * 1000;
constexpr uint64_t kExpireEveryMs = 1000;
constexpr size_t kMaxSecretBytes = 4096;
constexpr int kExitUsage = 2;

const char kHelp[] =
    "Usage: puckslide3d-rendezvous [--listen ADDR:PORT] [--turn HOST:PORT --turn-secret-file FILE]\n"
    "Introduces Puckslide 3D players who hold an invite code to their host, so that both can\n"
    "reach each other through their routers.\n"
    "\n"
    "  --listen ADDR:PORT       the IPv4 address and UDP port to listen on (0.0.0.0:27317)\n"
    "  --turn HOST:PORT         a TURN server (coturn with use-auth-secret) offered as a relay\n"
    "  --turn-secret-file FILE  that server's shared secret, read once at start\n"
    "  -h, --help               show this help and exit\n"
    "  --version                show the version and exit\n";

volatile sig_atomic_t stopSignal = 0;
void onStopSignal(int signal) { stopSignal = signal; }

std::string text(const rendezvous::Endpoint& e) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%u.%u.%u.%u:%u", e.ipv4 >> 24, (e.ipv4 >> 16) & 255, (e.ipv4 >> 8) & 255,
                  e.ipv4 & 255, e.port);
    return buffer;
}

bool parsePort(const std::string& s, bool zeroAllowed, uint16_t& port) {
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long value = std::stoul(s);
    if (value > 65535 || (value == 0 && !zeroAllowed)) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// "ADDR:PORT" with a numeric IPv4 address; port 0 lets the system choose.
bool parseListen(const std::string& s, rendezvous::Endpoint& e) {
    const size_t colon = s.rfind(':');
    in_addr a{};
    if (colon == std::string::npos || inet_pton(AF_INET, s.substr(0, colon).c_str(), &a) != 1) return false;
    e.ipv4 = ntohl(a.s_addr);
    return parsePort(s.substr(colon + 1), true, e.port);
}

// "HOST:PORT", the host a name or an address, looked up once.
bool resolveTurn(const std::string& s, rendezvous::Endpoint& e, std::string& error) {
    const size_t colon = s.rfind(':');
    if (colon == std::string::npos || colon == 0 || !parsePort(s.substr(colon + 1), false, e.port)) {
        error = "--turn needs HOST:PORT, not '" + s + "'";
        return false;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const std::string host = s.substr(0, colon);
    const int code = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (code != 0 || !found) {
        error = "the TURN server " + host + " has no IPv4 address: " + gai_strerror(code);
        return false;
    }
    e.ipv4 = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

bool readSecret(const std::string& path, std::string& secret, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": " + std::strerror(errno);
        return false;
    }
    secret.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = path + ": cannot be read";
        return false;
    }
    while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) secret.pop_back();
    if (secret.empty() || secret.size() > kMaxSecretBytes) {
        error = path + (secret.empty() ? ": the TURN secret is empty" : ": the TURN secret is longer than 4096 bytes");
        return false;
    }
    return true;
}

uint64_t monotonicMs() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return uint64_t(t.tv_sec) * 1000 + uint64_t(t.tv_nsec) / 1000000;
}

uint32_t unpredictable() {
    uint32_t v = 0;
    while (getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v)) {}
    return v;
}

struct Options {
    rendezvous::Endpoint listen{0, net::kRendezvousPort};
    std::string turn, secretFile;
};

// 0: run; otherwise the exit code.
int parseOptions(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return -1;
        } else if (arg == "--version") {
            std::printf("%s %s\n", kProgram, PUCKSLIDE_VERSION);
            return -1;
        } else if (arg == "--listen" && hasValue) {
            if (!parseListen(argv[++i], o.listen)) {
                std::fprintf(stderr, "%s: --listen needs ADDR:PORT with an IPv4 address, not '%s'\n", kProgram, argv[i]);
                return kExitUsage;
            }
        } else if (arg == "--turn" && hasValue) {
            o.turn = argv[++i];
        } else if (arg == "--turn-secret-file" && hasValue) {
            o.secretFile = argv[++i];
        } else {
            std::fprintf(stderr, "%s: unknown option or missing value '%s' (see --help)\n", kProgram, arg.c_str());
            return kExitUsage;
        }
    }
    if (o.turn.empty() != o.secretFile.empty()) {
        std::fprintf(stderr, "%s: --turn and --turn-secret-file go together\n", kProgram);
        return kExitUsage;
    }
    return 0;
}

void logHandled(const rendezvous::Handled& h, const rendezvous::Endpoint& from) {
    using rendezvous::Outcome;
    if (h.quiet) return;
    const std::string who = text(from);
    switch (h.outcome) {
    case Outcome::Registered: std::fprintf(stderr, "registered %07X for %s\n", h.lookupId, who.c_str()); break;
    case Outcome::Full: std::fprintf(stderr, "full: refusing registrations\n"); break;
    case Outcome::Unregistered: std::fprintf(stderr, "unregistered %07X\n", h.lookupId); break;
    case Outcome::Found: std::fprintf(stderr, "lookup %07X from %s: found\n", h.lookupId, who.c_str()); break;
    case Outcome::NotFound: std::fprintf(stderr, "lookup %07X from %s: not found\n", h.lookupId, who.c_str()); break;
    case Outcome::RateLimited: std::fprintf(stderr, "lookups from %s: rate limited\n", who.c_str()); break;
    default: break;
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const int code = parseOptions(argc, argv, o)) return code < 0 ? 0 : code;

    std::string secret, error;
    std::optional<net::TurnOffer> turn;
    if (!o.turn.empty()) {
        turn.emplace();
        if (!resolveTurn(o.turn, turn->server, error) || !readSecret(o.secretFile, secret, error)) {
            std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
            return kExitUsage;
        }
    }

    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(o.listen.ipv4);
    address.sin_port = htons(o.listen.port);
    socklen_t size = sizeof address;
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        std::fprintf(stderr, "%s: cannot listen on %s: %s\n", kProgram, text(o.listen).c_str(), std::strerror(errno));
        return 1;
    }
    o.listen.port = ntohs(address.sin_port);

    // The stop signals are held back except inside ppoll, so none slips in between the
    // check of stopSignal and the wait.
    sigset_t stopSignals, waiting;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigprocmask(SIG_BLOCK, &stopSignals, &waiting);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    rendezvous::Mailbox mailbox(rendezvous::MailboxLimits(), unpredictable);
    std::fprintf(stderr, "%s %s: listening on %s, %s%s\n", kProgram, PUCKSLIDE_VERSION, text(o.listen).c_str(),
                 turn ? "TURN at " : "no TURN", turn ? text(turn->server).c_str() : "");

    uint64_t nextExpire = monotonicMs() + kExpireEveryMs, nextTurn = 0;
    uint8_t buffer[net::kMaxRendezvousDatagram + 1];
    while (!stopSignal) {
        uint64_t now = monotonicMs();
        if (turn && now >= nextTurn) {
            const net::TurnCredentials c =
                net::MakeTurnCredentials(secret, static_cast<uint64_t>(std::time(nullptr)) + kTurnValiditySeconds);
            turn->username = c.username, turn->password = c.password;
            mailbox.setTurn(turn);
            nextTurn = now + kTurnRenewMs;
        }
        if (now >= nextExpire) {
            for (const uint32_t id : mailbox.expire(now)) std::fprintf(stderr, "expired %07X\n", id);
            nextExpire = now + kExpireEveryMs;
        }
        const uint64_t waitMs = nextExpire > now ? nextExpire - now : 0;
        const timespec timeout{static_cast<time_t>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000000};
        pollfd p{fd, POLLIN, 0};
        if (ppoll(&p, 1, &timeout, &waiting) <= 0) continue;

        // A bounded batch per wake, so expiry keeps its pace under a flood.
        for (int batch = 0; batch < 256; ++batch) {
            sockaddr_in source{};
            socklen_t sourceSize = sizeof source;
            const ssize_t got = recvfrom(fd, buffer, sizeof buffer, MSG_TRUNC, reinterpret_cast<sockaddr*>(&source),
                                         &sourceSize);
            if (got < 0) break;
            if (source.sin_family != AF_INET || static_cast<size_t>(got) > net::kMaxRendezvousDatagram) continue;
            const rendezvous::Endpoint from{ntohl(source.sin_addr.s_addr), ntohs(source.sin_port)};
            now = monotonicMs();
            const rendezvous::Handled h = mailbox.handle(buffer, static_cast<size_t>(got), from, now);
            logHandled(h, from);
            for (const rendezvous::Datagram& d : h.datagrams) {
                sockaddr_in target{};
                target.sin_family = AF_INET;
                target.sin_addr.s_addr = htonl(d.to.ipv4);
                target.sin_port = htons(d.to.port);
                sendto(fd, d.bytes.data(), d.bytes.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof target);
            }
        }
    }
    std::fprintf(stderr, "%s: stopping on %s, %zu registrations dropped\n", kProgram,
                 stopSignal == SIGTERM ? "SIGTERM" : "SIGINT", mailbox.registrations());
    close(fd);
    return 0;
}
