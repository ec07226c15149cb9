#include "net/discovery.h"

namespace net {

namespace {

constexpr uint8_t kMagic[4] = {'P', 'S', '3', 'D'};
constexpr uint8_t kRequestType = '?';
constexpr uint8_t kAnswerType = '!';
constexpr size_t kHeaderBytes = 9;  // magic, type, greeting
constexpr size_t kAnswerBytes = kHeaderBytes + 2 + 4 + 1;

void put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t get(const uint8_t* at, int bytes) {
    uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<uint32_t>(at[i]) << (8 * i);
    return v;
}

std::vector<uint8_t> header(uint8_t type, uint32_t greeting) {
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    out.push_back(type);
    put(out, greeting, 4);
    return out;
}

bool headerMatches(const uint8_t* data, size_t size, uint8_t type, uint32_t greeting) {
    if (!data || size < kHeaderBytes) return false;
    for (size_t i = 0; i < 4; ++i)
        if (data[i] != kMagic[i]) return false;
    return data[4] == type && get(data + 5, 4) == greeting;
}

}  // namespace

std::vector<uint8_t> EncodeDiscoveryRequest(uint32_t greeting) { return header(kRequestType, greeting); }

bool DecodeDiscoveryRequest(const uint8_t* data, size_t size, uint32_t greeting) {
    return size == kHeaderBytes && headerMatches(data, size, kRequestType, greeting);
}

std::vector<uint8_t> EncodeDiscoveryAnswer(uint32_t greeting, const DiscoveryAnswer& a) {
    std::vector<uint8_t> out = header(kAnswerType, greeting);
    put(out, a.port, 2);
    put(out, a.hostingSeconds, 4);
    out.push_back(a.hasGuest ? 1 : 0);
    return out;
}

bool DecodeDiscoveryAnswer(const uint8_t* data, size_t size, uint32_t greeting, DiscoveryAnswer& a) {
    if (size != kAnswerBytes || !headerMatches(data, size, kAnswerType, greeting)) return false;
    const uint8_t* body = data + kHeaderBytes;
    const uint16_t port = static_cast<uint16_t>(get(body, 2));
    const uint8_t guest = body[6];
    if (port == 0 || guest > 1) return false;
    a.port = port;
    a.hostingSeconds = get(body + 2, 4);
    a.hasGuest = guest == 1;
    return true;
}

}  // namespace net
