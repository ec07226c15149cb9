#include "rendezvous/mailbox.h"

#include <algorithm>
#include <utility>

#include "net/invite_code.h"

namespace rendezvous {

namespace {

constexpr int kIdDraws = 32;  // with the box at most a few percent full, never all taken

Datagram to(const Endpoint& where, const net::RendezvousMessage& m) { return Datagram{where, net::EncodeRendezvous(m)}; }

}  // namespace

Mailbox::Mailbox(const MailboxLimits& limits, std::function<uint32_t()> randomId)
    : limits_(limits), randomId_(std::move(randomId)), lookups_(limits.lookups) {}

Handled Mailbox::handle(const uint8_t* data, size_t size, const Endpoint& from, uint64_t nowMs) {
    net::RendezvousMessage m;
    if (from.ipv4 == 0 || from.port == 0 || !net::DecodeRendezvous(data, size, m)) return {};
    if (const auto* r = std::get_if<net::RegisterMessage>(&m)) return onRegister(*r, from, nowMs);
    if (const auto* l = std::get_if<net::LookupMessage>(&m)) return onLookup(*l, from, nowMs);
    if (const auto* u = std::get_if<net::UnregisterMessage>(&m)) return onUnregister(*u);
    return {};  // R's own answers: nobody should send them here
}

net::RegisteredMessage Mailbox::registered(uint32_t id, const Registration& r) const {
    net::RegisteredMessage answer;
    answer.token = r.token;
    answer.lookupId = id;
    answer.seen = r.seen;
    answer.lifetimeSeconds = static_cast<uint16_t>(std::min<uint64_t>(limits_.lifetimeMs / 1000, 0xFFFF));
    answer.turn = turn_;
    return answer;
}

Handled Mailbox::onRegister(const net::RegisterMessage& m, const Endpoint& from, uint64_t nowMs) {
    Handled h;
    uint32_t id = 0;
    const auto known = idByToken_.find(m.token);
    if (known != idByToken_.end()) {
        id = known->second;
        h.outcome = Outcome::Refreshed;
    } else {
        const bool roomy = byId_.size() < limits_.maxRegistrations;
        const auto owned = countByIp_.find(from.ipv4);
        const bool ownShare = owned == countByIp_.end() || owned->second < limits_.maxPerSourceIp;
        id = roomy && ownShare ? freshId(m.lookupId) : 0;
        if (id == 0) {
            h.outcome = Outcome::Full;
            h.quiet = roomy || refusingForRoom_;  // one line when the box fills up, none per source
            refusingForRoom_ = !roomy;
            h.datagrams.push_back(to(from, net::FullMessage{m.token}));
            return h;
        }
        refusingForRoom_ = false;
        Registration& r = byId_[id];
        r.token = m.token;
        r.serial = nextSerial_++;
        r.ownerIp = from.ipv4;
        idByToken_.emplace(m.token, id);
        ++countByIp_[from.ipv4];
        pushDeadline(Deadline{nowMs + limits_.lifetimeMs, id, r.serial});
        h.outcome = Outcome::Registered;
        h.quiet = false;
    }
    Registration& r = byId_[id];
    const bool answerDue = h.outcome == Outcome::Registered || from != r.seen ||
                           nowMs - r.answeredMs >= limits_.keepAliveAnswerGapMs;
    r.lastHeardMs = nowMs;
    r.seen = from;
    r.addressCount = static_cast<uint8_t>(m.addresses.size());
    std::copy(m.addresses.begin(), m.addresses.end(), r.addresses);
    h.lookupId = id;
    if (answerDue) {
        r.answeredMs = nowMs;
        h.datagrams.push_back(to(from, registered(id, r)));
    }
    return h;
}

// The id the host's code already names when it is free (R restarted, or the host was
// away too long), else a random one.
uint32_t Mailbox::freshId(uint32_t wanted) {
    if (wanted != 0 && !byId_.count(wanted)) return wanted;
    for (int i = 0; i < kIdDraws; ++i) {
        const uint32_t id = randomId_() & net::kLookupIdMask;
        if (id != 0 && !byId_.count(id)) return id;
    }
    return 0;
}

Handled Mailbox::onLookup(const net::LookupMessage& m, const Endpoint& from, uint64_t nowMs) {
    Handled h;
    h.lookupId = m.lookupId;
    const RateVerdict verdict = lookups_.take(from.ipv4, uint64_t(m.lookupId) << 16 | from.port, nowMs);
    if (!verdict.allowed) {
        h.outcome = Outcome::RateLimited;
        h.quiet = !verdict.firstRefusal;
        const uint64_t seconds = (verdict.retryAfterMs + 999) / 1000;
        h.datagrams.push_back(to(from, net::RateLimitedMessage{m.nonce, static_cast<uint16_t>(std::min<uint64_t>(seconds, 0xFFFF))}));
        return h;
    }
    h.quiet = verdict.repeat;
    const auto found = byId_.find(m.lookupId);
    if (found == byId_.end() || !alive(found->second, nowMs)) {
        h.outcome = Outcome::NotFound;
        h.datagrams.push_back(to(from, net::NotFoundMessage{m.nonce, m.lookupId}));
        return h;
    }
    const Registration& r = found->second;
    net::FoundMessage answer;
    answer.nonce = m.nonce;
    answer.lookupId = m.lookupId;
    answer.hostSeen = r.seen;
    answer.hostAddresses.assign(r.addresses, r.addresses + r.addressCount);
    answer.guestSeen = from;
    answer.turn = turn_;
    net::GuestArrivingMessage arriving;
    arriving.token = r.token;
    arriving.lookupId = m.lookupId;
    arriving.guestSeen = from;
    arriving.guestAddresses = m.addresses;
    h.outcome = Outcome::Found;
    h.datagrams.push_back(to(from, answer));
    h.datagrams.push_back(to(r.seen, arriving));
    return h;
}

Handled Mailbox::onUnregister(const net::UnregisterMessage& m) {
    Handled h;
    const auto known = idByToken_.find(m.token);
    if (known == idByToken_.end()) return h;
    h.outcome = Outcome::Unregistered;
    h.lookupId = known->second;
    h.quiet = false;
    remove(known->second);
    return h;
}

void Mailbox::remove(uint32_t id) {
    const auto found = byId_.find(id);
    if (found == byId_.end()) return;
    const auto owned = countByIp_.find(found->second.ownerIp);
    if (owned != countByIp_.end() && --owned->second == 0) countByIp_.erase(owned);
    idByToken_.erase(found->second.token);
    byId_.erase(found);
}

void Mailbox::pushDeadline(const Deadline& d) {
    deadlines_.push_back(d);
    std::push_heap(deadlines_.begin(), deadlines_.end(), Deadline::Later());
}

std::vector<uint32_t> Mailbox::expire(uint64_t nowMs) {
    std::vector<uint32_t> gone;
    while (!deadlines_.empty() && deadlines_.front().dueMs <= nowMs) {
        std::pop_heap(deadlines_.begin(), deadlines_.end(), Deadline::Later());
        const Deadline d = deadlines_.back();
        deadlines_.pop_back();
        const auto found = byId_.find(d.id);
        if (found == byId_.end() || found->second.serial != d.serial) continue;
        if (alive(found->second, nowMs)) {
            pushDeadline(Deadline{found->second.lastHeardMs + limits_.lifetimeMs, d.id, d.serial});
        } else {
            remove(d.id);
            gone.push_back(d.id);
        }
    }
    // Registrations removed early leave their entries behind; past twice the live ones, sweep.
    if (deadlines_.size() > 2 * byId_.size() + 1024) {
        deadlines_.erase(std::remove_if(deadlines_.begin(), deadlines_.end(),
                                        [&](const Deadline& d) {
                                            const auto found = byId_.find(d.id);
                                            return found == byId_.end() || found->second.serial != d.serial;
                                        }),
                         deadlines_.end());
        std::make_heap(deadlines_.begin(), deadlines_.end(), Deadline::Later());
    }
    return gone;
}

}  // namespace rendezvous
