#include "net/turn_client.h"

#include <openssl/rand.h>

#include <algorithm>
#include <cstdio>

namespace net {

namespace {

constexpr uint32_t kDefaultLifetimeSeconds = 600;  // what a server grants when it names none
constexpr uint64_t kRefreshLeadMs = 60 * 1000;     // refresh this long before the lifetime ends
constexpr uint64_t kShortestLifetimeMs = 1000;
constexpr int kMostStaleNonces = 3;
constexpr size_t kMostReasonChars = 60;
constexpr int kUnauthorized = 401, kStaleNonce = 438;
constexpr size_t kMostPeers = 16;  // permissions, and channels: a side talks to one other, seen from a port or two
constexpr uint16_t kAnyPort = 0;   // a permission's peer port, which the server passes over

TransactionId newTransaction() {
    TransactionId id{};
    RAND_bytes(id.data(), static_cast<int>(id.size()));
    return id;
}

// The server's reason phrase is shown to the player: printable ASCII only, and short.
std::string errorText(const StunMessage& m) {
    std::string reason;
    for (char c : m.errorReason)
        if (c >= 0x20 && c < 0x7F && reason.size() < kMostReasonChars) reason += c;
    return "(" + std::to_string(m.errorCode) + (reason.empty() ? "" : " " + reason) + ")";
}

std::string ipOf(const Endpoint& a) {
    const std::string s = FormatEndpoint(a);
    return s.substr(0, s.find(':'));
}

}  // namespace

void TurnClient::start(const Endpoint& server, const std::string& username, const std::string& password,
                       uint64_t nowMs) {
    const uint64_t permissionEveryMs = permissionEveryMs_, channelEveryMs = channelEveryMs_;
    *this = TurnClient();
    permissionEveryMs_ = permissionEveryMs;
    channelEveryMs_ = channelEveryMs;
    server_ = server;
    username_ = username;
    password_ = password;
    state_ = TurnState::Allocating;
    request(kTurnAllocate);
    transactions_.back().nextSendMs = nowMs;
}

void TurnClient::setRefreshMs(uint64_t ms) {
    ms = std::max(ms, kShortestRefreshMs);
    permissionEveryMs_ = std::min(ms, kPermissionRefreshMs);
    channelEveryMs_ = std::min(ms, kChannelRefreshMs);
}

void TurnClient::permit(uint32_t ip) {
    const auto known = [&](const Permission& p) { return p.ip == ip; };
    if (std::any_of(permissions_.begin(), permissions_.end(), known) || permissions_.size() >= kMostPeers) return;
    permissions_.push_back({ip, false, 0});
    if (state_ == TurnState::Ready) request(kTurnCreatePermission, permissions_.size() - 1);
}

bool TurnClient::permitted(uint32_t ip) const {
    return std::any_of(permissions_.begin(), permissions_.end(), [&](const Permission& p) { return p.ip == ip && p.granted; });
}

void TurnClient::bindChannel(const Endpoint& peer) {
    permit(peer.ipv4);
    for (const Channel& c : channels_)
        if (c.peer == peer) return;
    if (channels_.size() >= kMostPeers) return;
    channels_.push_back({peer, static_cast<uint16_t>(kFirstChannel + channels_.size()), false, 0});
    if (state_ == TurnState::Ready) request(kTurnChannelBind, channels_.size() - 1);
}

bool TurnClient::channelBound(const Endpoint& peer) const {
    return std::any_of(channels_.begin(), channels_.end(), [&](const Channel& c) { return c.peer == peer && c.bound; });
}

std::vector<uint8_t> TurnClient::wrap(const Endpoint& peer, const uint8_t* payload, size_t size) const {
    if (state_ != TurnState::Ready) return {};
    for (const Channel& c : channels_)
        if (c.peer == peer && c.bound) return EncodeChannelData(c.number, payload, size);
    StunMessage send;
    send.method = kTurnSend;
    send.cls = StunClass::Indication;
    send.transaction = newTransaction();
    send.hasPeer = true;
    send.peer = peer;
    send.hasData = true;
    send.data.assign(payload, payload + size);
    return EncodeStun(send);
}

// Builds a request and queues it for the next poll(). Every request after the server's
// challenge carries the credentials and is signed with the long-term key.
void TurnClient::request(uint16_t method, size_t peer) {
    StunMessage m;
    m.method = method;
    m.transaction = newTransaction();
    if (method == kTurnAllocate) {
        m.hasTransport = true;
        m.transport = kTransportUdp;
    }
    if (method == kTurnRefresh && state_ == TurnState::Releasing) {
        m.hasLifetime = true;
        m.lifetime = 0;
    }
    if (method == kTurnCreatePermission) {
        m.hasPeer = true;
        m.peer = {permissions_[peer].ip, kAnyPort};  // a permission is for the address alone
    }
    if (method == kTurnChannelBind) {
        m.hasPeer = m.hasChannel = true;
        m.peer = channels_[peer].peer;
        m.channel = channels_[peer].number;
    }
    Transaction t;
    t.authenticated = !key_.empty();
    if (t.authenticated) {
        m.username = username_;
        m.realm = realm_;
        m.nonce = nonce_;
    }
    t.id = m.transaction;
    t.method = method;
    t.peer = peer;
    t.bytes = EncodeStun(m, t.authenticated ? &key_ : nullptr);
    transactions_.push_back(std::move(t));
}

bool TurnClient::pending(uint16_t method, size_t peer) const {
    return std::any_of(transactions_.begin(), transactions_.end(),
                       [&](const Transaction& t) { return t.method == method && t.peer == peer; });
}

void TurnClient::fail(const std::string& why) {
    if (state_ == TurnState::Releasing) return closed();  // nothing is lost that was still wanted
    state_ = TurnState::Failed;
    failure_ = why;
    transactions_.clear();
}

void TurnClient::closed() {
    state_ = TurnState::Closed;
    transactions_.clear();
}

std::vector<std::vector<uint8_t>> TurnClient::poll(uint64_t nowMs) {
    std::vector<std::vector<uint8_t>> out;
    if (state_ == TurnState::Ready) {
        if (nowMs >= refreshMs_ && !pending(kTurnRefresh)) request(kTurnRefresh);
        for (size_t i = 0; i < permissions_.size(); ++i)
            if (permissions_[i].granted && nowMs >= permissions_[i].refreshMs && !pending(kTurnCreatePermission, i))
                request(kTurnCreatePermission, i);
        for (size_t i = 0; i < channels_.size(); ++i)
            if (channels_[i].bound && nowMs >= channels_[i].refreshMs && !pending(kTurnChannelBind, i))
                request(kTurnChannelBind, i);
    }
    for (Transaction& t : transactions_) {
        if (!t.sent) {
            if (nowMs < t.nextSendMs) continue;
            t.sent = true;
            t.gapMs = kFirstRetransmitMs;
            t.giveUpMs = nowMs + kGiveUpMs;
        } else if (nowMs >= t.giveUpMs) {
            fail("the relay did not answer within " + std::to_string(kGiveUpMs / 1000) + " seconds");
            return {};
        } else if (nowMs >= t.nextSendMs) {
            t.gapMs = std::min(t.gapMs * 2, kLongestRetransmitMs);
        } else {
            continue;
        }
        t.nextSendMs = nowMs + t.gapMs;
        out.push_back(t.bytes);
    }
    return out;
}

TurnReceived TurnClient::receive(const uint8_t* data, size_t size, uint64_t nowMs) {
    TurnReceived handled;
    handled.kind = TurnReceived::Kind::Handled;
    const DatagramKind kind = ClassifyDatagram(data, size);
    if (kind == DatagramKind::Other) return TurnReceived();

    if (kind == DatagramKind::ChannelData) {
        uint16_t channel = 0;
        std::vector<uint8_t> payload;
        if (state_ != TurnState::Ready || !DecodeChannelData(data, size, channel, payload)) return handled;
        // a channel asked for is taken before its answer: the server sends that first, but it may be lost
        for (const Channel& c : channels_)
            if (c.number == channel) return fromPeer(c.peer, std::move(payload));
        return handled;
    }

    StunMessage m;
    if (!DecodeStun(data, size, m)) return handled;
    if (m.cls == StunClass::Indication) {
        if (state_ == TurnState::Ready && m.method == kTurnData && m.hasPeer && m.hasData)
            return fromPeer(m.peer, std::move(m.data));
        return handled;
    }
    if (m.cls == StunClass::Request) return handled;

    const auto it = std::find_if(transactions_.begin(), transactions_.end(),
                                 [&](const Transaction& t) { return t.id == m.transaction && t.method == m.method; });
    if (it == transactions_.end()) return handled;
    // A forged or damaged answer is dropped as if it never came; the request is sent again.
    if (m.integrityAt ? !StunIntegrityMatches(data, size, m, key_)
                      : it->authenticated && m.cls == StunClass::Success)
        return handled;
    const Transaction t = *it;
    transactions_.erase(it);
    onResponse(t, m, nowMs);
    return handled;
}

void TurnClient::onResponse(const Transaction& t, const StunMessage& m, uint64_t nowMs) {
    if (!m.unknownRequired.empty()) {
        char type[8];
        std::snprintf(type, sizeof type, "0x%04X", m.unknownRequired.front());
        return fail(std::string("the relay answered with an attribute this game does not know (") + type + ")");
    }
    if (m.cls == StunClass::Success) {
        staleNonces_ = 0;
        return onSuccess(t, m, nowMs);
    }
    // a refusal while releasing: the allocation is gone, or was never granted
    if (state_ == TurnState::Releasing && m.errorCode != kStaleNonce) return closed();
    if (m.errorCode == kStaleNonce && !m.nonce.empty()) {
        if (++staleNonces_ > kMostStaleNonces) return fail("the relay kept refusing its own nonce (438)");
        nonce_ = m.nonce;
        if (!m.realm.empty() && m.realm != realm_) {
            realm_ = m.realm;
            key_ = LongTermKey(username_, realm_, password_);
        }
        return request(t.method, t.peer);
    }
    if (m.errorCode == kUnauthorized && t.method == kTurnAllocate && !t.authenticated) {
        if (m.realm.empty() || m.nonce.empty())
            return fail("the relay asked for credentials without a realm and a nonce");
        realm_ = m.realm;
        nonce_ = m.nonce;
        key_ = LongTermKey(username_, realm_, password_);
        return request(kTurnAllocate);
    }
    if (m.errorCode == kUnauthorized) return fail("the relay refused the credentials (401)");
    switch (t.method) {
        case kTurnAllocate: return fail("the relay refused the allocation " + errorText(m));
        case kTurnRefresh: return fail("the relay refused to keep the allocation " + errorText(m));
        case kTurnCreatePermission:
            return fail("the relay refused a permission for " + ipOf({permissions_[t.peer].ip, kAnyPort}) + " " +
                        errorText(m));
        default:
            return fail("the relay refused a channel to " + FormatEndpoint(channels_[t.peer].peer) + " " + errorText(m));
    }
}

void TurnClient::onSuccess(const Transaction& t, const StunMessage& m, uint64_t nowMs) {
    switch (t.method) {
        case kTurnAllocate:
            if (state_ == TurnState::Releasing) return request(kTurnRefresh);  // granted only to be let go
            if (!m.hasRelayed) return fail("the relay's answer held no relayed address");
            relayed_ = m.relayed;
            if (m.hasMapped) mapped_ = m.mapped;
            state_ = TurnState::Ready;
            scheduleRefresh(m.hasLifetime ? m.lifetime : kDefaultLifetimeSeconds, nowMs);
            for (size_t i = 0; i < permissions_.size(); ++i) request(kTurnCreatePermission, i);
            for (size_t i = 0; i < channels_.size(); ++i) request(kTurnChannelBind, i);
            return;
        case kTurnRefresh:
            if (state_ == TurnState::Releasing) return closed();
            return scheduleRefresh(m.hasLifetime ? m.lifetime : kDefaultLifetimeSeconds, nowMs);
        case kTurnCreatePermission:
            permissions_[t.peer].granted = true;
            permissions_[t.peer].refreshMs = nowMs + permissionEveryMs_;
            return;
        case kTurnChannelBind:
            channels_[t.peer].bound = true;
            channels_[t.peer].refreshMs = nowMs + channelEveryMs_;
            return;
        default:
            return;
    }
}

void TurnClient::scheduleRefresh(uint32_t lifetimeSeconds, uint64_t nowMs) {
    const uint64_t lifetimeMs = std::max<uint64_t>(uint64_t(lifetimeSeconds) * 1000, kShortestLifetimeMs);
    refreshMs_ = nowMs + lifetimeMs - std::min(kRefreshLeadMs, lifetimeMs / 2);
}

TurnReceived TurnClient::fromPeer(const Endpoint& peer, std::vector<uint8_t> payload) const {
    TurnReceived r;
    r.kind = TurnReceived::Kind::PeerData;
    r.peer = peer;
    r.payload = std::move(payload);
    return r;
}

void TurnClient::release(uint64_t nowMs) {
    const auto grantPending = std::any_of(transactions_.begin(), transactions_.end(),
                                          [](const Transaction& t) { return t.method == kTurnAllocate && t.sent; });
    if (state_ == TurnState::Allocating && !grantPending) return closed();  // the server holds nothing yet
    if (state_ != TurnState::Ready && state_ != TurnState::Allocating) return;
    const bool ready = state_ == TurnState::Ready;
    state_ = TurnState::Releasing;
    if (!ready) {  // the allocation's answer is awaited, and then released
        transactions_.erase(std::remove_if(transactions_.begin(), transactions_.end(),
                                           [](const Transaction& t) { return t.method != kTurnAllocate; }),
                            transactions_.end());
        return;
    }
    transactions_.clear();
    request(kTurnRefresh);
    transactions_.back().nextSendMs = nowMs;
}

}  // namespace net
