#include "net/rendezvous_messages.h"

#include "net/bytes.h"
#include "net/invite_code.h"

namespace net {

namespace {

constexpr uint8_t kMagic[4] = {0xC7, 'P', '3', 'R'};
constexpr size_t kHeaderBytes = 6;  // magic, version, type

template <class... Ts>
struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts>
Overloaded(Ts...) -> Overloaded<Ts...>;

// Writing ----------------------------------------------------------------------

void put64(std::vector<uint8_t>& out, uint64_t v) {
    put32(out, static_cast<uint32_t>(v));
    put32(out, static_cast<uint32_t>(v >> 32));
}

void putEndpoint(std::vector<uint8_t>& out, const Endpoint& e) {
    put32(out, e.ipv4);
    put16(out, e.port);
}

void putEndpoints(std::vector<uint8_t>& out, const std::vector<Endpoint>& list) {
    put8(out, static_cast<uint8_t>(list.size()));
    for (const Endpoint& e : list) putEndpoint(out, e);
}

void putText(std::vector<uint8_t>& out, const std::string& s) {
    put8(out, static_cast<uint8_t>(s.size()));
    out.insert(out.end(), s.begin(), s.end());
}

void putTurn(std::vector<uint8_t>& out, const std::optional<TurnOffer>& turn) {
    put8(out, turn ? 1 : 0);
    if (!turn) return;
    putEndpoint(out, turn->server);
    putText(out, turn->username);
    putText(out, turn->password);
}

void putBody(std::vector<uint8_t>& out, const RendezvousMessage& message) {
    std::visit(Overloaded{
                   [&](const RegisterMessage& m) {
                       put64(out, m.token);
                       put32(out, m.lookupId);
                       putEndpoints(out, m.addresses);
                   },
                   [&](const RegisteredMessage& m) {
                       put64(out, m.token);
                       put32(out, m.lookupId);
                       putEndpoint(out, m.seen);
                       put16(out, m.lifetimeSeconds);
                       putTurn(out, m.turn);
                   },
                   [&](const LookupMessage& m) {
                       put64(out, m.nonce);
                       put32(out, m.lookupId);
                       putEndpoints(out, m.addresses);
                   },
                   [&](const FoundMessage& m) {
                       put64(out, m.nonce);
                       put32(out, m.lookupId);
                       putEndpoint(out, m.hostSeen);
                       putEndpoints(out, m.hostAddresses);
                       putEndpoint(out, m.guestSeen);
                       putTurn(out, m.turn);
                   },
                   [&](const GuestArrivingMessage& m) {
                       put64(out, m.token);
                       put32(out, m.lookupId);
                       putEndpoint(out, m.guestSeen);
                       putEndpoints(out, m.guestAddresses);
                   },
                   [&](const NotFoundMessage& m) {
                       put64(out, m.nonce);
                       put32(out, m.lookupId);
                   },
                   [&](const RateLimitedMessage& m) {
                       put64(out, m.nonce);
                       put16(out, m.retryAfterSeconds);
                   },
                   [&](const FullMessage& m) { put64(out, m.token); },
                   [&](const UnregisterMessage& m) { put64(out, m.token); },
               },
               message);
}

// Reading: each reader fails the Bytes on a value out of range, so one ok() at the end
// answers for the whole message.

uint64_t get64(Bytes& in) {
    const uint64_t low = in.u32();
    return low | uint64_t(in.u32()) << 32;
}

uint32_t getLookupId(Bytes& in, bool zeroAllowed) {
    const uint32_t id = in.u32();
    if (id > kLookupIdMask || (id == 0 && !zeroAllowed)) in.fail();
    return id;
}

Endpoint getEndpoint(Bytes& in) {
    Endpoint e;
    e.ipv4 = in.u32();
    e.port = in.u16();
    if (e.ipv4 == 0 || e.port == 0) in.fail();
    return e;
}

std::vector<Endpoint> getEndpoints(Bytes& in) {
    const size_t count = in.u8();
    std::vector<Endpoint> list;
    if (count > kMaxOwnAddresses || in.left() < count * 6) {
        in.fail();
        return list;
    }
    for (size_t i = 0; i < count; ++i) list.push_back(getEndpoint(in));
    return list;
}

std::string getText(Bytes& in) {
    const size_t length = in.u8();
    const uint8_t* chars = in.block(length);
    if (!chars || length == 0 || length > kMaxCredentialChars) {
        in.fail();
        return {};
    }
    for (size_t i = 0; i < length; ++i)
        if (chars[i] < 0x21 || chars[i] > 0x7E) in.fail();
    return std::string(chars, chars + length);
}

std::optional<TurnOffer> getTurn(Bytes& in) {
    const uint8_t present = in.u8();
    if (present > 1) in.fail();
    if (present != 1) return std::nullopt;
    TurnOffer t;
    t.server = getEndpoint(in);
    t.username = getText(in);
    t.password = getText(in);
    return t;
}

bool getBody(Bytes& in, uint8_t type, RendezvousMessage& out) {
    switch (type) {
    case 1: {
        RegisterMessage m;
        m.token = get64(in);
        m.lookupId = getLookupId(in, true);
        m.addresses = getEndpoints(in);
        out = std::move(m);
        return true;
    }
    case 2: {
        RegisteredMessage m;
        m.token = get64(in);
        m.lookupId = getLookupId(in, false);
        m.seen = getEndpoint(in);
        m.lifetimeSeconds = in.u16();
        m.turn = getTurn(in);
        out = std::move(m);
        return true;
    }
    case 3: {
        LookupMessage m;
        m.nonce = get64(in);
        m.lookupId = getLookupId(in, false);
        m.addresses = getEndpoints(in);
        out = std::move(m);
        return true;
    }
    case 4: {
        FoundMessage m;
        m.nonce = get64(in);
        m.lookupId = getLookupId(in, false);
        m.hostSeen = getEndpoint(in);
        m.hostAddresses = getEndpoints(in);
        m.guestSeen = getEndpoint(in);
        m.turn = getTurn(in);
        out = std::move(m);
        return true;
    }
    case 5: {
        GuestArrivingMessage m;
        m.token = get64(in);
        m.lookupId = getLookupId(in, false);
        m.guestSeen = getEndpoint(in);
        m.guestAddresses = getEndpoints(in);
        out = std::move(m);
        return true;
    }
    case 6: {
        NotFoundMessage m;
        m.nonce = get64(in);
        m.lookupId = getLookupId(in, false);
        out = m;
        return true;
    }
    case 7: {
        RateLimitedMessage m;
        m.nonce = get64(in);
        m.retryAfterSeconds = in.u16();
        out = m;
        return true;
    }
    case 8: {
        FullMessage m;
        m.token = get64(in);
        out = m;
        return true;
    }
    case 9: {
        UnregisterMessage m;
        m.token = get64(in);
        out = m;
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

bool IsRendezvousDatagram(const uint8_t* data, size_t size) {
    if (!data || size < kHeaderBytes) return false;
    for (size_t i = 0; i < 4; ++i)
        if (data[i] != kMagic[i]) return false;
    return data[4] == kRendezvousVersion;
}

std::vector<uint8_t> EncodeRendezvous(const RendezvousMessage& m) {
    std::vector<uint8_t> out(kMagic, kMagic + 4);
    put8(out, kRendezvousVersion);
    put8(out, static_cast<uint8_t>(m.index() + 1));
    putBody(out, m);
    return out;
}

bool DecodeRendezvous(const uint8_t* data, size_t size, RendezvousMessage& m) {
    if (size > kMaxRendezvousDatagram || !IsRendezvousDatagram(data, size)) return false;
    Bytes in(data + kHeaderBytes, size - kHeaderBytes);
    RendezvousMessage decoded;
    if (!getBody(in, data[5], decoded) || !in.atEnd()) return false;
    m = std::move(decoded);
    return true;
}

}  // namespace net
