// The datagrams two games send each other to open a way through their routers: each
// side sends probes at every address it knows of the other, at once, and answers every
// probe it hears with an echo to where that probe came from. A probe or an echo that
// arrives proves the way from its sender works; its address is where to connect.
//
// Magic C7 'P' '3' 'H', version, kind, then the invite's lookup id (so that a stray probe of
// another game is not taken for one of this one) and the sender's own random tag.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace net {

struct PunchProbe {
    enum class Kind : uint8_t { Probe = 1, Echo = 2 };
    Kind kind = Kind::Probe;
    uint32_t lookupId = 0;
    uint64_t tag = 0;  // the sender's: an echo carries the tag of the probe it answers
};

bool IsPunchDatagram(const uint8_t* data, size_t size);
std::vector<uint8_t> EncodePunchProbe(const PunchProbe& p);
bool DecodePunchProbe(const uint8_t* data, size_t size, PunchProbe& p);

}  // namespace net
