#include "session/meeting.h"

#include <algorithm>
#include <utility>

#include "net/punch_probe.h"

namespace {

// Probes go out this often while the two sides punch.
constexpr uint64_t kProbeEveryMs = 50;
// A guest asks again this often until the rendezvous answers, then keeps its introduction
// fresh (the host hears of it again, and of the guest's relay once it has one).
constexpr uint64_t kLookupEveryMs = 250;
constexpr uint64_t kLookupAgainMs = 500;
// With its own relay ready, a guest asks this often for the host's relayed address, which
// the rendezvous hands out only in answer.
constexpr uint64_t kLookupRelayMs = 150;
// After the punch, how long the relay may still take to connect the two sides.
constexpr uint64_t kRelayWaitMs = 4000;
// A host registers again this often until the rendezvous answers that registration, then keeps
// it alive (a home router forgets an idle mapping in about 30 seconds): a lost registration, a
// new address's above all, costs a guest being met half a second, not a keep-alive's wait.
constexpr uint64_t kRegisterEveryMs = 500;
constexpr uint64_t kKeepAliveMs = 5000;

bool contains(const std::vector<net::Endpoint>& list, const net::Endpoint& e) {
    return std::find(list.begin(), list.end(), e) != list.end();
}

bool isRelay(const std::optional<net::TurnOffer>& offer, const net::Endpoint& e) {
    return offer && e.ipv4 == offer->server.ipv4;
}

// The addresses to probe: all the other side's own and seen ones, but its relayed one.
std::vector<net::Endpoint> probed(const std::optional<net::TurnOffer>& offer, const net::Endpoint& seen,
                                  const std::vector<net::Endpoint>& own) {
    std::vector<net::Endpoint> out{seen};
    for (const net::Endpoint& e : own)
        if (!isRelay(offer, e) && !contains(out, e)) out.push_back(e);
    return out;
}

bool fromEndpoint(const RawDatagram& d, const net::Endpoint& e) { return d.ip == e.ipv4 && d.port == e.port; }

// The game stops with this and awaits no answer, so the release goes twice against a loss: an
// allocation left behind would refuse the next session from the same port (437) for minutes.
void releaseAtStop(RelayLink& relay, uint64_t nowMs, std::vector<Outgoing>& out) {
    const size_t before = out.size();
    relay.release(nowMs, out);
    if (out.size() > before) out.push_back(out.back());
}

DatagramVerdict taken() { return {DatagramVerdict::Kind::Take, {}, 0, 0}; }
DatagramVerdict passed() { return {}; }

// What is neither side's rendezvous talk: a probe of the punch, the relay's own datagrams, or the game's.
DatagramVerdict punchOrRelay(Punch& punch, RelayLink& relay, std::vector<Outgoing>& pending, const RawDatagram& d,
                             uint64_t nowMs) {
    if (net::IsPunchDatagram(d.data, d.size)) {
        punch.take(d, pending);
        return taken();
    }
    return relay.fromServer(d) ? relay.take(d, nowMs) : passed();
}

}  // namespace

// ===========================================================================
// Probes.
// ===========================================================================

void Punch::start(uint32_t lookupId, uint64_t tag, const std::vector<net::Endpoint>& theirs, uint64_t nowMs) {
    lookupId_ = lookupId;
    tag_ = tag;
    theirs_ = theirs;
    nextMs_ = nowMs;
    untilMs_ = nowMs + kPunchMs;
    crossed_.reset();
}

void Punch::addAddresses(const std::vector<net::Endpoint>& theirs) {
    for (const net::Endpoint& e : theirs)
        if (!contains(theirs_, e)) theirs_.push_back(e);
}

bool Punch::take(const RawDatagram& d, std::vector<Outgoing>& out) {
    net::PunchProbe p;
    if (lookupId_ == 0 || !net::DecodePunchProbe(d.data, d.size, p) || p.lookupId != lookupId_) return false;
    const net::Endpoint from{d.ip, d.port};
    if (p.kind == net::PunchProbe::Kind::Probe) {
        out.push_back({from, net::EncodePunchProbe({net::PunchProbe::Kind::Echo, lookupId_, p.tag})});
    } else if (p.tag != tag_) {
        return false;  // an echo of someone else's probe
    }
    if (!crossed_) crossed_ = from;
    return true;
}

void Punch::poll(uint64_t nowMs, std::vector<Outgoing>& out) {
    if (nowMs >= untilMs_ || nowMs < nextMs_) return;
    for (const net::Endpoint& e : theirs_)
        out.push_back({e, net::EncodePunchProbe({net::PunchProbe::Kind::Probe, lookupId_, tag_})});
    nextMs_ = nowMs + kProbeEveryMs;
}

