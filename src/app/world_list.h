// The world list's side in the game: nothing unless the player set world_scores (or
// --world-scores). Then the session's record is kept in memory, up to the verifier's cap, and
// when a ladder stores a name in the list the record so far goes to URL/runs in the background,
// through libcurl, never holding a frame up. A failure says so in one line and changes nothing else.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "game/frame_input.h"

struct GameState;

// POST URL/runs with a record: the run's id, or false with what failed in `error`.
bool SendRecord(const std::string& url, const std::vector<uint8_t>& record, std::string& id, std::string& error,
                const std::atomic<bool>* abandon = nullptr);
// puckslide3d --send-record FILE: sends it, waits for the verdict and prints it. The exit status:
// 0 proven, 1 refused, 2 not sent or no verdict in time.
int SendRecordFile(const std::string& url, const std::string& path);

class WorldList {
public:
    ~WorldList() { finish(); }
    // The record starts from `g`; an empty URL keeps and sends nothing.
    void start(const std::string& url, const GameState& g);
    void frame(const FrameInput& input, const GameState& after);
    // A ladder stored a name: the record as it stands goes out.
    void nameStored();
    // The record no longer holds the game (a network session took over): nothing more is sent.
    void stop();
    // At quit: a send still under way is finished first, for a few seconds at most.
    void finish();

private:
    void sendLoop();

    std::string url_;
    std::vector<uint8_t> record_;
    bool keeping_ = false;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::vector<uint8_t>> queue_;
    bool busy_ = false, quitting_ = false;
    std::atomic<bool> abandon_{false};
    std::thread sender_;
};
