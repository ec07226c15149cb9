// A guest's trace: for each host frame that reached it, the host's line for that
// frame with this window's own fields and the frame numbers of both sides.
#include "app/net_session.h"

#include "app/trace_writer.h"

long GuestSession::guestFrameOf(uint32_t hostFrame) const {
    return guestFrameAtJoin_ + static_cast<long>(hostFrame) - static_cast<long>(firstFrame_);
}

// The host's line for the same frame, with this window's own fields and the
// frame numbers of both sides.
void GuestSession::writeTraceLine(TraceWriter& trace, const GameState& g, uint32_t hostFrame) {
    TurnLog log;
    const auto effects = effectsByFrame_.find(hostFrame);
    if (effects != effectsByFrame_.end()) log = std::move(effects->second);
    effectsByFrame_.erase(effectsByFrame_.begin(), effectsByFrame_.upper_bound(hostFrame));
    if (!trace.isOpen()) return;
    const bool drawn = drawnFrame_ == hostFrame;
    if (drawn) log.texts = drawnTexts_;
    std::string line = TraceLine(guestFrameOf(hostFrame), g, log);
    const size_t afterFrame = line.find(',');
    line.insert(afterFrame + 1, "\"host_frame\":" + std::to_string(hostFrame) + ",\"drawn\":" +
                                    (drawn ? "true" : "false") + ",");
    trace.writeLine(line);
}
