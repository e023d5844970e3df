// Multi-byte numbers as file formats store them, read a byte at a time so that neither the
// host's byte order nor the alignment of the data matters.
#pragma once

#include <cstdint>

namespace base {

inline uint16_t ReadLe16(const uint8_t* p)
{
    return uint16_t(p[0] | (p[1] << 8));
}

inline uint32_t ReadLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

inline uint64_t ReadLe64(const uint8_t* p)
{
    return uint64_t(ReadLe32(p)) | (uint64_t(ReadLe32(p + 4)) << 32);
}

inline uint16_t ReadBe16(const uint8_t* p)
{
    return uint16_t((p[0] << 8) | p[1]);
}

inline uint32_t ReadBe32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

}  // namespace base
