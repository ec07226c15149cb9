// The messages of a network session, as bytes. A host that handed out an invite code
// first asks the guest to prove it holds the code (SeatChallenge, SeatAnswer:
// net/seat_proof.h). At the join the host sends its game once (Start); from then on both sides send, every frame, their input records that
// the other has not confirmed, each packet repeating them, with what they have of the
// other's and now and then a checksum of a confirmed state (Inputs). After a desync the
// host sends its confirmed state (Heal). Decoding is a pure function of the bytes and
// rejects anything that is not exactly a message: a packet that fails is dropped.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/frame_input.h"
#include "net/seat_proof.h"

namespace net {

constexpr uint16_t kDefaultPort = 27315;
constexpr size_t kMaxMessageBytes = 16384;  // anything longer is dropped unread
constexpr size_t kMaxRecordsPerPacket = 64;
constexpr uint32_t kNoFrame = 0xFFFFFFFFu;

// The 32-bit greeting a guest connects with: protocol and game version.
uint32_t Greeting(const std::string& gameVersion);
std::string GreetingVersion(uint32_t greeting);  // the game version, "1.0.0"

// Why one side ends a connection; the reason travels with the disconnection.
// WrongCode: the guest could not prove it holds the invite code.
enum class Farewell : uint8_t { None = 0, Left = 1, Busy = 2, OtherVersion = 3, WrongCode = 4 };
uint32_t FarewellData(Farewell why, uint32_t hostGreeting);
Farewell FarewellOf(uint32_t data);
uint32_t FarewellGreeting(uint32_t data);

struct StartMessage {
    uint32_t frame = 0;         // the session's first frame
    uint32_t reseed = 0;        // what the session's reseeds start from
    bool fixedReseed = false;   // --seed: every reseed uses it
    std::vector<uint8_t> state;  // the shared state (net/state_codec.h)
};

struct InputsMessage {
    uint32_t firstFrame = 0;            // the frame of records[0]
    std::vector<PlayerInput> records;   // the sender's, one a frame
    uint32_t ack = 0;                   // the receiver's records below this frame have arrived
    int8_t advantage = 0;               // how many frames the sender has made beyond the receiver's records
    uint32_t checksumFrame = kNoFrame;  // a confirmed frame of the sender's, and the checksum of its state
    uint32_t checksum = 0;
};

struct HealMessage {
    uint32_t frame = 0;          // the host's confirmed state at the start of this frame
    std::vector<uint8_t> state;
};

// Host to guest, right after the connection and before Start.
struct SeatChallengeMessage {
    SeatSalt salt{};
    SeatNonce nonce{};
};

// Guest to host: the HMAC of the nonce under the code's key.
struct SeatAnswerMessage {
    SeatMac mac{};
};

std::vector<uint8_t> EncodeStart(const StartMessage& m);
bool DecodeStart(const uint8_t* data, size_t size, StartMessage& m);
std::vector<uint8_t> EncodeInputs(const InputsMessage& m);
bool DecodeInputs(const uint8_t* data, size_t size, InputsMessage& m);
std::vector<uint8_t> EncodeHeal(const HealMessage& m);
bool DecodeHeal(const uint8_t* data, size_t size, HealMessage& m);
std::vector<uint8_t> EncodeSeatChallenge(const SeatChallengeMessage& m);
bool DecodeSeatChallenge(const uint8_t* data, size_t size, SeatChallengeMessage& m);
std::vector<uint8_t> EncodeSeatAnswer(const SeatAnswerMessage& m);
bool DecodeSeatAnswer(const uint8_t* data, size_t size, SeatAnswerMessage& m);

}  // namespace net
