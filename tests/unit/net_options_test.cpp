#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/dev_options.h"
#include "app/net_reach.h"
#include "game/game_state.h"
#include "net/discovery.h"
#include "net/protocol.h"
#include "platform/net_transport.h"

namespace {

bool parse(std::vector<const char*> args, DevOptions& o) {
    args.insert(args.begin(), "puckslide3d");
    std::string error;
    return ParseDevOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

}  // namespace

TEST(NetOptions, HostAndJoinAddresses) {
    struct Case {
        std::vector<const char*> args;
        bool ok;
        bool host;
        std::string address, join;
        int port;
        bool joins = false;
    };
    const Case cases[] = {
        {{"--host"}, true, true, "", "", 0},
        {{"--host", "--windowed"}, true, true, "", "", 0},
        {{"--host", "4000"}, true, true, "", "", 4000},
        {{"--host", "127.0.0.1:4001", "--await-guest"}, true, true, "127.0.0.1", "", 4001},
        {{"--join", "example.org"}, true, false, "", "example.org", 0, true},
        {{"--join", "10.0.0.2:4002"}, true, false, "", "10.0.0.2", 4002, true},
        {{"--join"}, true, false, "", "", 0, true},  // alone: the local network is searched
        {{"--join", "--windowed"}, true, false, "", "", 0, true},
        {{"--host", "70000"}, false, true, "", "", 0},
        {{"--host", "x:"}, false, true, "", "", 0},
        {{"--join", ":5"}, false, false, "", "", 0},
        {{"--host", "--join", "a"}, false, true, "", "a", 0},
        {{"--host", "--join"}, false, true, "", "", 0},
        {{"--await-guest"}, false, false, "", "", 0},
    };
    for (const Case& c : cases) {
        DevOptions o;
        ASSERT_EQ(parse(c.args, o), c.ok) << c.args[0] << " " << c.args.size();
        if (!c.ok) continue;
        EXPECT_EQ(o.host, c.host);
        EXPECT_EQ(o.hostAddress, c.address);
        EXPECT_EQ(o.joinHost, c.join);
        EXPECT_EQ(o.port, c.port);
        EXPECT_EQ(o.join, c.joins);
    }
}

// A host whose port is taken is told which port and why, not just that it failed.
TEST(NetTransportListen, APortInUseSaysSo) {
    const int taken = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&a), &size), 0);
    NetTransport net;
    std::string error;
    EXPECT_FALSE(net.listen("127.0.0.1", ntohs(a.sin_port), 1, 64, error));
    EXPECT_NE(error.find("another program already uses it"), std::string::npos) << error;
    ::close(taken);
}

// The host warns when the router's outside address cannot be the internet's: the edges of each range.
TEST(RouterOutsideAddress, PrivateAndSharedRangesAreNotTheInternet) {
    for (const char* inside : {"10.0.0.1", "172.16.0.1", "172.31.255.255", "192.168.1.1", "100.64.0.1", "169.254.9.9"})
        EXPECT_TRUE(IsPrivateAddress(inside)) << inside;
    for (const char* outside : {"45.45.45.1", "172.32.0.1", "100.128.0.1", "11.0.0.1", "", "not an address"})
        EXPECT_FALSE(IsPrivateAddress(outside)) << outside;
}
