#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "net/stun_message.h"

namespace {

std::vector<uint8_t> fromHex(const std::string& hex) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}
std::vector<uint8_t> bytesOf(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// The published STUN test vectors (RFC 5769): a request signed with a long-term key, an ICE
// request and its IPv4 response signed with a short-term one, both with FINGERPRINT.
const std::vector<uint8_t> kLongTermRequest = fromHex(
    "000100602112a44278ad3433c6ad72c029da412e00060012e3839ee38388e383aae38383e382afe382b90000"
    "0015001c662f2f3439396b39353464364f4c33346f4c394653547679363473410014000b6578616d706c652e6f7267"
    "0000080014f67024656dd64a3e02b8e0712e85c9a28ca89666");
const std::vector<uint8_t> kIceRequest = fromHex(
    "000100582112a442b7e7a701bc34d686fa87dfae802200105354554e207465737420636c69656e74002400046e0001ff"
    "80290008932ff9b151263b36000600096576746a3a68367659202020000800149aeaa70cbfd8cb56781ef2b5b2d3f249"
    "c1b571a280280004e57a3bcf");
const std::vector<uint8_t> kIpv4Response = fromHex(
    "0101003c2112a442b7e7a701bc34d686fa87dfae8022000b7465737420766563746f7220002000080001a147e112a643"
    "000800142b91f599fd9e90c38c7489f92af9ba53f06be7d780280004c07d4c96");
const std::string kKatakanaMatrix = "\xE3\x83\x9E\xE3\x83\x88\xE3\x83\xAA\xE3\x83\x83\xE3\x82\xAF\xE3\x82\xB9";
const std::vector<uint8_t> kShortTermKey = bytesOf("VOkJxbRl1RmTxUk/WvJxBt");

}  // namespace

TEST(StunVectors, LongTermRequestIsWrittenByteForByteAndItsIntegrityChecks) {
    net::StunMessage m;
    m.transaction = {0x78, 0xad, 0x34, 0x33, 0xc6, 0xad, 0x72, 0xc0, 0x29, 0xda, 0x41, 0x2e};
    m.username = kKatakanaMatrix;
    m.nonce = "f//499k954d6OL34oL9FSTvy64sA";
    m.realm = "example.org";
    const std::vector<uint8_t> key = net::LongTermKey(m.username, m.realm, "TheMatrIX");
    EXPECT_EQ(net::EncodeStun(m, &key), kLongTermRequest);

    net::StunMessage d;
    ASSERT_TRUE(net::DecodeStun(kLongTermRequest.data(), kLongTermRequest.size(), d));
    EXPECT_EQ(std::make_tuple(d.method, d.cls, d.username, d.realm, d.nonce, d.fingerprint),
              std::make_tuple(uint16_t(net::kStunBinding), net::StunClass::Request, m.username, m.realm, m.nonce, false));
    EXPECT_TRUE(net::StunIntegrityMatches(kLongTermRequest.data(), kLongTermRequest.size(), d, key));
    const std::vector<uint8_t> wrong = net::LongTermKey(m.username, m.realm, "TheMatrix");
    EXPECT_FALSE(net::StunIntegrityMatches(kLongTermRequest.data(), kLongTermRequest.size(), d, wrong));
}

TEST(StunVectors, ShortTermMessagesDecodeWithFingerprintAndUnknownRequiredAttributesListed) {
    net::StunMessage response, request;
    ASSERT_TRUE(net::DecodeStun(kIpv4Response.data(), kIpv4Response.size(), response));
    EXPECT_EQ(response.cls, net::StunClass::Success);
    EXPECT_TRUE(response.fingerprint && response.hasMapped);
    EXPECT_EQ(net::FormatAddress(response.mapped), "192.0.2.1:32853");
    EXPECT_TRUE(net::StunIntegrityMatches(kIpv4Response.data(), kIpv4Response.size(), response, kShortTermKey));

    ASSERT_TRUE(net::DecodeStun(kIceRequest.data(), kIceRequest.size(), request));
    EXPECT_EQ(request.username, "evtj:h6vY");
    EXPECT_EQ(request.unknownRequired, std::vector<uint16_t>{0x0024});  // PRIORITY; ICE-CONTROLLED is optional
    EXPECT_TRUE(net::StunIntegrityMatches(kIceRequest.data(), kIceRequest.size(), request, kShortTermKey));

    // One bit changed in the mapped address: the fingerprint no longer matches.
    std::vector<uint8_t> damaged = kIpv4Response;
    damaged[43] ^= 1;
    EXPECT_FALSE(net::DecodeStun(damaged.data(), damaged.size(), response));
}

