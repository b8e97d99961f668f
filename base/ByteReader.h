/// \file
/// A bounded little-endian reader over a byte buffer. Every binary decoder reads
/// through it: a read past the end returns 0, copies nothing and sets a sticky
/// failure flag, so a hostile size in a file can never walk off the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

/// Reads little-endian values from a byte buffer it does not own, never past its end.
class ByteReader {
public:
    ByteReader() = default;
    /// A reader over `size` bytes at `data`, positioned at the first.
    ByteReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    /// False once any read, skip or seek has failed; it stays false.
    bool ok() const { return ok_; }
    /// The number of bytes the reader covers.
    size_t size() const { return size_; }
    /// The offset of the next byte to read.
    size_t position() const { return pos_; }
    /// The bytes left after the position.
    size_t remaining() const { return size_ - pos_; }
    /// True when no byte is left.
    bool atEnd() const { return pos_ >= size_; }

    /// The next byte, or 0 past the end.
    uint8_t u8() {
        if (!need(1)) {
            return 0;
        }
        return data_[pos_++];
    }
    /// The next 16-bit little-endian value, or 0 past the end.
    uint16_t u16le() {
        if (!need(2)) {
            return 0;
        }
        uint16_t v = uint16_t(data_[pos_] | (data_[pos_ + 1] << 8));
        pos_ += 2;
        return v;
    }
    /// The next 32-bit little-endian value, or 0 past the end.
    uint32_t u32le() {
        if (!need(4)) {
            return 0;
        }
        uint32_t v = uint32_t(data_[pos_]) | (uint32_t(data_[pos_ + 1]) << 8) |
                     (uint32_t(data_[pos_ + 2]) << 16) | (uint32_t(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    /// The next signed 16-bit little-endian value, or 0 past the end.
    int16_t s16le() { return int16_t(u16le()); }
    /// The next signed 32-bit little-endian value, or 0 past the end.
    int32_t s32le() { return int32_t(u32le()); }
    /// The next 32-bit little-endian IEEE float, or 0 past the end.
    float f32le() {
        uint32_t bits = u32le();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }

    /// Copies exactly n bytes, or nothing at all when fewer remain.
    bool bytes(void* dst, size_t n) {
        const uint8_t* p = take(n);
        if (p == nullptr) {
            return false;
        }
        if (n > 0) {
            std::memcpy(dst, p, n);
        }
        return true;
    }

    /// Returns a pointer to the next n bytes and moves past them, or null.
    const uint8_t* take(size_t n) {
        if (!need(n)) {
            return nullptr;
        }
        const uint8_t* p = data_ + pos_;
        pos_ += n;
        return p;
    }

    /// Moves past n bytes; false (and nothing moves) when fewer remain.
    bool skip(size_t n) { return take(n) != nullptr; }

    /// Moves to an absolute offset; false past the end.
    bool seek(size_t pos) {
        if (pos > size_) {
            ok_ = false;
            return false;
        }
        pos_ = pos;
        return true;
    }

    /// A reader over the next n bytes (clamped to what remains; short sets the
    /// failure flag here), moving this reader past them.
    ByteReader sub(size_t n) {
        if (!need(n)) {
            n = remaining();
        }
        ByteReader r(data_ + pos_, n);
        pos_ += n;
        return r;
    }

    /// The byte at the position, for callers that read in bulk.
    const uint8_t* current() const { return data_ + pos_; }

private:
    bool need(size_t n) {
        if (!ok_ || n > size_ - pos_) {
            ok_ = false;
            return false;
        }
        return true;
    }

    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    size_t pos_ = 0;
    bool ok_ = true;
};

/// What every decoder and reader does first with its arguments: empties the
/// record and the message it fills, reads a null name as "" and null data as
/// no bytes, and gives a reader over those bytes.
template <typename Record>
ByteReader startDecode(Record& record, std::string& message, const uint8_t* data, size_t& size,
                       const char*& name) {
    record = Record{};
    message.clear();
    if (name == nullptr) {
        name = "";
    }
    if (data == nullptr) {
        size = 0;
    }
    return ByteReader(data, size);
}
