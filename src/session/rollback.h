// The rollback of a network session, apart from the network and from any one game. Both
// sides run the same game from the same start on the same per-frame input records. A side
// runs each frame at once, with its own record and a prediction of the other's (the
// directions it held last, no new keys); when the other's real record arrives and differs,
// it goes back to the newest state for which both records were known (the confirmed state)
// and runs the frames since then again, silently.
//
// The game comes as its state, which a copy saves, and its step, which advances a state by
// one frame of input and lists the frame's effects without carrying any of them out.
#pragma once

#include <cstdint>
#include <functional>
#include <iterator>
#include <map>
#include <utility>

#include "game/effects.h"
#include "game/frame_input.h"
#include "session/session_pace.h"

template <class State>
class Rollback {
public:
    using Step = std::function<void(State&, const FrameInput&, Effects&)>;
    // Each confirmed frame, with its input and the state it ended with.
    using Confirmed = std::function<void(uint32_t frame, const FrameInput&, const State& after)>;
    // Each frame run again, with its effects.
    using Rerun = std::function<void(uint32_t frame, const Effects&)>;

    // Both sides start from the same state at the same frame; `reseed` is what the
    // session's reseeds start from, moving on once a second of frames unless `fixed`.
    void start(const State& s, uint32_t frame, int localPlayer, uint32_t reseed, bool fixed, Step step) {
        *this = Rollback{};
        step_ = std::move(step);
        localPlayer_ = localPlayer;
        start_ = next_ = confirmed_ = remoteUpTo_ = frame;
        reseed_ = reseed;
        fixedReseed_ = fixed;
        confirmedState_ = s;
    }

    uint32_t next() const { return next_; }              // the frame to be made next
    uint32_t confirmed() const { return confirmed_; }    // both records are known below it
    uint32_t remoteUpTo() const { return remoteUpTo_; }  // the other's records are known below it
    const State& confirmedState() const { return confirmedState_; }
    bool mayAdvance() const { return next_ < remoteUpTo_ + kRollbackWindow; }
    // The frames this side has made beyond the other's newest record.
    int advantage() const { return static_cast<int>(next_) - static_cast<int>(remoteUpTo_); }
    // The local records, for sending (those from the frame the other has confirmed on).
    const std::map<uint32_t, PlayerInput>& local() const { return local_; }

    // The other side's record of `frame`; old and repeated ones change nothing.
    void remote(uint32_t frame, const PlayerInput& input) {
        if (frame < confirmed_ || remote_.count(frame)) return;
        remote_[frame] = input;
        while (remote_.count(remoteUpTo_)) ++remoteUpTo_;
    }

    // Confirms what the arrived records allow; then, if a prediction the present was made
    // with turned out wrong, runs the frames since the confirmed state again into `present`.
    // Returns the frames run again.
    int catchUp(State& present, const Confirmed& onConfirmed, const Rerun& onRerun) {
        const bool wrong = predictedWrongly();
        confirm(onConfirmed);
        forgetOld();
        return wrong ? rerun(present, onRerun) : 0;
    }

    // The input of the next frame: the local record and the other's, known or predicted.
    // The caller runs the frame with it and then calls advanced().
    FrameInput nextInput(const PlayerInput& local) {
        local_[next_] = local;
        return inputOf(next_);
    }
    void advanced() { ++next_; }

    // The host's confirmed state of `frame` replaces this side's (a desync healed): the
    // confirmed frames after it are confirmed again and the present runs again.
    int adopt(const State& s, uint32_t frame, State& present, const Confirmed& onConfirmed) {
        if (frame < start_ || frame > next_ || (frame < confirmed_ && !local_.count(frame))) return 0;
        confirmedState_ = s;
        confirmed_ = frame;
        used_.clear();
        confirm(onConfirmed);
        return rerun(present, {});
    }

    uint32_t reseedOf(uint32_t frame) const {
        return fixedReseed_ ? reseed_ : reseed_ + (frame - start_) / kReseedFrames;
    }

    // The frames not yet confirmed as the present was last made: each one's input and the
    // state it ended with.
    void eachUnconfirmed(const Confirmed& onFrame) const {
        State s = confirmedState_;
        for (uint32_t frame = confirmed_; frame < next_; ++frame) {
            FrameInput in = frameInput(frame);
            const auto local = local_.find(frame);
            if (local != local_.end()) in.players[localPlayer_] = local->second;
            const auto used = used_.find(frame);
            if (used != used_.end()) in.players[1 - localPlayer_] = used->second;
            Effects dropped;
            step_(s, in, dropped);
            onFrame(frame, in, s);
        }
    }

    // A developer's desync: `disturb` changes the confirmed state by a hair.
    template <class Disturb>
    void disturbConfirmed(Disturb&& disturb) {
        disturb(confirmedState_);
    }

private:
    // Records are kept this far behind the confirmed frame, so that a healed desync can run them again.
    static constexpr uint32_t kHistory = 256;
    // About a second of frames at the default pace: the clock's second moves on this often.
    static constexpr uint32_t kReseedFrames = 100;

    FrameInput frameInput(uint32_t frame) const {
        FrameInput in;
        in.reseed = reseedOf(frame);
        in.player2Remote = true;
        return in;
    }

    FrameInput inputOf(uint32_t frame) {
        FrameInput in = frameInput(frame);
        in.players[localPlayer_] = local_[frame];
        PlayerInput& other = in.players[1 - localPlayer_];
        const auto known = remote_.find(frame);
        if (known != remote_.end()) {
            other = known->second;
        } else {
            // The prediction: the directions of the newest record before it, no keys.
            const auto before = remote_.lower_bound(frame);
            if (before != remote_.begin()) other.held = std::prev(before)->second.held;
        }
        used_[frame] = other;
        return in;
    }

    bool predictedWrongly() const {
        for (const auto& [frame, used] : used_) {
            const auto known = remote_.find(frame);
            if (known != remote_.end() && !(known->second == used)) return true;
        }
        return false;
    }

    void confirm(const Confirmed& onConfirmed) {
        while (confirmed_ < next_ && remote_.count(confirmed_)) {
            const FrameInput in = inputOf(confirmed_);
            Effects dropped;
            step_(confirmedState_, in, dropped);
            if (onConfirmed) onConfirmed(confirmed_, in, confirmedState_);
            used_.erase(confirmed_);
            ++confirmed_;
        }
    }

    int rerun(State& present, const Rerun& onRerun) {
        present = confirmedState_;
        int frames = 0;
        for (uint32_t f = confirmed_; f < next_; ++f, ++frames) {
            Effects fx;
            step_(present, inputOf(f), fx);
            if (onRerun) onRerun(f, fx);
        }
        return frames;
    }

    void forgetOld() {
        const uint32_t keepFrom = confirmed_ > start_ + kHistory ? confirmed_ - kHistory : start_;
        local_.erase(local_.begin(), local_.lower_bound(keepFrom));
        remote_.erase(remote_.begin(), remote_.lower_bound(keepFrom));
    }

    Step step_;
    int localPlayer_ = 0;
    uint32_t start_ = 0, next_ = 0, confirmed_ = 0, remoteUpTo_ = 0;
    uint32_t reseed_ = 0;
    bool fixedReseed_ = true;
    State confirmedState_{};
    std::map<uint32_t, PlayerInput> local_, remote_;
    std::map<uint32_t, PlayerInput> used_;  // the other's record each unconfirmed frame was made with
};
