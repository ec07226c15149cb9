// The rendezvous's whole memory: hosts waiting for a guest, each under a lookup id,
// and what to answer a datagram. A host registers and repeats its Register as a
// keep-alive; a guest with the id looks it up and both learn each other's addresses.
// No sockets and no clock of its own: the program hands in each datagram with its
// source and the time, sends what comes back, and calls expire() now and then.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

#include "net/rendezvous_messages.h"
#include "rendezvous/rate_limit.h"

namespace rendezvous {

using net::Endpoint;

struct MailboxLimits {
    size_t maxRegistrations = 100000;
    size_t maxPerSourceIp = 8;     // several players behind one router, not one client filling the box
    uint64_t lifetimeMs = 60000;   // a host silent this long is forgotten
    // Keep-alives from where the host already is are answered at most this often, so a
    // flood of them under a spoofed source makes no flood of (larger) answers.
    uint64_t keepAliveAnswerGapMs = 1000;
    RateLimits lookups;
};

struct Datagram {
    Endpoint to;
    std::vector<uint8_t> bytes;
};

enum class Outcome {
    Ignored,       // not a message for the rendezvous, or an Unregister with an unknown token
    Registered,    // a new registration
    Refreshed,     // a keep-alive
    Full,          // a Register refused: no room, or its source has its share
    Unregistered,
    Found,         // a lookup answered, its host told
    NotFound,
    RateLimited,
};

struct Handled {
    Outcome outcome = Outcome::Ignored;
    uint32_t lookupId = 0;
    bool quiet = true;  // nothing a log needs: a keep-alive, a repeat, a refusal said before
    std::vector<Datagram> datagrams;
};

class Mailbox {
public:
    // `randomId` draws lookup ids; in the program an unpredictable source, so the ids a
    // client is given tell nothing about anyone else's.
    Mailbox(const MailboxLimits& limits, std::function<uint32_t()> randomId);

    // The TURN server and credentials handed out from now on; nullopt: none.
    void setTurn(const std::optional<net::TurnOffer>& turn) { turn_ = turn; }

    // nowMs never goes back.
    Handled handle(const uint8_t* data, size_t size, const Endpoint& from, uint64_t nowMs);

    // Forgets the hosts silent for their lifetime; returns their lookup ids.
    std::vector<uint32_t> expire(uint64_t nowMs);

    size_t registrations() const { return byId_.size(); }
    size_t rateLimitedSources() const { return lookups_.sources(); }

private:
    struct Registration {
        uint64_t token = 0;
        uint64_t serial = 0;  // tells this registration's deadline from an earlier one's under the same id
        uint64_t lastHeardMs = 0;
        uint64_t answeredMs = 0;
        Endpoint seen;
        uint32_t ownerIp = 0;  // counted against this source, wherever the host moves
        uint8_t addressCount = 0;
        Endpoint addresses[net::kMaxOwnAddresses];
    };
    struct Deadline {
        uint64_t dueMs;
        uint32_t id;
        uint64_t serial;
        struct Later {
            bool operator()(const Deadline& a, const Deadline& b) const { return a.dueMs > b.dueMs; }
        };
    };

    Handled onRegister(const net::RegisterMessage& m, const Endpoint& from, uint64_t nowMs);
    Handled onLookup(const net::LookupMessage& m, const Endpoint& from, uint64_t nowMs);
    Handled onUnregister(const net::UnregisterMessage& m);
    uint32_t freshId(uint32_t wanted);
    bool alive(const Registration& r, uint64_t nowMs) const { return nowMs - r.lastHeardMs < limits_.lifetimeMs; }
    void remove(uint32_t id);
    void pushDeadline(const Deadline& d);
    net::RegisteredMessage registered(uint32_t id, const Registration& r) const;

    MailboxLimits limits_;
    std::function<uint32_t()> randomId_;
    std::optional<net::TurnOffer> turn_;
    RateLimiter lookups_;
    std::unordered_map<uint32_t, Registration> byId_;
    std::unordered_map<uint64_t, uint32_t> idByToken_;
    std::unordered_map<uint32_t, uint32_t> countByIp_;
    // A min-heap with an entry per registration, due no later than it: a keep-alive leaves
    // it be, and expire() moves it on when it comes due early. Entries of registrations
    // removed before their time stay until due, or until they outnumber the live ones.
    std::vector<Deadline> deadlines_;
    uint64_t nextSerial_ = 1;
    bool refusingForRoom_ = false;
};

}  // namespace rendezvous
