#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <tuple>
#include <vector>

#include "app/dev_options.h"
#include "session/net_reach.h"
#include "platform/net_transport.h"

namespace {

bool parse(std::vector<const char*> args, DevOptions& o) {
    args.insert(args.begin(), "puckslide3d");
    std::string error;
    return ParseDevOptions(static_cast<int>(args.size()), const_cast<char**>(args.data()), o, error);
}

}  // namespace

// An address or an option after --host or --join, and --host last, are what the network tests
// (e2e) start their games with; here the other forms and the refusals.
TEST(NetOptions, HostAndJoinAddresses) {
    struct { std::vector<const char*> args; bool host; std::string join; int port; } accepted[] = {
        {{"--host", "4000"}, true, "", 4000}, {{"--join", "example.org"}, false, "example.org", 0},
        {{"--join"}, false, "", 0},  // alone: the local network is searched
    };
    for (const auto& c : accepted) {
        DevOptions o;
        ASSERT_TRUE(parse(c.args, o)) << c.args[0] << " " << c.args.size();
        EXPECT_EQ(std::make_tuple(o.host, o.join, o.hostAddress, o.joinHost, o.port),
                  std::make_tuple(c.host, !c.host, std::string(), c.join, c.port)) << c.args[0] << " " << c.args.size();
    }
    for (const std::vector<const char*>& refused : std::vector<std::vector<const char*>>{
             {"--host", "70000"}, {"--host", "x:"}, {"--join", ":5"}, {"--host", "--join", "a"}, {"--host", "--join"},
             {"--await-guest"}}) {
        DevOptions o;
        EXPECT_FALSE(parse(refused, o)) << refused[0] << " " << refused.size();
    }
}

// A host whose port is taken is told which port and why, not just that it failed.
TEST(NetTransportListen, APortInUseSaysSo) {
    const int taken = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(taken, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::getsockname(taken, reinterpret_cast<sockaddr*>(&a), &size), 0);
    NetTransport net;
    std::string error;
    EXPECT_TRUE(!net.listen("127.0.0.1", ntohs(a.sin_port), 1, 64, error) && error.find("another program already uses it") != std::string::npos) << error;
    ::close(taken);
}

// The host warns when the router's outside address cannot be the internet's: the edges of each range.
TEST(RouterOutsideAddress, PrivateAndSharedRangesAreNotTheInternet) {
    for (const char* inside : {"10.0.0.1", "172.16.0.1", "172.31.255.255", "192.168.1.1", "100.64.0.1", "169.254.9.9"})
        EXPECT_TRUE(IsPrivateAddress(inside)) << inside;
    for (const char* outside : {"45.45.45.1", "172.32.0.1", "100.128.0.1", "11.0.0.1", "", "not an address"})
        EXPECT_FALSE(IsPrivateAddress(outside)) << outside;
}