// ===========================================================================
// The relay.
// ===========================================================================

void RelayLink::start(const net::TurnOffer& offer, uint64_t nowMs) {
    turn_.start(offer.server, offer.username, offer.password, nowMs);
}

void RelayLink::permit(uint32_t theirIp) {
    // Permissions go by address alone: whatever port the other's router gives its datagrams.
    permitted_ = theirIp;
    turn_.permit(theirIp);
}

std::optional<net::Endpoint> RelayLink::ours() const {
    if (turn_.state() != net::TurnState::Ready || !permitted_ || !turn_.permitted(*permitted_)) return std::nullopt;
    return turn_.relayed();
}

bool RelayLink::fromServer(const RawDatagram& d) const { return started() && fromEndpoint(d, turn_.server()); }

DatagramVerdict RelayLink::take(const RawDatagram& d, uint64_t nowMs) {
    net::TurnReceived r = turn_.receive(d.data, d.size, nowMs);
    if (r.kind == net::TurnReceived::Kind::NotTurn) return passed();
    if (r.kind != net::TurnReceived::Kind::PeerData || !theirs_) return taken();
    // Only now is the port known that the other's router gave its datagrams to this relay.
    if (r.peer.ipv4 == permitted_) turn_.bindChannel(r.peer);
    return {DatagramVerdict::Kind::Replace, std::move(r.payload), theirs_->ipv4, theirs_->port};
}

void RelayLink::poll(uint64_t nowMs, std::vector<Outgoing>& out) {
    if (!started()) return;
    for (std::vector<uint8_t>& bytes : turn_.poll(nowMs)) out.push_back({turn_.server(), std::move(bytes)});
}

void RelayLink::release(uint64_t nowMs, std::vector<Outgoing>& out) {
    turn_.release(nowMs);
    poll(nowMs, out);
    theirs_.reset();
    permitted_.reset();
}

// ===========================================================================
// The guest.
// ===========================================================================

GuestMeeting::GuestMeeting(const net::Endpoint& rendezvous, uint32_t lookupId, uint64_t nonce,
                           std::vector<net::Endpoint> own, uint64_t nowMs)
    : rendezvous_(rendezvous), lookupId_(lookupId), nonce_(nonce), own_(std::move(own)), startMs_(nowMs) {
    nextLookupMs_ = nowMs;
}

std::vector<Outgoing> GuestMeeting::stop(uint64_t nowMs) {
    std::vector<Outgoing> out;
    releaseAtStop(relay_, nowMs, out);
    return out;
}

void GuestMeeting::fail(const std::string& why) {
    state_ = State::Failed;
    failure_ = why;
}

std::vector<Outgoing> GuestMeeting::poll(uint64_t nowMs) {
    std::vector<Outgoing> out = std::exchange(pending_, {});
    if (state_ == State::Failed) return out;
    relay_.poll(nowMs, out);  // a relay in use is kept alive, one not used is released
    if (state_ == State::Direct || state_ == State::Relayed) return out;

    lookup(nowMs, out);
    if (state_ == State::Asking) {
        if (nowMs - startMs_ >= kRendezvousAnswerMs)
            fail("the rendezvous at " + net::FormatEndpoint(rendezvous_) + " did not answer within " +
                 std::to_string(kRendezvousAnswerMs / 1000) + " seconds: is the setting rendezvous right, and is it running?");
        return out;
    }
    punch_.poll(nowMs, out);
    if (punch_.crossed()) {
        state_ = State::Direct;
        target_ = *punch_.crossed();
        relay_.release(nowMs, out);  // not needed: the routers let the two sides through
        return out;
    }
    // Both relays are ready and let the other side in, and the host knows this side's: a
    // probe that crosses later changes nothing, as ENet's connection keeps its address.
    if (relay_.theirs() && relay_.ours() && hostToldOfRelay_ && nowMs - meetingSinceMs_ >= kPunchGraceMs) {
        state_ = State::Relayed;
        target_ = *relay_.theirs();
        punch_.stop();
        return out;
    }
    if (!punch_.over(nowMs)) return out;
    const std::string none = "no probe crossed between the two routers within " + std::to_string(kPunchMs / 1000) +
                             " seconds";
    if (!offer_) {
        fail(none + " and the rendezvous offers no relay: the host can forward UDP port " +
             std::to_string(hostPort_) + " on its router (or switch on UPnP) and give you a new code");
    } else if (relay_.failed()) {
        fail(none + ", and the relay at " + net::FormatEndpoint(offer_->server) + " failed: " + relay_.failure());
    } else if (nowMs - meetingSinceMs_ >= kPunchMs + kRelayWaitMs) {
        fail(none + ", and the relay at " + net::FormatEndpoint(offer_->server) + " did not join the two sides within " +
             std::to_string((kPunchMs + kRelayWaitMs) / 1000) + " seconds");
    }
    return out;
}

