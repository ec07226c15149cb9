// What a replay proves of a record, judged frame by frame: whether every frame ends in the
// recorded state, and the last name the record stored in the high-score list, with its ladder
// and the switches that changed how that ladder's matches played. The game's --replay and
// puckslide3d-verify both judge through it, so they say the same of a record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "game/effects.h"
#include "game/turn_outcome.h"
#include "net/game_record.h"

struct GameState;

namespace verify {

struct LadderEntry {
    bool multiplayer = false;
    std::string name;
    int score = 0;
    long frame = 0;         // the frame that stored the name
    long ladderFrames = 0;  // from the frame of the ladder's first match to that one
    // "computer": the computer opponent other than the ladder has it (Ctrl+Shift+C);
    // "table": a table set up by Ctrl+Shift+1..8. The frame pacing (Ctrl+Shift+B) is none:
    // a frame of play is the same step whatever its length.
    std::vector<std::string> switches;
};

struct Verdict {
    enum class Kind { Proven, Refused, NotARecord };
    Kind kind = Kind::NotARecord;
    long frames = 0;                   // in the record
    std::string reason;                // refused or not a record: why
    std::optional<LadderEntry> entry;  // proven: the last name the record stored
};

class ReplayJudge {
public:
    // `start`: the record's start. A record that starts with a ladder begun (a guest's that
    // joined a game in progress, say) proves no name: part of its score was made elsewhere.
    explicit ReplayJudge(const GameState& start);
    // Around each frame: the state it starts from; then the state it ended with, what it
    // asked of the world, how the turn ended, and the checksum the record holds for it.
    void before(const GameState& g);
    void after(const GameState& g, const Effects& fx, TurnOutcome outcome, uint32_t recordedChecksum);
    // The first frame whose state is not the recorded one, or -1.
    long leftAt() const { return leftAt_; }
    // Every frame a replay plays has been judged: all of the record's, or up to a turn that ended the game.
    bool done(size_t recordFrames) const;
    Verdict verdict(size_t recordFrames) const;

private:
    enum Ladder { kNoLadder = -1, kSingle = 0, kMulti = 1 };
    static Ladder ladderOf(int screen);
    void watchLadders(const GameState& g, const Effects& fx);

    bool namesProvable_;
    long frame_ = 0;  // the frame being judged
    long leftAt_ = -1;
    long quitAt_ = -1;
    bool menuBefore_ = true;
    int screenBefore_ = 0;
    int takeTableBefore_ = 0;
    long firstMatch_[2] = {-1, -1};
    unsigned switches_[2] = {0, 0};
    Ladder naming_ = kNoLadder;  // the ladder whose name is being typed
    std::optional<LadderEntry> entry_;
};

// One JSON object on one line: {"verdict": "proven", ...} or {"verdict": "refused", ...}.
std::string VerdictJson(const Verdict& v);

}  // namespace verify
