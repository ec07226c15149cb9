// Any bytes as a network message, as the changes to a state, as a state and as a
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
    static const std::vector<uint8_t> base = EncodeSharedState(GameState{});
    static const std::vector<uint8_t> none;

    net::FrameMessage frame;
    if (net::DecodeFrame(data, size, frame)) {
        if (net::EncodeFrame(frame) != bytes) std::abort();
        std::vector<uint8_t> state;
        GameState g;
        if (net::ApplyDelta(frame.baseline == net::kNoFrame ? none : base, frame.delta, state) &&
            DecodeSharedState(state, g) && EncodeSharedState(g) != state)
            std::abort();
    }
    net::InputMessage input;
    if (net::DecodeInput(data, size, input) && net::EncodeInput(input) != bytes) std::abort();

    static const uint32_t greeting = net::Greeting(PUCKSLIDE_VERSION);
    if (net::DecodeDiscoveryRequest(data, size, greeting) && net::EncodeDiscoveryRequest(greeting) != bytes)
        std::abort();
    net::DiscoveryAnswer answer;
    if (net::DecodeDiscoveryAnswer(data, size, greeting, answer) &&
        net::EncodeDiscoveryAnswer(greeting, answer) != bytes)
        std::abort();

    GameState g;
    if (DecodeSharedState(bytes, g) && EncodeSharedState(g) != bytes) std::abort();
    std::vector<uint8_t> out;
    if (size <= net::kMaxStateBytes && (!net::ApplyDelta(base, net::MakeDelta(base, bytes), out) || out != bytes))
        std::abort();
    return 0;
}
