#pragma once

#include "devices/Device.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

namespace hortivex {

// The settings record of a device: its file, and its transfer in blocks to and from the
// controller, each reply guarded so that no byte past its end is read.

// The settings file of a device: its one record.
// Writes record as the only record of path (the device's own settings file when path is empty)
// and answers the path written; on any failure shows "Invalid file name" in an error box, keeps
// an existing file as it was and answers the empty text.
std::string SaveSettingsRecord(TDevice& device, const std::string& path,
                               std::span<const std::uint8_t> record);
// Reads the first record of path into record; false, with record unchanged, when the file
// cannot be opened or holds no whole record.
bool LoadSettingsRecord(const std::string& path, std::span<std::uint8_t> record);

// A reply fills a block of size bytes only when it holds the whole block: a shorter one changes
// nothing, so that no byte past its end is read; a longer one is cut to the block.
inline bool ReplyHolds(const std::uint8_t* reply, std::size_t length, std::size_t size) {
    return reply != nullptr && length >= size;
}
// Copies the first sizeof block bytes of reply into block; false, storing nothing, when the
// reply is shorter.
template <class Block>
bool StoreReply(Block& block, const std::uint8_t* reply, std::size_t length) {
    if (!ReplyHolds(reply, length, sizeof block))
        return false;
    std::memcpy(&block, reply, sizeof block);
    return true;
}

// Settings travel in blocks of 59 bytes of the settings record.
inline constexpr std::size_t kSettingsBlockSize = 59;
// header + code + block `block` of record + the trailer byte, each byte one character.
std::string SettingsBlockCommand(const std::string& header, const char* code,
                                 std::span<const std::uint8_t> record, int block,
                                 std::uint8_t trailer);
// Copies the first 59 bytes of reply into block `block` of record; false, storing nothing, when
// the reply is shorter.
bool StoreSettingsBlock(std::span<std::uint8_t> record, int block, const std::uint8_t* reply,
                        std::size_t length);

} // namespace hortivex
