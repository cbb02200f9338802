#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace hortivex::fuzz {

// A private folder for the whole process, made on first use with the services every target
// needs installed: neutral regional settings, an in-memory settings store and silent messages.
// The folder is removed at exit.
const std::filesystem::path& Folder();

// Resets the process-wide state for a fresh run and points its working folder at Folder(), so
// that every input is handled as if it were the first.
void PrepareRun();

// Writes bytes to the file `name` in Folder(), replacing what it held, and returns its path.
std::filesystem::path WriteInput(const std::string& name, std::string_view bytes);

// Reads the whole content of a file into out; false when it cannot be opened.
bool ReadWhole(const std::filesystem::path& path, std::string& out);

// Reports a broken invariant and aborts, so the fuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

// Checks what every export must produce: CR LF after every line, no NUL, no bare CR or LF,
// only section headers and key=value lines.
void CheckIniLayout(std::string_view text);

// The sections of an exported text in order, each with its number of keys; fails when a section
// or a key within one appears twice (names compared without regard to ASCII case).
std::vector<std::pair<std::string, std::size_t>> SectionSizes(std::string_view text);

// Checks that an export holds exactly `sections` sections named prefix + index (or prefix alone
// when sections is 1 and numbered is false), each with `keys` keys.
void CheckSections(std::string_view text, const std::string& prefix, std::size_t sections,
                   bool numbered, std::size_t keys);

// Removes a file if it exists.
void Remove(const std::filesystem::path& path);

// One conversion of a record file holding bytes: read(file) fills a fresh device, write(ini)
// exports it to a new INI file. An HxError from either is an acceptable outcome (nothing).
// Otherwise checks the exported layout, that a failing export left no file, and that exporting
// again over the first output gives the same bytes; answers the text ("" when no file was made).
std::optional<std::string>
ConvertTwice(std::string_view bytes, const std::string& inputName,
             const std::function<void(const std::filesystem::path&)>& read,
             const std::function<void(const std::filesystem::path&)>& write);

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace hortivex::fuzz
