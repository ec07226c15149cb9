// The numbers that set a network session's pace, in one place.
#pragma once

#include <cstdint>

// A side makes at most this many frames beyond the other's newest record, then waits.
constexpr uint32_t kRollbackWindow = 12;
// A side that waits says its records again this often: about a frame at the usual pace,
// and never faster than the frames it makes at a slower one.
constexpr float kWaitingResendMs = 1000.0f / 60.0f;
// A peer not heard from for longer than this is gone.
constexpr float kSessionSilenceMs = 3000.0f;
// A side decides whether it is ahead of the other on the average of this many frames...
constexpr int kTimeSyncFrames = 16;
// ...and holds back at most this many frames for one decision.
constexpr int kMaxHeldFrames = 6;
