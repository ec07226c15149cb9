#include "app/rollback.h"

#include "game/turn.h"

namespace {
// Records are kept this far behind the confirmed frame, so that a healed desync can run them again.
constexpr uint32_t kHistory = 256;
// About a second of frames at the default pace: the clock's second moves on this often.
constexpr uint32_t kFramesPerSecond = 100;
}  // namespace

void Rollback::start(const GameState& g, uint32_t frame, int localPlayer, uint32_t reseed, bool fixed) {
    *this = Rollback{};
    local_player_ = localPlayer;
    start_ = next_ = confirmed_ = remoteUpTo_ = frame;
    reseed_ = reseed;
    fixedReseed_ = fixed;
    confirmedState_ = g;
}

uint32_t Rollback::reseedOf(uint32_t frame) const {
    return fixedReseed_ ? reseed_ : reseed_ + (frame - start_) / kFramesPerSecond;
}

void Rollback::remote(uint32_t frame, const PlayerInput& input) {
    if (frame < confirmed_ || remote_.count(frame)) return;
    remote_[frame] = input;
    while (remote_.count(remoteUpTo_)) ++remoteUpTo_;
}

FrameInput Rollback::inputOf(uint32_t frame) {
    FrameInput in;
    in.reseed = reseedOf(frame);
    in.player2Remote = true;
    in.players[local_player_] = local_[frame];
    PlayerInput& other = in.players[1 - local_player_];
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

void Rollback::eachUnconfirmed(const Confirmed& onFrame) const {
    GameState g = confirmedState_;
    for (uint32_t frame = confirmed_; frame < next_; ++frame) {
        FrameInput in;
        in.reseed = reseedOf(frame);
        in.player2Remote = true;
        const auto local = local_.find(frame);
        if (local != local_.end()) in.players[local_player_] = local->second;
        const auto used = used_.find(frame);
        if (used != used_.end()) in.players[1 - local_player_] = used->second;
        AdvanceFrame(g, in);
        onFrame(frame, in, g);
    }
}

FrameInput Rollback::nextInput(const PlayerInput& local) {
    local_[next_] = local;
    return inputOf(next_);
}

bool Rollback::predictedWrongly() const {
    for (const auto& [frame, used] : used_) {
        const auto known = remote_.find(frame);
        if (known != remote_.end() && !(known->second == used)) return true;
    }
    return false;
}

void Rollback::confirm(const Confirmed& onConfirmed) {
    while (confirmed_ < next_ && remote_.count(confirmed_)) {
        const FrameInput in = inputOf(confirmed_);
        AdvanceFrame(confirmedState_, in);
        if (onConfirmed) onConfirmed(confirmed_, in, confirmedState_);
        used_.erase(confirmed_);
        ++confirmed_;
    }
}

int Rollback::rerun(GameState& present, const Rerun& onRerun) {
    present = confirmedState_;
    int frames = 0;
    for (uint32_t f = confirmed_; f < next_; ++f, ++frames) {
        Effects fx;
        FrameView nothingDrawn;
        AdvanceFrame(present, inputOf(f), fx, nothingDrawn);
        if (onRerun) onRerun(f, fx);
    }
    return frames;
}

void Rollback::forgetOld() {
    const uint32_t keepFrom = confirmed_ > start_ + kHistory ? confirmed_ - kHistory : start_;
    local_.erase(local_.begin(), local_.lower_bound(keepFrom));
    remote_.erase(remote_.begin(), remote_.lower_bound(keepFrom));
}

int Rollback::catchUp(GameState& present, const Confirmed& onConfirmed, const Rerun& onRerun) {
    const bool wrong = predictedWrongly();
    confirm(onConfirmed);
    forgetOld();
    return wrong ? rerun(present, onRerun) : 0;
}

int Rollback::adopt(const GameState& state, uint32_t frame, GameState& present, const Confirmed& onConfirmed) {
    if (frame < start_ || frame > next_ || (frame < confirmed_ && !local_.count(frame))) return 0;
    confirmedState_ = state;
    confirmed_ = frame;
    used_.clear();
    confirm(onConfirmed);
    return rerun(present, {});
}
