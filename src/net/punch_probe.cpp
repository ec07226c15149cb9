#include "net/punch_probe.h"

#include <cstring>

#include "net/bytes.h"

namespace net {

namespace {
constexpr uint8_t kMagic[4] = {0xC7, 'P', '3', 'H'};
constexpr uint8_t kVersion = 1;
constexpr size_t kBytes = 4 + 1 + 1 + 4 + 8;
}  // namespace

bool IsPunchDatagram(const uint8_t* data, size_t size) {
    return size >= 5 && std::memcmp(data, kMagic, 4) == 0 && data[4] == kVersion;
}

std::vector<uint8_t> EncodePunchProbe(const PunchProbe& p) {
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    put8(out, kVersion);
    put8(out, static_cast<uint8_t>(p.kind));
    put32(out, p.lookupId);
    put32(out, static_cast<uint32_t>(p.tag));
    put32(out, static_cast<uint32_t>(p.tag >> 32));
    return out;
}

bool DecodePunchProbe(const uint8_t* data, size_t size, PunchProbe& p) {
    if (size != kBytes || !IsPunchDatagram(data, size)) return false;
    Bytes in(data + 5, size - 5);
    const uint8_t kind = in.u8();
    if (kind != static_cast<uint8_t>(PunchProbe::Kind::Probe) && kind != static_cast<uint8_t>(PunchProbe::Kind::Echo))
        return false;
    PunchProbe decoded;
    decoded.kind = static_cast<PunchProbe::Kind>(kind);
    decoded.lookupId = in.u32();
    const uint64_t low = in.u32();
    decoded.tag = low | static_cast<uint64_t>(in.u32()) << 32;
    if (!in.atEnd()) return false;
    p = decoded;
    return true;
}

}  // namespace net
