// Stands in for a TURN server in the unit tests and the fuzzer: takes the requests a TurnClient
// puts out and answers the last of them.
#pragma once

#include <string>
#include <vector>

#include "net/stun_message.h"
#include "net/turn_client.h"

struct FakeTurnServer {
    net::TurnClient c;
    std::vector<uint8_t> key = net::LongTermKey("alice", "puck.test", "secret");
    net::StunMessage last;  // the request answered next
    bool lastSigned = false;

    size_t take(uint64_t now) { return take(c.poll(now)); }
    size_t take(const std::vector<std::vector<uint8_t>>& sent) {  // how many requests were sent
        const std::vector<uint8_t> d = sent.empty() ? std::vector<uint8_t>() : sent.back();
        last = net::StunMessage();
        lastSigned = net::DecodeStun(d.data(), d.size(), last) && net::StunIntegrityMatches(d.data(), d.size(), last, key);
        return sent.size();
    }
    net::TurnReceived feed(const std::vector<uint8_t>& d, uint64_t now = 0) { return c.receive(d.data(), d.size(), now); }
    net::StunMessage reply() const {
        net::StunMessage m;
        m.method = last.method, m.cls = net::StunClass::Success, m.transaction = last.transaction;
        return m;
    }
    void succeed(uint64_t now = 0, uint32_t lifetime = 600) {
        net::StunMessage m = reply();
        m.hasRelayed = m.hasLifetime = true, m.relayed = {0xC6336401, 50000}, m.lifetime = lifetime;  // an allocation reads the address
        feed(net::EncodeStun(m, &key), now);
    }
    void error(int code, const std::string& reason, const std::string& nonce = "") {
        net::StunMessage m = reply();
        m.cls = net::StunClass::Error, m.hasError = true, m.errorCode = code, m.errorReason = reason;
        m.nonce = nonce, m.realm = nonce.empty() ? "" : "puck.test";
        feed(net::EncodeStun(m));  // unsigned, as a refusal of the credentials must be
    }
    // Asking again with the credentials of the challenge; then ready, `peer`'s address permitted, its channel asked for.
    void challenged() {
        c.start({0x7F000001, 3478}, "alice", "secret", 0);
        take(0), error(401, "Unauthorized", "n1"), take(0);
    }
    void binding(const net::Endpoint& peer, uint32_t lifetime = 600) {
        challenged(), succeed(0, lifetime);
        c.permit(peer.ipv4);
        take(0), succeed(), c.bindChannel(peer), take(0);
    }
};
