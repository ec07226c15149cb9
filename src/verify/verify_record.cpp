#include "verify/verify_record.h"

#include "game/game_state.h"
#include "game/turn.h"

namespace verify {

namespace {

Verdict notARecord(std::string reason) {
    Verdict v;
    v.reason = std::move(reason);
    return v;
}

}  // namespace

Verdict VerifyRecord(const uint8_t* data, size_t size) {
    if (size > kMaxRecordBytes) return notARecord("larger than the verifier's cap of " + std::to_string(kMaxRecordBytes) + " bytes");
    // The whole record is read once before the replay, so that a damaged one is never half proven.
    net::RecordStart start;
    std::string error;
    net::RecordReader check(data, size);
    if (!check.start(start, error)) return notARecord(error);
    net::RecordedFrame frame;
    while (check.framesRead() <= kMaxRecordFrames && check.next(frame, error)) {
    }
    if (!error.empty()) return notARecord(error);
    const size_t frames = check.framesRead();
    if (frames > kMaxRecordFrames)
        return notARecord("longer than the verifier's cap of " + std::to_string(kMaxRecordFrames) + " frames");
    GameState g;
    std::string refused;
    if (!net::ApplyRecordStart(start, g, &refused)) return notARecord("the record's start is damaged (" + refused + ")");

    ReplayJudge judge(g);
    net::RecordReader replay(data, size);
    replay.start(start, error);
    Effects fx;
    FrameView nothingDrawn;
    while (!judge.done(frames) && judge.leftAt() < 0 && replay.next(frame, error)) {
        fx.clear();
        judge.before(g);
        const TurnOutcome outcome = AdvanceFrame(g, frame.input, fx, nothingDrawn);
        judge.after(g, fx, outcome, frame.checksum);
    }
    return judge.verdict(frames);
}

}  // namespace verify
