// The rendezvous: invite codes as a person types them, its datagrams, and its mailbox of hosts (the relay's
// offer, keep-alives and expiry, the bounds and the lookups' rate limit).
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <tuple>
#include <vector>

#include "net/invite_code.h"
#include "net/rendezvous_messages.h"
#include "rendezvous/mailbox.h"

using namespace rendezvous;
using net::CodeParse;
using net::InviteCode;

namespace {

const Endpoint kHost{0xC6336401, 27315};      // 198.51.100.1
const Endpoint kGuest{0xCB007101, 40000};     // 203.0.113.1
const net::TurnOffer kTurn{{0xCB007105, 3478}, "1700000000", "dNcwhojV9UvcSSj+lAMOcuaadcI="};

struct Box {
    explicit Box(MailboxLimits limits = MailboxLimits()) : mailbox(limits, [this] { return nextId++; }) {}

    Handled send(const net::RendezvousMessage& m, const Endpoint& from, uint64_t nowMs) {
        const std::vector<uint8_t> bytes = net::EncodeRendezvous(m);
        return mailbox.handle(bytes.data(), bytes.size(), from, nowMs);
    }
    Handled enroll(uint64_t token, const Endpoint& from, uint64_t nowMs, uint32_t wanted = 0) {
        return send(net::RegisterMessage{token, wanted, {{0xC0A80002, 27315}}}, from, nowMs);
    }
    Handled lookup(uint32_t id, const Endpoint& from, uint64_t nowMs) {
        return send(net::LookupMessage{77, id, {{0xC0A80009, 40000}}}, from, nowMs);
    }

    uint32_t nextId = 0x100;
    Mailbox mailbox;
};

template <class T>
T answer(const Handled& h, size_t i = 0) {
    net::RendezvousMessage m;
    EXPECT_LT(i, h.datagrams.size());
    if (i >= h.datagrams.size()) return T{};
    EXPECT_TRUE(net::DecodeRendezvous(h.datagrams[i].bytes.data(), h.datagrams[i].bytes.size(), m));
    EXPECT_TRUE(std::holds_alternative<T>(m)) << "message type " << m.index() + 1;
    return std::holds_alternative<T>(m) ? std::get<T>(m) : T{};
}

const char kAlphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";

InviteCode rendezvousCode(uint32_t id, uint64_t secret) {
    InviteCode c;
    return c.lookupId = id, c.secret = secret, c;
}

InviteCode directCode(uint32_t ip, uint16_t port, uint64_t secret) {
    InviteCode c;
    return c.kind = InviteCode::Kind::Direct, c.ipv4 = ip, c.port = port, c.secret = secret, c;
}

bool same(const InviteCode& a, const InviteCode& b) {
    return a.kind == b.kind && a.lookupId == b.lookupId && a.ipv4 == b.ipv4 && a.port == b.port && a.secret == b.secret;
}

std::vector<net::Endpoint> endpoints(size_t n) {
    std::vector<net::Endpoint> list;
    for (size_t i = 0; i < n; ++i) list.push_back({0x0A000001u + uint32_t(i), uint16_t(27315 + i)});
    return list;
}

std::vector<net::RendezvousMessage> oneOfEach() {
    return {
        net::RegisterMessage{0x8877665544332211, 0, endpoints(net::kMaxOwnAddresses)}, net::RegisterMessage{1, net::kLookupIdMask, {}},
        net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, kTurn}, net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, std::nullopt},
        net::LookupMessage{~0ull, 12345, endpoints(2)},
        net::FoundMessage{3, 12345, {0xC6336401, 4000}, endpoints(net::kMaxOwnAddresses), {0xCB007101, 5000}, kTurn},
        net::GuestArrivingMessage{7, 12345, {0xCB007101, 5000}, endpoints(1)},
        net::NotFoundMessage{3, 12345}, net::RateLimitedMessage{3, 6}, net::FullMessage{7}, net::UnregisterMessage{7},
    };
}

