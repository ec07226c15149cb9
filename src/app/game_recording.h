// --record and --replay: a game's input records in a file (net/game_record.h).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "net/game_record.h"

class RecordWriter {
public:
    ~RecordWriter();
    // Writes the start: the state the game has now. false: the file cannot be written.
    bool open(const std::string& path, const GameState& g);
    bool isOpen() const { return file_ != nullptr; }
    // One frame: its input and the state it ended with.
    void frame(const FrameInput& input, const GameState& after);
    // No more frames: a guest's record ends with its session.
    void close();

private:
    FILE* file_ = nullptr;
};

// The whole record; false with the reason in `error`.
bool LoadRecord(const std::string& path, net::RecordStart& start, std::vector<net::RecordedFrame>& frames,
                std::string& error);
