// The rollback of a network session, apart from the network. Both sides run the same
// game from the same start on the same per-frame input records. A side runs each
// frame at once, with its own record and a prediction of the other's (the directions
// it held last, no new keys); when the other's real record arrives and differs, it
// goes back to the newest state for which both records were known (the confirmed
// state) and runs the frames since then again, silently.
#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "app/session_pace.h"
#include "game/effects.h"
#include "game/frame_input.h"
#include "game/game_state.h"

class Rollback {
public:
    // Both sides start from the same state at the same frame; `reseed` is what the
    // session's reseeds start from, moving on once a second of frames unless `fixed`.
    void start(const GameState& g, uint32_t frame, int localPlayer, uint32_t reseed, bool fixed);

    uint32_t next() const { return next_; }            // the frame to be made next
    uint32_t confirmed() const { return confirmed_; }  // both records are known below it
    uint32_t remoteUpTo() const { return remoteUpTo_; }  // the other's records are known below it
    const GameState& confirmedState() const { return confirmedState_; }
    bool mayAdvance() const { return next_ < remoteUpTo_ + kRollbackWindow; }
    // The frames this side has made beyond the other's newest record.
    int advantage() const { return static_cast<int>(next_) - static_cast<int>(remoteUpTo_); }
    // The local records from `frame` on, for sending (those the other has not confirmed).
    const std::map<uint32_t, PlayerInput>& local() const { return local_; }

    // The other side's record of `frame`; old and repeated ones change nothing.
    void remote(uint32_t frame, const PlayerInput& input);

    // Confirms what the arrived records allow, calling `onConfirmed` for each frame with
    // its input and the state it ended with; then, if a prediction the present was made
    // with turned out wrong, runs the frames since the confirmed state again into
    // `present`, calling `onRerun` with each frame's effects. Returns the frames re-run.
    using Confirmed = std::function<void(uint32_t frame, const FrameInput&, const GameState& after)>;
    using Rerun = std::function<void(uint32_t frame, const Effects&)>;
    int catchUp(GameState& present, const Confirmed& onConfirmed, const Rerun& onRerun);

    // The input of the next frame: the local record and the other's, known or predicted.
    // The caller runs the frame with it and then calls advanced().
    FrameInput nextInput(const PlayerInput& local);
    void advanced() { ++next_; }

    // The host's confirmed state of `frame` replaces this side's (a desync healed):
    // the confirmed frames after it are confirmed again and the present runs again.
    int adopt(const GameState& state, uint32_t frame, GameState& present, const Confirmed& onConfirmed);

    uint32_t reseedOf(uint32_t frame) const;
    // The frames not yet confirmed as the present was last made: each one's input and
    // the state it ended with.
    void eachUnconfirmed(const Confirmed& f) const;
    // A developer's desync: the confirmed state changes by a hair.
    void disturbConfirmed() { confirmedState_.x += 1.0f; }

private:
    FrameInput inputOf(uint32_t frame);
    bool predictedWrongly() const;
    int rerun(GameState& present, const Rerun& onRerun);
    void confirm(const Confirmed& onConfirmed);
    void forgetOld();

    int local_player_ = 0;
    uint32_t start_ = 0, next_ = 0, confirmed_ = 0, remoteUpTo_ = 0;
    uint32_t reseed_ = 0;
    bool fixedReseed_ = true;
    GameState confirmedState_;
    std::map<uint32_t, PlayerInput> local_, remote_;
    std::map<uint32_t, PlayerInput> used_;  // the other's record each unconfirmed frame was made with
};
