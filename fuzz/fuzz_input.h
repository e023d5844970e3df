// Reads a fuzz input as a stream of small decisions. Past the end every read gives zero, so
// any input, however short, is a complete program of calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return pos_ >= size_; }

    template <class T>
    T Take()
    {
        T value{};
        const size_t n = size_ - pos_ < sizeof(T) ? size_ - pos_ : sizeof(T);
        if (n) std::memcpy(&value, data_ + pos_, n);
        pos_ += n;
        return value;
    }

    uint8_t Byte() { return Take<uint8_t>(); }
    bool Flag() { return Byte() & 1; }
    // 0 to n - 1 (n from 1 to 256).
    unsigned Below(unsigned n) { return Byte() % n; }

    template <class T, size_t N>
    const T& Pick(const T (&choices)[N])
    {
        return choices[Byte() % N];
    }

    // Up to `limit` bytes, as many as the next byte says.
    std::string Bytes(size_t limit)
    {
        size_t n = Byte();
        if (n > limit) n = limit;
        if (n > size_ - pos_) n = size_ - pos_;
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};
