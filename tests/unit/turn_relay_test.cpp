// TurnClient against a real coturn on 127.0.0.1: two plain UDP sockets allocate relays and
// reach each other through them, and a wrong password is refused.
#include <gtest/gtest.h>
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "net/stun_message.h"
#include "net/turn_client.h"

extern char** environ;

namespace {

constexpr uint64_t kPhaseMs = 10000;  // each step of the test, however loaded the machine

uint64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

sockaddr_in toSockaddr(const net::Ipv4Address& a) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_addr.s_addr = htonl(a.ip);
    s.sin_port = htons(a.port);
    return s;
}

struct UdpSocket {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    net::Ipv4Address local;
    UdpSocket() {
        sockaddr_in a = toSockaddr({INADDR_LOOPBACK, 0});
        socklen_t size = sizeof a;
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
            local = {ntohl(a.sin_addr.s_addr), ntohs(a.sin_port)};
    }
    ~UdpSocket() { ::close(fd); }
    void send(const net::Ipv4Address& to, const std::vector<uint8_t>& d) const {
        const sockaddr_in a = toSockaddr(to);
        ::sendto(fd, d.data(), d.size(), 0, reinterpret_cast<const sockaddr*>(&a), sizeof a);
    }
    // The next datagram within `waitMs`, or nothing.
    std::vector<uint8_t> receive(int waitMs) const {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, waitMs) != 1) return {};
        std::vector<uint8_t> d(2048);
        const ssize_t n = ::recv(fd, d.data(), d.size(), 0);
        d.resize(n > 0 ? size_t(n) : 0);
        return d;
    }
};

// turnserver with long-term credentials on a free port, its files in a folder of its own;
// stopped and cleaned away however the test ends.
struct Coturn {
    pid_t pid = 0;
    std::filesystem::path folder;
    net::Ipv4Address address{INADDR_LOOPBACK, 0};

    bool start(const std::string& user, const std::string& realm) {
        std::string name = (std::filesystem::temp_directory_path() / "puckslide-coturn-XXXXXX").string();
        if (!::mkdtemp(name.data())) return false;
        folder = name;
        address.port = UdpSocket().local.port;  // free a moment ago; turnserver takes it now
        const std::string port = std::to_string(address.port), dir = folder.string();
        std::vector<std::string> args = {"turnserver", "-n", "--listening-ip", "127.0.0.1", "--listening-port", port,
            "--relay-ip", "127.0.0.1", "--lt-cred-mech", "--user", user, "--realm", realm, "--allow-loopback-peers",
            "--no-cli", "--no-tls", "--no-dtls", "--no-tcp", "--no-stdout-log", "--simple-log",
            "--log-file", dir + "/turn.log", "--pidfile", dir + "/turn.pid", "--userdb", dir + "/turndb"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        const bool spawned = ::posix_spawnp(&pid, "turnserver", &quiet, nullptr, argv.data(), environ) == 0;
        posix_spawn_file_actions_destroy(&quiet);
        if (!spawned) pid = 0;
        return spawned;
    }
    // Up once it answers a Binding request.
    bool answers() const {
        UdpSocket s;
        net::StunMessage binding;
        binding.transaction[0] = 1;
        for (const uint64_t end = nowMs() + kPhaseMs; nowMs() < end;) {
            s.send(address, net::EncodeStun(binding));
            net::StunMessage m;
            const std::vector<uint8_t> d = s.receive(100);
            if (net::DecodeStun(d.data(), d.size(), m) && m.cls == net::StunClass::Success) return true;
        }
        return false;
    }
    ~Coturn() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            for (int i = 0; i < 50 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (::waitpid(pid, &status, WNOHANG) == 0) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
            }
        }
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};

// One side: a socket and its client. What arrives from a peer is kept.
struct Side {
    UdpSocket socket;
    net::TurnClient turn;
    std::vector<net::TurnReceived> fromPeers;

    void step(const net::Ipv4Address& server) {
        for (const auto& d : turn.poll(nowMs())) socket.send(server, d);
        const std::vector<uint8_t> d = socket.receive(10);
        if (d.empty()) return;
        net::TurnReceived r = turn.receive(d.data(), d.size(), nowMs());
        if (r.kind == net::TurnReceived::Kind::PeerData) fromPeers.push_back(std::move(r));
    }
};

bool runUntil(std::vector<Side*> sides, const net::Ipv4Address& server, const std::function<bool()>& done) {
    for (const uint64_t end = nowMs() + kPhaseMs; nowMs() < end;) {
        if (done()) return true;
        for (Side* s : sides) s->step(server);
    }
    return done();
}

}  // namespace

TEST(TurnRelay, TwoSocketsReachEachOtherThroughCoturnAndAWrongPasswordIsRefused) {
    Coturn coturn;
    ASSERT_TRUE(coturn.start("player:secret", "puck.test")) << "turnserver is missing: install coturn";
    ASSERT_TRUE(coturn.answers()) << "see " << coturn.folder << "/turn.log";
    const net::Ipv4Address server = coturn.address;

    Side a, b, wrong;
    a.turn.start(server, "player", "secret", nowMs());
    b.turn.start(server, "player", "secret", nowMs());
    wrong.turn.start(server, "player", "guess", nowMs());
    ASSERT_TRUE(runUntil({&a, &b, &wrong}, server, [&] {
        return a.turn.state() != net::TurnState::Allocating && b.turn.state() != net::TurnState::Allocating &&
               wrong.turn.state() != net::TurnState::Allocating;
    }));
    ASSERT_EQ(a.turn.state(), net::TurnState::Ready) << a.turn.failure();
    ASSERT_EQ(b.turn.state(), net::TurnState::Ready) << b.turn.failure();
    EXPECT_EQ(a.turn.mapped(), a.socket.local);
    EXPECT_NE(a.turn.relayed(), b.turn.relayed());
    EXPECT_EQ(wrong.turn.state(), net::TurnState::Failed);
    EXPECT_EQ(wrong.turn.failure(), "the relay refused the credentials (401)");

    a.turn.permit(b.turn.relayed());
    b.turn.permit(a.turn.relayed());
    ASSERT_TRUE(runUntil({&a, &b}, server, [&] {
        return a.turn.channelBound(b.turn.relayed()) && b.turn.channelBound(a.turn.relayed());
    })) << a.turn.failure() << b.turn.failure();

    const std::vector<uint8_t> hello = {'h', 'e', 'l', 'l', 'o', 0, 1}, reply = {'r', 'e', 'p', 'l', 'y'};
    a.socket.send(server, a.turn.wrap(b.turn.relayed(), hello.data(), hello.size()));
    b.socket.send(server, b.turn.wrap(a.turn.relayed(), reply.data(), reply.size()));
    ASSERT_TRUE(runUntil({&a, &b}, server, [&] { return !a.fromPeers.empty() && !b.fromPeers.empty(); }));
    EXPECT_EQ(std::make_tuple(b.fromPeers[0].peer, b.fromPeers[0].payload), std::make_tuple(a.turn.relayed(), hello));
    EXPECT_EQ(std::make_tuple(a.fromPeers[0].peer, a.fromPeers[0].payload), std::make_tuple(b.turn.relayed(), reply));

    a.socket.send(server, a.turn.close());
    b.socket.send(server, b.turn.close());
}
