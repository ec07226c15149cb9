// Who may take the guest seat: only a guest that holds the invite code's secret.
// The host never sends the secret, nor anything it could be read from without work:
// it sends a challenge (the code's salt and a fresh nonce) and the guest answers with
// an HMAC of the nonce under a key stretched from the secret. The stretch (Argon2id,
// libsodium's interactive limits) makes a recorded handshake expensive to try against
// every possible code offline; a fresh nonce per guest makes a recorded answer useless.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace net {

constexpr size_t kSeatSaltBytes = 16;
constexpr size_t kSeatNonceBytes = 32;
constexpr size_t kSeatKeyBytes = 32;
constexpr size_t kSeatMacBytes = 32;

using SeatSalt = std::array<uint8_t, kSeatSaltBytes>;
using SeatNonce = std::array<uint8_t, kSeatNonceBytes>;
using SeatMac = std::array<uint8_t, kSeatMacBytes>;

struct SeatKey {
    std::array<uint8_t, kSeatKeyBytes> bytes{};
};

struct SeatChallenge {
    SeatSalt salt{};
    SeatNonce nonce{};
};

struct SeatAnswer {
    SeatMac mac{};
};

// A new salt for a new code: the host makes one per code it hands out.
SeatSalt NewSeatSalt();
// A new code's secret (kInviteSecretBits random bits), and a random 64-bit number (a token,
// a nonce, a tag) no one else can guess.
uint64_t NewInviteSecret();
uint64_t NewRandom64();

// The key of a code's secret (its low 40 bits) under the code's salt. Slow on purpose
// (tens to hundreds of milliseconds, 64 MiB): the host derives it once per code, the
// guest once per challenge. false: libsodium could not start or allocate.
bool DeriveSeatKey(uint64_t secret, const SeatSalt& salt, SeatKey& key);

// The host's challenge to one guest: the code's salt and a nonce never used before.
SeatChallenge NewSeatChallenge(const SeatSalt& salt);

SeatAnswer AnswerSeatChallenge(const SeatKey& key, const SeatChallenge& challenge);

// In constant time; an answer to any other nonce, or under another key, fails.
bool SeatAnswerValid(const SeatKey& key, const SeatChallenge& challenge, const SeatAnswer& answer);

}  // namespace net
