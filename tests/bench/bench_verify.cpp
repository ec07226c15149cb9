// The verifier's core on a typical singleplayer ladder (tests/records/single_ladder.rec from the source folder,
// or the record given): frames of replay per second and records per second, on one core.
#include <fstream>
#include <iterator>
#include <string>

#include "bench_clock.h"
#include "verify/verify_record.h"

int main(int argc, char** argv) {
    std::ifstream in(argc > 1 ? argv[1] : "tests/records/single_ladder.rec", std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const verify::Verdict v = verify::VerifyRecord(bytes.data(), bytes.size());
    if (v.kind != verify::Verdict::Kind::Proven) return std::printf("not proven: %s\n", v.reason.c_str()), 1;
    const double ms = msPer(argc > 2 ? std::atol(argv[2]) : 30, [&] { verify::VerifyRecord(bytes.data(), bytes.size()); });
    figure("one ladder", ms, "ms");
    figure("replay", static_cast<double>(v.frames) * 1000.0 / ms, "frames/s");
    figure("records", 1000.0 / ms, "records/s");
    return 0;
}