bool decodes(const std::vector<uint8_t>& bytes) {
    net::RendezvousMessage m;
    return net::DecodeRendezvous(bytes.data(), bytes.size(), m);
}

}  // namespace

// Both kinds in groups of four, read back as a person types them: any case, blanks for dashes,
// O for 0 and I or l for 1. That what is read writes itself again is fuzz_rendezvous's.
TEST(InviteCode, RoundTripsBothKindsAsAPersonTypesThem) {
    const struct { InviteCode code; size_t length; } cases[] = {
        {rendezvousCode(0x1000001, 0x0100000001), 18},  // many 0 and 1 symbols
        {rendezvousCode(net::kLookupIdMask, net::kInviteSecretMask), 18},
        {directCode(0xFFFFFFFF, 65535, net::kInviteSecretMask), 24},
        {directCode(0x0A000001, 1, 0), 24},
    };
    for (const auto& c : cases) {
        const std::string text = net::FormatInviteCode(c.code);
        ASSERT_EQ(text.size(), c.length) << text;
        std::string sloppy = "  ";
        for (size_t i = 0; i < text.size(); ++i) {
            if (i % 5 == 0) EXPECT_EQ(text[i], i ? '-' : '+') << text;
            const char ch = text[i];
            if (ch == '-') sloppy += "  ";
            else sloppy += ch == '0' ? "oO"[i % 2] : ch == '1' ? "lI"[i % 2] : char(std::tolower(ch));
        }
        InviteCode back;
        ASSERT_EQ(net::ParseInviteCode(sloppy + "\n", back), CodeParse::Ok) << sloppy;
        EXPECT_TRUE(same(back, c.code) && net::LooksLikeInviteCode(sloppy)) << sloppy;
    }
}

// Any one symbol typed wrong, and any two neighbours swapped, is told as a typing error.
TEST(InviteCode, EveryOneWrongSymbolAndSwapIsMistyped) {
    for (const InviteCode& code : {rendezvousCode(0x1234567, 0x89ABCDEF01), directCode(0x0A000001, 4000, 77)}) {
        const std::string text = net::FormatInviteCode(code);
        for (size_t i = 1; i < text.size(); ++i) {
            if (text[i] == '-') continue;
            for (const char* s = kAlphabet; *s; ++s) {
                if (*s == text[i]) continue;
                std::string typo = text;
                InviteCode out = code;
                typo[i] = *s, out.secret = 0;
                EXPECT_TRUE(net::ParseInviteCode(typo, out) == CodeParse::Mistyped && out.secret == 0) << typo;
            }
            const size_t next = text[i + 1] == '-' ? i + 2 : i + 1;
            if (next >= text.size() || text[i] == text[next]) continue;
            std::string swapped = text;
            std::swap(swapped[i], swapped[next]);
            InviteCode out;
            EXPECT_EQ(net::ParseInviteCode(swapped, out), CodeParse::Mistyped) << swapped;
        }
    }
}

TEST(InviteCode, HostNamesAreNoCodesAndHostileTextIsRefused) {
    const std::string valid = net::FormatInviteCode(rendezvousCode(99, 99));
    const struct { std::string text; CodeParse expected; } cases[] = {
        {"example.org", CodeParse::NotACode}, {"192.168.1.20:27315", CodeParse::NotACode},
        {"", CodeParse::NotACode}, {"   ", CodeParse::NotACode}, {"+", CodeParse::Mistyped},
        {valid.substr(0, valid.size() - 1), CodeParse::Mistyped},  // a symbol left out
        {valid + "A", CodeParse::Mistyped}, {valid + "+", CodeParse::Mistyped},
        {"+" + std::string(1000000, 'A'), CodeParse::Mistyped}, {"+" + std::string(1000000, '-'), CodeParse::Mistyped},
        {"+ÄÖÜ-ÉÈ-\xff\xfe-\x80", CodeParse::Mistyped},
        {valid.substr(0, 6) + std::string(1, '\0') + valid.substr(7), CodeParse::Mistyped},
        {valid.substr(0, 6) + "U" + valid.substr(7), CodeParse::Mistyped},
        {net::FormatInviteCode(rendezvousCode(0, 5)), CodeParse::Mistyped},      // id 0 is never given out
        {net::FormatInviteCode(directCode(0x7F000001, 0, 5)), CodeParse::Mistyped},
    };
    for (const auto& c : cases) {
        InviteCode out;
        EXPECT_TRUE(net::ParseInviteCode(c.text, out) == c.expected && same(out, InviteCode())) << c.text.substr(0, 40);
    }
}

