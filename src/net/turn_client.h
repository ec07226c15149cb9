// One allocation on a TURN server, as a state machine with no socket and no clock: the
// caller sends what poll() hands out to the server, feeds every datagram from the server to
// receive(), and passes the time in. It allocates a relayed address (answering the server's
// credential challenge), gives peers' addresses permissions and channels, keeps all three
// alive, wraps and unwraps the datagrams that travel through the relay, and releases the
// allocation when asked, so that the server frees it at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/stun_message.h"

namespace net {

enum class TurnState { Idle, Allocating, Ready, Releasing, Failed, Closed };

struct TurnReceived {
    enum class Kind {
        NotTurn,   // not STUN or ChannelData: the game's own datagram
        Handled,   // taken by the machine: a response, or relay traffic with nothing to deliver
        PeerData,  // a datagram a peer sent to the relayed address, unwrapped
    };
    Kind kind = Kind::NotTurn;
    Endpoint peer;
    std::vector<uint8_t> payload;
};

class TurnClient {
public:
    // A request is sent this often at most, with the gap doubling from the first...
    static constexpr uint64_t kFirstRetransmitMs = 500;
    static constexpr uint64_t kLongestRetransmitMs = 2000;
    // ...and given up on this long after it was first sent.
    static constexpr uint64_t kGiveUpMs = 5000;
    // A permission lasts 5 minutes on the server, a channel 10 (from their last refresh).
    static constexpr uint64_t kPermissionRefreshMs = 4 * 60 * 1000;
    static constexpr uint64_t kChannelRefreshMs = 8 * 60 * 1000;
    static constexpr uint64_t kShortestRefreshMs = 100;

    // Asks for an allocation; its first request comes out of the next poll().
    void start(const Endpoint& server, const std::string& username, const std::string& password,
               uint64_t nowMs);
    // Permissions and channels are refreshed this often at most (tests make it short).
    void setRefreshMs(uint64_t ms);
    // Lets datagrams from `ip`, whatever their port, in through the relayed address. Before
    // the allocation is ready this waits for it.
    void permit(uint32_t ip);
    bool permitted(uint32_t ip) const;
    // Binds a channel to `peer`, which it permits too: from then on the relay hands over its
    // datagrams as ChannelData (4 bytes of header instead of a Data indication's 36 or more).
    void bindChannel(const Endpoint& peer);
    bool channelBound(const Endpoint& peer) const;
    // The datagram to send to the server so that `payload` reaches `peer` from the relayed
    // address: ChannelData once the peer's channel is bound, a Send indication before.
    // Empty while there is no allocation.
    std::vector<uint8_t> wrap(const Endpoint& peer, const uint8_t* payload, size_t size) const;
    // Any datagram that arrived from the server's address.
    TurnReceived receive(const uint8_t* data, size_t size, uint64_t nowMs);
    // The datagrams due now for the server: first sends, retransmissions, refreshes. Call it
    // after start, permit and receive, and regularly (every few tens of ms) in between.
    std::vector<std::vector<uint8_t>> poll(uint64_t nowMs);
    // Releases the allocation: a Refresh with a lifetime of 0, sent again until answered (an
    // allocation still being granted is released once it is); then Closed.
    void release(uint64_t nowMs);

    TurnState state() const { return state_; }
    const std::string& failure() const { return failure_; }  // why it Failed, for the player
    const Endpoint& server() const { return server_; }
    const Endpoint& relayed() const { return relayed_; }  // once Ready
    const Endpoint& mapped() const { return mapped_; }    // this side as the server sees it

private:
    struct Transaction {
        TransactionId id{};
        uint16_t method = 0;
        size_t peer = 0;  // index into permissions_ (CreatePermission) or channels_ (ChannelBind)
        bool authenticated = false;
        std::vector<uint8_t> bytes;
        bool sent = false;
        uint64_t nextSendMs = 0, gapMs = 0, giveUpMs = 0;
    };
    struct Permission {
        uint32_t ip = 0;
        bool granted = false;
        uint64_t refreshMs = 0;
    };
    struct Channel {
        Endpoint peer;
        uint16_t number = 0;
        bool bound = false;
        uint64_t refreshMs = 0;
    };

    void request(uint16_t method, size_t peer = 0);
    bool pending(uint16_t method, size_t peer = 0) const;
    void fail(const std::string& why);
    void closed();
    void onResponse(const Transaction& t, const StunMessage& m, uint64_t nowMs);
    void onSuccess(const Transaction& t, const StunMessage& m, uint64_t nowMs);
    void scheduleRefresh(uint32_t lifetimeSeconds, uint64_t nowMs);
    TurnReceived fromPeer(const Endpoint& peer, std::vector<uint8_t> payload) const;

    TurnState state_ = TurnState::Idle;
    std::string failure_;
    Endpoint server_, relayed_, mapped_;
    std::string username_, password_, realm_, nonce_;
    std::vector<uint8_t> key_;
    int staleNonces_ = 0;  // in a row: a server that never accepts its own nonce is given up on
    uint64_t refreshMs_ = 0;
    uint64_t permissionEveryMs_ = kPermissionRefreshMs, channelEveryMs_ = kChannelRefreshMs;
    std::vector<Transaction> transactions_;
    std::vector<Permission> permissions_;
    std::vector<Channel> channels_;
};

}  // namespace net
