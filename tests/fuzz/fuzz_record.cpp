// Any bytes as a recorded game: the reader stays inside the bytes, and what it
// accepts is exactly what the writer makes of the result.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/game_record.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::RecordStart start;
    std::vector<net::RecordedFrame> frames;
    std::string error;
    if (!net::DecodeRecord(data, size, start, frames, error)) return 0;
    std::vector<uint8_t> again = net::EncodeRecordStart(start);
    for (const net::RecordedFrame& f : frames)
        for (uint8_t b : net::EncodeRecordedFrame(f)) again.push_back(b);
    if (again != std::vector<uint8_t>(data, data + size)) std::abort();
    return 0;
}