// Every type decodes from what it writes, apart from STUN (00) and TURN channel data (01) by its first
// bits and without STUN's cookie; values out of their ranges are refused. That nothing but exactly what
// the writer makes is read, so nothing cut short or longer, is fuzz_rendezvous's.
TEST(RendezvousMessages, EveryTypeDecodesAndValuesOutOfRangeAreRefused) {
    for (const net::RendezvousMessage& m : oneOfEach()) {
        const std::vector<uint8_t> bytes = net::EncodeRendezvous(m);
        net::RendezvousMessage back;
        ASSERT_TRUE(net::DecodeRendezvous(bytes.data(), bytes.size(), back)) << m.index();
        EXPECT_EQ(back.index(), m.index());
        EXPECT_TRUE(net::IsRendezvousDatagram(bytes.data(), bytes.size()) && bytes[0] >> 6 == 3 && bytes[4] != 0x21 &&
                    bytes.size() <= net::kMaxRendezvousDatagram) << m.index();
    }
    net::TurnOffer blank = kTurn, control = kTurn, huge = kTurn;
    blank.password.clear(), control.username[3] = '\n', huge.password.assign(net::kMaxCredentialChars + 1, 'x');
    const net::RendezvousMessage refused[] = {
        net::RegisterMessage{1, 0, endpoints(net::kMaxOwnAddresses + 1)}, net::RegisterMessage{1, net::kLookupIdMask + 1, {}},
        net::LookupMessage{1, 0, {}}, net::LookupMessage{1, 5, {{0, 4000}}}, net::LookupMessage{1, 5, {{0x0A000001, 0}}},
        net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, blank}, net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, control},
        net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, huge},
        net::FoundMessage{3, 1, {0xC6336401, 4000}, {}, {0, 0}, std::nullopt},
    };
    for (const net::RendezvousMessage& m : refused) EXPECT_FALSE(decodes(net::EncodeRendezvous(m))) << m.index();

    std::vector<uint8_t> bytes = net::EncodeRendezvous(net::RegisteredMessage{7, 1, {1, 1}, 60, std::nullopt});
    for (const auto& [at, value] : std::vector<std::pair<size_t, uint8_t>>{
             {0, 0x00}, {4, 2}, {5, 0}, {5, 10}, {bytes.size() - 1, 2}}) {
        std::vector<uint8_t> changed = bytes;
        EXPECT_FALSE((changed[at] = value, decodes(changed))) << at;
    }
    EXPECT_FALSE(decodes(std::vector<uint8_t>(net::kMaxRendezvousDatagram + 1, 0xC7)));
}

// The introduction itself, field by field, is e2e test_rendezvous's; here the relay's offer, which
// goes to both sides while the rendezvous has one.
TEST(Mailbox, OffersTheRelayToHostAndGuestWhileItHasOne) {
    Box box;
    box.mailbox.setTurn(kTurn);
    const Handled reg = box.enroll(0xAB, kHost, 1000);
    ASSERT_EQ(reg.outcome, Outcome::Registered);
    EXPECT_TRUE(answer<net::RegisteredMessage>(reg).turn == kTurn);
    const Handled look = box.lookup(0x100, kGuest, 2000);
    ASSERT_EQ(std::make_tuple(look.outcome, look.datagrams.size()), std::make_tuple(Outcome::Found, size_t(2)));
    EXPECT_TRUE(answer<net::FoundMessage>(look, 0).turn == kTurn);
    EXPECT_EQ(std::make_pair(look.datagrams[0].to, look.datagrams[1].to), std::make_pair(kGuest, kHost));
    box.mailbox.setTurn(std::nullopt);
    EXPECT_FALSE(answer<net::FoundMessage>(box.lookup(0x100, kGuest, 2500)).turn.has_value());
}

