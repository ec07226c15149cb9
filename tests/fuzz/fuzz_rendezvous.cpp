// Any bytes as a rendezvous datagram, as typed invite-code text, and as a run of
// datagrams into a mailbox: readers stay inside the bytes, what they accept the writers
// make again exactly, and the mailbox answers only with datagrams that decode, never
// keeping more than its bounds allow.
// Mailbox framing, repeated: source (1 byte, one of four), milliseconds since the last
// datagram (2 bytes, little-endian), length (1 byte), the datagram.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/invite_code.h"
#include "net/rendezvous_messages.h"
#include "rendezvous/mailbox.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    net::RendezvousMessage m;
    if (net::DecodeRendezvous(data, size, m) && net::EncodeRendezvous(m) != bytes) std::abort();

    net::InviteCode code;
    if (net::ParseInviteCode(std::string(bytes.begin(), bytes.end()), code) == net::CodeParse::Ok) {
        net::InviteCode again;
        const std::string text = net::FormatInviteCode(code);
        if (net::ParseInviteCode(text, again) != net::CodeParse::Ok || net::FormatInviteCode(again) != text) std::abort();
    }

    rendezvous::MailboxLimits limits;
    limits.maxRegistrations = 3, limits.maxPerSourceIp = 2, limits.lookups.maxSources = 2;
    uint32_t nextId = 1;
    rendezvous::Mailbox mailbox(limits, [&] { return nextId++ % 4; });  // collisions and 0 on purpose
    mailbox.setTurn(net::TurnOffer{{0x0A000009, 3478}, "1700000000", "secret="});
    const rendezvous::Endpoint sources[4] = {{0x0A000001, 1}, {0x0A000001, 2}, {0x0A000002, 1}, {0x0A000003, 7}};
    uint64_t now = 0;
    for (size_t at = 0; at + 4 <= size;) {
        const rendezvous::Endpoint& from = sources[data[at] % 4];
        now += data[at + 1] | data[at + 2] << 8;
        const size_t length = std::min<size_t>(data[at + 3], size - at - 4);
        const rendezvous::Handled h = mailbox.handle(data + at + 4, length, from, now);
        for (const rendezvous::Datagram& d : h.datagrams) {
            net::RendezvousMessage answer;
            if (!net::DecodeRendezvous(d.bytes.data(), d.bytes.size(), answer)) std::abort();
        }
        if (data[at] & 0x80) mailbox.expire(now);
        if (mailbox.registrations() > limits.maxRegistrations || mailbox.rateLimitedSources() > 2) std::abort();
        at += 4 + length;
    }
    return 0;
}
