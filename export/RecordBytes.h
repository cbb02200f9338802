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

} // namespace hortivex