// A keep-alive keeps the id, follows the host to a new port and restarts its lifetime;
// silence for the lifetime forgets it.
TEST(Mailbox, KeepAliveAndExpiry) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    const Endpoint moved{kHost.ipv4, 30000};
    const Handled again = box.enroll(1, moved, 50000);
    EXPECT_EQ(std::make_tuple(again.outcome, again.quiet, answer<net::RegisteredMessage>(again).lookupId),
              std::make_tuple(Outcome::Refreshed, true, id));
    EXPECT_TRUE(box.enroll(1, moved, 50999).datagrams.empty()) << "keep-alives are answered once a second";
    EXPECT_EQ(box.enroll(1, moved, 51000).datagrams.size(), 1u);
    EXPECT_TRUE(box.mailbox.expire(100000).empty());
    EXPECT_EQ(box.lookup(id, kGuest, 100000).datagrams.at(1).to, moved);

    EXPECT_TRUE(box.mailbox.expire(110999).empty() && box.mailbox.expire(111000) == std::vector<uint32_t>{id});
    EXPECT_EQ(std::make_pair(box.lookup(id, kGuest, 111001).outcome, box.mailbox.registrations()),
              std::make_pair(Outcome::NotFound, size_t(0)));
    // Between expiry passes a silent host is already unknown to a guest.
    const uint32_t other = box.enroll(2, kHost, 200000).lookupId;
    EXPECT_EQ(box.lookup(other, kGuest, 260000).outcome, Outcome::NotFound);
}

// That the host's token removes its game is e2e test_rendezvous's.
TEST(Mailbox, OnlyTheTokenRemovesAndTheCodesIdComesBack) {
    Box box;
    const uint32_t id = box.enroll(0xAB, kHost, 0).lookupId;
    EXPECT_EQ(box.send(net::UnregisterMessage{0xAC}, kHost, 10).outcome, Outcome::Ignored);
    const Handled gone = box.send(net::UnregisterMessage{0xAB}, kGuest, 30);  // from anywhere
    EXPECT_TRUE(gone.outcome == Outcome::Unregistered && gone.datagrams.empty());
    // A host whose code already names an id gets it again once it is free (a restarted
    // rendezvous), and a fresh one when another host holds it.
    EXPECT_EQ(box.enroll(0xAB, kHost, 50, id).lookupId, id);
    EXPECT_NE(box.enroll(0xCD, kGuest, 60, id).lookupId, id);
}

TEST(Mailbox, BoundedInAllAndPerSource) {
    MailboxLimits limits;
    limits.maxRegistrations = 3, limits.maxPerSourceIp = 2;
    Box box(limits);
    EXPECT_TRUE(box.enroll(1, kHost, 0).outcome == Outcome::Registered && box.enroll(2, {kHost.ipv4, 1}, 0).outcome == Outcome::Registered);
    const Handled third = box.enroll(3, {kHost.ipv4, 2}, 0);
    EXPECT_EQ(std::make_tuple(third.outcome, third.quiet, answer<net::FullMessage>(third).token),
              std::make_tuple(Outcome::Full, true, uint64_t(3)));
    EXPECT_EQ(box.enroll(4, kGuest, 0).outcome, Outcome::Registered);
    const Handled full = box.enroll(5, {0x0A000001, 1}, 0);
    EXPECT_TRUE(full.outcome == Outcome::Full && !full.quiet);
    EXPECT_TRUE(box.enroll(6, {0x0A000002, 1}, 0).quiet) << "the box being full is said once";
    EXPECT_EQ(box.enroll(1, kHost, 10).outcome, Outcome::Refreshed) << "a keep-alive is no new registration";

    box.send(net::UnregisterMessage{2}, kHost, 20);
    EXPECT_EQ(box.enroll(3, {kHost.ipv4, 2}, 30).outcome, Outcome::Registered);
    EXPECT_EQ(box.mailbox.expire(60000).size(), 1u);  // 4's, silent since 0
    EXPECT_EQ(box.enroll(5, {0x0A000001, 1}, 60000).outcome, Outcome::Registered);
}

