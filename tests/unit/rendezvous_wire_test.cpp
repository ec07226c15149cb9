#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "net/invite_code.h"
#include "net/rendezvous_messages.h"

using net::CodeParse;
using net::InviteCode;

namespace {

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

net::TurnOffer turnOffer() { return {{0xCB007105, 3478}, "1700000000", "dNcwhojV9UvcSSj+lAMOcuaadcI="}; }

std::vector<net::RendezvousMessage> oneOfEach() {
    return {
        net::RegisterMessage{0x8877665544332211, 0, endpoints(net::kMaxOwnAddresses)}, net::RegisterMessage{1, net::kLookupIdMask, {}},
        net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, turnOffer()}, net::RegisteredMessage{7, 1, {0xC6336401, 4000}, 60, std::nullopt},
        net::LookupMessage{~0ull, 12345, endpoints(2)},
        net::FoundMessage{3, 12345, {0xC6336401, 4000}, endpoints(net::kMaxOwnAddresses), {0xCB007101, 5000}, turnOffer()},
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
    net::TurnOffer blank = turnOffer(), control = turnOffer(), huge = turnOffer();
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
