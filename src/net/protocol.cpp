#include "net/protocol.h"

#include <algorithm>
#include <cstdio>

#include "net/bytes.h"
#include "net/input_codec.h"

namespace net {

namespace {

constexpr uint8_t kProtocolVersion = 4;
constexpr uint8_t kStartType = 'S';
constexpr uint8_t kInputsType = 'I';
constexpr uint8_t kHealType = 'H';
constexpr uint8_t kSeatChallengeType = 'C';
constexpr uint8_t kSeatAnswerType = 'A';

void putBlock(std::vector<uint8_t>& out, const uint8_t* data, size_t size) { out.insert(out.end(), data, data + size); }

// A fixed-size block: all of it, or the reader fails.
template <size_t N>
void getBlock(Bytes& in, std::array<uint8_t, N>& to) {
    if (const uint8_t* p = in.block(N)) std::copy(p, p + N, to.begin());
}

}  // namespace

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
    return why <= static_cast<uint32_t>(Farewell::WrongCode) ? static_cast<Farewell>(why) : Farewell::None;
}

uint32_t FarewellGreeting(uint32_t data) { return data & 0xFFFFFFu; }

std::vector<uint8_t> EncodeStart(const StartMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kStartType);
    put32(out, m.frame);
    put32(out, m.reseed);
    put8(out, m.fixedReseed ? 1 : 0);
    out.insert(out.end(), m.state.begin(), m.state.end());
    return out;
}

bool DecodeStart(const uint8_t* data, size_t size, StartMessage& m) {
    if (size > kMaxMessageBytes) return false;
    Bytes in(data, size);
    StartMessage r;
    if (in.u8() != kStartType) return false;
    r.frame = in.u32();
    r.reseed = in.u32();
    const uint8_t fixed = in.u8();
    if (!in.ok() || fixed > 1) return false;
    r.fixedReseed = fixed == 1;
    const size_t rest = in.left();
    r.state.assign(data + size - rest, data + size);
    m = std::move(r);
    return true;
}

std::vector<uint8_t> EncodeInputs(const InputsMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kInputsType);
    put32(out, m.firstFrame);
    const size_t count = m.records.size() < kMaxRecordsPerPacket ? m.records.size() : kMaxRecordsPerPacket;
    put8(out, static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) PutPlayerInput(out, m.records[i]);
    put32(out, m.ack);
    put8(out, static_cast<uint8_t>(m.advantage));
    const bool checksum = m.checksumFrame != kNoFrame;
    put8(out, checksum ? 1 : 0);
    if (checksum) {
        put32(out, m.checksumFrame);
        put32(out, m.checksum);
    }
    return out;
}

bool DecodeInputs(const uint8_t* data, size_t size, InputsMessage& m) {
    if (size > kMaxMessageBytes) return false;
    Bytes in(data, size);
    InputsMessage r;
    if (in.u8() != kInputsType) return false;
    r.firstFrame = in.u32();
    const size_t count = in.u8();
    if (count > kMaxRecordsPerPacket) return false;
    for (size_t i = 0; i < count && in.ok(); ++i) {
        PlayerInput p;
        if (!GetPlayerInput(in, p)) return false;
        r.records.push_back(std::move(p));
    }
    r.ack = in.u32();
    r.advantage = static_cast<int8_t>(in.u8());
    const uint8_t checksum = in.u8();
    if (checksum > 1) return false;
    if (checksum) {
        r.checksumFrame = in.u32();
        r.checksum = in.u32();
        if (r.checksumFrame == kNoFrame) return false;
    }
    if (!in.atEnd()) return false;
    m = std::move(r);
    return true;
}

std::vector<uint8_t> EncodeHeal(const HealMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kHealType);
    put32(out, m.frame);
    out.insert(out.end(), m.state.begin(), m.state.end());
    return out;
}

bool DecodeHeal(const uint8_t* data, size_t size, HealMessage& m) {
    if (size > kMaxMessageBytes) return false;
    Bytes in(data, size);
    HealMessage r;
    if (in.u8() != kHealType) return false;
    r.frame = in.u32();
    if (!in.ok()) return false;
    r.state.assign(data + 5, data + size);
    m = std::move(r);
    return true;
}

std::vector<uint8_t> EncodeSeatChallenge(const SeatChallengeMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kSeatChallengeType);
    putBlock(out, m.salt.data(), m.salt.size());
    putBlock(out, m.nonce.data(), m.nonce.size());
    return out;
}

bool DecodeSeatChallenge(const uint8_t* data, size_t size, SeatChallengeMessage& m) {
    Bytes in(data, size);
    SeatChallengeMessage r;
    if (in.u8() != kSeatChallengeType) return false;
    getBlock(in, r.salt);
    getBlock(in, r.nonce);
    if (!in.atEnd()) return false;
    m = r;
    return true;
}

std::vector<uint8_t> EncodeSeatAnswer(const SeatAnswerMessage& m) {
    std::vector<uint8_t> out;
    put8(out, kSeatAnswerType);
    putBlock(out, m.mac.data(), m.mac.size());
    return out;
}

bool DecodeSeatAnswer(const uint8_t* data, size_t size, SeatAnswerMessage& m) {
    Bytes in(data, size);
    SeatAnswerMessage r;
    if (in.u8() != kSeatAnswerType) return false;
    getBlock(in, r.mac);
    if (!in.atEnd()) return false;
    m = r;
    return true;
}

}  // namespace net
