#include "net/protocol.h"

#include <cstdio>
#include <utility>

#include "game/boxes.h"
#include "game/sounds.h"
#include "net/bytes.h"

namespace net {

namespace {

constexpr uint8_t kProtocolVersion = 2;
constexpr uint8_t kFrameType = 'F';
constexpr uint8_t kInputType = 'I';
constexpr uint8_t kDrawnFlag = 1;
constexpr uint8_t kAllFlags = kDrawnFlag;
// Equal stretches shorter than this stay inside a run: a run header costs four bytes.
constexpr size_t kRunMergeGap = 4;

// ---------------------------------------------------------------------------
// The fixed lists: effects and music by the names the game plays them by, and the
// message boxes by the game's identifiers (game/boxes.h).
// ---------------------------------------------------------------------------
const std::vector<std::string>& soundList() {
    static const std::vector<std::string> list = {kShotSound, kSideshotSound, kGoalSound};
    return list;
}

const std::vector<std::string>& musicList() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> l;
        for (const char* verb : {"play ", "stop "}) {
            l.push_back(verb + std::string(kMatchMusic));
            for (const char* jingle : kMainMenuJingles) l.push_back(verb + std::string(jingle));
        }
        return l;
    }();
    return list;
}

template <class List, class Item>
int indexIn(const List& list, const Item& item) {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == item) return static_cast<int>(i);
    return -1;
}

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

uint32_t Greeting(const std::string& gameVersion) {
    unsigned major = 0, minor = 0, patch = 0;
    std::sscanf(gameVersion.c_str(), "%u.%u.%u", &major, &minor, &patch);
    return uint32_t(kProtocolVersion) << 24 | (major & 0xFF) << 16 | (minor & 0xFF) << 8 | (patch & 0xFF);
}

std::string GreetingVersion(uint32_t greeting) {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", (greeting >> 16) & 0xFF, (greeting >> 8) & 0xFF, greeting & 0xFF);
    return text;
}

// The reason in the top byte, the host's game version below it.
uint32_t FarewellData(Farewell why, uint32_t hostGreeting) {
    return static_cast<uint32_t>(why) << 24 | (hostGreeting & 0xFFFFFFu);
}

Farewell FarewellOf(uint32_t data) {
    const uint32_t why = data >> 24;
    return why <= static_cast<uint32_t>(Farewell::OtherVersion) ? static_cast<Farewell>(why) : Farewell::None;
}

uint32_t FarewellGreeting(uint32_t data) { return data & 0xFFFFFFu; }

size_t EffectCount(EffectKind kind) {
    switch (kind) {
        case EffectKind::Sound: return soundList().size();
        case EffectKind::Music: return musicList().size();
        case EffectKind::Box: return kGameBoxCount;
    }
    return 0;
}

int SoundIndex(const std::string& file) { return indexIn(soundList(), file); }
int MusicIndex(const std::string& command) { return indexIn(musicList(), command); }
const char* SoundAt(size_t i) { return i < soundList().size() ? soundList()[i].c_str() : ""; }
const char* MusicAt(size_t i) { return i < musicList().size() ? musicList()[i].c_str() : ""; }

std::vector<uint8_t> EncodeFrame(const FrameMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kFrameType);
    put32(out, m.frame);
    put8(out, m.drawn ? kDrawnFlag : 0);
    put32(out, m.baseline);
    put16(out, static_cast<uint16_t>(m.delta.size()));
    out.insert(out.end(), m.delta.begin(), m.delta.end());
    put32(out, m.reseed);
    put32(out, m.firstEvent);
    put8(out, static_cast<uint8_t>(m.events.size()));
    for (const Effect& e : m.events) {
        put32(out, e.frame);
        put8(out, static_cast<uint8_t>(e.kind));
        put8(out, e.index);
    }
    return out;
}

