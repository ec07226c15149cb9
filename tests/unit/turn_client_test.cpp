#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "net/stun_message.h"
#include "net/turn_client.h"

namespace {

const net::Ipv4Address kServer{0x7F000001, 3478}, kRelayed{0xC6336401, 50000}, kMapped{0xCB007105, 40000},
    kPeer{0xC6336402, 50002};
const std::vector<uint8_t> kKey = net::LongTermKey("alice", "puck.test", "secret");

// Stands in for the TURN server: reads what the client sent and writes its answers.
struct Relay {
    net::StunMessage last;  // the request being answered
    std::vector<uint8_t> lastBytes;

    // The poll must have put out exactly one request.
    const net::StunMessage& take(const std::vector<std::vector<uint8_t>>& sent) {
        EXPECT_EQ(sent.size(), 1u);
        last = net::StunMessage();
        lastBytes = sent.empty() ? std::vector<uint8_t>() : sent[0];
        EXPECT_TRUE(net::DecodeStun(lastBytes.data(), lastBytes.size(), last));
        return last;
    }
    bool signedWith(const std::vector<uint8_t>& key) const {
        return last.integrityAt && net::StunIntegrityMatches(lastBytes.data(), lastBytes.size(), last, key);
    }
    std::vector<uint8_t> answer(net::StunClass cls, const std::function<void(net::StunMessage&)>& fill = {},
                                const std::vector<uint8_t>* key = &kKey) const {
        net::StunMessage m;
        m.method = last.method;
        m.cls = cls;
        m.transaction = last.transaction;
        if (fill) fill(m);
        return net::EncodeStun(m, key);
    }
    std::vector<uint8_t> error(int code, const std::string& reason, const std::string& nonce = "") const {
        return answer(net::StunClass::Error, [&](net::StunMessage& m) {
            m.hasError = true;
            m.errorCode = code;
            m.errorReason = reason;
            m.realm = nonce.empty() ? "" : "puck.test";
            m.nonce = nonce;
        }, nullptr);
    }
};

net::TurnReceived feed(net::TurnClient& c, const std::vector<uint8_t>& d, uint64_t now) {
    return c.receive(d.data(), d.size(), now);
}

// Start, the credential challenge, the signed allocation: the client is Ready at `now`.
void allocate(net::TurnClient& c, Relay& relay, uint64_t now, uint32_t lifetime = 600) {
    c.start(kServer, "alice", "secret", now);
    relay.take(c.poll(now));
    feed(c, relay.error(401, "Unauthorized", "n1"), now);
    relay.take(c.poll(now));
    feed(c, relay.answer(net::StunClass::Success, [&](net::StunMessage& m) {
        m.hasRelayed = m.hasMapped = m.hasLifetime = true;
        m.relayed = kRelayed;
        m.mapped = kMapped;
        m.lifetime = lifetime;
    }), now);
}

}  // namespace

TEST(TurnAllocate, ChallengeThenSignedRequestAndOnlyASignedAnswerIsBelieved) {
    net::TurnClient c;
    Relay relay;
    c.start(kServer, "alice", "secret", 0);
    const net::StunMessage first = relay.take(c.poll(0));
    EXPECT_EQ(std::make_tuple(first.method, first.transport, first.username, first.integrityAt),
              std::make_tuple(uint16_t(net::kTurnAllocate), net::kTransportUdp, std::string(), size_t(0)));
    feed(c, relay.error(401, "Unauthorized", "n1"), 10);
    const net::StunMessage second = relay.take(c.poll(10));
    EXPECT_EQ(std::make_tuple(second.username, second.realm, second.nonce), std::make_tuple("alice", "puck.test", "n1"));
    EXPECT_TRUE(relay.signedWith(kKey));
    EXPECT_NE(second.transaction, first.transaction);

    const auto success = [&](net::StunMessage& m) {
        m.hasRelayed = m.hasMapped = true;
        m.relayed = kRelayed;
        m.mapped = kMapped;
    };
    const std::vector<uint8_t> otherKey = net::LongTermKey("alice", "puck.test", "guess");
    for (const std::vector<uint8_t>* forged : {&otherKey, static_cast<const std::vector<uint8_t>*>(nullptr)}) {
        EXPECT_EQ(feed(c, relay.answer(net::StunClass::Success, success, forged), 20).kind, net::TurnReceived::Kind::Handled);
        EXPECT_EQ(c.state(), net::TurnState::Allocating);
    }
    feed(c, relay.answer(net::StunClass::Success, success), 20);
    EXPECT_EQ(std::make_tuple(c.state(), c.relayed(), c.mapped()), std::make_tuple(net::TurnState::Ready, kRelayed, kMapped));
}

