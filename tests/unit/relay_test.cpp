// STUN messages against the published vectors (RFC 5769) and hostile bytes; TurnClient against
// hand-made answers a real server would not give: refusals, stale nonces, forgeries, silence.
// The happy path, the game relaying through a real coturn, is the end-to-end runs' in the NAT lab.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fake_turn_server.h"

namespace {

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// A request signed with a long-term key, an IPv4 response signed with a short-term one.
const std::vector<uint8_t> kLongTermRequest = fromHex(
    "000100602112a44278ad3433c6ad72c029da412e00060012e3839ee38388e383aae38383e382afe382b90000"
    "0015001c662f2f3439396b39353464364f4c33346f4c394653547679363473410014000b6578616d706c652e6f7267"
    "0000080014f67024656dd64a3e02b8e0712e85c9a28ca89666");
const std::vector<uint8_t> kIpv4Response = fromHex(
    "0101003c2112a442b7e7a701bc34d686fa87dfae8022000b7465737420766563746f7220002000080001a147e112a643"
    "000800142b91f599fd9e90c38c7489f92af9ba53f06be7d780280004c07d4c96");
const net::Endpoint kRelayed{0xC6336401, 50000}, kPeer{0xC6336402, 50002};

bool decode(const std::vector<uint8_t>& d, net::StunMessage& m) { return net::DecodeStun(d.data(), d.size(), m); }
}  // namespace

TEST(StunVectors, LongTermRequestIsWrittenByteForByteAndItsIntegrityChecks) {
    net::StunMessage m, d;
    m.transaction = {0x78, 0xad, 0x34, 0x33, 0xc6, 0xad, 0x72, 0xc0, 0x29, 0xda, 0x41, 0x2e};
    m.username = "\xE3\x83\x9E\xE3\x83\x88\xE3\x83\xAA\xE3\x83\x83\xE3\x82\xAF\xE3\x82\xB9";
    m.nonce = "f//499k954d6OL34oL9FSTvy64sA", m.realm = "example.org";
    const std::vector<uint8_t> key = net::LongTermKey(m.username, m.realm, "TheMatrIX");
    EXPECT_EQ(net::EncodeStun(m, &key), kLongTermRequest);
    ASSERT_TRUE(decode(kLongTermRequest, d));
    EXPECT_TRUE(net::StunIntegrityMatches(kLongTermRequest.data(), kLongTermRequest.size(), d, key));
    EXPECT_FALSE(net::StunIntegrityMatches(kLongTermRequest.data(), kLongTermRequest.size(), d,
                                           net::LongTermKey(m.username, m.realm, "TheMatrix")));
}

// The optional SOFTWARE is passed over; a changed bit, or anything after FINGERPRINT, is refused.
TEST(StunVectors, ShortTermResponseDecodesAndDamageIsRefused) {
    net::StunMessage response;
    const std::string password = "VOkJxbRl1RmTxUk/WvJxBt";
    ASSERT_TRUE(decode(kIpv4Response, response));
    EXPECT_TRUE(net::StunIntegrityMatches(kIpv4Response.data(), kIpv4Response.size(), response, {password.begin(), password.end()}));
    EXPECT_TRUE(response.fingerprint && net::FormatEndpoint(response.mapped) == "192.0.2.1:32853");
    std::vector<uint8_t> damaged = kIpv4Response, longer = kIpv4Response;
    damaged[43] ^= 1;  // the mapped port
    longer.insert(longer.end(), {0x80, 0x22, 0, 0}), longer[3] = static_cast<uint8_t>(longer[3] + 4);
    EXPECT_FALSE(decode(damaged, response) || decode(longer, response));
}

