// How fast the verifier's core proves a typical singleplayer ladder (tests/records/single_ladder.rec,
// or the record given): frames of replay per second and records per second on one core.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "verify/verify_record.h"

int main(int argc, char** argv) {
    const char* source = std::getenv("PUCKSLIDE_SOURCE_DIR");
    const std::string path = argc > 1 ? argv[1] : std::string(source ? source : ".") + "/tests/records/single_ladder.rec";
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const verify::Verdict v = verify::VerifyRecord(bytes.data(), bytes.size());
    if (v.kind != verify::Verdict::Kind::Proven) {
        std::fprintf(stderr, "bench_verify: %s is not proven: %s\n", path.c_str(), v.reason.c_str());
        return 1;
    }
    const long runs = argc > 2 ? std::atol(argv[2]) : 30;
    const double ms = msPer(runs, [&] { verify::VerifyRecord(bytes.data(), bytes.size()); });
    std::printf("%s: %ld frames, %zu bytes\n", path.c_str(), v.frames, bytes.size());
    figure("one record", ms, "ms");
    figure("replay", static_cast<double>(v.frames) * 1000.0 / ms, "frames/s");
    figure("records", 1000.0 / ms, "records/s");
    return 0;
}
