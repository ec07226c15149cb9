#include "net/stun_message.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <zlib.h>

#include <cstring>

namespace net {

namespace {

enum Attribute : uint16_t {
    kMappedAddress = 0x0001,
    kUsername = 0x0006,
    kMessageIntegrity = 0x0008,
    kErrorCode = 0x0009,
    kUnknownAttributes = 0x000A,
    kChannelNumber = 0x000C,
    kLifetime = 0x000D,
    kXorPeerAddress = 0x0012,
    kData = 0x0013,
    kRealm = 0x0014,
    kNonce = 0x0015,
    kXorRelayedAddress = 0x0016,
    kRequestedAddressFamily = 0x0017,
    kEvenPort = 0x0018,
    kRequestedTransport = 0x0019,
    kDontFragment = 0x001A,
    kMessageIntegritySha256 = 0x001C,
    kPasswordAlgorithm = 0x001D,
    kUserHash = 0x001E,
    kXorMappedAddress = 0x0020,
    kReservationToken = 0x0022,
    kFingerprint = 0x8028,
};

// Attributes below this type must be understood by whoever receives them.
constexpr uint16_t kFirstOptionalAttribute = 0x8000;
constexpr uint32_t kFingerprintXor = 0x5354554E;  // "STUN"
constexpr size_t kIntegrityBytes = 20;            // HMAC-SHA1
constexpr size_t kAttributeHeaderBytes = 4;
constexpr size_t kMaxUsernameBytes = 513;
constexpr size_t kMaxRealmOrNonceBytes = 763;  // 128 characters of up to 6 bytes, less one
constexpr size_t kMaxStunBody = 0xFFFC;        // the largest length that is a multiple of 4
constexpr uint8_t kFamilyIpv4 = 0x01, kFamilyIpv6 = 0x02;

uint16_t get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] << 8 | p[1]); }
uint32_t get32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
void set16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v >> 16));
    put16(out, static_cast<uint16_t>(v));
}
size_t padded(size_t n) { return (n + 3) & ~size_t(3); }

// The 14-bit message type interleaves the class's two bits into the method's twelve.
uint16_t messageType(uint16_t method, StunClass cls) {
    const uint16_t c = static_cast<uint16_t>(cls);
    return static_cast<uint16_t>((method & 0x000F) | (method & 0x0070) << 1 | (method & 0x0F80) << 2 |
                                 (c & 1) << 4 | (c & 2) << 7);
}
uint16_t methodOf(uint16_t type) {
    return static_cast<uint16_t>((type & 0x000F) | (type & 0x00E0) >> 1 | (type & 0x3E00) >> 2);
}
StunClass classOf(uint16_t type) { return static_cast<StunClass>((type >> 4 & 1) | (type >> 7 & 2)); }

void putAttribute(std::vector<uint8_t>& out, uint16_t type, const uint8_t* value, size_t size) {
    put16(out, type);
    put16(out, static_cast<uint16_t>(size));
    out.insert(out.end(), value, value + size);
    out.resize(padded(out.size()), 0);
}
void putString(std::vector<uint8_t>& out, uint16_t type, const std::string& s) {
    if (!s.empty()) putAttribute(out, type, reinterpret_cast<const uint8_t*>(s.data()), s.size());
}
// The address travels XORed with the magic cookie, so NATs that rewrite addresses they
// find in payloads leave it alone.
void putXorAddress(std::vector<uint8_t>& out, uint16_t type, const Endpoint& a) {
    std::vector<uint8_t> v = {0, kFamilyIpv4};
    put16(v, static_cast<uint16_t>(a.port ^ kStunMagicCookie >> 16));
    put32(v, a.ipv4 ^ kStunMagicCookie);
    putAttribute(out, type, v.data(), v.size());
}
void putWord(std::vector<uint8_t>& out, uint16_t type, uint32_t word) {
    std::vector<uint8_t> v;
    put32(v, word);
    putAttribute(out, type, v.data(), v.size());
}

void setLength(std::vector<uint8_t>& out, size_t bodyBytes) { set16(out.data() + 2, static_cast<uint16_t>(bodyBytes)); }

