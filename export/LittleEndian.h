#pragma once

#include <cstddef>
#include <cstdint>

namespace hortivex {

// Little-endian fields of a raw record, read byte by byte whatever the host's byte order.
inline std::int16_t WordAt(const std::uint8_t* record, std::size_t offset) {
    return static_cast<std::int16_t>(record[offset] | (record[offset + 1] << 8));
}

inline std::int32_t LongAt(const std::uint8_t* record, std::size_t offset) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(record[offset]) |
                                     static_cast<std::uint32_t>(record[offset + 1]) << 8 |
                                     static_cast<std::uint32_t>(record[offset + 2]) << 16 |
                                     static_cast<std::uint32_t>(record[offset + 3]) << 24);
}

// The count low bytes of value, lowest first, and back.
inline void PutLittleEndian(std::uint64_t value, std::uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

inline std::uint64_t GetLittleEndian(const std::uint8_t* bytes, int count) {
    std::uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

} // namespace hortivex
