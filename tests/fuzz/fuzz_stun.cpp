// Any bytes as a STUN message and as ChannelData, and as a datagram from the relay to a
// TurnClient in each of its states, both as they came and as an answer signed with the
// right key to the request the client is waiting on. A decoded message writes itself
// back no longer than it came, and that writing is a fixed point of decode and encode.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

#include "net/stun_message.h"
#include "net/turn_client.h"

namespace {

const std::vector<uint8_t> kKey = net::LongTermKey("alice", "r", "pw");
const net::Ipv4Address kServer{0x7F000001, 3478}, kPeer{0x7F000001, 50002};

struct Prepared {
    net::TurnClient client;
    net::TransactionId waiting{};  // the request it waits on
    bool isWaiting = false;
};

// Answers the request the client just sent; notes the one it sends next.
void answer(Prepared& p, uint64_t now, const std::function<void(net::StunMessage&)>& fill, bool sign = true) {
    net::StunMessage m;
    m.transaction = p.waiting;
    m.cls = net::StunClass::Success;
    fill(m);
    const std::vector<uint8_t> d = net::EncodeStun(m, sign ? &kKey : nullptr);
    p.client.receive(d.data(), d.size(), now);
}
void sent(Prepared& p, uint64_t now) {
    const auto out = p.client.poll(now);
    net::StunMessage m;
    p.isWaiting = !out.empty() && net::DecodeStun(out.back().data(), out.back().size(), m);
    if (p.isWaiting) p.waiting = m.transaction;
}

std::vector<Prepared> prepare() {
    std::vector<Prepared> states;
    Prepared p;
    p.client.start(kServer, "alice", "pw", 0);
    sent(p, 0);
    states.push_back(p);  // allocating, not yet challenged
    answer(p, 0, [](net::StunMessage& m) {
        m.cls = net::StunClass::Error;
        m.hasError = true;
        m.errorCode = 401;
        m.realm = "r";
        m.nonce = "n";
    }, false);
    sent(p, 0);
    states.push_back(p);  // allocating with credentials
    p.client.permit(kPeer);
    answer(p, 0, [](net::StunMessage& m) {
        m.hasRelayed = true;
        m.relayed = {0x7F000001, 50000};
    });
    sent(p, 0);
    states.push_back(p);  // ready, permission asked
    answer(p, 0, [](net::StunMessage&) {});
    sent(p, 0);
    answer(p, 0, [](net::StunMessage&) {});
    sent(p, net::TurnClient::kPermissionRefreshMs);
    states.push_back(p);  // channel bound, permission being refreshed
    Prepared closed = p;
    closed.client.close();
    states.push_back(closed);
    p.client.poll(net::TurnClient::kPermissionRefreshMs + net::TurnClient::kGiveUpMs);
    states.push_back(p);  // failed
    return states;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::StunMessage m;
    const bool decoded = net::DecodeStun(data, size, m);
    if (decoded) {
        const std::vector<uint8_t> once = net::EncodeStun(m, m.integrityAt ? &kKey : nullptr);
        net::StunMessage again;
        if (once.size() > size || !net::DecodeStun(once.data(), once.size(), again)) std::abort();
        if (net::EncodeStun(again, again.integrityAt ? &kKey : nullptr) != once) std::abort();
        if (m.integrityAt && !net::StunIntegrityMatches(once.data(), once.size(), again, kKey)) std::abort();
        net::StunIntegrityMatches(data, size, m, kKey);
    }
    uint16_t channel = 0;
    std::vector<uint8_t> payload;
    if (net::DecodeChannelData(data, size, channel, payload) &&
        net::EncodeChannelData(channel, payload.data(), payload.size()) != std::vector<uint8_t>(data, data + 4 + payload.size()))
        std::abort();

    static const std::vector<Prepared> states = prepare();
    for (const Prepared& p : states) {
        net::TurnClient c = p.client;
        c.receive(data, size, 1);
        c.poll(2);
        if (decoded && p.isWaiting) {
            net::TurnClient signedAnswer = p.client;
            net::StunMessage reply = m;
            reply.transaction = p.waiting;
            const std::vector<uint8_t> d = net::EncodeStun(reply, &kKey);
            signedAnswer.receive(d.data(), d.size(), 1);
            signedAnswer.poll(2);
            const std::vector<uint8_t> wrapped = signedAnswer.wrap(kPeer, data, size);
            if (signedAnswer.state() == net::TurnState::Ready && wrapped.empty() && size < 1000) std::abort();
        }
    }
    return 0;
}
