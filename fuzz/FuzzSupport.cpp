#include "fuzz/FuzzSupport.h"

#include "devices/DeviceRegistry.h"
#include "options/ProcessState.h"
#include "platform/Clock.h"
#include "platform/Errors.h"
#include "platform/Messages.h"
#include "platform/Regional.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <system_error>

namespace hortivex::fuzz {
namespace fs = std::filesystem;

namespace {

class SilentMessages : public Messages {
public:
    void Information(const std::string&) override {}
    void Error(const std::string&, const std::string&) override {}
    void Plain(const std::string&) override {}
};

// A memory-backed folder keeps the many small writes of a fuzzing run off the disk.
fs::path TempBase() {
    if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp)
        return tmp;
    std::error_code ec;
    if (fs::is_directory("/dev/shm", ec))
        return "/dev/shm";
    return fs::temp_directory_path();
}

fs::path MakeFolder() {
    std::string pattern = (TempBase() / "hxfuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern;
}

// Whether this process has made its folder (a target that needs none never does).
bool& FolderMade() {
    static bool made = false;
    return made;
}

void RemoveFolder() {
    std::error_code ec;
    fs::remove_all(Folder(), ec);
}

void InstallServices() {
    InstallRegional(std::make_shared<FixedRegional>());
    InstallSettingsStore(MakeMemorySettingsStore());
    InstallMessages(std::make_shared<SilentMessages>());
    // A fixed today, so that an input behaves the same on every run.
    LocalTime today;
    today.year = 2024;
    today.month = 5;
    today.day = 17;
    today.hour = 12;
    today.dayOfWeek = 6;
    InstallClock(std::make_shared<FixedClock>(today));
}

} // namespace

const fs::path& Folder() {
    static const fs::path folder = [] {
        fs::path made = MakeFolder();
        FolderMade() = true;
        InstallServices();
        return made;
    }();
    static const bool cleanup = [] { return std::atexit(RemoveFolder) == 0; }();
    (void)cleanup;
    return folder;
}

void PrepareRun() {
    const std::string working = Folder().string() + "/";
    ResetProcessState();
    ResetRegistry();
    Process().workingFolder = working;
}

fs::path WriteInput(const std::string& name, std::string_view bytes) {
    fs::path path = Folder() / name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        Fail("cannot write the input file " + path.string());
    return path;
}

bool ReadWhole(const fs::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream text;
    text << in.rdbuf();
    out = text.str();
    return true;
}

void Fail(const std::string& what) {
    std::fprintf(stderr, "invariant violated: %s\n", what.c_str());
    std::fflush(stderr);
    // abort() skips the exit handlers; the folder goes first (when this process made one).
    if (FolderMade())
        RemoveFolder();
    std::abort();
}

void CheckIniLayout(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos)
            Fail("an exported line lacks its CR LF");
        const std::string_view line = text.substr(pos, end - pos);
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            Fail("an exported line holds a CR, LF or NUL");
        const bool header = line.size() >= 2 && line.front() == '[' && line.back() == ']';
        if (!header && line.find('=') == std::string_view::npos)
            Fail("an exported line is neither a header nor key=value: " + std::string(line));
        pos = end + 2;
    }
}

namespace {

std::string Folded(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace

std::vector<std::pair<std::string, std::size_t>> SectionSizes(std::string_view text) {
    std::vector<std::pair<std::string, std::size_t>> sizes;
    std::set<std::string> sections, keys;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            const std::string name(line.substr(1, line.size() - 2));
            if (!sections.insert(Folded(name)).second)
                Fail("section [" + name + "] written twice");
            sizes.emplace_back(name, 0);
            keys.clear();
            continue;
        }
        if (sizes.empty())
            Fail("an exported key stands before any section");
        const std::string key(line.substr(0, line.find('=')));
        if (!keys.insert(Folded(key)).second)
            Fail("key " + key + " written twice in [" + sizes.back().first + "]");
        ++sizes.back().second;
    }
    return sizes;
}

void CheckSections(std::string_view text, const std::string& prefix, std::size_t sections,
                   bool numbered, std::size_t keys) {
    const auto sizes = SectionSizes(text);
    if (sizes.size() != sections)
        Fail("the export holds " + std::to_string(sizes.size()) + " sections, not " +
             std::to_string(sections));
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const std::string name = numbered ? prefix + std::to_string(i) : prefix;
        if (sizes[i].first != name)
            Fail("section [" + sizes[i].first + "] where [" + name + "] belongs");
        if (sizes[i].second != keys)
            Fail("section [" + name + "] holds " + std::to_string(sizes[i].second) + " keys, not " +
                 std::to_string(keys));
    }
}

void Remove(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
}

std::optional<std::string> ConvertTwice(std::string_view bytes, const std::string& inputName,
                                        const std::function<void(const fs::path&)>& read,
                                        const std::function<void(const fs::path&)>& write) {
    PrepareRun();
    const fs::path input = WriteInput(inputName, bytes);
    const fs::path output = Folder() / "out.ini";
    Remove(output);
    try {
        read(input);
    } catch (const HxError&) {
        return std::nullopt;
    }
    try {
        write(output);
    } catch (const HxError&) {
        if (fs::exists(output))
            Fail("a failed export left an output file");
        return std::nullopt;
    }
    std::string first;
    if (!ReadWhole(output, first))
        return std::string();
    CheckIniLayout(first);

    // The same record exported over its own output updates every key in place.
    try {
        write(output);
    } catch (const HxError& e) {
        Fail(std::string("exporting again over the output failed: ") + e.what());
    }
    std::string second;
    if (!ReadWhole(output, second) || second != first)
        Fail("exporting again over the output changed it");
    return first;
}

} // namespace hortivex::fuzz
