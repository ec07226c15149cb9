// A host that hands its guest a damaged game: it listens on 127.0.0.1:PORT and sends the
// first guest a Start whose state is tampered with, or for "heal" a sound Start and then a
// damaged Heal. It ends when the guest leaves (exit 0) or after 30 s (exit 1).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "game/game_state.h"
#include "net/protocol.h"
#include "net/state_codec.h"
#include "platform/net_transport.h"
#include "platform/timer.h"

int main(int argc, char** argv) {
    const std::string kind = argc == 3 ? argv[1] : "";
    GameState damaged;
    if (kind == "nan-puck") damaged.x = std::nanf("");
    else if (kind == "heal") damaged.move_z = 1e30f;
    else
        return std::fprintf(stderr, "usage: hostile_host nan-puck|heal PORT\n"), 2;
    NetTransport net;
    std::string error;
    if (!net.listen("127.0.0.1", static_cast<uint16_t>(std::atoi(argv[2])), 1, net::kMaxMessageBytes, error))
        return std::fprintf(stderr, "hostile_host: %s\n", error.c_str()), 2;
    std::printf("hostile_host: listening\n"), std::fflush(stdout);
    const bool heal = kind == "heal";
    for (const float start = TimerGetTime(); TimerGetTime() - start < 30000.0f;) {
        NetEvent e;
        if (!net.poll(e, 50)) continue;
        if (e.type == NetEvent::Type::Disconnect) return 0;
        if (e.type != NetEvent::Type::Connect) continue;
        net.send(e.peer, net::EncodeStart({0, 1, true, EncodeSharedState(heal ? GameState{} : damaged)}), true);
        if (heal) net.send(e.peer, net::EncodeHeal({0, EncodeSharedState(damaged)}), true);
        net.flush();
    }
    std::fprintf(stderr, "hostile_host: the guest did not leave within 30 s\n");
    return 1;
}
