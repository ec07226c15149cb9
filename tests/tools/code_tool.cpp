// An invite code for the same game with a secret its host never gave out: what a stranger
// who learnt a code's lookup id (or address) but not its secret would type. The code it
// prints parses, check symbol and all, so the host's seat proof is what refuses it.
//   code_tool CODE    prints CODE with its secret's lowest bit turned over
#include <cstdio>

#include "net/invite_code.h"

int main(int argc, char** argv) {
    net::InviteCode code;
    if (argc != 2 || net::ParseInviteCode(argv[1], code) != net::CodeParse::Ok)
        return std::fprintf(stderr, "usage: code_tool CODE (an invite code that parses)\n"), 2;
    code.secret ^= 1;
    std::printf("%s\n", net::FormatInviteCode(code).c_str());
    return 0;
}
