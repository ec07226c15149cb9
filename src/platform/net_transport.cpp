#include "platform/net_transport.h"

#include <enet/enet.h>

#include <arpa/inet.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kChannels = 2;
constexpr enet_uint8 kUnreliableChannel = 0, kReliableChannel = 1;
// Sequenced unreliable packets carry the game; ENet's throttle would drop some of
// them on a jittery link, which only makes the game later, so it is held open.
constexpr enet_uint32 kThrottleInterval = 1000;

bool ensureInitialised(std::string& error) {
    static bool initialised = false;
    if (initialised) return true;
    if (enet_initialize() != 0) {
        error = "the network library could not start";
        return false;
    }
    std::atexit(enet_deinitialize);
    initialised = true;
    return true;
}

std::string addressText(const ENetAddress& a) {
    char ip[64] = "?";
    enet_address_get_host_ip(&a, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(a.port);
}

// ENet keeps the socket's errno when its bind fails; it tells the player what to change.
std::string bindFailure(int error) {
    switch (error) {
        case EADDRINUSE:
            return "another program already uses it (another game hosting?); choose another with --host PORT";
        case EACCES: return "this user may not open it";
        case EADDRNOTAVAIL: return "that address is not one of this machine's";
        case 0: return "it cannot be opened";
        default: return std::string("it cannot be opened (") + std::strerror(error) + ")";
    }
}

// ENet gives a peer up when a reliable command has gone unacknowledged for a while, counted
// from its first sending through doubling intervals: after a few dark spells in a row it
// would end a connection whose datagrams flow again. Its caller judges silence by what it
// hears; ENet's own judgement is the last resort.
constexpr enet_uint32 kGiveUpMs = 30000;

// The transport whose host ENet is servicing: its hook has no other way to find it.
thread_local NetTransport* servicing = nullptr;

void holdThrottleOpen(ENetPeer* peer) { enet_peer_throttle_configure(peer, kThrottleInterval, 0, 0); }
void judgeSilenceByCaller(ENetPeer* peer) { enet_peer_timeout(peer, 0, kGiveUpMs, kGiveUpMs); }

}  // namespace

bool ResolveIpv4(const std::string& host, uint32_t& ip) {
    std::string error;
    ENetAddress a;
    if (host.empty() || !ensureInitialised(error) || enet_address_set_host(&a, host.c_str()) != 0) return false;
    ip = ntohl(a.host);
    return true;
}

NetTransport::~NetTransport() { close(); }

bool NetTransport::create(const void* address, int slots, size_t maxPacket, std::string& error) {
    close();
    if (!ensureInitialised(error)) return false;
    errno = 0;
    host_ = enet_host_create(static_cast<const ENetAddress*>(address), static_cast<size_t>(slots), kChannels, 0, 0);
    if (!host_) {
        error = address ? bindFailure(errno) : "no network socket could be opened";
        return false;
    }
    host_->maximumPacketSize = maxPacket;
    host_->intercept = filterHook;
    // Every datagram carries a CRC32: one damaged on the way is dropped, never believed
    // (without it a few damaged datagrams could end a session).
    host_->checksum = enet_crc32;
    enet_host_compress_with_range_coder(host_);
    return true;
}

bool NetTransport::listen(const std::string& address, uint16_t port, int slots, size_t maxPacket,
                          std::string& error) {
    if (!ensureInitialised(error)) return false;
    ENetAddress a;
    a.host = ENET_HOST_ANY;
    a.port = port;
    if (!address.empty() && enet_address_set_host_ip(&a, address.c_str()) != 0) {
        error = "'" + address + "' is not an IPv4 address";
        return false;
    }
    return create(&a, slots, maxPacket, error);
}

bool NetTransport::connect(const std::string& host, uint16_t port, uint32_t greeting, size_t maxPacket,
                           std::string& error) {
    if (!create(nullptr, 1, maxPacket, error)) return false;
    ENetAddress a;
    if (enet_address_set_host(&a, host.c_str()) != 0) {
        error = "the address of '" + host + "' cannot be found";
        close();
        return false;
    }
    a.port = port;
    ENetPeer* peer = enet_host_connect(host_, &a, kChannels, greeting);
    if (!peer) {
        error = "no connection could be started";
        close();
        return false;
    }
    return true;
}

bool NetTransport::open(size_t maxPacket, std::string& error) {
    if (!ensureInitialised(error)) return false;
    ENetAddress a;
    a.host = ENET_HOST_ANY;
    a.port = 0;  // the system's choice
    return create(&a, 1, maxPacket, error);
}

bool NetTransport::connectTo(uint32_t ip, uint16_t port, uint32_t greeting) {
    if (!host_) return false;
    ENetAddress a;
    a.host = htonl(ip);
    a.port = port;
    return enet_host_connect(host_, &a, kChannels, greeting) != nullptr;
}

uint16_t NetTransport::localPort() const {
    ENetAddress a{};
    return host_ && enet_socket_get_address(host_->socket, &a) == 0 ? a.port : 0;
}

bool NetTransport::sendRaw(uint32_t ip, uint16_t port, const std::vector<uint8_t>& bytes) {
    if (!host_) return false;
    ENetAddress a;
    a.host = htonl(ip);
    a.port = port;
    ENetBuffer buffer;
    buffer.data = const_cast<uint8_t*>(bytes.data());
    buffer.dataLength = bytes.size();
    const int sent = enet_socket_send(host_->socket, &a, &buffer, 1);
    if (sent > 0) sent_ += static_cast<uint64_t>(sent);
    return sent == static_cast<int>(bytes.size());
}

