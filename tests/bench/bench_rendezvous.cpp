// What one core of the rendezvous does: lookups answered per second (each a Found and a
// GuestArriving) and keep-alives per second with a full box, and the heap bytes one
// registration costs. Prints figures; passes or fails nothing.
#include <malloc.h>

#include <cstdlib>
#include <random>

#include "bench_clock.h"
#include "net/rendezvous_messages.h"
#include "rendezvous/mailbox.h"

static size_t heapInUse() { return mallinfo2().uordblks; }

int main(int argc, char** argv) {
    const size_t hosts = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 100000;
    const long lookups = argc > 2 ? std::atol(argv[2]) : 1000000L;
    std::mt19937 random(1);
    rendezvous::MailboxLimits limits;
    limits.maxRegistrations = hosts, limits.lookups.maxSources = 65536;
    rendezvous::Mailbox mailbox(limits, [&] { return static_cast<uint32_t>(random()); });

    // Every host registers from its own address with two LAN addresses, as a game would.
    std::vector<std::vector<uint8_t>> registers;
    for (size_t i = 0; i < hosts; ++i)
        registers.push_back(net::EncodeRendezvous(net::RegisterMessage{
            0x9E3779B97F4A7C15ull * (i + 1), 0, {{0xC0A80002, 27315}, {0x0A000002, 27315}}}));
    std::vector<uint32_t> ids;
    ids.reserve(hosts);
    const size_t before = heapInUse();
    for (size_t i = 0; i < hosts; ++i) {
        const rendezvous::Endpoint from{0x64000000u + uint32_t(i), 27315};
        const rendezvous::Handled h = mailbox.handle(registers[i].data(), registers[i].size(), from, 0);
        if (h.outcome != rendezvous::Outcome::Registered) return std::printf("registration %zu refused\n", i), 1;
        ids.push_back(h.lookupId);
    }
    const size_t perHost = (heapInUse() - before) / hosts;
    std::printf("%zu registrations: %zu heap bytes each\n", hosts, perHost);

    // Lookups of known ids from many guests, few enough per source to stay under the rate limit.
    std::vector<uint8_t> lookup = net::EncodeRendezvous(net::LookupMessage{1, 1, {{0xC0A80009, 40000}}});
    size_t answered = 0, i = 0;
    const double msPerLookup = msPer(lookups, [&] {
        const uint32_t id = ids[i % hosts];
        for (int b = 0; b < 4; ++b) lookup[14 + b] = static_cast<uint8_t>(id >> (8 * b));  // after header and nonce
        const rendezvous::Endpoint guest{0x0B000000u + uint32_t(i % 1000000), 40000};
        answered += mailbox.handle(lookup.data(), lookup.size(), guest, 1000 + uint64_t(i++) / 1000).datagrams.size();
    });
    std::printf("%ld lookups: %.0f lookups/s, %zu datagrams answered\n", lookups, 1000 / msPerLookup, answered);
    i = 0;
    const double msPerKeepAlive = msPer(long(hosts), [&] {
        mailbox.handle(registers[i].data(), registers[i].size(), {0x64000000u + uint32_t(i), 27315}, 2000), ++i;
    });
    std::printf("%zu keep-alives: %.0f keep-alives/s\n", hosts, 1000 / msPerKeepAlive);
    size_t expired = 0;
    const double msExpiring = msPer(1, [&] { expired = mailbox.expire(200000).size(); });
    std::printf("expiring %zu registrations: %.1f ms\n", expired, msExpiring);
    return 0;
}
