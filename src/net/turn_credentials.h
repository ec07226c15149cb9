// Credentials for a coturn server run with `use-auth-secret` (the "TURN REST" scheme):
// anyone who knows the server's shared secret can mint a user name and password that
// the server accepts until the time in the user name, without the server keeping a
// list of users. The rendezvous mints them for the players it introduces.
#pragma once

#include <cstdint>
#include <string>

namespace net {

struct TurnCredentials {
    std::string username;  // the expiry time, Unix seconds in decimal
    std::string password;  // base64 of HMAC-SHA1(shared secret, user name)
};

TurnCredentials MakeTurnCredentials(const std::string& sharedSecret, uint64_t expiresAtUnixSeconds);

}  // namespace net
