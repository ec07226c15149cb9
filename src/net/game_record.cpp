#include "net/game_record.h"

#include <cstring>

#include "net/bytes.h"
#include "net/input_codec.h"
#include "net/protocol.h"
#include "net/state_codec.h"

namespace net {

namespace {

constexpr char kMagic[8] = {'P', 'S', '3', 'D', 'R', 'E', 'C', '\n'};
constexpr size_t kMaxName = 255;
constexpr uint8_t kRemoteFlag = 1;

void putKeys(std::vector<uint8_t>& out, const SteeringKeys& k) {
    for (int key : {k.up, k.left, k.down, k.right}) put8(out, static_cast<uint8_t>(key));
}

bool readKeys(Bytes& in, SteeringKeys& k) {
    k = {in.u8(), in.u8(), in.u8(), in.u8()};
    return in.ok();
}

bool readStart(Bytes& in, RecordStart& start, std::string& error) {
    const uint8_t* magic = in.block(sizeof kMagic);
    if (!magic || std::memcmp(magic, kMagic, sizeof kMagic) != 0) {
        error = "not a recorded game";
        return false;
    }
    const uint16_t version = in.u16();
    if (in.ok() && version != kRecordVersion) {
        error = "recorded by another version of the game (record version " + std::to_string(version) + ", this game reads " +
                std::to_string(kRecordVersion) + ")";
        return false;
    }
    readKeys(in, start.bindings.near);
    readKeys(in, start.bindings.far);
    for (int i = 0; i < 12; ++i) {
        const size_t n = in.u8();
        const uint8_t* name = in.block(n);
        if (name) start.HSname[i].assign(reinterpret_cast<const char*>(name), n);
        start.hsscore[i] = static_cast<int32_t>(in.u32());
    }
    const size_t stateSize = in.u32();
    if (stateSize > kMaxMessageBytes) {
        error = "the record's start is damaged";
        return false;
    }
    if (const uint8_t* state = in.block(stateSize)) start.state.assign(state, state + stateSize);
    if (!in.ok()) {
        error = "the record's start is cut short";
        return false;
    }
    return true;
}

}  // namespace

RecordStart RecordStartOf(const GameState& g, bool wholeState) {
    RecordStart start;
    if (wholeState) start.state = EncodeSharedState(g);
    start.bindings = g.bindings;
    for (int i = 0; i < 12; ++i) {
        start.HSname[i] = g.HSname[i];
        start.hsscore[i] = g.hsscore[i];
    }
    return start;
}

bool ApplyRecordStart(const RecordStart& start, GameState& g) {
    if (!start.state.empty()) return DecodeSharedState(start.state, g);
    g.bindings = start.bindings;
    for (int i = 0; i < 12; ++i) {
        g.HSname[i] = start.HSname[i];
        g.hsscore[i] = start.hsscore[i];
    }
    return true;
}

std::vector<uint8_t> EncodeRecordStart(const RecordStart& start) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    put16(out, kRecordVersion);
    putKeys(out, start.bindings.near);
    putKeys(out, start.bindings.far);
    for (int i = 0; i < 12; ++i) {
        const size_t n = start.HSname[i].size() < kMaxName ? start.HSname[i].size() : kMaxName;
        put8(out, static_cast<uint8_t>(n));
        out.insert(out.end(), start.HSname[i].begin(), start.HSname[i].begin() + static_cast<long>(n));
        put32(out, static_cast<uint32_t>(start.hsscore[i]));
    }
    put32(out, static_cast<uint32_t>(start.state.size()));
    out.insert(out.end(), start.state.begin(), start.state.end());
    return out;
}

std::vector<uint8_t> EncodeRecordedFrame(const RecordedFrame& frame) {
    std::vector<uint8_t> out;
    put32(out, frame.input.reseed);
    put8(out, frame.input.player2Remote ? kRemoteFlag : 0);
    for (const PlayerInput& p : frame.input.players) PutPlayerInput(out, p);
    put32(out, frame.checksum);
    return out;
}

bool DecodeRecord(const uint8_t* data, size_t size, RecordStart& start, std::vector<RecordedFrame>& frames,
                  std::string& error) {
    Bytes in(data, size);
    RecordStart s;
    if (!readStart(in, s, error)) return false;
    std::vector<RecordedFrame> list;
    while (!in.atEnd()) {
        RecordedFrame f;
        f.input.reseed = in.u32();
        const uint8_t flags = in.u8();
        bool ok = in.ok() && (flags & ~kRemoteFlag) == 0;
        f.input.player2Remote = flags & kRemoteFlag;
        for (PlayerInput& p : f.input.players) ok = ok && GetPlayerInput(in, p);
        f.checksum = in.u32();
        if (!ok || !in.ok()) {
            error = "frame " + std::to_string(list.size()) + " of the record is " + (in.ok() ? "damaged" : "cut short");
            return false;
        }
        list.push_back(std::move(f));
    }
    start = std::move(s);
    frames = std::move(list);
    return true;
}

uint32_t StateChecksum(const GameState& g) {
    uint32_t hash = 2166136261u;
    for (uint8_t byte : EncodeSharedState(g)) {
        hash ^= byte;
        hash *= 16777619u;
    }
    return hash;
}

}  // namespace net
