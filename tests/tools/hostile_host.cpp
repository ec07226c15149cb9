// A host that hands its guest a damaged game, for the end-to-end test of a guest that
// must refuse it: it listens on 127.0.0.1:PORT, waits for one guest and sends a Start
// whose state has been tampered with, or for "heal" a sound Start and then a damaged
// Heal. It ends when the guest leaves (exit 0) or after 30 s (exit 1).
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "game/game_state.h"
#include "net/protocol.h"
#include "net/state_codec.h"
#include "platform/net_transport.h"
#include "platform/timer.h"

namespace {

constexpr float kGiveUpMs = 30000.0f;

struct Kind {
    const char* name;
    void (*tamper)(GameState&);
};

const Kind kKinds[] = {
    {"nan-puck", [](GameState& g) { g.x = std::nanf(""); }},
    {"menu-index", [](GameState& g) { g.menu_1_nr = INT_MAX; }},
    {"long-text", [](GameState& g) { g.zeichen = std::string(200, 'Z'); }},
    {"heal", [](GameState& g) { g.move_z = 1e30f; }},
};

}  // namespace

int main(int argc, char** argv) {
    const Kind* kind = nullptr;
    for (const Kind& k : kKinds)
        if (argc == 3 && std::strcmp(argv[1], k.name) == 0) kind = &k;
    const int port = argc == 3 ? std::atoi(argv[2]) : 0;
    if (!kind || port <= 0 || port > 65535) {
        std::fprintf(stderr, "usage: hostile_host nan-puck|menu-index|long-text|heal PORT\n");
        return 2;
    }
    NetTransport net;
    std::string error;
    if (!net.listen("127.0.0.1", static_cast<uint16_t>(port), 1, net::kMaxMessageBytes, error)) {
        std::fprintf(stderr, "hostile_host: %s\n", error.c_str());
        return 2;
    }
    std::printf("hostile_host: listening on 127.0.0.1:%d\n", port);
    std::fflush(stdout);

    GameState damaged;
    kind->tamper(damaged);
    const bool heal = std::strcmp(kind->name, "heal") == 0;
    const float start = TimerGetTime();
    while (TimerGetTime() - start < kGiveUpMs) {
        NetEvent e;
        if (!net.poll(e, 50)) continue;
        if (e.type == NetEvent::Type::Connect) {
            net.send(e.peer, net::EncodeStart({0, 1, true, EncodeSharedState(heal ? GameState{} : damaged)}), true);
            if (heal) net.send(e.peer, net::EncodeHeal({0, EncodeSharedState(damaged)}), true);
            net.flush();
            std::printf("hostile_host: sent the %s game\n", kind->name);
            std::fflush(stdout);
        } else if (e.type == NetEvent::Type::Disconnect) {
            std::printf("hostile_host: the guest left (reason %u)\n", static_cast<unsigned>(net::FarewellOf(e.data)));
            return 0;
        }
    }
    std::fprintf(stderr, "hostile_host: the guest did not leave within 30 s\n");
    return 1;
}