// A header with one bad attribute each (type, length, value) is refused; one the client does
// not know but must understand is listed.
TEST(StunCodec, HostileAttributesAreRefusedAndDatagramsToldApart) {
    const std::string cases[] = {
        "000d0008" "00000258",                  // the value runs past the end
        "000d0003" "00000200",                  // a lifetime of 3 bytes
        "00200008" "0003a147e112a643",          // address family 3
        "0020000c" "0001a147e112a64300000000",  // an IPv4 address of 12 bytes
        "00090004" "00000701",                  // error class 7
        "00090004" "00000464",                  // error number 100
        "00080010" + std::string(32, '0'),      // an integrity of 16 bytes
        "00060204" + std::string(1032, '6'),    // a user name of 516 bytes
    };
    net::StunMessage m;
    for (const std::string& attribute : cases) {
        std::vector<uint8_t> bytes = fromHex("000100002112a442" + std::string(24, '0') + attribute);
        bytes[2] = static_cast<uint8_t>((bytes.size() - net::kStunHeaderBytes) >> 8), bytes[3] = static_cast<uint8_t>(bytes.size() - net::kStunHeaderBytes);
        EXPECT_FALSE(decode(bytes, m)) << attribute;
    }
    ASSERT_TRUE(decode(fromHex("000100082112a442" + std::string(24, '0') + "002400046e0001ff"), m));
    EXPECT_EQ(m.unknownRequired, std::vector<uint16_t>{0x0024});

    // STUN, ChannelData and the game's own datagrams are told apart; ChannelData may be padded.
    std::vector<uint8_t> badCookie = kIpv4Response, longer = kIpv4Response, got;
    badCookie[4] = 0x22, longer.push_back(0);
    const uint8_t payload[] = {9, 8, 7, 6, 5};
    std::vector<uint8_t> framed = net::EncodeChannelData(0x4001, payload, sizeof payload);
    const std::tuple<std::vector<uint8_t>, net::DatagramKind> kinds[] = {{kIpv4Response, net::DatagramKind::Stun},
        {badCookie, net::DatagramKind::Other}, {longer, net::DatagramKind::Other}, {framed, net::DatagramKind::ChannelData}};
    for (const auto& [d, kind] : kinds) EXPECT_EQ(net::ClassifyDatagram(d.data(), d.size()), kind) << d.size();
    uint16_t channel = 0;
    framed.resize(framed.size() + 4);  // up to 3 bytes of padding are taken
    EXPECT_FALSE(net::DecodeChannelData(framed.data(), framed.size(), channel, got));
    EXPECT_TRUE(net::DecodeChannelData(framed.data(), framed.size() - 1, channel, got));
    EXPECT_EQ(std::make_tuple(channel, got), std::make_tuple(uint16_t(0x4001), std::vector<uint8_t>(payload, payload + 5)));
}

// After the challenge: answers not signed with the long-term key are ignored; a refusal fails
// with a reason for the player.
TEST(TurnAllocate, ForgedAnswersAreIgnoredAndRefusalsFailWithAReason) {
    const struct { int code; const char* reason; const char* failure; } cases[] = {
        {401, "Unauthorized", "the relay refused the credentials (401)"},
        {486, "Allocation Quota Reached", "the relay refused the allocation (486 Allocation Quota Reached)"},
        {508, "Insufficient\x01 Capacity", "the relay refused the allocation (508 Insufficient Capacity)"},
    };
    for (const auto& k : cases) {
        FakeTurnServer s;
        s.challenged();
        EXPECT_EQ(std::make_tuple(s.last.username, s.last.realm, s.last.nonce, s.lastSigned),
                  std::make_tuple("alice", "puck.test", "n1", true));
        net::StunMessage forged = s.reply();
        const std::vector<uint8_t> otherKey = net::LongTermKey("alice", "puck.test", "guess");
        forged.hasRelayed = true, s.feed(net::EncodeStun(forged, &otherKey)), s.feed(net::EncodeStun(forged));
        EXPECT_EQ(s.c.state(), net::TurnState::Allocating);
        s.error(k.code, k.reason);
        EXPECT_EQ(std::make_tuple(s.c.state(), s.c.failure()), std::make_tuple(net::TurnState::Failed, std::string(k.failure)));
        EXPECT_EQ(s.take(10000), 0u);
    }
}

TEST(TurnAllocate, StaleNonceIsTakenUpAndSentAgainButNotForever) {
    FakeTurnServer s;
    s.binding(kPeer);
    const net::StunMessage bind = s.last;
    for (const char* nonce : {"n2", "n3", "n4"}) {
        s.error(438, "Stale Nonce", nonce);
        ASSERT_EQ(s.take(0), 1u);
        EXPECT_EQ(std::make_tuple(s.last.method, s.last.nonce, s.last.peer, s.lastSigned),
                  std::make_tuple(bind.method, nonce, kPeer, true));
        EXPECT_NE(s.last.transaction, bind.transaction);
    }
    s.error(438, "Stale Nonce", "n5");
    EXPECT_EQ(s.c.failure(), "the relay kept refusing its own nonce (438)");
}

// Lost answers: the request goes out again after 0.5, 1 and 2 s, and at 5 s the client gives up.
TEST(TurnAllocate, RetransmitsWithDoublingGapsThenGivesUp) {
    net::TurnClient c;
    c.start({0x7F000001, 3478}, "alice", "secret", 1000);
    const std::vector<uint8_t> first = c.poll(1000).at(0);
    const struct { uint64_t at; size_t sent; } timeline[] = {
        {1499, 0}, {1500, 1}, {1501, 0}, {2499, 0}, {2500, 1}, {4499, 0}, {4500, 1}, {5999, 0}, {6000, 0}};
    for (const auto& t : timeline) {
        const auto sent = c.poll(t.at);
        ASSERT_EQ(sent.size(), t.sent) << t.at;
        if (t.sent) EXPECT_EQ(sent[0], first) << t.at;
    }
    EXPECT_EQ(c.failure(), "the relay did not answer within 5 seconds");
}