std::vector<uint8_t> hmacSha1(const std::vector<uint8_t>& key, const uint8_t* data, size_t size) {
    std::vector<uint8_t> mac(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (!HMAC(EVP_sha1(), key.data(), static_cast<int>(key.size()), data, size, mac.data(), &length)) return {};
    mac.resize(length);
    return mac;
}

uint32_t fingerprintOf(const uint8_t* data, size_t size) {
    return static_cast<uint32_t>(crc32(0L, data, static_cast<uInt>(size))) ^ kFingerprintXor;
}

// Reads an XOR-…-ADDRESS value. An IPv6 address is well-formed but of no use to an IPv4
// client: `taken` stays false and the attribute is passed over.
bool readXorAddress(const uint8_t* v, size_t size, Endpoint& a, bool& taken) {
    taken = false;
    if (size == 8 && v[1] == kFamilyIpv4) {
        a.port = static_cast<uint16_t>(get16(v + 2) ^ kStunMagicCookie >> 16);
        a.ipv4 = get32(v + 4) ^ kStunMagicCookie;
        taken = true;
        return true;
    }
    return size == 20 && v[1] == kFamilyIpv6;
}

bool readString(const uint8_t* v, size_t size, size_t limit, std::string& s) {
    if (size > limit) return false;
    s.assign(reinterpret_cast<const char*>(v), size);
    return true;
}

bool knownButUnread(uint16_t type) {
    switch (type) {
        case kMappedAddress: case kUnknownAttributes: case kRequestedAddressFamily: case kEvenPort:
        case kDontFragment: case kMessageIntegritySha256: case kPasswordAlgorithm: case kUserHash:
        case kReservationToken:
            return true;
        default:
            return false;
    }
}

// One attribute into the message; false if its value is malformed. `seen` keeps the first of
// repeated attributes, as the protocol asks.
bool readAttribute(uint16_t type, const uint8_t* v, size_t size, StunMessage& m, std::vector<uint16_t>& seen) {
    for (uint16_t s : seen)
        if (s == type) return true;
    seen.push_back(type);
    bool taken = false;
    switch (type) {
        case kXorMappedAddress:
            if (!readXorAddress(v, size, m.mapped, taken)) return false;
            m.hasMapped = taken;
            return true;
        case kXorRelayedAddress:
            if (!readXorAddress(v, size, m.relayed, taken)) return false;
            m.hasRelayed = taken;
            return true;
        case kXorPeerAddress:
            if (!readXorAddress(v, size, m.peer, taken)) return false;
            m.hasPeer = taken;
            return true;
        case kUsername:
            return readString(v, size, kMaxUsernameBytes, m.username);
        case kRealm:
            return readString(v, size, kMaxRealmOrNonceBytes, m.realm);
        case kNonce:
            return readString(v, size, kMaxRealmOrNonceBytes, m.nonce);
        case kErrorCode: {
            if (size < 4 || !readString(v + 4, size - 4, kMaxRealmOrNonceBytes, m.errorReason)) return false;
            const int errorClass = v[2] & 0x07, number = v[3];
            if (errorClass < 3 || errorClass > 6 || number > 99) return false;
            m.hasError = true;
            m.errorCode = errorClass * 100 + number;
            return true;
        }
        case kLifetime:
            if (size != 4) return false;
            m.hasLifetime = true;
            m.lifetime = get32(v);
            return true;
        case kRequestedTransport:
            if (size != 4) return false;
            m.hasTransport = true;
            m.transport = v[0];
            return true;
        case kChannelNumber:
            if (size != 4) return false;
            m.hasChannel = true;
            m.channel = get16(v);
            return true;
        case kData:
            m.hasData = true;
            m.data.assign(v, v + size);
            return true;
        default:
            if (type < kFirstOptionalAttribute && !knownButUnread(type)) m.unknownRequired.push_back(type);
            return true;
    }
}

}  // namespace

std::vector<uint8_t> EncodeStun(const StunMessage& m, const std::vector<uint8_t>* key) {
    std::vector<uint8_t> out;
    put16(out, messageType(m.method, m.cls));
    put16(out, 0);
    put32(out, kStunMagicCookie);
    out.insert(out.end(), m.transaction.begin(), m.transaction.end());

    if (m.hasMapped) putXorAddress(out, kXorMappedAddress, m.mapped);
    if (m.hasRelayed) putXorAddress(out, kXorRelayedAddress, m.relayed);
    if (m.hasPeer) putXorAddress(out, kXorPeerAddress, m.peer);
    if (m.hasChannel) putWord(out, kChannelNumber, uint32_t(m.channel) << 16);
    if (m.hasLifetime) putWord(out, kLifetime, m.lifetime);
    if (m.hasTransport) putWord(out, kRequestedTransport, uint32_t(m.transport) << 24);
    if (m.hasError) {
        std::vector<uint8_t> v = {0, 0, static_cast<uint8_t>(m.errorCode / 100 & 0x07),
                                  static_cast<uint8_t>(m.errorCode % 100)};
        v.insert(v.end(), m.errorReason.begin(), m.errorReason.end());
        putAttribute(out, kErrorCode, v.data(), v.size());
    }
    if (m.hasData) putAttribute(out, kData, m.data.data(), m.data.size());
    putString(out, kUsername, m.username);
    putString(out, kNonce, m.nonce);
    putString(out, kRealm, m.realm);

    const size_t trailer = (key ? kAttributeHeaderBytes + kIntegrityBytes : 0) + (m.fingerprint ? 8 : 0);
    if (out.size() - kStunHeaderBytes + trailer > kMaxStunBody) return {};
    // Each check covers the message up to itself, with a length that already counts it.
    if (key) {
        setLength(out, out.size() - kStunHeaderBytes + kAttributeHeaderBytes + kIntegrityBytes);
        const std::vector<uint8_t> mac = hmacSha1(*key, out.data(), out.size());
        if (mac.size() != kIntegrityBytes) return {};
        putAttribute(out, kMessageIntegrity, mac.data(), mac.size());
    }
    if (m.fingerprint) {
        setLength(out, out.size() - kStunHeaderBytes + 8);
        std::vector<uint8_t> v;
        put32(v, fingerprintOf(out.data(), out.size()));
        putAttribute(out, kFingerprint, v.data(), v.size());
    }
    setLength(out, out.size() - kStunHeaderBytes);
    return out;
}