bool DecodeFrame(const uint8_t* data, size_t size, FrameMessage& m) {
    if (size > kMaxMessageBytes) return false;
    Bytes in(data, size);
    FrameMessage r;
    if (in.u8() != kFrameType) return false;
    r.frame = in.u32();
    const uint8_t flags = in.u8();
    if (flags & ~kAllFlags) return false;
    r.drawn = flags & kDrawnFlag;
    r.baseline = in.u32();
    const size_t deltaSize = in.u16();
    if (const uint8_t* delta = in.block(deltaSize)) r.delta.assign(delta, delta + deltaSize);
    r.reseed = in.u32();
    r.firstEvent = in.u32();
    const size_t events = in.u8();
    if (events > kMaxEvents) return false;
    for (size_t i = 0; i < events && in.ok(); ++i) {
        Effect e;
        e.frame = in.u32();
        const uint8_t kind = in.u8();
        e.index = in.u8();
        if (kind > static_cast<uint8_t>(EffectKind::Box)) return false;
        e.kind = static_cast<EffectKind>(kind);
        if (e.index >= EffectCount(e.kind)) return false;
        r.events.push_back(e);
    }
    if (!in.atEnd()) return false;
    m = std::move(r);
    return true;
}

std::vector<uint8_t> EncodeInput(const InputMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kInputType);
    put32(out, m.sequence);
    put8(out, m.directions);
    put32(out, m.ackFrame);
    put32(out, m.ackEvent);
    put16(out, m.heldMs);
    return out;
}

bool DecodeInput(const uint8_t* data, size_t size, InputMessage& m) {
    Bytes in(data, size);
    InputMessage r;
    if (in.u8() != kInputType) return false;
    r.sequence = in.u32();
    r.directions = in.u8();
    r.ackFrame = in.u32();
    r.ackEvent = in.u32();
    r.heldMs = in.u16();
    if (!in.atEnd() || (r.directions & ~kAllDirections)) return false;
    m = r;
    return true;
}

std::vector<uint8_t> MakeDelta(const std::vector<uint8_t>& base, const std::vector<uint8_t>& next) {
    auto differs = [&](size_t i) { return i >= base.size() || base[i] != next[i]; };
    std::vector<uint8_t> out;
    const size_t n = next.size() < kMaxStateBytes ? next.size() : kMaxStateBytes;
    put16(out, static_cast<uint16_t>(n));
    size_t done = 0;
    for (size_t i = 0; i < n;) {
        if (!differs(i)) {
            ++i;
            continue;
        }
        size_t end = i + 1;  // the run grows while a change lies within the merge gap
        for (size_t j = end; j < n && j < end + kRunMergeGap; ++j)
            if (differs(j)) end = j + 1;
        put16(out, static_cast<uint16_t>(i - done));
        put16(out, static_cast<uint16_t>(end - i));
        out.insert(out.end(), next.begin() + static_cast<long>(i), next.begin() + static_cast<long>(end));
        done = end;
        i = end;
    }
    return out;
}

bool ApplyDelta(const std::vector<uint8_t>& base, const std::vector<uint8_t>& delta, std::vector<uint8_t>& out) {
    Bytes in(delta.data(), delta.size());
    const size_t length = in.u16();
    if (!in.ok() || length > kMaxStateBytes) return false;
    std::vector<uint8_t> result(length);
    for (size_t i = 0; i < length && i < base.size(); ++i) result[i] = base[i];
    size_t pos = 0;
    size_t setUpTo = base.size();  // every byte from the base's end on must come from a run
    while (!in.atEnd()) {
        const size_t skip = in.u16();
        const size_t count = in.u16();
        if (!in.ok() || count == 0 || skip > length - pos || count > length - pos - skip) return false;
        pos += skip;
        if (pos > setUpTo && setUpTo < length) return false;
        const uint8_t* bytes = in.block(count);
        if (!bytes) return false;
        for (size_t i = 0; i < count; ++i) result[pos + i] = bytes[i];
        pos += count;
        if (pos > setUpTo) setUpTo = pos;
    }
    if (setUpTo < length) return false;
    out = std::move(result);
    return true;
}

}  // namespace net
