// puckslide3d-verify FILE: replays a recorded game with the rules alone and prints, as one
// JSON object, whether every frame held and which name the record stored in the high-score
// list. Exit status 0 proven, 1 refused, 2 not a record of this version.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "verify/verify_record.h"

int main(int argc, char** argv) {
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "--version") return std::printf("puckslide3d-verify %s\n", PUCKSLIDE_VERSION), 0;
    if (argc != 2 || arg.empty() || arg[0] == '-') {
        std::fprintf(arg == "--help" || arg == "-h" ? stdout : stderr,
                     "usage: puckslide3d-verify FILE\n"
                     "Replays a recorded game (puckslide3d --record) and prints what it proves, as JSON:\n"
                     "exit status 0 proven, 1 refused, 2 not a record of this version.\n");
        return arg == "--help" || arg == "-h" ? 0 : 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "puckslide3d-verify: cannot read %s\n", argv[1]);
        return 2;
    }
    // One byte past the cap is enough to know a file is too large.
    std::vector<uint8_t> bytes;
    char chunk[65536];
    while (bytes.size() <= verify::kMaxRecordBytes && in.read(chunk, sizeof chunk).gcount() > 0)
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    const verify::Verdict v = verify::VerifyRecord(bytes.data(), bytes.size());
    if (v.kind == verify::Verdict::Kind::NotARecord) {
        std::fprintf(stderr, "puckslide3d-verify: %s: %s\n", argv[1], v.reason.c_str());
        return 2;
    }
    std::printf("%s\n", verify::VerdictJson(v).c_str());
    return v.kind == verify::Verdict::Kind::Proven ? 0 : 1;
}