// Asks the rendezvous for the host, and tells it (and so the host) this side's relayed
// address the moment there is one.
void GuestMeeting::lookup(uint64_t nowMs, std::vector<Outgoing>& out) {
    const auto relayed = relay_.ours();
    if (nowMs < nextLookupMs_ && !(relayed && !relayAnnounced_)) return;
    net::LookupMessage lookup{nonce_, lookupId_, own_};
    if (relayed && lookup.addresses.size() < net::kMaxOwnAddresses) {
        lookup.addresses.push_back(*relayed);
        relayAnnounced_ = true;
    }
    out.push_back({rendezvous_, net::EncodeRendezvous(lookup)});
    const uint64_t gapMs = state_ == State::Asking ? kLookupEveryMs
                           : relayed && !relay_.theirs() ? kLookupRelayMs : kLookupAgainMs;
    nextLookupMs_ = nowMs + gapMs;
}

void GuestMeeting::found(const net::FoundMessage& m, uint64_t nowMs) {
    hostToldOfRelay_ = relayAnnounced_;
    if (state_ == State::Asking) {
        state_ = State::Meeting;
        meetingSinceMs_ = nowMs;
        offer_ = m.turn;
        hostPort_ = m.hostSeen.port;
        punch_.start(lookupId_, nonce_, probed(offer_, m.hostSeen, m.hostAddresses), nowMs);
        if (offer_) {
            relay_.start(*offer_, nowMs);
            relay_.permit(m.hostSeen.ipv4);
        }
    } else {
        punch_.addAddresses(probed(offer_, m.hostSeen, m.hostAddresses));
    }
    for (const net::Endpoint& e : m.hostAddresses)
        if (isRelay(offer_, e)) relay_.setTheirs(e);
}

DatagramVerdict GuestMeeting::filter(const RawDatagram& d, uint64_t nowMs) {
    if (fromEndpoint(d, rendezvous_) && net::IsRendezvousDatagram(d.data, d.size)) {
        net::RendezvousMessage m;
        if (!net::DecodeRendezvous(d.data, d.size, m) || (state_ != State::Asking && state_ != State::Meeting))
            return taken();
        if (const auto* f = std::get_if<net::FoundMessage>(&m); f && f->nonce == nonce_) {
            found(*f, nowMs);
        } else if (const auto* n = std::get_if<net::NotFoundMessage>(&m); n && n->nonce == nonce_) {
            fail("the rendezvous knows no game with this code: it may have ended or expired, or the code may be "
                 "mistyped; ask your friend for a new one");
        } else if (const auto* r = std::get_if<net::RateLimitedMessage>(&m); r && r->nonce == nonce_) {
            fail("the rendezvous answers no more lookups from this address for " +
                 std::to_string(r->retryAfterSeconds) + " seconds");
        }
        return taken();
    }
    return punchOrRelay(punch_, relay_, pending_, d, nowMs);
}

// ===========================================================================
// The host.
// ===========================================================================

void HostMeeting::start(const net::Endpoint& rendezvous, uint64_t token, uint32_t wantedId,
                        std::vector<net::Endpoint> own, uint64_t nowMs) {
    const uint64_t relayRefreshMs = relayRefreshMs_;
    *this = HostMeeting{};
    setRelayRefreshMs(relayRefreshMs);
    active_ = true;
    rendezvous_ = rendezvous;
    token_ = token;
    lookupId_ = wantedId;
    own_ = std::move(own);
    nextRegisterMs_ = startMs_ = nowMs;
}

