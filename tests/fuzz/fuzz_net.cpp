// Any bytes as a network message, as a state and as a
// search of the local network: each reader stays inside the bytes, and what it
// accepts is exactly what the writer makes of the result, so nothing half-read
// ever reaches the game.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "game/game_state.h"
#include "net/discovery.h"
#include "net/protocol.h"
#include "net/state_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    net::StartMessage start;
    if (net::DecodeStart(data, size, start) && net::EncodeStart(start) != bytes) std::abort();
    net::InputsMessage inputs;
    if (net::DecodeInputs(data, size, inputs) && net::EncodeInputs(inputs) != bytes) std::abort();
    net::HealMessage heal;
    if (net::DecodeHeal(data, size, heal) && net::EncodeHeal(heal) != bytes) std::abort();

    static const uint32_t greeting = net::Greeting(PUCKSLIDE_VERSION);
    if (net::DecodeDiscoveryRequest(data, size, greeting) && net::EncodeDiscoveryRequest(greeting) != bytes)
        std::abort();
    net::DiscoveryAnswer answer;
    if (net::DecodeDiscoveryAnswer(data, size, greeting, answer) &&
        net::EncodeDiscoveryAnswer(greeting, answer) != bytes)
        std::abort();
    GameState g;
    if (DecodeSharedState(bytes, g) && EncodeSharedState(g) != bytes) std::abort();
    return 0;
}
