// The verifier's core: a record's bytes in, what their replay proves out. Pure, on the rules
// alone; puckslide3d-verify prints it, and a score service's workers call it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "verify/replay_judge.h"

namespace verify {

// Larger or longer records are not taken as records: a ladder takes some thousands of frames
// of about a dozen bytes each, and 2^20 frames are three hours at the game's own pace.
constexpr size_t kMaxRecordBytes = size_t{16} << 20;
constexpr size_t kMaxRecordFrames = size_t{1} << 20;

// Kind::NotARecord with the reason when the bytes are not a whole record of this version within the caps.
Verdict VerifyRecord(const uint8_t* data, size_t size);

}  // namespace verify
