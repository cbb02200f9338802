#include "devices/SettingsTransfer.h"

#include "devices/Texts.h"
#include "platform/Errors.h"
#include "platform/RecordFile.h"
#include "platform/Services.h"

#include <string_view>
#include <vector>

namespace hortivex {

std::string SaveSettingsRecord(TDevice& device, const std::string& path,
                               std::span<const std::uint8_t> record) {
    std::string target;
    try {
        target = path.empty() ? device.GetSettingsFolder() + device.GetSettingsFileName(-1) : path;
        ReplaceRecordFile(
            target, std::string_view(reinterpret_cast<const char*>(record.data()), record.size()));
    } catch (const std::exception& e) {
        CurrentMessages().Error(Text(TextId::InvalidFileName), e.what());
        return {};
    }
    device.SettingsChanged();
    return target;
}

bool LoadSettingsRecord(const std::string& path, std::span<std::uint8_t> record) {
    std::vector<std::uint8_t> bytes(record.size());
    try {
        RecordFile file = RecordFile::Open(path, record.size(), RecordFile::Access::Read);
        file.Read(0, bytes.data());
        file.Close();
    } catch (const InOutError&) {
        return false;
    }
    std::memcpy(record.data(), bytes.data(), bytes.size());
    return true;
}

std::string SettingsBlockCommand(const std::string& header, const char* code,
                                 std::span<const std::uint8_t> record, int block,
                                 std::uint8_t trailer) {
    const auto part =
        record.subspan(static_cast<std::size_t>(block) * kSettingsBlockSize, kSettingsBlockSize);
    std::string text = header + code;
    text.append(reinterpret_cast<const char*>(part.data()), part.size());
    text += static_cast<char>(trailer);
    return text;
}

bool StoreSettingsBlock(std::span<std::uint8_t> record, int block, const std::uint8_t* reply,
                        std::size_t length) {
    if (!ReplyHolds(reply, length, kSettingsBlockSize))
        return false;
    std::memcpy(record.data() + static_cast<std::size_t>(block) * kSettingsBlockSize, reply,
                kSettingsBlockSize);
    return true;
}

} // namespace hortivex