bool DecodeStun(const uint8_t* data, size_t size, StunMessage& result) {
    if (!data || ClassifyDatagram(data, size) != DatagramKind::Stun) return false;
    StunMessage m;
    const uint16_t type = get16(data);
    m.method = methodOf(type);
    m.cls = classOf(type);
    std::memcpy(m.transaction.data(), data + 8, m.transaction.size());

    std::vector<uint16_t> seen;
    size_t at = kStunHeaderBytes;
    while (at < size) {
        if (size - at < kAttributeHeaderBytes || m.fingerprint) return false;  // FINGERPRINT comes last
        const uint16_t attribute = get16(data + at), length = get16(data + at + 2);
        const uint8_t* value = data + at + kAttributeHeaderBytes;
        if (size - at - kAttributeHeaderBytes < padded(length)) return false;
        if (attribute == kFingerprint) {
            if (length != 4 || get32(value) != fingerprintOf(data, at)) return false;
            m.fingerprint = true;
        } else if (m.integrityAt) {
            // whatever follows MESSAGE-INTEGRITY is not covered by it, so it is not believed
        } else if (attribute == kMessageIntegrity) {
            if (length != kIntegrityBytes) return false;
            m.integrityAt = at;
        } else if (!readAttribute(attribute, value, length, m, seen)) {
            return false;
        }
        at += kAttributeHeaderBytes + padded(length);
    }
    result = std::move(m);
    return true;
}

bool StunIntegrityMatches(const uint8_t* data, size_t size, const StunMessage& decoded,
                          const std::vector<uint8_t>& key) {
    const size_t at = decoded.integrityAt;
    const size_t end = at + kAttributeHeaderBytes + kIntegrityBytes;
    if (!data || at < kStunHeaderBytes || end > size || get16(data + at) != kMessageIntegrity) return false;
    std::vector<uint8_t> covered(data, data + at);
    setLength(covered, end - kStunHeaderBytes);
    const std::vector<uint8_t> mac = hmacSha1(key, covered.data(), covered.size());
    return mac.size() == kIntegrityBytes &&
           CRYPTO_memcmp(mac.data(), data + at + kAttributeHeaderBytes, kIntegrityBytes) == 0;
}

std::vector<uint8_t> LongTermKey(const std::string& username, const std::string& realm,
                                 const std::string& password) {
    const std::string joined = username + ":" + realm + ":" + password;
    std::vector<uint8_t> key(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    if (!EVP_Digest(joined.data(), joined.size(), key.data(), &length, EVP_md5(), nullptr)) return {};
    key.resize(length);
    return key;
}

DatagramKind ClassifyDatagram(const uint8_t* data, size_t size) {
    if (!data || size < 4) return DatagramKind::Other;
    if (size >= kStunHeaderBytes && (data[0] & 0xC0) == 0 && get32(data + 4) == kStunMagicCookie) {
        const size_t length = get16(data + 2);
        if (length % 4 == 0 && length == size - kStunHeaderBytes) return DatagramKind::Stun;
    }
    if (data[0] >= kFirstChannel >> 8 && data[0] <= kLastChannel >> 8) return DatagramKind::ChannelData;
    return DatagramKind::Other;
}

std::vector<uint8_t> EncodeChannelData(uint16_t channel, const uint8_t* payload, size_t size) {
    if (channel < kFirstChannel || channel > kLastChannel || size > 0xFFFF) return {};
    std::vector<uint8_t> out;
    out.reserve(4 + size);
    put16(out, channel);
    put16(out, static_cast<uint16_t>(size));
    out.insert(out.end(), payload, payload + size);
    return out;
}

bool DecodeChannelData(const uint8_t* data, size_t size, uint16_t& channel, std::vector<uint8_t>& payload) {
    if (!data || size < 4) return false;
    const uint16_t number = get16(data);
    const size_t length = get16(data + 2);
    if (number < kFirstChannel || number > kLastChannel || size < 4 + length || size > padded(4 + length))
        return false;
    channel = number;
    payload.assign(data + 4, data + 4 + length);
    return true;
}

}  // namespace net
