#include "net/state_codec.h"

#include <cstring>
#include <string>

#include "game/ladder_bracket.h"
#include "game/state_fields.h"

namespace {

constexpr size_t kMaxText = 255;

// Writes the shared fields; the local ones are not its business.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}

    template <class T, bool Traced>
    void operator()(const char*, const T& v, Marks<true, Traced>, Bounds = {}) { put(v); }
    template <class T, bool Traced>
    void operator()(const char*, const T&, Marks<false, Traced>, Bounds = {}) {}

private:
    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void put(int v) { u32(static_cast<uint32_t>(v)); }
    void put(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(bits);
    }
    void put(bool v) { out_.push_back(v ? 1 : 0); }
    void put(const std::string& v) {
        const size_t n = v.size() < kMaxText ? v.size() : kMaxText;
        out_.push_back(static_cast<uint8_t>(n));
        out_.insert(out_.end(), v.begin(), v.begin() + static_cast<long>(n));
    }
    void put(const char* v) {  // an opponent's name, by its place in the list
        uint8_t index = 0;
        for (int n = 1; n <= kOpponentNameCount && v; ++n)
            if (OpponentName(n) == v) index = static_cast<uint8_t>(n);
        out_.push_back(index);
    }
    void put(const HeldKeys& v) {
        for (int byte = 0; byte < kKeyCount / 8; ++byte) {
            uint8_t bits = 0;
            for (int bit = 0; bit < 8; ++bit) bits |= v.test(byte * 8 + bit) ? 1 << bit : 0;
            out_.push_back(bits);
        }
    }
    void put(const KeyMerge& v) {
        put(v.held_);
        put(v.resting_);
    }
    void put(const SteeringKeys& v) {
        for (int key : {v.up, v.left, v.down, v.right}) out_.push_back(static_cast<uint8_t>(key));
    }
    void put(const KeyBindings& v) {
        put(v.near);
        put(v.far);
    }
    void put(const RandomState& v) {
        for (int32_t word : v.r) u32(static_cast<uint32_t>(word));
        out_.push_back(v.front);
        out_.push_back(v.rear);
    }
    template <class T, size_t N>
    void put(const T (&items)[N]) {
        for (const T& item : items) put(item);
    }

    std::vector<uint8_t>& out_;
};

// Reads the shared fields back, checking every length, flag, name, bound and the generator.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& in) : in_(in) {}
    bool ok() const { return ok_ && pos_ == in_.size(); }

    template <class T, bool Traced>
    void operator()(const char*, T& v, Marks<true, Traced>) { get(v); }
    template <bool Traced>
    void operator()(const char*, int& v, Marks<true, Traced>, Bounds b) {
        get(v);
        if (v < b.lowest || v > b.highest) ok_ = false;
    }
    template <class T, bool Traced>
    void operator()(const char*, T&, Marks<false, Traced>, Bounds = {}) {}

private:
    void get(int& v) { v = static_cast<int>(u32()); }
    void get(float& v) {
        const uint32_t bits = u32();
        std::memcpy(&v, &bits, sizeof v);
    }
    void get(bool& v) {
        const uint8_t x = byte();
        if (x > 1) ok_ = false;
        v = x == 1;
    }
    void get(std::string& v) {
        const size_t n = byte();
        if (!take(n)) return;
        v.assign(reinterpret_cast<const char*>(in_.data() + pos_ - n), n);
    }
    void get(const char*& v) {
        const uint8_t n = byte();
        if (n > kOpponentNameCount) ok_ = false;
        v = n == 0 ? nullptr : OpponentName(n);
    }
    void get(HeldKeys& v) {
        v.reset();
        for (int byte = 0; byte < kKeyCount / 8; ++byte) {
            const uint8_t bits = this->byte();
            for (int bit = 0; bit < 8; ++bit) v.set(byte * 8 + bit, bits & (1 << bit));
        }
    }
    void get(KeyMerge& v) {
        get(v.held_);
        get(v.resting_);
    }
    void get(SteeringKeys& v) { v = {byte(), byte(), byte(), byte()}; }
    void get(KeyBindings& v) {
        get(v.near);
        get(v.far);
    }
    void get(RandomState& v) {
        for (int32_t& word : v.r) word = static_cast<int32_t>(u32());
        v.front = byte();
        v.rear = byte();
        if (!ValidRandomState(v)) ok_ = false;
    }
    template <class T, size_t N>
    void get(T (&items)[N]) {
        for (T& item : items) get(item);
    }

    bool take(size_t n) {
        if (!ok_ || in_.size() - pos_ < n) {
            ok_ = false;
            return false;
        }
        pos_ += n;
        return true;
    }
    uint8_t byte() { return take(1) ? in_[pos_ - 1] : 0; }
    uint32_t u32() {
        if (!take(4)) return 0;
        const uint8_t* p = in_.data() + pos_ - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }

    const std::vector<uint8_t>& in_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace

std::vector<uint8_t> EncodeSharedState(const GameState& g) {
    std::vector<uint8_t> out;
    out.reserve(1024);
    Writer w(out);
    VisitStateFields(g, w);
    return out;
}

bool DecodeSharedState(const std::vector<uint8_t>& bytes, GameState& g) {
    GameState decoded = g;
    Reader r(bytes);
    VisitStateFields(decoded, r);
    if (!r.ok()) return false;
    g = decoded;
    return true;
}
