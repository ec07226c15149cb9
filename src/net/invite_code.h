// The invite code a host hands to the one friend who may join: "+" and Crockford
// base32 symbols in dash-separated groups of four, the last one a check symbol.
// Reading ignores case, dashes and spaces and takes O for 0 and I or L for 1, so a
// code read aloud, written down or typed again still parses; the check symbol tells a
// mistyped code from one the rendezvous does not know. No host name or address starts
// with "+", so one entry field can take either.
//
// Two kinds, told apart by their length:
//   Rendezvous  "+XXXX-XXXX-XXXX-XC": the lookup id the rendezvous gave the host and
//               the host's secret (14 symbols);
//   Direct      "+XXXX-XXXX-XXXX-XXXX-XXC": an IPv4 address and UDP port to join
//               directly, and the secret (19 symbols).
// The secret never reaches the rendezvous: it proves to the host that the guest holds
// the code.
#pragma once

#include <cstdint>
#include <string>

namespace net {

constexpr int kLookupIdBits = 25;
constexpr int kInviteSecretBits = 40;
constexpr uint32_t kLookupIdMask = (1u << kLookupIdBits) - 1;
constexpr uint64_t kInviteSecretMask = (uint64_t(1) << kInviteSecretBits) - 1;

struct InviteCode {
    enum class Kind { Rendezvous, Direct };
    Kind kind = Kind::Rendezvous;
    uint32_t lookupId = 0;  // Rendezvous: 1 .. kLookupIdMask
    uint32_t ipv4 = 0;      // Direct: a.b.c.d as (a << 24) | (b << 16) | (c << 8) | d
    uint16_t port = 0;      // Direct: never 0
    uint64_t secret = 0;    // the low kInviteSecretBits bits
};

enum class CodeParse {
    Ok,
    NotACode,  // no leading "+": a host name or an address
    Mistyped,  // starts like a code but is none: a wrong symbol, length or check symbol
};

// The code as printed for a player. Only the fields of its kind are written, each cut
// to its width; a field out of range (lookup id 0, port 0) makes a code that parses as
// Mistyped, so callers hand in what they checked.
std::string FormatInviteCode(const InviteCode& code);

// Leaves `out` as it was unless the answer is Ok.
CodeParse ParseInviteCode(const std::string& text, InviteCode& out);

// The first character that is not a space is "+".
bool LooksLikeInviteCode(const std::string& text);

}  // namespace net