TEST(TurnAllocate, StaleNonceIsTakenAndTheRequestSentAgain) {
    net::TurnClient c;
    Relay relay;
    allocate(c, relay, 0);
    c.permit(kPeer);
    const net::StunMessage permission = relay.take(c.poll(5));
    feed(c, relay.error(438, "Stale Nonce", "n2"), 6);
    const net::StunMessage again = relay.take(c.poll(6));
    EXPECT_EQ(std::make_tuple(again.method, again.nonce, again.peer), std::make_tuple(permission.method, std::string("n2"), kPeer));
    EXPECT_NE(again.transaction, permission.transaction);
    EXPECT_TRUE(relay.signedWith(kKey));
    // a server that keeps calling its own nonce stale is given up on
    for (int i = 0; i < 2; ++i) {
        feed(c, relay.error(438, "Stale Nonce", "n" + std::to_string(3 + i)), 7);
        relay.take(c.poll(7));
    }
    feed(c, relay.error(438, "Stale Nonce", "n9"), 8);
    EXPECT_EQ(c.state(), net::TurnState::Failed);
}

// Lost answers: the request goes out again after 0.5, 1 and 2 s, and at 5 s the client gives up.
TEST(TurnAllocate, RetransmitsWithDoublingGapsThenGivesUp) {
    net::TurnClient c;
    c.start(kServer, "alice", "secret", 1000);
    const std::vector<uint8_t> first = c.poll(1000).at(0);
    const struct { uint64_t at; size_t sent; } timeline[] = {
        {1499, 0}, {1500, 1}, {1501, 0}, {2499, 0}, {2500, 1}, {4499, 0}, {4500, 1}, {5999, 0}};
    for (const auto& t : timeline) {
        const auto sent = c.poll(t.at);
        ASSERT_EQ(sent.size(), t.sent) << t.at;
        if (t.sent) EXPECT_EQ(sent[0], first) << t.at;
    }
    EXPECT_EQ(c.state(), net::TurnState::Allocating);
    EXPECT_TRUE(c.poll(6000).empty());
    EXPECT_EQ(std::make_tuple(c.state(), c.failure()),
              std::make_tuple(net::TurnState::Failed, std::string("the relay did not answer within 5 seconds")));
}

TEST(TurnAllocate, RefusalsFailWithTheReasonForThePlayer) {
    const struct { int code; const char* reason; const char* failure; } cases[] = {
        {401, "Unauthorized", "the relay refused the credentials (401)"},
        {486, "Allocation Quota Reached", "the relay refused the allocation (486 Allocation Quota Reached)"},
        {508, "Insufficient\x01 Capacity", "the relay refused the allocation (508 Insufficient Capacity)"},
    };
    for (const auto& k : cases) {
        net::TurnClient c;
        Relay relay;
        c.start(kServer, "alice", "secret", 0);
        relay.take(c.poll(0));
        feed(c, relay.error(401, "Unauthorized", "n1"), 0);
        relay.take(c.poll(0));
        feed(c, relay.error(k.code, k.reason), 0);
        EXPECT_EQ(std::make_tuple(c.state(), c.failure()), std::make_tuple(net::TurnState::Failed, std::string(k.failure)));
        EXPECT_TRUE(c.poll(10000).empty());
    }
}

