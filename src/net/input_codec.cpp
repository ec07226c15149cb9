#include "net/input_codec.h"


namespace net {

namespace {
constexpr uint8_t kHasMessages = 0x10;
constexpr uint8_t kLastKind = static_cast<uint8_t>(::InputMessage::Kind::Activity);
constexpr uint8_t kLastSource = static_cast<uint8_t>(KeySource::Remote);
}  // namespace

uint8_t DirectionBits(const Directions& d) {
    return static_cast<uint8_t>((d.up ? kUp : 0) | (d.left ? kLeft : 0) | (d.down ? kDown : 0) | (d.right ? kRight : 0));
}

Directions DirectionsOf(uint8_t bits) {
    Directions d;
    d.up = bits & kUp;
    d.left = bits & kLeft;
    d.down = bits & kDown;
    d.right = bits & kRight;
    return d;
}

void PutPlayerInput(std::vector<uint8_t>& out, const PlayerInput& p) {
    const size_t count = p.messages.size() < kMaxFrameMessages ? p.messages.size() : kMaxFrameMessages;
    put8(out, static_cast<uint8_t>(DirectionBits(p.held) | (count ? kHasMessages : 0)));
    if (!count) return;
    put16(out, static_cast<uint16_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const ::InputMessage& m = p.messages[i];
        put8(out, static_cast<uint8_t>(m.kind));
        put8(out, static_cast<uint8_t>(m.source));
        put8(out, m.key);
        put16(out, m.x);
        put16(out, m.y);
    }
}

bool GetPlayerInput(Bytes& in, PlayerInput& p) {
    const uint8_t head = in.u8();
    if (head & ~(kAllDirections | kHasMessages)) return false;
    p.held = DirectionsOf(head & kAllDirections);
    p.messages.clear();
    if (!(head & kHasMessages)) return in.ok();
    const size_t count = in.u16();
    if (count == 0 || count > kMaxFrameMessages) return false;
    for (size_t i = 0; i < count && in.ok(); ++i) {
        ::InputMessage m;
        const uint8_t kind = in.u8(), source = in.u8();
        if (kind > kLastKind || source > kLastSource) return false;
        m.kind = static_cast<::InputMessage::Kind>(kind);
        m.source = static_cast<KeySource>(source);
        m.key = in.u8();
        m.x = in.u16();
        m.y = in.u16();
        p.messages.push_back(m);
    }
    return in.ok();
}

}  // namespace net
