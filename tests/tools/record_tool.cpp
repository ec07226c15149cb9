// record_tool IN OUT KEEP IDLE: a long record that still proves its name, for the world list's tests: the first KEEP
// frames of IN (its name stored, its quit left out), then IDLE frames of no input with the checksums the rules give
// them. A worker takes seconds over it, long enough to be killed mid-run.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "game/turn.h"
#include "net/game_record.h"

int main(int argc, char** argv) {
    if (argc != 5) return std::fprintf(stderr, "usage: record_tool IN OUT KEEP IDLE\n"), 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    net::RecordStart start;
    std::vector<net::RecordedFrame> frames;
    std::string error;
    GameState g;
    if (!net::DecodeRecord(bytes.data(), bytes.size(), start, frames, error) || !net::ApplyRecordStart(start, g))
        return std::fprintf(stderr, "record_tool: %s: %s\n", argv[1], error.c_str()), 1;
    frames.resize(std::min<size_t>(frames.size(), std::strtoul(argv[3], nullptr, 10)));
    frames.resize(frames.size() + std::strtoul(argv[4], nullptr, 10));
    std::vector<uint8_t> out = net::EncodeRecordStart(start);
    for (net::RecordedFrame& f : frames) {
        AdvanceFrame(g, f.input);
        f.checksum = net::StateChecksum(g);
        for (uint8_t b : net::EncodeRecordedFrame(f)) out.push_back(b);
    }
    std::ofstream(argv[2], std::ios::binary).write(reinterpret_cast<const char*>(out.data()), out.size());
    return 0;
}