TEST(TurnPeers, PermissionThenChannelAndDatagramsWrappedAndUnwrappedEitherWay) {
    net::TurnClient c;
    Relay relay;
    allocate(c, relay, 0);
    const uint8_t game[] = {0x80, 1, 2, 3, 4, 5};
    c.permit(kPeer);
    EXPECT_EQ(relay.take(c.poll(1)).method, net::kTurnCreatePermission);
    feed(c, relay.answer(net::StunClass::Success), 2);
    const net::StunMessage bind = relay.take(c.poll(2));
    EXPECT_EQ(std::make_tuple(bind.method, bind.channel, bind.peer), std::make_tuple(uint16_t(net::kTurnChannelBind), net::kFirstChannel, kPeer));

    // before the channel is bound a datagram travels in a Send indication
    net::StunMessage send;
    const std::vector<uint8_t> indication = c.wrap(kPeer, game, sizeof game);
    ASSERT_TRUE(net::DecodeStun(indication.data(), indication.size(), send));
    EXPECT_EQ(std::make_tuple(send.method, send.cls, send.peer, send.data),
              std::make_tuple(uint16_t(net::kTurnSend), net::StunClass::Indication, kPeer, std::vector<uint8_t>(game, game + 6)));

    feed(c, relay.answer(net::StunClass::Success), 3);
    EXPECT_TRUE(c.channelBound(kPeer));
    const std::vector<uint8_t> framed = c.wrap(kPeer, game, sizeof game);
    EXPECT_EQ(framed, net::EncodeChannelData(net::kFirstChannel, game, sizeof game));

    // from the peer: by channel, by Data indication; the game's own datagrams are not the relay's
    const net::TurnReceived byChannel = feed(c, framed, 4);
    net::StunMessage data = send;
    data.method = net::kTurnData;
    const net::TurnReceived byIndication = feed(c, net::EncodeStun(data), 4);
    for (const net::TurnReceived& r : {byChannel, byIndication})
        EXPECT_EQ(std::make_tuple(r.kind, r.peer, r.payload),
                  std::make_tuple(net::TurnReceived::Kind::PeerData, kPeer, std::vector<uint8_t>(game, game + 6)));
    EXPECT_EQ(c.receive(game, sizeof game, 4).kind, net::TurnReceived::Kind::NotTurn);
    const std::vector<uint8_t> otherChannel = net::EncodeChannelData(0x4001, game, sizeof game);
    EXPECT_EQ(feed(c, otherChannel, 4).kind, net::TurnReceived::Kind::Handled);
}

// The allocation is refreshed a minute before its lifetime ends, the permission within its 5
// minutes, the channel within its 10; close releases the allocation with a lifetime of 0.
TEST(TurnPeers, RefreshesComeDueAndCloseReleases) {
    net::TurnClient c;
    Relay relay;
    allocate(c, relay, 0);
    c.permit(kPeer);
    relay.take(c.poll(0));
    feed(c, relay.answer(net::StunClass::Success), 0);
    relay.take(c.poll(0));
    feed(c, relay.answer(net::StunClass::Success), 1);

    const struct { uint64_t at; uint16_t method; } due[] = {
        {240000, net::kTurnCreatePermission},
        {480000, net::kTurnCreatePermission},
        {480001, net::kTurnChannelBind},
        {540000, net::kTurnRefresh},
    };
    for (const auto& d : due) {
        EXPECT_TRUE(c.poll(d.at - 1).empty()) << d.at;
        EXPECT_EQ(relay.take(c.poll(d.at)).method, d.method) << d.at;
        EXPECT_TRUE(relay.signedWith(kKey));
        feed(c, relay.answer(net::StunClass::Success), d.at);
    }
    EXPECT_EQ(relay.take({c.close()}).lifetime, 0u);
    EXPECT_TRUE(relay.last.hasLifetime && relay.signedWith(kKey));
    EXPECT_EQ(c.state(), net::TurnState::Closed);
}
