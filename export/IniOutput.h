#pragma once

#include "export/IniDocument.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace hortivex {

// One export's INI file. Nothing touches the disk before the first write, which loads the
// existing file (if any) and checks that it may be written; writes are collected in memory and
// Close() writes the file once, through a temporary file and a rename. An output destroyed
// without Close() (an export that failed part-way) leaves the disk as it was.
// Every refusal raises HxError "Unable to write to <file name>", also for a section or key name
// that would not read back as written. When the new bytes equal the existing file's, nothing is
// written at all.
class IniOutput {
public:
    // A file that does not exist yet is created with newFileMode (default: 0666 less the umask);
    // an existing file keeps its mode.
    explicit IniOutput(std::filesystem::path path, int newFileMode = -1);
    IniOutput(const IniOutput&) = delete;
    IniOutput& operator=(const IniOutput&) = delete;

    void WriteEntry(std::string_view section, std::string_view key, std::string_view value);
    void WriteWholeEntry(std::string_view section, std::string_view key, long long n);
    // The current value as the profile reader answers it, or nothing when absent.
    std::optional<std::string> ReadEntry(std::string_view section, std::string_view key);

    // Writes the collected entries; a second call, or one after no write, does nothing.
    void Close();

    const std::filesystem::path& Path() const { return path_; }

private:
    [[noreturn]] void Refuse() const;
    void Load();

    std::filesystem::path path_;
    std::filesystem::path target_; // path_ with symbolic links followed
    std::optional<IniDocument> document_;
    bool dirty_ = false;
    std::optional<FileAttributes> existing_; // the file as it was loaded, when it existed
    int newFileMode_;
};

} // namespace hortivex
