// An IPv4 address and a UDP port, as the network code passes them around.
#pragma once

#include <cstdint>
#include <string>

namespace net {

// a.b.c.d as (a << 24) | (b << 16) | (c << 8) | d.
struct Endpoint {
    uint32_t ipv4 = 0;
    uint16_t port = 0;
    bool operator==(const Endpoint& o) const { return ipv4 == o.ipv4 && port == o.port; }
    bool operator!=(const Endpoint& o) const { return !(*this == o); }
};

inline std::string FormatIpv4(uint32_t ip) {
    return std::to_string(ip >> 24) + "." + std::to_string(ip >> 16 & 0xFF) + "." + std::to_string(ip >> 8 & 0xFF) +
           "." + std::to_string(ip & 0xFF);
}

// "192.0.2.1:32853"
inline std::string FormatEndpoint(const Endpoint& e) { return FormatIpv4(e.ipv4) + ":" + std::to_string(e.port); }

}  // namespace net
