// Meeting the other machine through two home routers. A rendezvous introduces a guest who
// holds an invite code to its host and tells each the other's addresses; both then send
// probes at every address of the other from the game's own socket at the same moment, and
// the first probe or echo that arrives shows the way. Meanwhile both take a relay on the
// rendezvous's TURN server; when no probe crosses within a short grace, the two sides meet
// through the relays as soon as both are ready and let the other in: each sends its game
// datagrams straight to the other's relayed address, and what the other sends arrives at
// its own relay, in a channel bound to the address it came from (4 bytes of header), to be
// handed to ENet as if it came from the other's relayed address. A relayed session stays
// relayed; a relay the session does not use is released. ENet and the session above never
// learn which way was found.
//
// Nothing here has a socket or a clock: the datagrams to send come out of poll(), those
// that arrive go through filter(), the time is passed in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/rendezvous_messages.h"
#include "net/turn_client.h"
#include "platform/net_transport.h"

// A datagram for the game's socket to send.
struct Outgoing {
    net::Endpoint to;
    std::vector<uint8_t> bytes;
};

// How long the two sides probe before a guest with no relay gives up.
constexpr uint64_t kPunchMs = 3000;
// A probe that crosses this soon after the meeting starts wins over a relay ready sooner.
constexpr uint64_t kPunchGraceMs = 400;
// How long a rendezvous has to answer before it is taken for gone.
constexpr uint64_t kRendezvousAnswerMs = 3000;

// Probes at the other side's addresses, and echoes to the other side's probes.
class Punch {
public:
    void start(uint32_t lookupId, uint64_t tag, const std::vector<net::Endpoint>& theirs, uint64_t nowMs);
    void addAddresses(const std::vector<net::Endpoint>& theirs);
    void stop() { untilMs_ = 0; }
    // A probe (answered) or an echo of this side's probe: true, and where it came from works.
    bool take(const RawDatagram& d, std::vector<Outgoing>& out);
    void poll(uint64_t nowMs, std::vector<Outgoing>& out);
    const std::optional<net::Endpoint>& crossed() const { return crossed_; }
    bool over(uint64_t nowMs) const { return nowMs >= untilMs_; }

private:
    uint32_t lookupId_ = 0;
    uint64_t tag_ = 0;
    std::vector<net::Endpoint> theirs_;
    uint64_t nextMs_ = 0, untilMs_ = 0;
    std::optional<net::Endpoint> crossed_;
};

// This side's relay on a TURN server and the other side's relayed address.
class RelayLink {
public:
    void start(const net::TurnOffer& offer, uint64_t nowMs);
    void setRefreshMs(uint64_t ms) { turn_.setRefreshMs(ms); }
    bool started() const { return turn_.state() != net::TurnState::Idle; }
    // The other side's datagrams leave its router from this address: the relay lets them in.
    void permit(uint32_t theirIp);
    void setTheirs(const net::Endpoint& relayed) { theirs_ = relayed; }
    const std::optional<net::Endpoint>& theirs() const { return theirs_; }
    // This side's relayed address, once the relay has one and lets the other side in.
    std::optional<net::Endpoint> ours() const;
    bool failed() const { return turn_.state() == net::TurnState::Failed; }
    const std::string& failure() const { return turn_.failure(); }
    const net::Endpoint& server() const { return turn_.server(); }
    bool fromServer(const RawDatagram& d) const;
    // A datagram from the server: taken, or a game datagram unwrapped for ENet. The first one
    // from an address gets that address a channel.
    DatagramVerdict take(const RawDatagram& d, uint64_t nowMs);
    void poll(uint64_t nowMs, std::vector<Outgoing>& out);
    // The relay is let go: its release goes out now, and again from poll() until answered.
    void release(uint64_t nowMs, std::vector<Outgoing>& out);

private:
    net::TurnClient turn_;
    std::optional<net::Endpoint> theirs_;
    std::optional<uint32_t> permitted_;
};

// The guest's side: asks the rendezvous for the code's host, meets it, and ends with the
// address to connect to, or with why there is none.
class GuestMeeting {
public:
    enum class State { Asking, Meeting, Direct, Relayed, Failed };

