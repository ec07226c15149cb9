// One JSON object per frame: the state after the turn and what the turn did; in a
// network session, one per confirmed frame with what this side showed of it.
#pragma once

#include <cstdio>
#include <string>

struct GameState;
struct SessionTraceLine;
struct TurnLog;

class TraceWriter {
public:
    ~TraceWriter();
    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    void writeFrame(long frame, const GameState& g, const TurnLog& log);
    void writeSessionFrame(const SessionTraceLine& line);

private:
    void writeLine(const std::string& line);

    FILE* file_ = nullptr;
};

// The JSON line itself, without the newline (exposed for tests).
std::string TraceLine(long frame, const GameState& g, const TurnLog& log);