TEST(Mailbox, RateLimitsLookupsPerSourceButNotRepeats) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    for (uint32_t i = 0; i < 10; ++i) EXPECT_NE(box.lookup(id + 1 + i, kGuest, 0).outcome, Outcome::RateLimited) << i;
    const Handled limited = box.lookup(id, kGuest, 1000);
    EXPECT_EQ(std::make_tuple(limited.outcome, limited.quiet, answer<net::RateLimitedMessage>(limited).retryAfterSeconds),
              std::make_tuple(Outcome::RateLimited, false, uint16_t(5)));
    EXPECT_TRUE(box.lookup(id, kGuest, 2000).quiet) << "a refusal is logged once";
    EXPECT_EQ(box.lookup(id, {kGuest.ipv4 + 1, 1}, 2000).outcome, Outcome::Found) << "another source has its own";

    EXPECT_EQ(box.lookup(id, kGuest, 6000).outcome, Outcome::Found);
    // The guest repeats its lookup: every repeat tells the host again and costs nothing...
    for (int i = 1; i <= 10; ++i) {
        const Handled repeat = box.lookup(id, kGuest, 6000 + 400 * i);
        ASSERT_TRUE(repeat.outcome == Outcome::Found && repeat.quiet && repeat.datagrams.size() == 2) << i;
    }
    // ...up to a point, and only from the same address and for the same id.
    EXPECT_TRUE(box.lookup(id, kGuest, 10500).outcome == Outcome::RateLimited &&
                box.lookup(id, {kGuest.ipv4, 1}, 10500).outcome == Outcome::RateLimited && box.lookup(id, kGuest, 12000).outcome == Outcome::Found);
}

TEST(RateLimiter, ForgetsTheStalestSourceWhenItsTableIsFull) {
    RateLimits limits;
    limits.burst = 1, limits.maxSources = 2;
    RateLimiter limiter(limits);
    // source, key, time, allowed: after the third, 1 is the fresher; the fifth forgets 2, whose bucket is full again
    const struct { uint32_t source, key; uint64_t at; bool allowed; } takes[] = {
        {1, 0, 0, true}, {1, 1, 0, false}, {2, 0, 1, true}, {1, 2, 2, false}, {3, 0, 3, true}, {1, 3, 4, false}, {2, 1, 5, true}};
    for (const auto& t : takes) EXPECT_EQ(limiter.take(t.source, t.key, t.at).allowed, t.allowed) << t.at;
    EXPECT_EQ(limiter.sources(), 2u);
}

// Stray bytes are e2e test_rendezvous's; a rendezvous's own answers sent to it are no requests either.
TEST(Mailbox, AnswersNothingButRequests) {
    Box box;
    const uint32_t id = box.enroll(1, kHost, 0).lookupId;
    for (const auto& m : std::vector<net::RendezvousMessage>{net::FoundMessage{1, id, kHost, {}, kGuest, std::nullopt},
                                                            net::RegisteredMessage{1, id, kHost, 60, std::nullopt},
                                                            net::FullMessage{1}}) {
        const Handled h = box.send(m, kGuest, 10);
        EXPECT_TRUE(h.outcome == Outcome::Ignored && h.datagrams.empty()) << m.index();
    }
    EXPECT_EQ(box.mailbox.registrations(), 1u);
}
