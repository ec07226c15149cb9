// Datagrams between two games over UDP, through ENet, each checked by a CRC32:
// connection set-up with a 32-bit greeting, disconnection with a 32-bit reason, unreliable sequenced
// packets (a late packet never overtakes a newer one). Knows nothing of the game.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

typedef struct _ENetHost ENetHost;

struct NetEvent {
    enum class Type { Connect, Receive, Disconnect };
    Type type = Type::Receive;
    int peer = -1;               // the peer's slot at this end
    uint32_t data = 0;           // Connect: the peer's greeting; Disconnect: the reason it gave (0: none)
    std::string address;         // "a.b.c.d:port" of the peer
    uint32_t ip = 0;             // the same, host byte order
    uint16_t port = 0;
    std::vector<uint8_t> bytes;  // Receive
};

// A datagram that arrived on the game's socket, before ENet reads it.
struct RawDatagram {
    uint32_t ip = 0;  // where it came from, host byte order
    uint16_t port = 0;
    const uint8_t* data = nullptr;
    size_t size = 0;
};

// What becomes of it: ENet reads it as it is, never sees it, or reads `bytes` as if they
// had come from `ip`:`port` (a game datagram that arrived wrapped by a relay).
struct DatagramVerdict {
    enum class Kind { Pass, Take, Replace } kind = Kind::Pass;
    std::vector<uint8_t> bytes;
    uint32_t ip = 0;
    uint16_t port = 0;
};

// A host name or dotted address to an IPv4 address (host byte order). false: none found.
bool ResolveIpv4(const std::string& host, uint32_t& ip);

class NetTransport {
public:
    NetTransport() = default;
    ~NetTransport();
    NetTransport(const NetTransport&) = delete;
    NetTransport& operator=(const NetTransport&) = delete;

    // Listens on one UDP port, on every interface or on `address` alone, for up to
    // `slots` peers; a packet larger than `maxPacket` bytes is dropped unread.
    bool listen(const std::string& address, uint16_t port, int slots, size_t maxPacket, std::string& error);
    // Starts connecting to one host; the Connect event says when it has answered.
    bool connect(const std::string& host, uint16_t port, uint32_t greeting, size_t maxPacket, std::string& error);
    // A guest's socket, on a port of the system's choosing (localPort()), that can speak to
    // others before it connects to a host at a numeric address.
    bool open(size_t maxPacket, std::string& error);
    bool connectTo(uint32_t ip, uint16_t port, uint32_t greeting);
    uint16_t localPort() const;

    // Every datagram on the socket passes `filter` first (while poll() waits); unset: all are ENet's.
    void setFilter(std::function<DatagramVerdict(const RawDatagram&)> filter) { filter_ = std::move(filter); }
    // A datagram of the caller's own, from the game's socket. false: it could not be sent.
    bool sendRaw(uint32_t ip, uint16_t port, const std::vector<uint8_t>& bytes);
    bool isOpen() const { return host_ != nullptr; }

    // Hands out the next event, waiting up to `waitMs` milliseconds for one.
    bool poll(NetEvent& event, int waitMs);
    // Unreliable and sequenced (a late packet never overtakes a newer one) on one channel;
    // reliable, delivered in order until the connection fails, on another.
    void send(int peer, const std::vector<uint8_t>& bytes, bool reliable = false);
    void flush();
    // The peer hears `reason` (after what is already queued for it); the slot frees
    // once it has confirmed, or at the latest when the connection times out.
    void disconnect(int peer, uint32_t reason);
    // The peer hears `reason` once, unconfirmed, and the slot is free at once.
    void disconnectNow(int peer, uint32_t reason);
    // The peer hears `reason`, sent again until it confirms or `waitMs` have passed (a lossy
    // link may drop the one datagram of disconnectNow); what arrives meanwhile is dropped.
    void disconnectConfirmed(int peer, uint32_t reason, int waitMs);
    // Forgets the peer without a word.
    void drop(int peer);
    void close();

    uint64_t bytesSent() const { return sent_; }
    uint64_t bytesReceived() const { return received_; }

private:
    // ENet's hook for each received datagram; reaches the transport being serviced.
    static int filterHook(ENetHost* host, struct _ENetEvent* event);
    bool create(const void* address, int slots, size_t maxPacket, std::string& error);
    void countTraffic();
    int service(struct _ENetEvent* event, uint32_t waitMs);

    ENetHost* host_ = nullptr;
    std::function<DatagramVerdict(const RawDatagram&)> filter_;
    std::vector<uint8_t> replaced_;  // the bytes ENet reads instead of a wrapped datagram
    uint64_t sent_ = 0, received_ = 0;
};
