// Host and guest meeting through a real mailbox on a simulated internet, on an injected clock:
// they find each other's address by the first probe that crosses; a rendezvous that is silent,
// does not know the code or refuses the lookup is told to the player in time; forged answers and
// stray probes change nothing; with no way through and no relay, the guest gives up when the
// probes do. The host tells the rendezvous of a new address (its relay's, once permitted) soon
// and again until it answers, not at its next keep-alive.
#include <gtest/gtest.h>

#include <vector>

#include "net/punch_probe.h"
#include "net/rendezvous_messages.h"
#include "net/stun_message.h"
#include "rendezvous/mailbox.h"
#include "session/meeting.h"

namespace {

const net::Endpoint kRendezvous{0x2D2D0001, 27317}, kTurn{0x2D2D0001, 3478}, kRelayed{0x2D2D0001, 50001};
const net::Endpoint kHostRouter{0x2D2D0101, 27315};   // the host's outside address, ports kept
const net::Endpoint kGuestRouter{0x2D2D0201, 40000};
const net::Endpoint kHostLan{0xC0A80111, 27315}, kGuestLan{0xC0A80211, 40000};

// Datagrams from one side arrive at the other from its router's outside address. A home
// router lets in what comes from an address its side has sent to; a router that gives each
// destination another port lets in nothing the other side can aim at.
enum class Router { Home, Blocking };

struct Internet {
    rendezvous::Mailbox mailbox{rendezvous::MailboxLimits{}, [] { return 0x12345u; }};
    Router hostRouter = Router::Home, guestRouter = Router::Home;
    bool hostSent = false, guestSent = false;  // each side has sent to the other's router
    std::vector<std::pair<net::Endpoint, Outgoing>> toHost, toGuest;  // (from, datagram)

    void send(const net::Endpoint& from, const std::vector<Outgoing>& out, uint64_t nowMs) {
        const bool fromHost = from == kHostRouter;
        for (const Outgoing& o : out) {
            if (o.to == kRendezvous) {
                for (const auto& d : mailbox.handle(o.bytes.data(), o.bytes.size(), from, nowMs).datagrams)
                    (d.to == kHostRouter ? toHost : toGuest).push_back({kRendezvous, {d.to, d.bytes}});
                continue;
            }
            (fromHost ? hostSent : guestSent) |= o.to == (fromHost ? kGuestRouter : kHostRouter);
            if (o.to == kHostRouter && hostRouter == Router::Home && hostSent) toHost.push_back({from, o});
            if (o.to == kGuestRouter && guestRouter == Router::Home && guestSent) toGuest.push_back({from, o});
        }
    }

    template <class Side>
    static void deliver(std::vector<std::pair<net::Endpoint, Outgoing>>& queue, Side& side, uint64_t nowMs) {
        for (auto& [from, o] : std::exchange(queue, {})) side.filter({from.ipv4, from.port, o.bytes.data(), o.bytes.size()}, nowMs);
    }
};

struct Meeting {
    Internet net;
    HostMeeting host;
    std::optional<GuestMeeting> guest;
    uint64_t endedMs = 0;  // when the guest's meeting came to its end

    // The host registers; the guest asks for its code from `startMs`; both run until `untilMs`.
    void run(uint64_t startMs, uint64_t untilMs, bool hostRegistered = true) {
        if (hostRegistered) host.start(kRendezvous, 0xAAAA, 0, {kHostLan}, 0);
        for (uint64_t now = 0; now < untilMs; now += 10) {
            if (now == startMs) guest.emplace(kRendezvous, 0x12345, 0xBBBB, std::vector<net::Endpoint>{kGuestLan}, now);
            net.send(kHostRouter, host.poll(now), now);
            if (guest) net.send(kGuestRouter, guest->poll(now), now);
            Internet::deliver(net.toHost, host, now);
            if (guest) Internet::deliver(net.toGuest, *guest, now);
            if (guest && guest->state() != GuestMeeting::State::Asking && guest->state() != GuestMeeting::State::Meeting)
                return void(endedMs = now);
        }
    }
};

void hear(HostMeeting& host, const net::Endpoint& from, const std::vector<uint8_t>& bytes, uint64_t nowMs) {
    host.filter({from.ipv4, from.port, bytes.data(), bytes.size()}, nowMs);
}

// The addresses of each Register among the datagrams.
std::vector<std::vector<net::Endpoint>> registers(const std::vector<Outgoing>& out) {
    std::vector<std::vector<net::Endpoint>> found;
    for (const Outgoing& o : out) {
        net::RendezvousMessage m;
        if (o.to == kRendezvous && net::DecodeRendezvous(o.bytes.data(), o.bytes.size(), m))
            if (const auto* r = std::get_if<net::RegisterMessage>(&m)) found.push_back(r->addresses);
    }
    return found;
}

// The answer to the request of `method` among the datagrams.
net::StunMessage answerTo(const std::vector<Outgoing>& out, uint16_t method, net::StunClass cls) {
    net::StunMessage request, answer;
    for (const Outgoing& o : out)
        if (o.to == kTurn && net::DecodeStun(o.bytes.data(), o.bytes.size(), request) && request.method == method) break;
    EXPECT_EQ(request.method, method);
    answer.method = method, answer.cls = cls, answer.transaction = request.transaction;
    return answer;
}

}  // namespace

