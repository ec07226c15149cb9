// The guest seat's proof: the key is Argon2id of the code's secret (checked against the
// reference tool's output), an answer passes only for its own nonce under the right key,
// and the two messages carrying it are read back exactly or not at all.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/seat_proof.h"

namespace {

constexpr uint64_t kSecret = 0x123456789Aull;

std::string hex(const uint8_t* p, size_t n) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) s += {digits[p[i] >> 4], digits[p[i] & 15]};
    return s;
}

net::SeatSalt textSalt(const char (&text)[17]) {
    net::SeatSalt salt;
    std::copy(text, text + 16, salt.begin());
    return salt;
}

}  // namespace

// Both games must derive the same key from the same code, whichever build made them.
// Expected values: argon2 -id -t 2 -m 16 -p 1 -l 32 (the reference implementation's tool),
// the password the secret's five bytes, least significant first; then Python's hmac with SHA-512.
TEST(SeatProof, TheKeyIsArgon2idOfTheSecretsFiveBytesAndTheAnswerHmacSha512Cut) {
    const net::SeatSalt salt = textSalt("puckslide-salt16");
    net::SeatKey key, high;
    ASSERT_TRUE(net::DeriveSeatKey(kSecret, salt, key));
    EXPECT_EQ(hex(key.bytes.data(), key.bytes.size()), "b838664abd7b8eb5139c4ae2fceb4a3b69bbe0635d1eca2c4f122ab98ea57a41");
    ASSERT_TRUE(net::DeriveSeatKey(kSecret | 0xFFull << 40, salt, high));  // bits above the code's are not part of it
    EXPECT_EQ(high.bytes, key.bytes);
    net::SeatChallenge c;
    c.salt = salt;
    for (size_t i = 0; i < c.nonce.size(); ++i) c.nonce[i] = static_cast<uint8_t>(i);
    const net::SeatAnswer a = net::AnswerSeatChallenge(key, c);
    EXPECT_EQ(hex(a.mac.data(), a.mac.size()), "6dfa326204a8981b1e68208a5fd80e8ca135e9fc57fcc614a6421a528067bc11");
}

TEST(SeatProof, OnlyTheCodesKeyAnswersAndOnlyTheChallengeItWasAsked) {
    const net::SeatSalt salt = net::NewSeatSalt(), otherSalt = net::NewSeatSalt();
    ASSERT_NE(salt, otherSalt);
    net::SeatKey host, guest, otherCode, otherSaltKey;
    ASSERT_TRUE(net::DeriveSeatKey(kSecret, salt, host));
    ASSERT_TRUE(net::DeriveSeatKey(kSecret, salt, guest));
    ASSERT_TRUE(net::DeriveSeatKey(kSecret ^ 1, salt, otherCode));
    ASSERT_TRUE(net::DeriveSeatKey(kSecret, otherSalt, otherSaltKey));
    EXPECT_EQ(host.bytes, guest.bytes);

    const net::SeatChallenge earlier = net::NewSeatChallenge(salt), now = net::NewSeatChallenge(salt);
    EXPECT_EQ(now.salt, salt);
    ASSERT_NE(now.nonce, earlier.nonce);
    net::SeatAnswer flipped = net::AnswerSeatChallenge(guest, now);
    flipped.mac[31] ^= 0x80;
    const struct { const char* what; net::SeatAnswer answer; bool valid; } cases[] = {
        {"the code's holder", net::AnswerSeatChallenge(guest, now), true},
        {"a code one bit off", net::AnswerSeatChallenge(otherCode, now), false},
        {"the code under another salt", net::AnswerSeatChallenge(otherSaltKey, now), false},
        {"a recorded answer to an earlier nonce", net::AnswerSeatChallenge(guest, earlier), false},
        {"one bit of the answer flipped", flipped, false},
        {"nothing", net::SeatAnswer{}, false},
    };
    for (const auto& c : cases) EXPECT_EQ(net::SeatAnswerValid(host, now, c.answer), c.valid) << c.what;
}

TEST(SeatMessages, ReadBackExactlyAndRefuseAnyOtherLengthOrType) {
    net::SeatChallengeMessage challenge;
    const net::SeatChallenge c = net::NewSeatChallenge(net::NewSeatSalt());
    challenge.salt = c.salt, challenge.nonce = c.nonce;
    net::SeatAnswerMessage answer;
    answer.mac = net::AnswerSeatChallenge(net::SeatKey{}, c).mac;
    const std::vector<uint8_t> bytes[] = {net::EncodeSeatChallenge(challenge), net::EncodeSeatAnswer(answer)};
    ASSERT_EQ(bytes[0].size(), 1 + 16 + 32u);
    ASSERT_EQ(bytes[1].size(), 1 + 32u);
    net::SeatChallengeMessage readChallenge;
    net::SeatAnswerMessage readAnswer;
    ASSERT_TRUE(net::DecodeSeatChallenge(bytes[0].data(), bytes[0].size(), readChallenge));
    ASSERT_TRUE(net::DecodeSeatAnswer(bytes[1].data(), bytes[1].size(), readAnswer));
    EXPECT_EQ(std::make_pair(readChallenge.salt, readChallenge.nonce), std::make_pair(challenge.salt, challenge.nonce));
    EXPECT_EQ(readAnswer.mac, answer.mac);
    // Neither reads as the other; every cut and a byte more are refused and leave the message as it was.
    EXPECT_FALSE(net::DecodeSeatAnswer(bytes[0].data(), bytes[0].size(), readAnswer));
    EXPECT_FALSE(net::DecodeSeatChallenge(bytes[1].data(), bytes[1].size(), readChallenge));
    for (int which = 0; which < 2; ++which) {
        std::vector<uint8_t> longer = bytes[which];
        longer.push_back(0);
        std::vector<std::vector<uint8_t>> refused{longer};
        for (size_t n = 0; n < bytes[which].size(); ++n) refused.emplace_back(bytes[which].begin(), bytes[which].begin() + n);
        for (const std::vector<uint8_t>& r : refused) {
            const bool read = which == 0 ? net::DecodeSeatChallenge(r.data(), r.size(), readChallenge)
                                         : net::DecodeSeatAnswer(r.data(), r.size(), readAnswer);
            EXPECT_FALSE(read) << which << ": " << r.size() << " bytes";
        }
    }
    EXPECT_EQ(readChallenge.nonce, challenge.nonce);
    EXPECT_EQ(readAnswer.mac, answer.mac);
}

// The reason travels in the top byte beside the host's version; a reason this game does not
// know reads as none.
TEST(SeatMessages, AWrongCodeFarewellKeepsTheHostsVersion) {
    const uint32_t greeting = net::Greeting("1.2.3");
    const uint32_t data = net::FarewellData(net::Farewell::WrongCode, greeting);
    EXPECT_EQ(net::FarewellOf(data), net::Farewell::WrongCode);
    EXPECT_EQ(net::GreetingVersion(net::FarewellGreeting(data)), "1.2.3");
    EXPECT_EQ(net::FarewellOf(data + (1u << 24)), net::Farewell::None);
}
