#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "net/rendezvous_messages.h"
#include "rendezvous/mailbox.h"

using namespace rendezvous;

namespace {

const Endpoint kHost{0xC6336401, 27315};      // 198.51.100.1
const Endpoint kGuest{0xCB007101, 40000};     // 203.0.113.1
const net::TurnOffer kTurn{{0xCB007105, 3478}, "1700000000", "dNcwhojV9UvcSSj+lAMOcuaadcI="};

struct Box {
    explicit Box(MailboxLimits limits = MailboxLimits()) : mailbox(limits, [this] { return nextId++; }) {}

    Handled send(const net::RendezvousMessage& m, const Endpoint& from, uint64_t nowMs) {
        const std::vector<uint8_t> bytes = net::EncodeRendezvous(m);
        return mailbox.handle(bytes.data(), bytes.size(), from, nowMs);
    }
    Handled enroll(uint64_t token, const Endpoint& from, uint64_t nowMs, uint32_t wanted = 0) {
        return send(net::RegisterMessage{token, wanted, {{0xC0A80002, 27315}}}, from, nowMs);
    }
    Handled lookup(uint32_t id, const Endpoint& from, uint64_t nowMs) {
        return send(net::LookupMessage{77, id, {{0xC0A80009, 40000}}}, from, nowMs);
    }

    uint32_t nextId = 0x100;
    Mailbox mailbox;
};

template <class T>
T answer(const Handled& h, size_t i = 0) {
    net::RendezvousMessage m;
    EXPECT_LT(i, h.datagrams.size());
    if (i >= h.datagrams.size()) return T{};
    EXPECT_TRUE(net::DecodeRendezvous(h.datagrams[i].bytes.data(), h.datagrams[i].bytes.size(), m));
    EXPECT_TRUE(std::holds_alternative<T>(m)) << "message type " << m.index() + 1;
    return std::holds_alternative<T>(m) ? std::get<T>(m) : T{};
}

}  // namespace

// The introduction itself, field by field, is e2e test_rendezvous's; here the relay's offer, which
// goes to both sides while the rendezvous has one.
TEST(Mailbox, OffersTheRelayToHostAndGuestWhileItHasOne) {
    Box box;
    box.mailbox.setTurn(kTurn);
    const Handled reg = box.enroll(0xAB, kHost, 1000);
    ASSERT_EQ(reg.outcome, Outcome::Registered);
    EXPECT_TRUE(answer<net::RegisteredMessage>(reg).turn == kTurn);
    const Handled look = box.lookup(0x100, kGuest, 2000);
    ASSERT_EQ(std::make_tuple(look.outcome, look.datagrams.size()), std::make_tuple(Outcome::Found, size_t(2)));
    EXPECT_TRUE(answer<net::FoundMessage>(look, 0).turn == kTurn);
    EXPECT_EQ(std::make_pair(look.datagrams[0].to, look.datagrams[1].to), std::make_pair(kGuest, kHost));
    box.mailbox.setTurn(std::nullopt);
    EXPECT_FALSE(answer<net::FoundMessage>(box.lookup(0x100, kGuest, 2500)).turn.has_value());
}

// A keep-alive keeps the id, follows the host to a new port and restarts its lifetime;
// silence for the lifetime forgets it.
TEST(Mailbox, KeepAliveAndExpiry) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    const Endpoint moved{kHost.ipv4, 30000};
    const Handled again = box.enroll(1, moved, 50000);
    EXPECT_EQ(std::make_tuple(again.outcome, again.quiet, answer<net::RegisteredMessage>(again).lookupId),
              std::make_tuple(Outcome::Refreshed, true, id));
    EXPECT_TRUE(box.enroll(1, moved, 50999).datagrams.empty()) << "keep-alives are answered once a second";
    EXPECT_EQ(box.enroll(1, moved, 51000).datagrams.size(), 1u);
    EXPECT_TRUE(box.mailbox.expire(100000).empty());
    EXPECT_EQ(box.lookup(id, kGuest, 100000).datagrams.at(1).to, moved);

    EXPECT_TRUE(box.mailbox.expire(110999).empty() && box.mailbox.expire(111000) == std::vector<uint32_t>{id});
    EXPECT_EQ(std::make_pair(box.lookup(id, kGuest, 111001).outcome, box.mailbox.registrations()),
              std::make_pair(Outcome::NotFound, size_t(0)));
    // Between expiry passes a silent host is already unknown to a guest.
    const uint32_t other = box.enroll(2, kHost, 200000).lookupId;
    EXPECT_EQ(box.lookup(other, kGuest, 260000).outcome, Outcome::NotFound);
}

// That the host's token removes its game is e2e test_rendezvous's.
TEST(Mailbox, OnlyTheTokenRemovesAndTheCodesIdComesBack) {
    Box box;
    const uint32_t id = box.enroll(0xAB, kHost, 0).lookupId;
    EXPECT_EQ(box.send(net::UnregisterMessage{0xAC}, kHost, 10).outcome, Outcome::Ignored);
    const Handled gone = box.send(net::UnregisterMessage{0xAB}, kGuest, 30);  // from anywhere
    EXPECT_TRUE(gone.outcome == Outcome::Unregistered && gone.datagrams.empty());
    // A host whose code already names an id gets it again once it is free (a restarted
    // rendezvous), and a fresh one when another host holds it.
    EXPECT_EQ(box.enroll(0xAB, kHost, 50, id).lookupId, id);
    EXPECT_NE(box.enroll(0xCD, kGuest, 60, id).lookupId, id);
}

