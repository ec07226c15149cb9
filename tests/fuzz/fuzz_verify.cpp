// Any bytes as a record to verify, the decoder and the replay together: nothing crashes, and a
// record is proven only when a replay of this fuzzer's own finds every recorded checksum.
#include <cstdlib>

#include "game/game_state.h"
#include "game/turn.h"
#include "verify/verify_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const verify::Verdict v = verify::VerifyRecord(data, size);
    if (v.kind != verify::Verdict::Kind::Proven) return 0;
    net::RecordStart start;
    std::vector<net::RecordedFrame> frames;
    std::string error;
    GameState g;
    if (!net::DecodeRecord(data, size, start, frames, error) || !net::ApplyRecordStart(start, g)) std::abort();
    for (size_t i = 0; i < frames.size(); ++i) {  // to the end, or to a turn that quits as the last frame
        const bool quit = AdvanceFrame(g, frames[i].input) == TurnOutcome::Quit;
        if (net::StateChecksum(g) != frames[i].checksum || (quit && i + 1 != frames.size())) std::abort();
    }
    return 0;
}
