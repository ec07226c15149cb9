// Any bytes as STUN and as ChannelData, and to a TurnClient in each of its states, as they came
// and as a signed answer to the request it waits on. A decoded message writes itself back no
// longer than it came, and that writing is a fixed point of decoding and encoding.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "../unit/fake_turn_server.h"

namespace {

const net::Endpoint kPeer{0x7F000001, 50002};

// Waiting for the challenge, for the signed allocation, for the channel after the permission,
// for the permission's refresh, for the release's answer; failed.
std::vector<FakeTurnServer> prepare() {
    FakeTurnServer fresh, asking, binding, refreshing, releasing, failed;
    fresh.c.start({0x7F000001, 3478}, "alice", "secret", 0);
    fresh.take(0), asking.challenged(), binding.binding(kPeer);
    refreshing = binding, refreshing.succeed(), refreshing.take(net::TurnClient::kPermissionRefreshMs);
    releasing = refreshing, releasing.c.release(net::TurnClient::kPermissionRefreshMs), releasing.take(net::TurnClient::kPermissionRefreshMs);
    failed = refreshing, failed.take(net::TurnClient::kPermissionRefreshMs + net::TurnClient::kGiveUpMs);
    return {fresh, asking, binding, refreshing, releasing, failed};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<FakeTurnServer> states = prepare();
    const std::vector<uint8_t>& key = states[0].key;
    net::StunMessage m, again;
    const bool decoded = net::DecodeStun(data, size, m);
    if (decoded) {
        const std::vector<uint8_t> once = net::EncodeStun(m, m.integrityAt ? &key : nullptr);
        if (once.size() > size || !net::DecodeStun(once.data(), once.size(), again) ||
            net::EncodeStun(again, again.integrityAt ? &key : nullptr) != once)
            std::abort();
        net::StunIntegrityMatches(data, size, m, key);
    }
    uint16_t channel = 0;
    std::vector<uint8_t> payload;
    if (net::DecodeChannelData(data, size, channel, payload) &&
        net::EncodeChannelData(channel, payload.data(), payload.size()) != std::vector<uint8_t>(data, data + 4 + payload.size()))
        std::abort();

    for (const FakeTurnServer& state : states) {
        FakeTurnServer raw = state, answered = state;
        raw.feed(std::vector<uint8_t>(data, data + size), 1), raw.take(2);
        m.transaction = state.last.transaction;
        if (decoded) answered.feed(net::EncodeStun(m, &state.key), 1);
        answered.take(2), answered.c.wrap(kPeer, data, size);
    }
    return 0;
}
