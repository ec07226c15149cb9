// The UDP datagrams between a game and the rendezvous, which introduces a guest
// holding an invite code to its host so that both can punch through their routers.
// The rendezvous is a mailbox of addresses: it never sees a game datagram nor the
// invite's secret.
//
// Every datagram: magic C7 'P' '3' 'R', version, type, then the type's fields,
// little-endian. The game hears these on its ENet socket beside ENet's and a TURN
// server's datagrams: the magic's first byte (top bits 11) is neither STUN (00) nor
// TURN ChannelData (01), no valid datagram has STUN's cookie at bytes 4..7 (byte 4 is
// the version), and read as an ENet header it names peer 0x7xx, which no game has.
//
//   type  message        from -> to     fields
//   1     Register       host -> R      token, lookup id wanted (0: any), own addresses
//   2     Registered     R -> host      token, lookup id, host as R saw it, lifetime, TURN offer
//   3     Lookup         guest -> R     nonce, lookup id, own addresses
//   4     Found          R -> guest     nonce, lookup id, host as R saw it, host's own addresses,
//                                       guest as R saw it, TURN offer
//   5     GuestArriving  R -> host      token, lookup id, guest as R saw it, guest's own addresses
//   6     NotFound       R -> guest     nonce, lookup id
//   7     RateLimited    R -> guest     nonce, seconds until a Lookup is answered again
//   8     Full           R -> host      token
//   9     Unregister     host -> R      token
//
// The host's token (random, 64 bits) is its registration's key: only its holder can
// refresh or remove it, and R's answers to the host echo it so the host can tell them
// from forged ones. A guest's nonce does the same for its Lookup. A host repeats
// Register as its keep-alive; a guest repeats Lookup until something answers.
//
// A decoder accepts exactly one well-formed message: every count, flag, length and
// address checked, nothing left over; on failure it leaves its output as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "net/endpoint.h"

namespace net {

constexpr uint16_t kRendezvousPort = 27317;
constexpr uint8_t kRendezvousVersion = 1;
constexpr size_t kMaxOwnAddresses = 8;           // LAN addresses, a mapped one
constexpr size_t kMaxCredentialChars = 64;       // TURN user name and password, printable ASCII
constexpr size_t kMaxRendezvousDatagram = 512;   // anything longer is no message of ours

// In these datagrams neither an address nor a port is ever 0.

// A TURN server to relay through when punching fails, and credentials it accepts for a while.
struct TurnOffer {
    Endpoint server;
    std::string username;
    std::string password;
    bool operator==(const TurnOffer& o) const {
        return server == o.server && username == o.username && password == o.password;
    }
};

struct RegisterMessage {
    uint64_t token = 0;
    uint32_t lookupId = 0;  // the id of the code the host already gave out, kept across a restart of R
    std::vector<Endpoint> addresses;
};

struct RegisteredMessage {
    uint64_t token = 0;
    uint32_t lookupId = 0;
    Endpoint seen;                  // the host's address outside its router
    uint16_t lifetimeSeconds = 0;   // forgotten after this long without a Register
    std::optional<TurnOffer> turn;
};

struct LookupMessage {
    uint64_t nonce = 0;
    uint32_t lookupId = 0;
    std::vector<Endpoint> addresses;
};

struct FoundMessage {
    uint64_t nonce = 0;
    uint32_t lookupId = 0;
    Endpoint hostSeen;
    std::vector<Endpoint> hostAddresses;
    Endpoint guestSeen;
    std::optional<TurnOffer> turn;
};

struct GuestArrivingMessage {
    uint64_t token = 0;
    uint32_t lookupId = 0;
    Endpoint guestSeen;
    std::vector<Endpoint> guestAddresses;
};

struct NotFoundMessage {
    uint64_t nonce = 0;
    uint32_t lookupId = 0;
};

struct RateLimitedMessage {
    uint64_t nonce = 0;
    uint16_t retryAfterSeconds = 0;
};

struct FullMessage {
    uint64_t token = 0;
};

struct UnregisterMessage {
    uint64_t token = 0;
};

// The alternatives in the order of their type numbers, from 1.
using RendezvousMessage =
    std::variant<RegisterMessage, RegisteredMessage, LookupMessage, FoundMessage, GuestArrivingMessage,
                 NotFoundMessage, RateLimitedMessage, FullMessage, UnregisterMessage>;

// Magic and version: a datagram for the rendezvous code rather than ENet or TURN, even if it
// then fails to decode.
bool IsRendezvousDatagram(const uint8_t* data, size_t size);

// A field out of its range (an address or port 0, too many addresses, a credential that is
// empty, too long or not printable) is written as given, and the decoder refuses the result.
std::vector<uint8_t> EncodeRendezvous(const RendezvousMessage& m);
bool DecodeRendezvous(const uint8_t* data, size_t size, RendezvousMessage& m);

}  // namespace net
