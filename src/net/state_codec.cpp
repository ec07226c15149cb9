#include "net/state_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <type_traits>

#include "game/ladder_bracket.h"
#include "game/state_fields.h"

namespace {

constexpr size_t kMaxText = 255;

// Writes the shared fields; the local ones are not its business.
class Writer {
public:
    explicit Writer(std::vector<uint8_t>& out) : out_(out) {}

    template <class T, bool Traced, class... B>
    void operator()(const char*, const T& v, Marks<true, Traced>, B...) { put(v); }
    template <class T, bool Traced, class... B>
    void operator()(const char*, const T&, Marks<false, Traced>, B...) {}

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

// A number or a text read from outside is only taken within its field's bounds.
template <class T>
constexpr bool kNeedsBounds = std::is_same_v<std::remove_all_extents_t<T>, int> ||
                              std::is_same_v<std::remove_all_extents_t<T>, float> ||
                              std::is_same_v<std::remove_all_extents_t<T>, std::string>;

// Reads the shared fields back, checking every length, flag, name, bound and the
// generator. The first field that fails is kept, with what is wrong with it, and
// nothing after it is read.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& in) : in_(in) {}

    bool finish() {
        if (refused_.empty() && pos_ != in_.size()) refused_ = "bytes after the last field";
        return refused_.empty();
    }
    const std::string& refused() const { return refused_; }

    template <class T, bool Traced, class... B>
    void operator()(const char* name, T& v, Marks<true, Traced>, B... bounds) {
        static_assert(sizeof...(B) == 1 || !kNeedsBounds<T>, "every shared number and text has its bounds");
        if (!refused_.empty()) return;
        field_ = name;
        get(v, bounds...);
    }
    template <class T, bool Traced, class... B>
    void operator()(const char*, T&, Marks<false, Traced>, B...) {}

private:
    void refuse(const char* what) {
        if (!refused_.empty()) return;
        refused_ = field_;
        if (index_ >= 0) refused_ += "[" + std::to_string(index_) + "]";
        refused_ += " ";
        refused_ += what;
    }

    void get(int& v, Bounds b) {
        v = static_cast<int>(u32());
        if (v < b.lowest || v > b.highest) refuse("out of range");
    }
    void get(int& v, OneOf values) {
        v = static_cast<int>(u32());
        if (std::find(values.first, values.last, v) == values.last) refuse("not one of its values");
    }
    void get(float& v, FloatBounds b) {
        const uint32_t bits = u32();
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v)) refuse("not a finite number");
        else if (v < b.lowest || v > b.highest) refuse("out of range");
    }
    void get(bool& v) {
        const uint8_t x = byte();
        if (x > 1) refuse("neither 0 nor 1");
        v = x == 1;
    }
    void get(std::string& v, TextBounds b) {
        const size_t n = byte();
        if (n > b.longest) refuse("too long");
        if (!take(n)) return;
        v.assign(reinterpret_cast<const char*>(in_.data() + pos_ - n), n);
    }
    void get(const char*& v) {
        const uint8_t n = byte();
        if (n > kOpponentNameCount) refuse("not a name of the list");
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
        if (!ValidRandomState(v)) refuse("not a generator's state");
    }
    template <class T, size_t N, class... B>
    void get(T (&items)[N], B... bounds) {
        const int outer = index_;
        for (size_t i = 0; i < N && refused_.empty(); ++i) {
            index_ = outer < 0 ? static_cast<int>(i) : outer;
            get(items[i], bounds...);
        }
        index_ = outer;
    }

    bool take(size_t n) {
        if (!refused_.empty() || in_.size() - pos_ < n) {
            refuse("cut short");
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
    const char* field_ = "";
    int index_ = -1;  // the element of an array field being read
    std::string refused_;
};

}  // namespace

std::vector<uint8_t> EncodeSharedState(const GameState& g) {
    std::vector<uint8_t> out;
    out.reserve(1024);
    Writer w(out);
    VisitStateFields(g, w);
    return out;
}

bool DecodeSharedState(const std::vector<uint8_t>& bytes, GameState& g, std::string* refused) {
    GameState decoded = g;
    Reader r(bytes);
    VisitStateFields(decoded, r);
    if (!r.finish()) {
        if (refused) *refused = r.refused();
        return false;
    }
    g = decoded;
    return true;
}