TEST(Mailbox, BoundedInAllAndPerSource) {
    MailboxLimits limits;
    limits.maxRegistrations = 3, limits.maxPerSourceIp = 2;
    Box box(limits);
    EXPECT_TRUE(box.enroll(1, kHost, 0).outcome == Outcome::Registered && box.enroll(2, {kHost.ipv4, 1}, 0).outcome == Outcome::Registered);
    const Handled third = box.enroll(3, {kHost.ipv4, 2}, 0);
    EXPECT_EQ(std::make_tuple(third.outcome, third.quiet, answer<net::FullMessage>(third).token),
              std::make_tuple(Outcome::Full, true, uint64_t(3)));
    EXPECT_EQ(box.enroll(4, kGuest, 0).outcome, Outcome::Registered);
    const Handled full = box.enroll(5, {0x0A000001, 1}, 0);
    EXPECT_TRUE(full.outcome == Outcome::Full && !full.quiet);
    EXPECT_TRUE(box.enroll(6, {0x0A000002, 1}, 0).quiet) << "the box being full is said once";
    EXPECT_EQ(box.enroll(1, kHost, 10).outcome, Outcome::Refreshed) << "a keep-alive is no new registration";

    box.send(net::UnregisterMessage{2}, kHost, 20);
    EXPECT_EQ(box.enroll(3, {kHost.ipv4, 2}, 30).outcome, Outcome::Registered);
    EXPECT_EQ(box.mailbox.expire(60000).size(), 1u);  // 4's, silent since 0
    EXPECT_EQ(box.enroll(5, {0x0A000001, 1}, 60000).outcome, Outcome::Registered);
}

TEST(Mailbox, RateLimitsLookupsPerSourceButNotRepeats) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    for (uint32_t i = 0; i < 10; ++i) EXPECT_NE(box.lookup(id + 1 + i, kGuest, 0).outcome, Outcome::RateLimited) << i;
    const Handled limited = box.lookup(id, kGuest, 1000);
    EXPECT_EQ(std::make_tuple(limited.outcome, limited.quiet, answer<net::RateLimitedMessage>(limited).retryAfterSeconds),
              std::make_tuple(Outcome::RateLimited, false, uint16_t(5)));
    EXPECT_TRUE(box.lookup(id, kGuest, 2000).quiet) << "a refusal is logged once";
    EXPECT_EQ(box.lookup(id, {kGuest.ipv4 + 1, 1}, 2000).outcome, Outcome::Found) << "another source has its own";

    EXPECT_EQ(box.lookup(id, kGuest, 6000).outcome, Outcome::Found);
    // The guest repeats its lookup: every repeat tells the host again and costs nothing...
    for (int i = 1; i <= 10; ++i) {
        const Handled repeat = box.lookup(id, kGuest, 6000 + 400 * i);
        ASSERT_TRUE(repeat.outcome == Outcome::Found && repeat.quiet && repeat.datagrams.size() == 2) << i;
    }
    // ...up to a point, and only from the same address and for the same id.
    EXPECT_TRUE(box.lookup(id, kGuest, 10500).outcome == Outcome::RateLimited &&
                box.lookup(id, {kGuest.ipv4, 1}, 10500).outcome == Outcome::RateLimited && box.lookup(id, kGuest, 12000).outcome == Outcome::Found);
}

TEST(RateLimiter, ForgetsTheStalestSourceWhenItsTableIsFull) {
    RateLimits limits;
    limits.burst = 1, limits.maxSources = 2;
    RateLimiter limiter(limits);
    // source, key, time, allowed: after the third, 1 is the fresher; the fifth forgets 2, whose bucket is full again
    const struct { uint32_t source, key; uint64_t at; bool allowed; } takes[] = {
        {1, 0, 0, true}, {1, 1, 0, false}, {2, 0, 1, true}, {1, 2, 2, false}, {3, 0, 3, true}, {1, 3, 4, false}, {2, 1, 5, true}};
    for (const auto& t : takes) EXPECT_EQ(limiter.take(t.source, t.key, t.at).allowed, t.allowed) << t.at;
    EXPECT_EQ(limiter.sources(), 2u);
}

// Stray bytes are e2e test_rendezvous's; a rendezvous's own answers sent to it are no requests either.
TEST(Mailbox, AnswersNothingButRequests) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    for (const auto& m : std::vector<net::RendezvousMessage>{net::FoundMessage{1, id, kHost, {}, kGuest, std::nullopt},
                                                            net::RegisteredMessage{1, id, kHost, 60, std::nullopt},
                                                            net::FullMessage{1}}) {
        const Handled h = box.send(m, kGuest, 10);
        EXPECT_TRUE(h.outcome == Outcome::Ignored && h.datagrams.empty()) << m.index();
    }
    EXPECT_EQ(box.mailbox.registrations(), 1u);
}
