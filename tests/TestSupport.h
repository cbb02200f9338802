#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace hortivex::test {

// A fresh folder under the system's temporary folder, removed again with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
// The entries of an INI text that holds exactly one section, as key -> value; fails the test
// unless the section is `section`, every line ends in CR LF and there are `count` keys.
std::map<std::string, std::string> SectionEntries(const std::string& ini,
                                                  const std::string& section, std::size_t count);
// The bytes of a hexadecimal text ("0a1b" gives 0x0A 0x1B).
std::string FromHex(std::string_view hex);

// Converts a settings file of the given bytes in a fresh folder and answers the INI text.
using ConvertSettings = std::function<std::string(const TempDir& dir, std::string_view fileBytes)>;
// Expects the golden files <stem>_mixed, <stem>_edges and <stem>_mixed_comma (".expected.ini"
// in dataDir) byte for byte: the mixed and the edge record with "." as decimal symbol, and the
// mixed record again with ",".
void ExpectGoldenExports(const std::string& stem, std::string_view mixedRecord,
                         std::string_view edgeRecord, const std::filesystem::path& dataDir,
                         const ConvertSettings& convert);

// The day numbers of a controller's schedule, in list order.
template <class Controller> std::vector<int> ScheduleDays(Controller& controller) {
    std::vector<int> days;
    for (const auto& day : controller.LocalSettings().Days)
        days.push_back(day.Day);
    return days;
}

// What the dialogs' drop tests drop: month logs of two controllers, each in its folder of the
// model's layout (copies of the sample logs), and a classic file; with what the drop must write
// under a "," decimal symbol.
struct LogDropCase {
    std::vector<std::filesystem::path> dropped;
    std::map<std::filesystem::path, std::string> csvs;   // each CSV and its bytes
    std::map<std::filesystem::path, std::string> charts; // each page and its title's JSON
    std::filesystem::path ini;
    int steps = 0;
};
LogDropCase MakeLogDrop(const std::filesystem::path& dir);

} // namespace hortivex::test

namespace hortivex::test {

// Every test starts with the neutral regional settings (".", ":", "/"), an empty in-memory
// settings store, silent messages and fresh process-wide state; see TestSupport.cpp.

} // namespace hortivex::test