int NetTransport::filterHook(ENetHost* host, ENetEvent*) {
    NetTransport* t = servicing;
    if (!t || !t->filter_ || host != t->host_) return 0;
    RawDatagram d;
    d.ip = ntohl(host->receivedAddress.host);
    d.port = host->receivedAddress.port;
    d.data = host->receivedData;
    d.size = host->receivedDataLength;
    DatagramVerdict v = t->filter_(d);
    switch (v.kind) {
        case DatagramVerdict::Kind::Pass: return 0;
        case DatagramVerdict::Kind::Take: return 1;
        case DatagramVerdict::Kind::Replace:
            // ENet reads what the host's received fields say; they belong to this datagram only.
            t->replaced_ = std::move(v.bytes);
            host->receivedData = t->replaced_.data();
            host->receivedDataLength = t->replaced_.size();
            host->receivedAddress.host = htonl(v.ip);
            host->receivedAddress.port = v.port;
            return 0;
    }
    return 0;
}

int NetTransport::service(ENetEvent* event, uint32_t waitMs) {
    NetTransport* before = std::exchange(servicing, this);
    const int got = enet_host_service(host_, event, waitMs);
    servicing = before;
    return got;
}

void NetTransport::countTraffic() {
    sent_ += host_->totalSentData;
    received_ += host_->totalReceivedData;
    host_->totalSentData = 0;
    host_->totalReceivedData = 0;
}

bool NetTransport::poll(NetEvent& event, int waitMs) {
    if (!host_) return false;
    ENetEvent e;
    // Only the first look waits: a result below 0 is a socket error, treated as quiet.
    const int got = enet_host_check_events(host_, &e) > 0 ? 1 : service(&e, static_cast<enet_uint32>(waitMs > 0 ? waitMs : 0));
    countTraffic();
    if (got <= 0) return false;
    event = NetEvent{};
    event.peer = static_cast<int>(e.peer - host_->peers);
    event.address = addressText(e.peer->address);
    event.ip = ntohl(e.peer->address.host);
    event.port = e.peer->address.port;
    event.data = e.data;
    switch (e.type) {
        case ENET_EVENT_TYPE_CONNECT:
            event.type = NetEvent::Type::Connect;
            holdThrottleOpen(e.peer);
            judgeSilenceByCaller(e.peer);
            break;
        case ENET_EVENT_TYPE_DISCONNECT:
            event.type = NetEvent::Type::Disconnect;
            break;
        case ENET_EVENT_TYPE_RECEIVE:
            event.type = NetEvent::Type::Receive;
            event.bytes.assign(e.packet->data, e.packet->data + e.packet->dataLength);
            enet_packet_destroy(e.packet);
            break;
        default:
            return false;
    }
    return true;
}

void NetTransport::send(int peer, const std::vector<uint8_t>& bytes, bool reliable) {
    if (!host_ || peer < 0 || static_cast<size_t>(peer) >= host_->peerCount) return;
    ENetPeer* p = &host_->peers[peer];
    if (p->state != ENET_PEER_STATE_CONNECTED) return;
    ENetPacket* packet = enet_packet_create(bytes.data(), bytes.size(), reliable ? ENET_PACKET_FLAG_RELIABLE : 0);
    if (packet && enet_peer_send(p, reliable ? kReliableChannel : kUnreliableChannel, packet) != 0)
        enet_packet_destroy(packet);
}

void NetTransport::flush() {
    if (!host_) return;
    enet_host_flush(host_);
    countTraffic();
}

void NetTransport::disconnect(int peer, uint32_t reason) {
    if (host_ && peer >= 0 && static_cast<size_t>(peer) < host_->peerCount)
        enet_peer_disconnect(&host_->peers[peer], reason);
}

void NetTransport::disconnectNow(int peer, uint32_t reason) {
    if (host_ && peer >= 0 && static_cast<size_t>(peer) < host_->peerCount)
        enet_peer_disconnect_now(&host_->peers[peer], reason);
    flush();
}

void NetTransport::disconnectConfirmed(int peer, uint32_t reason, int waitMs) {
    if (!host_ || peer < 0 || static_cast<size_t>(peer) >= host_->peerCount) return;
    ENetPeer* p = &host_->peers[peer];
    enet_peer_disconnect(p, reason);
    const enet_uint32 end = enet_time_get() + static_cast<enet_uint32>(waitMs);
    ENetEvent e;
    for (enet_uint32 now = enet_time_get(); p->state != ENET_PEER_STATE_DISCONNECTED && now < end; now = enet_time_get()) {
        if (service(&e, end - now) > 0 && e.type == ENET_EVENT_TYPE_RECEIVE) enet_packet_destroy(e.packet);
    }
    if (p->state != ENET_PEER_STATE_DISCONNECTED) enet_peer_reset(p);
    countTraffic();
}

void NetTransport::drop(int peer) {
    if (host_ && peer >= 0 && static_cast<size_t>(peer) < host_->peerCount) enet_peer_reset(&host_->peers[peer]);
}

void NetTransport::close() {
    if (!host_) return;
    enet_host_destroy(host_);
    host_ = nullptr;
}
