#include "app/game_recording.h"

#include <fstream>
#include <iterator>

namespace {
// Far beyond any real game (a day of play is about 80 MB): a larger file is not ours.
constexpr std::streamoff kMaxRecordBytes = 1LL << 30;
}  // namespace

RecordWriter::~RecordWriter() { close(); }

void RecordWriter::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

bool RecordWriter::open(const std::string& path, const GameState& g) {
    file_ = std::fopen(path.c_str(), "wb");
    if (!file_) return false;
    const std::vector<uint8_t> start = net::EncodeRecordStart(net::RecordStartOf(g));
    return std::fwrite(start.data(), 1, start.size(), file_) == start.size();
}

void RecordWriter::frame(const FrameInput& input, const GameState& after) {
    if (!file_) return;
    const std::vector<uint8_t> bytes = net::EncodeRecordedFrame({input, net::StateChecksum(after)});
    std::fwrite(bytes.data(), 1, bytes.size(), file_);
}

bool LoadRecord(const std::string& path, net::RecordStart& start, std::vector<net::RecordedFrame>& frames,
                std::string& error) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        error = "cannot read " + path;
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxRecordBytes) {
        error = path + " is too large to be a recorded game";
        return false;
    }
    in.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) {
        error = "cannot read " + path;
        return false;
    }
    if (!net::DecodeRecord(bytes.data(), bytes.size(), start, frames, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}
