// A game recorded as its input: the start (the whole shared state the first frame starts
// from, so that a replay needs nothing of the game that plays it back: not its high-score
// list, settings or key bindings) and every frame's input records of both players, each with a
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
#include "net/bytes.h"

namespace net {

constexpr uint16_t kRecordVersion = 4;

struct RecordStart {
    std::vector<uint8_t> state;  // net/state_codec.h
};

struct RecordedFrame {
    FrameInput input;
    uint32_t checksum = 0;  // StateChecksum of the state after the frame
};

RecordStart RecordStartOf(const GameState& g);
// false when the state is not one (and `g` unchanged), with the first field that failed in `refused`.
bool ApplyRecordStart(const RecordStart& start, GameState& g, std::string* refused = nullptr);

std::vector<uint8_t> EncodeRecordStart(const RecordStart& start);
std::vector<uint8_t> EncodeRecordedFrame(const RecordedFrame& frame);
// false with the reason in `error` (and nothing of the record kept).
bool DecodeRecord(const uint8_t* data, size_t size, RecordStart& start, std::vector<RecordedFrame>& frames,
                  std::string& error);

// The same decoding a frame at a time, for records too long to hold decoded: the bytes
// must outlive the reader.
class RecordReader {
public:
    RecordReader(const uint8_t* data, size_t size) : in_(data, size) {}
    // The start; false with the reason in `error`.
    bool start(RecordStart& start, std::string& error);
    // The next frame; false at the end of the record, or with the reason in `error` when
    // the frame is damaged or cut short.
    bool next(RecordedFrame& frame, std::string& error);
    size_t framesRead() const { return frames_; }

private:
    Bytes in_;
    size_t frames_ = 0;
};

// A 32-bit FNV-1a hash of the shared state (net/state_codec.h).
uint32_t StateChecksum(const GameState& g);

}  // namespace net
