#include "net/invite_code.h"

#include <array>

namespace net {

namespace {

constexpr char kSymbols[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";
constexpr int kSymbolBits = 5;
constexpr int kGroupSize = 4;
// Data symbols of each kind, the check symbol not counted.
constexpr int kRendezvousSymbols = (kLookupIdBits + kInviteSecretBits) / kSymbolBits;  // 65 bits: 13
constexpr int kDirectSymbols = 18;  // 32 + 16 + 40 = 88 bits, and 2 spare zero bits
constexpr int kDirectSpareBits = kDirectSymbols * kSymbolBits - (32 + 16 + kInviteSecretBits);
constexpr int kMaxSymbols = kDirectSymbols + 1;
static_assert(kRendezvousSymbols * kSymbolBits == kLookupIdBits + kInviteSecretBits, "no spare bits");

using Symbols = std::array<uint8_t, kMaxSymbols>;

// Writes and reads fields most significant bit first, five bits to a symbol.
class BitPacker {
public:
    explicit BitPacker(Symbols& s) : s_(s) {}
    void put(uint64_t value, int bits) {
        for (int b = bits - 1; b >= 0; --b) {
            uint8_t& symbol = s_[pos_ / kSymbolBits];
            symbol = static_cast<uint8_t>(symbol << 1 | ((value >> b) & 1));
            ++pos_;
        }
    }
    uint64_t get(int bits) {
        uint64_t value = 0;
        for (int i = 0; i < bits; ++i, ++pos_) {
            const int shift = kSymbolBits - 1 - pos_ % kSymbolBits;
            value = value << 1 | ((s_[pos_ / kSymbolBits] >> shift) & 1);
        }
        return value;
    }

private:
    Symbols& s_;
    int pos_ = 0;
};

uint8_t timesAlpha(uint8_t x) {
    x = static_cast<uint8_t>(x << 1);
    if (x & 0x20) x ^= 0x25;  // x^5 = x^2 + 1 in GF(32)
    return x;
}

// Each symbol weighted by a different power of a generator of GF(32): any one wrong
// symbol, and any two neighbours swapped, change the check. The count of data symbols
// starts the sum, so a code of one kind cut or grown to the other's length fails too.
uint8_t checkSymbol(const Symbols& s, int count) {
    uint8_t sum = static_cast<uint8_t>(count);
    for (int i = 0; i < count; ++i) sum = timesAlpha(sum) ^ s[i];
    return timesAlpha(sum);
}

// The symbol's value, or -1 for a character no code holds.
int symbolValue(unsigned char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    if (c == 'O') return 0;
    if (c == 'I' || c == 'L') return 1;
    for (int v = 0; v < 32; ++v)
        if (kSymbols[v] == c) return v;
    return -1;
}

bool ignored(unsigned char c) { return c == '-' || c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::string FormatInviteCode(const InviteCode& code) {
    Symbols s{};
    BitPacker bits(s);
    int count = kRendezvousSymbols;
    if (code.kind == InviteCode::Kind::Rendezvous) {
        bits.put(code.lookupId, kLookupIdBits);
        bits.put(code.secret, kInviteSecretBits);
    } else {
        count = kDirectSymbols;
        bits.put(code.ipv4, 32);
        bits.put(code.port, 16);
        bits.put(code.secret, kInviteSecretBits);
        bits.put(0, kDirectSpareBits);
    }
    s[count] = checkSymbol(s, count);
    std::string text = "+";
    for (int i = 0; i <= count; ++i) {
        if (i > 0 && i % kGroupSize == 0) text += '-';
        text += kSymbols[s[i]];
    }
    return text;
}

bool LooksLikeInviteCode(const std::string& text) {
    for (const char c : text)
        if (c != ' ' && c != '\t') return c == '+';
    return false;
}

CodeParse ParseInviteCode(const std::string& text, InviteCode& out) {
    if (!LooksLikeInviteCode(text)) return CodeParse::NotACode;
    Symbols s{};
    int count = 0;
    for (size_t i = text.find('+') + 1; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (ignored(c)) continue;
        const int v = symbolValue(c);
        if (v < 0 || count == kMaxSymbols) return CodeParse::Mistyped;
        s[count++] = static_cast<uint8_t>(v);
    }
    if (count != kRendezvousSymbols + 1 && count != kDirectSymbols + 1) return CodeParse::Mistyped;
    const int data = count - 1;
    if (checkSymbol(s, data) != s[data]) return CodeParse::Mistyped;

    InviteCode code;
    BitPacker bits(s);
    if (data == kRendezvousSymbols) {
        code.kind = InviteCode::Kind::Rendezvous;
        code.lookupId = static_cast<uint32_t>(bits.get(kLookupIdBits));
        code.secret = bits.get(kInviteSecretBits);
        if (code.lookupId == 0) return CodeParse::Mistyped;
    } else {
        code.kind = InviteCode::Kind::Direct;
        code.ipv4 = static_cast<uint32_t>(bits.get(32));
        code.port = static_cast<uint16_t>(bits.get(16));
        code.secret = bits.get(kInviteSecretBits);
        if (code.port == 0 || bits.get(kDirectSpareBits) != 0) return CodeParse::Mistyped;
    }
    out = code;
    return CodeParse::Ok;
}

}  // namespace net
