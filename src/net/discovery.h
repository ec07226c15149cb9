// The two datagrams that find a hosting game on the local network: a guest's
// request, broadcast to the discovery port, and a host's answer. Both carry the
// greeting (protocol and game version); a reader accepts only exactly one message
// of its own version, so other games and other versions go unanswered and unheard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace net {

// Every host listens here, whatever its game port, so one broadcast finds them all.
constexpr uint16_t kDiscoveryPort = 27316;

struct DiscoveryAnswer {
    uint16_t port = 0;            // the game's UDP port
    uint32_t hostingSeconds = 0;  // how long it has been hosting
    bool hasGuest = false;
};

std::vector<uint8_t> EncodeDiscoveryRequest(uint32_t greeting);
bool DecodeDiscoveryRequest(const uint8_t* data, size_t size, uint32_t greeting);
std::vector<uint8_t> EncodeDiscoveryAnswer(uint32_t greeting, const DiscoveryAnswer& a);
bool DecodeDiscoveryAnswer(const uint8_t* data, size_t size, uint32_t greeting, DiscoveryAnswer& a);

}  // namespace net