TEST(StunCodec, EveryTurnAttributeSurvivesTheRoundTrip) {
    net::StunMessage m;
    m.method = net::kTurnChannelBind;
    m.cls = net::StunClass::Error;
    m.transaction[11] = 7;
    m.hasMapped = m.hasRelayed = m.hasPeer = m.hasError = m.hasLifetime = m.hasTransport = m.hasChannel = m.hasData = true;
    m.mapped = {0xC0000201, 32853};
    m.relayed = {0x7F000001, 1};
    m.peer = {0xFFFFFFFF, 65535};
    m.errorCode = 438;
    m.errorReason = "Stale Nonce";
    m.lifetime = 600;
    m.transport = net::kTransportUdp;
    m.channel = net::kLastChannel;
    m.data = {1, 2, 3, 4, 5};
    m.username = "1700000000:guest";
    m.realm = "r";
    m.nonce = "abcdefgh";
    m.fingerprint = true;
    const std::vector<uint8_t> key = net::LongTermKey(m.username, m.realm, "pw");
    const std::vector<uint8_t> bytes = net::EncodeStun(m, &key);

    net::StunMessage d;
    ASSERT_TRUE(net::DecodeStun(bytes.data(), bytes.size(), d));
    EXPECT_EQ(std::make_tuple(d.method, d.cls, d.transaction, d.mapped, d.relayed, d.peer, d.errorCode, d.errorReason),
              std::make_tuple(m.method, m.cls, m.transaction, m.mapped, m.relayed, m.peer, m.errorCode, m.errorReason));
    EXPECT_EQ(std::make_tuple(d.lifetime, d.transport, d.channel, d.data, d.username, d.realm, d.nonce, d.fingerprint),
              std::make_tuple(m.lifetime, m.transport, m.channel, m.data, m.username, m.realm, m.nonce, true));
    EXPECT_TRUE(net::StunIntegrityMatches(bytes.data(), bytes.size(), d, key));
    EXPECT_EQ(net::ClassifyDatagram(bytes.data(), bytes.size()), net::DatagramKind::Stun);

    // Every shorter piece of it is refused, and so is an attribute after FINGERPRINT.
    for (size_t n = 0; n < bytes.size(); ++n) EXPECT_FALSE(net::DecodeStun(bytes.data(), n, d)) << n;
    std::vector<uint8_t> longer = bytes;
    longer.insert(longer.end(), {0x80, 0x22, 0, 0});
    longer[3] = static_cast<uint8_t>(longer[3] + 4);
    EXPECT_FALSE(net::DecodeStun(longer.data(), longer.size(), d));
}

// Hostile messages: each is a well-framed header with one bad attribute.
TEST(StunCodec, MalformedAttributesAreRefused) {
    const struct { const char* why; std::string attributes; } cases[] = {
        {"value runs past the end", "000d0008" "00000258"},
        {"lifetime of 3 bytes", "000d0003" "00000200"},
        {"address family 3", "00200008" "0003a147e112a643"},
        {"IPv4 address of 12 bytes", "0020000c" "0001a147e112a64300000000"},
        {"error class 7", "00090004" "00000701"},
        {"error number 100", "00090004" "00000464"},
        {"integrity of 16 bytes", "00080010" "00000000000000000000000000000000"},
        {"username of 516 bytes", "00060204" + std::string(1032, '6')},
    };
    for (const auto& c : cases) {
        std::string hex = "0001" + std::string(4, '0') + "2112a442" + std::string(24, '0') + c.attributes;
        const size_t body = hex.size() / 2 - net::kStunHeaderBytes;
        char length[5];
        std::snprintf(length, sizeof length, "%04zx", body);
        hex.replace(4, 4, length);
        const std::vector<uint8_t> bytes = fromHex(hex);
        net::StunMessage m;
        EXPECT_FALSE(net::DecodeStun(bytes.data(), bytes.size(), m)) << c.why;
    }
}

TEST(Datagrams, StunChannelDataAndTheGamesOwnAreToldApart) {
    std::vector<uint8_t> stun = kIpv4Response, badCookie = kIpv4Response, longer = kIpv4Response;
    badCookie[4] = 0x22;
    longer.push_back(0);
    const uint8_t channel[] = {0x40, 0x00, 0x00, 0x00}, enet[] = {0x80, 0x00, 0x12, 0x34, 0x00, 0x00};
    EXPECT_EQ(net::ClassifyDatagram(stun.data(), stun.size()), net::DatagramKind::Stun);
    EXPECT_EQ(net::ClassifyDatagram(badCookie.data(), badCookie.size()), net::DatagramKind::Other);
    EXPECT_EQ(net::ClassifyDatagram(longer.data(), longer.size()), net::DatagramKind::Other);
    EXPECT_EQ(net::ClassifyDatagram(channel, sizeof channel), net::DatagramKind::ChannelData);
    EXPECT_EQ(net::ClassifyDatagram(enet, sizeof enet), net::DatagramKind::Other);
    EXPECT_EQ(net::ClassifyDatagram(channel, 3), net::DatagramKind::Other);
}

TEST(ChannelData, PaddingUpToFourBytesIsAcceptedAndTheLengthIsTrusted) {
    const uint8_t payload[] = {9, 8, 7, 6, 5};
    std::vector<uint8_t> bytes = net::EncodeChannelData(0x4001, payload, sizeof payload);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{0x40, 0x01, 0, 5, 9, 8, 7, 6, 5}));
    uint16_t channel = 0;
    std::vector<uint8_t> got;
    for (size_t extra : {0, 3}) {
        std::vector<uint8_t> withPadding = bytes;
        withPadding.resize(bytes.size() + extra);
        ASSERT_TRUE(net::DecodeChannelData(withPadding.data(), withPadding.size(), channel, got)) << extra;
        EXPECT_EQ(std::make_tuple(channel, got), std::make_tuple(uint16_t(0x4001), std::vector<uint8_t>(payload, payload + 5)));
    }
    bytes.resize(bytes.size() + 4);
    EXPECT_FALSE(net::DecodeChannelData(bytes.data(), bytes.size(), channel, got));
    EXPECT_FALSE(net::DecodeChannelData(bytes.data(), 8, channel, got));  // the payload cut short
    const uint8_t reserved[] = {0x50, 0x00, 0x00, 0x00};
    EXPECT_FALSE(net::DecodeChannelData(reserved, sizeof reserved, channel, got));
    EXPECT_TRUE(net::EncodeChannelData(0x3FFF, payload, sizeof payload).empty());
}
