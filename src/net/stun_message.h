// STUN and TURN messages as bytes, for relaying the game's datagrams through a TURN server
// from the game's own UDP socket: the STUN header (magic cookie, transaction id), the
// attributes a TURN client needs, both integrity checks, and ChannelData framing. IPv4 only.
// Fields are big-endian on the wire. Decoding checks every length against the bytes that are
// there and yields false on anything malformed, leaving the message untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/endpoint.h"

namespace net {

constexpr uint32_t kStunMagicCookie = 0x2112A442;
constexpr size_t kStunHeaderBytes = 20;

enum class StunClass : uint8_t { Request = 0, Indication = 1, Success = 2, Error = 3 };

enum StunMethod : uint16_t {
    kStunBinding = 0x001,
    kTurnAllocate = 0x003,
    kTurnRefresh = 0x004,
    kTurnSend = 0x006,
    kTurnData = 0x007,
    kTurnCreatePermission = 0x008,
    kTurnChannelBind = 0x009,
};

constexpr uint8_t kTransportUdp = 17;
constexpr uint16_t kFirstChannel = 0x4000;
constexpr uint16_t kLastChannel = 0x4FFF;

using TransactionId = std::array<uint8_t, 12>;

// A message with the attributes this client reads and writes; an empty string or a zero
// `has` flag means the attribute is absent. Unknown comprehension-optional attributes are
// skipped when decoding; unknown comprehension-required ones are listed so that a response
// carrying them can be refused, as the protocol demands.
struct StunMessage {
    uint16_t method = kStunBinding;
    StunClass cls = StunClass::Request;
    TransactionId transaction{};

    bool hasMapped = false, hasRelayed = false, hasPeer = false;
    Endpoint mapped, relayed, peer;  // XOR-MAPPED-, XOR-RELAYED-, XOR-PEER-ADDRESS

    std::string username, realm, nonce;

    bool hasError = false;
    int errorCode = 0;  // 300..699
    std::string errorReason;

    bool hasLifetime = false;
    uint32_t lifetime = 0;  // seconds
    bool hasTransport = false;
    uint8_t transport = 0;  // REQUESTED-TRANSPORT's protocol number
    bool hasChannel = false;
    uint16_t channel = 0;
    bool hasData = false;
    std::vector<uint8_t> data;

    bool fingerprint = false;         // encode: append FINGERPRINT; decode: one was there and matched
    size_t integrityAt = 0;           // decode: offset of MESSAGE-INTEGRITY, 0 if there is none
    std::vector<uint16_t> unknownRequired;  // decode only
};

// The whole datagram, with MESSAGE-INTEGRITY (HMAC-SHA1 under `key`) when a key is given and
// FINGERPRINT when m.fingerprint is set. Empty if the message would not fit a STUN length.
std::vector<uint8_t> EncodeStun(const StunMessage& m, const std::vector<uint8_t>* key = nullptr);
// Structure, lengths, known attributes' values and a FINGERPRINT if present are checked here;
// MESSAGE-INTEGRITY needs the key and is checked by StunIntegrityMatches.
bool DecodeStun(const uint8_t* data, size_t size, StunMessage& m);
// Whether the datagram `decoded` came from carries a MESSAGE-INTEGRITY that matches `key`.
bool StunIntegrityMatches(const uint8_t* data, size_t size, const StunMessage& decoded,
                          const std::vector<uint8_t>& key);
// The long-term credential key, MD5(username ":" realm ":" password). The strings are used as
// given: credentials handed out by a TURN server's shared secret are ASCII already.
std::vector<uint8_t> LongTermKey(const std::string& username, const std::string& realm,
                                 const std::string& password);

// What arrived on a socket shared with ENet: a STUN message, a ChannelData message, or
// neither (the game's own). Cheap: the header alone decides.
enum class DatagramKind { Stun, ChannelData, Other };
DatagramKind ClassifyDatagram(const uint8_t* data, size_t size);

// ChannelData: channel number, length, the payload. Sent unpadded (padding is optional on UDP);
// a received message may carry up to three bytes of padding after the payload.
std::vector<uint8_t> EncodeChannelData(uint16_t channel, const uint8_t* payload, size_t size);
bool DecodeChannelData(const uint8_t* data, size_t size, uint16_t& channel, std::vector<uint8_t>& payload);

}  // namespace net
