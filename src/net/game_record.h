// A game recorded as its input: the start (what the first frame needs beyond the
// game's defaults) and every frame's input records of both players, each with a
// checksum of the state the frame ended with, so that a replay can prove it reached
// the same state. Decoding is a pure function of the bytes and refuses anything that
// is not exactly a record of this version.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/frame_input.h"
#include "game/game_state.h"

namespace net {

constexpr uint16_t kRecordVersion = 3;

struct RecordStart {
    KeyBindings bindings;
    std::string HSname[12];
    int hsscore[12] = {};
    std::vector<uint8_t> state;  // the whole shared state, when the game started elsewhere; else empty
};

struct RecordedFrame {
    FrameInput input;
    uint32_t checksum = 0;  // StateChecksum of the state after the frame
};

RecordStart RecordStartOf(const GameState& g, bool wholeState = false);
// false when a whole state is not one (and `g` unchanged).
bool ApplyRecordStart(const RecordStart& start, GameState& g);

std::vector<uint8_t> EncodeRecordStart(const RecordStart& start);
std::vector<uint8_t> EncodeRecordedFrame(const RecordedFrame& frame);
// false with the reason in `error` (and nothing of the record kept).
bool DecodeRecord(const uint8_t* data, size_t size, RecordStart& start, std::vector<RecordedFrame>& frames,
                  std::string& error);

// A 32-bit FNV-1a hash of the shared state (net/state_codec.h).
uint32_t StateChecksum(const GameState& g);

}  // namespace net