// A peer's datagrams travel in Send and Data indications until its channel (to its own port) is
// bound, then as ChannelData; other channels and the game's own datagrams are not a peer's. The
// allocation is refreshed a minute before its lifetime (500 s) ends, the permission within its 5
// minutes, the channel within its 10 (or as often as a test asks); the release is sent until answered.
TEST(TurnPeers, IndicationsThenChannelRefreshesAndRelease) {
    FakeTurnServer s;
    s.binding(kPeer, 500);
    EXPECT_EQ(std::make_tuple(s.c.relayed(), s.last.method, s.last.peer, s.last.channel),
              std::make_tuple(kRelayed, uint16_t(net::kTurnChannelBind), kPeer, net::kFirstChannel));
    const std::vector<uint8_t> game = {0x80, 1, 2, 3, 4, 5};
    net::StunMessage send;
    ASSERT_TRUE(decode(s.c.wrap(kPeer, game.data(), game.size()), send));
    EXPECT_EQ(std::make_tuple(send.method, send.cls, send.peer, send.data),
              std::make_tuple(uint16_t(net::kTurnSend), net::StunClass::Indication, kPeer, game));
    send.method = net::kTurnData;
    const net::TurnReceived data = s.feed(net::EncodeStun(send));
    EXPECT_EQ(std::make_tuple(data.kind, data.peer, data.payload), std::make_tuple(net::TurnReceived::Kind::PeerData, kPeer, game));
    s.succeed(1);
    const std::vector<uint8_t> framed = s.c.wrap(kPeer, game.data(), game.size());
    EXPECT_EQ(framed, net::EncodeChannelData(net::kFirstChannel, game.data(), game.size()));
    EXPECT_EQ(std::make_tuple(s.feed(framed).peer, s.feed(game).kind), std::make_tuple(kPeer, net::TurnReceived::Kind::NotTurn));
    EXPECT_EQ(s.feed(net::EncodeChannelData(0x4001, game.data(), game.size())).kind, net::TurnReceived::Kind::Handled);

    const struct { uint64_t at; uint16_t method; } due[] = {{240000, net::kTurnCreatePermission},
        {440000, net::kTurnRefresh}, {480000, net::kTurnCreatePermission}, {480001, net::kTurnChannelBind}};
    for (const auto& d : due) {
        EXPECT_EQ(s.take(d.at - 1), 0u) << d.at;
        EXPECT_EQ(std::make_tuple(s.take(d.at), s.last.method, s.lastSigned), std::make_tuple(1u, d.method, true)) << d.at;
        s.succeed(d.at, 500);
    }
    FakeTurnServer quick;  // a test's short refresh: the permission and the channel both after 2 s
    quick.c.setRefreshMs(2000), quick.binding(kPeer), quick.succeed(0);
    EXPECT_TRUE(quick.c.poll(1999).empty());
    EXPECT_EQ(quick.take(2000), 2u);
    EXPECT_EQ(quick.last.method, net::kTurnChannelBind);

    s.c.release(490000);
    for (uint64_t at : {490000, 490500}) {
        ASSERT_EQ(s.take(at), 1u) << at;
        EXPECT_EQ(std::make_tuple(s.last.method, s.last.hasLifetime, s.last.lifetime, s.lastSigned),
                  std::make_tuple(uint16_t(net::kTurnRefresh), true, 0u, true));
    }
    EXPECT_EQ(s.feed(framed).kind, net::TurnReceived::Kind::Handled) << "nothing goes to the game once let go";
    s.succeed(490600);
    EXPECT_EQ(std::make_tuple(s.c.state(), s.take(600000)), std::make_tuple(net::TurnState::Closed, 0u));
}

// A relay let go before it is granted: the grant is awaited and released at once (nothing is
// held when the server challenges instead); a refusal of the release (437: it is gone already)
// or the server's silence ends it all the same, and no failure reaches the player.
TEST(TurnPeers, ReleasedBeforeItIsGranted) {
    FakeTurnServer s;
    s.c.start({0x7F000001, 3478}, "alice", "secret", 0), s.take(0), s.c.release(10), s.error(401, "Unauthorized", "n1");
    EXPECT_EQ(std::make_tuple(s.c.state(), s.c.poll(1000).size()), std::make_tuple(net::TurnState::Closed, 0u));
    for (bool answered : {true, false}) {
        s.challenged(), s.c.permit(kPeer.ipv4), s.c.release(10);
        EXPECT_TRUE(s.c.poll(20).empty());
        s.succeed(30);
        EXPECT_EQ(std::make_tuple(s.take(30), s.last.method, s.last.lifetime), std::make_tuple(1u, uint16_t(net::kTurnRefresh), 0u));
        answered ? s.error(437, "Allocation Mismatch") : void(s.take(6000));
        EXPECT_EQ(std::make_tuple(s.c.state(), s.c.failure()), std::make_tuple(net::TurnState::Closed, std::string()));
    }
}