TEST(Meeting, TheFirstProbeThatCrossesShowsTheWayAndWhatGoesWrongIsToldInTime) {
    // A rendezvous that never answers: told when the wait is over, not before.
    GuestMeeting alone(kRendezvous, 0x12345, 0xBBBB, {kGuestLan}, 0);
    uint64_t now = 0;
    for (; alone.state() == GuestMeeting::State::Asking; now += 10) alone.poll(now);
    EXPECT_TRUE(now - 10 == kRendezvousAnswerMs && alone.failure().find("did not answer within 3 seconds") != std::string::npos)
        << alone.failure();

    const struct { bool registered; Router routers; const char* says; } cases[] = {
        {true, Router::Home, ""}, {false, Router::Home, "knows no game with this code"},
        {true, Router::Blocking, "no probe crossed between the two routers within 3 seconds and the rendezvous offers no relay"},
    };
    for (const auto& c : cases) {
        Meeting m;
        m.net.hostRouter = m.net.guestRouter = c.routers;
        m.run(1000, 20000, c.registered);
        if (!*c.says) {  // the guest goes where the first probe came from; the host heard it coming
            ASSERT_EQ(m.guest->state(), GuestMeeting::State::Direct) << m.guest->failure();
            EXPECT_EQ(std::make_pair(m.guest->target(), m.host.lookupId()), std::make_pair(kHostRouter, 0x12345u));
            continue;
        }
        ASSERT_EQ(m.guest->state(), GuestMeeting::State::Failed) << c.says;
        EXPECT_NE(m.guest->failure().find(c.says), std::string::npos) << m.guest->failure();
        EXPECT_LE(m.endedMs, 1000 + (c.routers == Router::Blocking ? kPunchMs + 100 : 100)) << c.says;  // when the probes give up, not later
    }
}

TEST(Meeting, ForgedAnswersAndStrayProbesChangeNothing) {
    GuestMeeting guest(kRendezvous, 0x12345, 0xBBBB, {kGuestLan}, 0);
    const auto arrive = [&](const net::Endpoint& from, const std::vector<uint8_t>& bytes) {
        return guest.filter({from.ipv4, from.port, bytes.data(), bytes.size()}, 10).kind;
    };
    net::NotFoundMessage forged{0xBAD, 0x12345};  // another lookup's nonce
    EXPECT_EQ(arrive(kRendezvous, net::EncodeRendezvous(forged)), DatagramVerdict::Kind::Take);
    forged.nonce = 0xBBBB, arrive(kHostRouter, net::EncodeRendezvous(forged));  // right nonce, wrong address: ENet's business
    EXPECT_EQ(arrive(kHostRouter, net::EncodePunchProbe({net::PunchProbe::Kind::Probe, 0x999, 1})),
              DatagramVerdict::Kind::Take);  // a probe of another game: taken from ENet, not believed
    EXPECT_EQ(guest.state(), GuestMeeting::State::Asking);
    const std::vector<uint8_t> game = {0x80, 0x00, 0x12, 0x34};  // ENet's own
    EXPECT_EQ(arrive(kHostRouter, game), DatagramVerdict::Kind::Pass);
}

using Registers = std::vector<std::vector<net::Endpoint>>;

TEST(HostMeeting, ANewAddressGoesSoonAndAgainUntilTheRendezvousAnswersThenKeepAlivesKeepTheirPace) {
    HostMeeting host;
    const net::Endpoint lan{0xC0A80102, 27315}, router{0x2D2D0101, 27316};
    host.start(kRendezvous, 42, 0, {lan}, 0);
    ASSERT_EQ(registers(host.poll(0)), (Registers{{lan}}));
    const std::vector<uint8_t> registered =
        net::EncodeRendezvous(net::RegisteredMessage{42, 5, {0x2D2D0101, 27315}, 60, net::TurnOffer{kTurn, "alice", "pw"}});
    hear(host, kRendezvous, registered, 10);
    ASSERT_TRUE(registers(host.poll(500)).empty()) << "answered: the next one is a keep-alive";

    // the router forwards a port a while later
    host.setOwn({router, lan});
    EXPECT_EQ(registers(host.poll(1500)), (Registers{{router, lan}})) << "the router's port waits for a keep-alive";

    // a guest arrives; the relay asks, is challenged for the credentials and is granted an address
    hear(host, kRendezvous, net::EncodeRendezvous(net::GuestArrivingMessage{42, 5, {0x2D2D0201, 4000}, {}}), 1510);
    net::StunMessage challenge = answerTo(host.poll(1510), net::kTurnAllocate, net::StunClass::Error);
    challenge.hasError = true, challenge.errorCode = 401, challenge.errorReason = "Unauthorized";
    challenge.realm = "puck.test", challenge.nonce = "n1";
    hear(host, kTurn, net::EncodeStun(challenge), 1520);
    net::StunMessage granted = answerTo(host.poll(1520), net::kTurnAllocate, net::StunClass::Success);
    granted.hasRelayed = granted.hasLifetime = true, granted.relayed = kRelayed, granted.lifetime = 600;
    const std::vector<uint8_t> key = net::LongTermKey("alice", "puck.test", "pw");
    hear(host, kTurn, net::EncodeStun(granted, &key), 1530);
    const std::vector<Outgoing> asked = host.poll(1530);  // the relayed address waits for the guest's permission
    EXPECT_TRUE(registers(asked).empty());
    hear(host, kTurn, net::EncodeStun(answerTo(asked, net::kTurnCreatePermission, net::StunClass::Success), &key), 1540);

    // not more often than twice a second, however often the addresses change
    EXPECT_TRUE(registers(host.poll(1540)).empty());
    EXPECT_EQ(registers(host.poll(2000)), (Registers{{router, lan, kRelayed}})) << "the relayed address waits";
    // unanswered, it goes again: were it lost, the guest would wait half a second for it, not five
    EXPECT_EQ(registers(host.poll(2500)), (Registers{{router, lan, kRelayed}}));
    hear(host, kRendezvous, registered, 2510);
    EXPECT_TRUE(registers(host.poll(7490)).empty() && registers(host.poll(7500)).size() == 1u);
}
