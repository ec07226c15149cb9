// The messages of a network session, as bytes. The host sends one frame message
// per frame: the state the frame was drawn from (as changes to a state the guest
// has confirmed), what a reseed of the frame seeds with, and the effects, music and
// message boxes not yet confirmed. The guest sends its held directions and what
// it has received. Decoding is a pure function of the bytes and rejects anything
// that is not exactly a message: a packet that fails is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/frame_input.h"

namespace net {

constexpr uint16_t kDefaultPort = 27315;
constexpr size_t kMaxMessageBytes = 16384;  // anything longer is dropped unread
constexpr size_t kMaxStateBytes = 8192;
constexpr size_t kMaxEvents = 64;
constexpr uint32_t kNoFrame = 0xFFFFFFFFu;

// The 32-bit greeting a guest connects with: protocol and game version.
uint32_t Greeting(const std::string& gameVersion);
std::string GreetingVersion(uint32_t greeting);  // the game version, "1.0.0"

// Why one side ends a connection; the reason travels with the disconnection.
enum class Farewell : uint8_t { None = 0, Left = 1, Busy = 2, OtherVersion = 3 };
uint32_t FarewellData(Farewell why, uint32_t hostGreeting);
Farewell FarewellOf(uint32_t data);
uint32_t FarewellGreeting(uint32_t data);

// What a host turn played or showed, by its place in the game's fixed lists; a box by
// its identifier (game/boxes.h).
enum class EffectKind : uint8_t { Sound = 0, Music = 1, Box = 2 };
struct Effect {
    uint32_t frame = 0;  // the host frame whose turn it belongs to
    EffectKind kind = EffectKind::Sound;
    uint8_t index = 0;
};
size_t EffectCount(EffectKind kind);
// -1 for a file, command or box that is not on the lists.
int SoundIndex(const std::string& file);
int MusicIndex(const std::string& command);
const char* SoundAt(size_t index);
const char* MusicAt(size_t index);

struct FrameMessage {
    uint32_t frame = 0;         // the host frame drawn from this state
    bool drawn = true;          // false while the host's window is minimised
    uint32_t baseline = kNoFrame;  // the frame whose state the changes apply to
    std::vector<uint8_t> delta;    // see MakeDelta
    uint32_t reseed = 0;           // the frame's reseed value, so the guest draws the same lots
    uint32_t firstEvent = 0;       // sequence number of events[0]
    std::vector<Effect> events;
};

// Held directions of the guest's player, one bit each.
enum Direction : uint8_t { kUp = 1, kLeft = 2, kDown = 4, kRight = 8 };
constexpr uint8_t kAllDirections = kUp | kLeft | kDown | kRight;
uint8_t DirectionBits(const Directions& d);
Directions DirectionsOf(uint8_t bits);

struct InputMessage {
    uint32_t sequence = 0;
    uint8_t directions = 0;
    uint32_t ackFrame = kNoFrame;  // the newest host frame taken over
    uint32_t ackEvent = 0;         // events below this sequence number have arrived
    uint16_t heldMs = 0;           // how long ackFrame had been here when this was sent
};

std::vector<uint8_t> EncodeFrame(const FrameMessage& m);
bool DecodeFrame(const uint8_t* data, size_t size, FrameMessage& m);
std::vector<uint8_t> EncodeInput(const InputMessage& m);
bool DecodeInput(const uint8_t* data, size_t size, InputMessage& m);

// The changes that turn `base` into `next`: its length, then runs of (bytes kept,
// bytes replaced, the replacing bytes). An empty base gives the whole of `next`.
std::vector<uint8_t> MakeDelta(const std::vector<uint8_t>& base, const std::vector<uint8_t>& next);
// false when the runs leave the declared length or leave a byte beyond the base unset.
bool ApplyDelta(const std::vector<uint8_t>& base, const std::vector<uint8_t>& delta, std::vector<uint8_t>& out);

}  // namespace net
