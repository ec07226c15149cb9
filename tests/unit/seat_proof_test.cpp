// The guest seat's proof: the key is Argon2id of the code's secret, an answer passes only for
// its own nonce under the right key; the farewell of a wrong code.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "net/protocol.h"

constexpr uint64_t kSecret = 0x123456789Aull;

static std::string hex(const std::array<uint8_t, 32>& bytes) {
    std::string s;
    for (uint8_t b : bytes) s += {"0123456789abcdef"[b >> 4], "0123456789abcdef"[b & 15]};
    return s;
}

// Both games must derive the same key from a code, whichever build made them. Expected values from
// the reference tool (argon2 -id -t 2 -m 16 -p 1 -l 32; the password the secret's five bytes, least
// significant first) and from Python's hmac with SHA-512, cut to 32 bytes.
TEST(SeatProof, TheCodesKeyAnswersOnlyTheChallengeItWasAskedAndNoOtherKeyDoes) {
    net::SeatSalt salt;
    std::copy_n("puckslide-salt16", salt.size(), salt.begin());
    net::SeatKey key, otherCode, otherSalt;  // bits above the code's 40 are not part of it
    ASSERT_TRUE(net::DeriveSeatKey(kSecret | 0xFFull << 40, salt, key) && net::DeriveSeatKey(kSecret ^ 1, salt, otherCode) &&
                net::DeriveSeatKey(kSecret, net::NewSeatSalt(), otherSalt));
    EXPECT_EQ(hex(key.bytes), "b838664abd7b8eb5139c4ae2fceb4a3b69bbe0635d1eca2c4f122ab98ea57a41");
    net::SeatChallenge counting{salt, {}};
    for (size_t i = 0; i < counting.nonce.size(); ++i) counting.nonce[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(hex(net::AnswerSeatChallenge(key, counting).mac), "6dfa326204a8981b1e68208a5fd80e8ca135e9fc57fcc614a6421a528067bc11");

    const net::SeatChallenge now = net::NewSeatChallenge(salt), earlier = net::NewSeatChallenge(salt);
    ASSERT_NE(now.nonce, earlier.nonce);
    const struct { const char* what; net::SeatAnswer answer; bool valid; } cases[] = {
        {"the code's holder", net::AnswerSeatChallenge(key, now), true},
        {"a code one bit off", net::AnswerSeatChallenge(otherCode, now), false},
        {"the code under another salt", net::AnswerSeatChallenge(otherSalt, now), false},
        {"a recorded answer to an earlier nonce", net::AnswerSeatChallenge(key, earlier), false},
    };
    for (const auto& c : cases) EXPECT_EQ(net::SeatAnswerValid(key, now, c.answer), c.valid) << c.what;
}

// The fuzzer proves that what the seat's readers take is exactly what the writers make, and every join by
// a code in e2e test_invite and test_router that they take it.
TEST(SeatMessages, AWrongCodeFarewellKeepsTheVersion) {
    const uint32_t data = net::FarewellData(net::Farewell::WrongCode, net::Greeting("1.2.3"));
    EXPECT_TRUE(net::FarewellOf(data) == net::Farewell::WrongCode && net::GreetingVersion(net::FarewellGreeting(data)) == "1.2.3");
    EXPECT_EQ(net::FarewellOf(data + (1u << 24)), net::Farewell::None);  // a reason this game does not know
}
