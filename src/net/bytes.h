// Little-endian writing, and a reader that checks every length before it reads:
// once a read runs past the end, every later read yields 0 and ok() stays false.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace net {

inline void put8(std::vector<uint8_t>& out, uint8_t v) { out.push_back(v); }
inline void put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    bool atEnd() const { return ok_ && pos_ == size_; }
    size_t left() const { return size_ - pos_; }
    uint8_t u8() { return take(1) ? data_[pos_ - 1] : 0; }
    uint16_t u16() { return take(2) ? static_cast<uint16_t>(data_[pos_ - 2] | data_[pos_ - 1] << 8) : 0; }
    uint32_t u32() {
        if (!take(4)) return 0;
        const uint8_t* p = data_ + pos_ - 4;
        return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
    const uint8_t* block(size_t n) { return take(n) ? data_ + pos_ - n : nullptr; }
    void fail() { ok_ = false; }

private:
    bool take(size_t n) {
        if (!ok_ || size_ - pos_ < n) {
            ok_ = false;
            return false;
        }
        pos_ += n;
        return true;
    }
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

}  // namespace net