    GuestMeeting(const net::Endpoint& rendezvous, uint32_t lookupId, uint64_t nonce, std::vector<net::Endpoint> own,
                 uint64_t nowMs);
    void setRelayRefreshMs(uint64_t ms) { relay_.setRefreshMs(ms); }
    std::vector<Outgoing> poll(uint64_t nowMs);
    DatagramVerdict filter(const RawDatagram& d, uint64_t nowMs);

    State state() const { return state_; }
    // Where ENet connects: the address a probe came from, or the host's relayed address.
    const net::Endpoint& target() const { return target_; }
    const std::string& failure() const { return failure_; }
    // The way found stays open for the session: the relay's refreshes go on.
    bool relayed() const { return state_ == State::Relayed; }
    const net::Endpoint& relayServer() const { return relay_.server(); }
    // The session is over: the relay is let go.
    std::vector<Outgoing> stop(uint64_t nowMs);

private:
    void found(const net::FoundMessage& m, uint64_t nowMs);
    void lookup(uint64_t nowMs, std::vector<Outgoing>& out);
    void fail(const std::string& why);

    net::Endpoint rendezvous_;
    uint32_t lookupId_;
    uint64_t nonce_;
    std::vector<net::Endpoint> own_;
    State state_ = State::Asking;
    uint64_t startMs_, nextLookupMs_ = 0, meetingSinceMs_ = 0;
    net::Endpoint target_;
    std::string failure_;
    std::optional<net::TurnOffer> offer_;
    uint16_t hostPort_ = 0;            // the host's port, as the rendezvous saw it
    bool relayAnnounced_ = false;      // a lookup has named this side's relayed address...
    bool hostToldOfRelay_ = false;     // ...and was answered, so the host was told of it too
    std::vector<Outgoing> pending_;    // echoes to probes, sent at the next poll
    Punch punch_;
    RelayLink relay_;
};

// The host's side: keeps its registration alive while it hosts, meets each guest the
// rendezvous announces, and keeps the relay a guest came through.
class HostMeeting {
public:
    // `wantedId`: the lookup id of a code already given out (0: any).
    void start(const net::Endpoint& rendezvous, uint64_t token, uint32_t wantedId, std::vector<net::Endpoint> own,
               uint64_t nowMs);
    void setRelayRefreshMs(uint64_t ms);
    bool active() const { return active_; }
    void setOwn(std::vector<net::Endpoint> own) { own_ = std::move(own); }
    std::vector<Outgoing> poll(uint64_t nowMs);
    DatagramVerdict filter(const RawDatagram& d, uint64_t nowMs);
    // The registration ends (the host leaves, or retires its code).
    std::vector<Outgoing> stop(uint64_t nowMs);

    // The lookup id the rendezvous gave, once it has answered.
    uint32_t lookupId() const { return lookupId_; }
    const net::Endpoint& rendezvous() const { return rendezvous_; }
    const net::Endpoint& relayServer() const { return relay_.server(); }
    // Something to tell the player, once: the rendezvous answered first, or stopped answering.
    bool takeNews(std::string& news);
    // Whether a guest's connection came through this side's relay (from the guest's relayed address).
    bool throughRelay(uint32_t ip, uint16_t port) const;
    // A guest has taken the seat: the probes stop, and a relay it did not come through is let go.
    void guestArrived(bool throughRelay, uint64_t nowMs, std::vector<Outgoing>& out);
    void guestLeft(uint64_t nowMs, std::vector<Outgoing>& out);

private:
    void arriving(const net::GuestArrivingMessage& m, uint64_t nowMs);

    bool active_ = false;
    net::Endpoint rendezvous_;
    uint64_t token_ = 0;
    uint32_t lookupId_ = 0;
    std::vector<net::Endpoint> own_;
    uint64_t startMs_ = 0, nextRegisterMs_ = 0, lastRegisterMs_ = 0, lastAnswerMs_ = 0;
    std::vector<net::Endpoint> registered_;  // the addresses the rendezvous was last given
    bool answered_ = false, silent_ = false;
    std::vector<std::string> news_;
    std::optional<net::TurnOffer> offer_;
    std::optional<net::Endpoint> guestSeen_;  // the guest being met
    std::vector<Outgoing> pending_;
    Punch punch_;
    RelayLink relay_;
    uint64_t relayRefreshMs_ = net::TurnClient::kChannelRefreshMs;
    bool relayKept_ = false;
};
