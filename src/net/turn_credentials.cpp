#include "net/turn_credentials.h"

#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace net {

TurnCredentials MakeTurnCredentials(const std::string& sharedSecret, uint64_t expiresAtUnixSeconds) {
    TurnCredentials c;
    c.username = std::to_string(expiresAtUnixSeconds);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    HMAC(EVP_sha1(), sharedSecret.data(), static_cast<int>(sharedSecret.size()),
         reinterpret_cast<const unsigned char*>(c.username.data()), c.username.size(), digest, &digestLength);
    unsigned char text[4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1];
    const int length = EVP_EncodeBlock(text, digest, static_cast<int>(digestLength));
    c.password.assign(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    return c;
}

}  // namespace net
