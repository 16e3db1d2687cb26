// A bounds-checked little-endian reader over a byte range. Reading past the end clears the ok flag for good
// and yields zeros or empty strings from then on, so a parser checks ok() once at the end of a record.
#pragma once

#include <cstdint>
#include <string>

class Reader {
  public:
    Reader(const uint8_t* data, uint32_t size) : p_(data), n_(size) {}

    bool ok() const { return ok_; }
    uint32_t remaining() const { return ok_ ? n_ - pos_ : 0; }

    uint32_t u32() {
        if (!take(4)) return 0;
        const uint8_t* q = p_ + pos_ - 4;
        return q[0] | (q[1] << 8) | (q[2] << 16) | (static_cast<uint32_t>(q[3]) << 24);
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }
    uint16_t u16() {
        if (!take(2)) return 0;
        const uint8_t* q = p_ + pos_ - 2;
        return static_cast<uint16_t>(q[0] | (q[1] << 8));
    }
    std::string bytes(uint32_t len) {
        if (!take(len)) return std::string();
        return std::string(reinterpret_cast<const char*>(p_ + pos_ - len), len);
    }
    // A zero-terminated text (without its terminator).
    std::string zt() {
        if (!ok_) return std::string();
        for (uint32_t i = pos_; i < n_; ++i)
            if (p_[i] == 0) {
                std::string s(reinterpret_cast<const char*>(p_ + pos_), i - pos_);
                pos_ = i + 1;
                return s;
            }
        ok_ = false;
        return std::string();
    }
    // A counted text or block: 32-bit length, then the bytes.
    std::string counted() {
        uint32_t len = u32();
        return bytes(len);
    }
    std::string rest() { return bytes(remaining()); }
    void skip(uint32_t len) { take(len); }

    // A reader over the next len bytes; this reader moves past them.
    Reader sub(uint32_t len) {
        if (!take(len)) return failed();
        return Reader(p_ + pos_ - len, len);
    }
    // A reader from offset `at` of this reader's range to its end (this reader does not move).
    Reader at(uint32_t offset) const {
        if (!ok_ || offset > n_) return failed();
        return Reader(p_ + offset, n_ - offset);
    }

  private:
    static Reader failed() {
        Reader r(nullptr, 0);
        r.ok_ = false;
        return r;
    }
    bool take(uint32_t len) {
        if (!ok_ || len > n_ - pos_) {
            ok_ = false;
            return false;
        }
        pos_ += len;
        return true;
    }

    const uint8_t* p_;
    uint32_t n_;
    uint32_t pos_ = 0;
    bool ok_ = true;
};