std::vector<Outgoing> HostMeeting::poll(uint64_t nowMs) {
    std::vector<Outgoing> out = std::exchange(pending_, {});
    if (!active_) return out;
    net::RegisterMessage reg{token_, lookupId_, own_};
    if (const auto relayed = relay_.ours(); relayed && reg.addresses.size() < net::kMaxOwnAddresses)
        reg.addresses.push_back(*relayed);
    // A guest being met learns the host's addresses from the rendezvous: a new one (the relay's,
    // the router's forwarded port) goes there now rather than at the next keep-alive, though
    // never more often than registrations go before the first answer.
    if (reg.addresses != registered_) nextRegisterMs_ = std::min(nextRegisterMs_, lastRegisterMs_ + kRegisterEveryMs);
    if (nowMs >= nextRegisterMs_) {
        registered_ = reg.addresses;
        lastRegisterMs_ = nowMs;
        out.push_back({rendezvous_, net::EncodeRendezvous(reg)});
        nextRegisterMs_ = nowMs + (answered_ && silent_ ? kKeepAliveMs : kRegisterEveryMs);
    }
    const std::string where = "the rendezvous at " + net::FormatEndpoint(rendezvous_);
    const uint64_t heardMs = answered_ ? lastAnswerMs_ : startMs_;
    const uint64_t patienceMs = answered_ ? kKeepAliveMs + kRendezvousAnswerMs : kRendezvousAnswerMs;
    if (!silent_ && nowMs - heardMs >= patienceMs) {
        silent_ = true;
        news_.push_back(where + (answered_ ? " no longer answers" : " did not answer within 3 seconds") +
                        ": a guest with an invite code cannot find this game, which plays on alone");
    }
    punch_.poll(nowMs, out);
    relay_.poll(nowMs, out);
    return out;
}

void HostMeeting::arriving(const net::GuestArrivingMessage& m, uint64_t nowMs) {
    const bool newGuest = !guestSeen_ || *guestSeen_ != m.guestSeen;
    if (newGuest) {
        guestSeen_ = m.guestSeen;
        punch_.start(lookupId_, token_, probed(offer_, m.guestSeen, m.guestAddresses), nowMs);
        if (!relayKept_) relay_.release(nowMs, pending_);
        if (offer_ && !relayKept_) {
            relay_.start(*offer_, nowMs);
            relay_.permit(m.guestSeen.ipv4);
        }
    } else {
        punch_.addAddresses(probed(offer_, m.guestSeen, m.guestAddresses));
    }
    for (const net::Endpoint& e : m.guestAddresses)
        if (isRelay(offer_, e) && !relayKept_) relay_.setTheirs(e);
}

DatagramVerdict HostMeeting::filter(const RawDatagram& d, uint64_t nowMs) {
    if (!active_) return passed();
    if (fromEndpoint(d, rendezvous_) && net::IsRendezvousDatagram(d.data, d.size)) {
        net::RendezvousMessage m;
        if (!net::DecodeRendezvous(d.data, d.size, m)) return taken();
        if (const auto* r = std::get_if<net::RegisteredMessage>(&m); r && r->token == token_) {
            lookupId_ = r->lookupId;
            offer_ = r->turn;
            lastAnswerMs_ = nowMs;
            nextRegisterMs_ = std::max(nextRegisterMs_, lastRegisterMs_ + kKeepAliveMs);
            if (silent_ && answered_) news_.push_back("the rendezvous at " + net::FormatEndpoint(rendezvous_) + " answers again");
            answered_ = true;
            silent_ = false;
        } else if (const auto* a = std::get_if<net::GuestArrivingMessage>(&m); a && a->token == token_) {
            arriving(*a, nowMs);
        } else if (const auto* f = std::get_if<net::FullMessage>(&m); f && f->token == token_ && !answered_) {
            silent_ = true;
            news_.push_back("the rendezvous at " + net::FormatEndpoint(rendezvous_) +
                            " keeps no more games just now: a guest with an invite code cannot find this one");
        }
        return taken();
    }
    return punchOrRelay(punch_, relay_, pending_, d, nowMs);
}

bool HostMeeting::takeNews(std::string& news) {
    if (news_.empty()) return false;
    news = news_.front();
    news_.erase(news_.begin());
    return true;
}

bool HostMeeting::throughRelay(uint32_t ip, uint16_t port) const {
    return relay_.theirs() && *relay_.theirs() == net::Endpoint{ip, port};
}

void HostMeeting::setRelayRefreshMs(uint64_t ms) {
    relayRefreshMs_ = ms;
    relay_.setRefreshMs(ms);
}

void HostMeeting::guestArrived(bool throughRelay, uint64_t nowMs, std::vector<Outgoing>& out) {
    punch_.stop();
    guestSeen_.reset();
    relayKept_ = throughRelay;
    if (!throughRelay) relay_.release(nowMs, out);
}

void HostMeeting::guestLeft(uint64_t nowMs, std::vector<Outgoing>& out) {
    relayKept_ = false;
    relay_.release(nowMs, out);
}

std::vector<Outgoing> HostMeeting::stop(uint64_t nowMs) {
    std::vector<Outgoing> out;
    if (!active_) return out;
    out.push_back({rendezvous_, net::EncodeRendezvous(net::UnregisterMessage{token_})});
    releaseAtStop(relay_, nowMs, out);
    active_ = false;
    return out;
}
