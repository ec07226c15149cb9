#include "net/seat_proof.h"

#include <sodium.h>

#include "net/invite_code.h"

namespace net {

static_assert(kSeatSaltBytes == crypto_pwhash_SALTBYTES);
static_assert(kSeatKeyBytes == crypto_auth_KEYBYTES);
static_assert(kSeatMacBytes == crypto_auth_BYTES);

namespace {

// The secret as the password: its five bytes, least significant first.
constexpr size_t kSecretBytes = (kInviteSecretBits + 7) / 8;

// Once per process, from whichever thread asks first; later calls see its answer.
bool sodiumReady() {
    static const bool ready = sodium_init() >= 0;
    return ready;
}

}  // namespace

SeatSalt NewSeatSalt() {
    SeatSalt salt;
    sodiumReady();
    randombytes_buf(salt.data(), salt.size());
    return salt;
}

uint64_t NewRandom64() {
    sodiumReady();
    uint64_t v = 0;
    randombytes_buf(&v, sizeof v);
    return v;
}

uint64_t NewInviteSecret() { return NewRandom64() & kInviteSecretMask; }

bool DeriveSeatKey(uint64_t secret, const SeatSalt& salt, SeatKey& key) {
    if (!sodiumReady()) return false;
    unsigned char password[kSecretBytes];
    const uint64_t bits = secret & kInviteSecretMask;
    for (size_t i = 0; i < kSecretBytes; ++i) password[i] = static_cast<unsigned char>(bits >> (8 * i));
    SeatKey derived;
    const bool ok = crypto_pwhash(derived.bytes.data(), derived.bytes.size(), reinterpret_cast<const char*>(password),
                                  sizeof password, salt.data(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                                  crypto_pwhash_MEMLIMIT_INTERACTIVE, crypto_pwhash_ALG_ARGON2ID13) == 0;
    sodium_memzero(password, sizeof password);
    if (ok) key = derived;
    sodium_memzero(derived.bytes.data(), derived.bytes.size());
    return ok;
}

SeatChallenge NewSeatChallenge(const SeatSalt& salt) {
    SeatChallenge c;
    c.salt = salt;
    sodiumReady();
    randombytes_buf(c.nonce.data(), c.nonce.size());
    return c;
}

SeatAnswer AnswerSeatChallenge(const SeatKey& key, const SeatChallenge& challenge) {
    SeatAnswer a;
    sodiumReady();
    crypto_auth(a.mac.data(), challenge.nonce.data(), challenge.nonce.size(), key.bytes.data());
    return a;
}

bool SeatAnswerValid(const SeatKey& key, const SeatChallenge& challenge, const SeatAnswer& answer) {
    sodiumReady();
    return crypto_auth_verify(answer.mac.data(), challenge.nonce.data(), challenge.nonce.size(), key.bytes.data()) == 0;
}

}  // namespace net
