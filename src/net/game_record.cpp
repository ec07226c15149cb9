#include "net/game_record.h"

#include <cstring>

#include "net/bytes.h"
#include "net/input_codec.h"
#include "net/protocol.h"
#include "net/state_codec.h"

namespace net {

namespace {

constexpr char kMagic[8] = {'P', 'S', '3', 'D', 'R', 'E', 'C', '\n'};
constexpr uint8_t kRemoteFlag = 1;

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
    const size_t stateSize = in.u32();
    if (in.ok() && (stateSize == 0 || stateSize > kMaxMessageBytes)) {
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

RecordStart RecordStartOf(const GameState& g) { return {EncodeSharedState(g)}; }

bool ApplyRecordStart(const RecordStart& start, GameState& g, std::string* refused) {
    return DecodeSharedState(start.state, g, refused);
}

std::vector<uint8_t> EncodeRecordStart(const RecordStart& start) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    put16(out, kRecordVersion);
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

bool RecordReader::start(RecordStart& start, std::string& error) {
    RecordStart s;
    if (!readStart(in_, s, error)) return false;
    start = std::move(s);
    return true;
}

bool RecordReader::next(RecordedFrame& frame, std::string& error) {
    if (in_.atEnd()) return false;
    RecordedFrame f;
    f.input.reseed = in_.u32();
    const uint8_t flags = in_.u8();
    bool ok = in_.ok() && (flags & ~kRemoteFlag) == 0;
    f.input.player2Remote = flags & kRemoteFlag;
    for (PlayerInput& p : f.input.players) ok = ok && GetPlayerInput(in_, p);
    f.checksum = in_.u32();
    if (!ok || !in_.ok()) {
        error = "frame " + std::to_string(frames_) + " of the record is " + (in_.ok() ? "damaged" : "cut short");
        return false;
    }
    ++frames_;
    frame = std::move(f);
    return true;
}

bool DecodeRecord(const uint8_t* data, size_t size, RecordStart& start, std::vector<RecordedFrame>& frames,
                  std::string& error) {
    RecordReader reader(data, size);
    RecordStart s;
    if (!reader.start(s, error)) return false;
    std::vector<RecordedFrame> list;
    RecordedFrame f;
    error.clear();
    while (reader.next(f, error)) list.push_back(std::move(f));
    if (!error.empty()) return false;
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
