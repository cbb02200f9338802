#include "TestSupport.h"

#include "devices/DeviceRegistry.h"
#include "options/ProcessState.h"
#include "platform/Folders.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"
#include "platform/SysCalls.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace hortivex::test {
namespace fs = std::filesystem;

namespace {

class SilentMessages : public Messages {
public:
    void Information(const std::string&) override {}
    void Error(const std::string&, const std::string&) override {}
    void Plain(const std::string&) override {}
};

class FreshServices : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override {
        ResetProcessState();
        ResetRegistry();
        ClearFaults();
        ResetPlatformServices();
        InstallRegional(std::make_shared<FixedRegional>());
        InstallSettingsStore(MakeMemorySettingsStore());
        InstallMessages(std::make_shared<SilentMessages>());
        // A working folder of its own, so that files made there (the options file) never land
        // in the current folder or leak into the next test.
        workingFolder_ = std::make_unique<TempDir>();
        Process().workingFolder = workingFolder_->path().string() + "/";
    }
    void OnTestEnd(const ::testing::TestInfo&) override { workingFolder_.reset(); }

    std::unique_ptr<TempDir> workingFolder_;
};

#ifndef _WIN32
// A home, settings, data and cache folder of the test program's own (its child processes
// inherit them), so that no test reads or writes the user's; removed when the program ends.
void UseThrowAwayHome() {
    static const TempDir home;
    const std::string base = home.path().string();
    ::setenv("HOME", base.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    ::setenv("XDG_DATA_HOME", (base + "/data").c_str(), 1);
    ::setenv("XDG_CACHE_HOME", (base + "/cache").c_str(), 1);
    // Qt wants a private runtime folder and otherwise makes one under /tmp.
    const std::string runtime = base + "/runtime";
    ::mkdir(runtime.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
}
#endif

const bool kRegistered = [] {
#ifndef _WIN32
    UseThrowAwayHome();
#endif
    UseSystemFileNameEncoding();
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshServices);
    return true;
}();

} // namespace

TempDir::TempDir() {
    static std::mt19937_64 random(std::random_device{}());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / ("hxtest-" + std::to_string(random() % 1000000000));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = std::move(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    // Restore write permission that a test may have taken away, so removal succeeds.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec))
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const fs::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

std::string FromHex(std::string_view hex) {
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return bytes;
}

std::map<std::string, std::string> SectionEntries(const std::string& ini,
                                                  const std::string& section, std::size_t count) {
    std::map<std::string, std::string> entries;
    std::istringstream in(ini);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "[" + section + "]\r");
    while (std::getline(in, line)) {
        EXPECT_EQ(line.back(), '\r');
        line.pop_back();
        const auto eq = line.find('=');
        entries[line.substr(0, eq)] = line.substr(eq + 1);
    }
    EXPECT_EQ(entries.size(), count);
    return entries;
}

void ExpectGoldenExports(const std::string& stem, std::string_view mixedRecord,
                         std::string_view edgeRecord, const fs::path& dataDir,
                         const ConvertSettings& convert) {
    const struct {
        std::string_view record;
        const char* decimalSymbol;
        std::string file;
    } cases[] = {
        {mixedRecord, ".", stem + "_mixed.expected.ini"},
        {edgeRecord, ".", stem + "_edges.expected.ini"},
        {mixedRecord, ",", stem + "_mixed_comma.expected.ini"},
    };
    for (const auto& c : cases) {
        InstallRegional(std::make_shared<FixedRegional>(c.decimalSymbol));
        TempDir dir;
        EXPECT_EQ(convert(dir, c.record), ReadFile(dataDir / c.file)) << c.file;
    }
}

#ifdef HX_TEST_DATA_DIR
LogDropCase MakeLogDrop(const fs::path& dir) {
    const fs::path data = HX_TEST_DATA_DIR;
    const std::string avl = ReadFile(data / ".." / ".." / "samples" / "greenhouse1.avl");
    const std::string fvl = ReadFile(data / ".." / ".." / "samples" / "greenhouse1.fvl");
    const fs::path climate = dir / "Room" / "Controller logs" / "Climate";
    const fs::path doser = dir / "Room" / "Doser logs";
    fs::create_directories(climate);
    fs::create_directories(doser);
    LogDropCase drop;
    for (const char* month : {"202401", "202402"}) {
        WriteFile(climate / (std::string(month) + ".avl"), avl);
        drop.csvs[climate / (std::string(month) + ".avl.csv")] =
            ReadFile(data / "avl_sample_comma.expected.csv");
    }
    WriteFile(doser / "202401.fvl", fvl);
    WriteFile(doser / "notes.txt", "x");
    drop.csvs[doser / "202401.fvl.csv"] = ReadFile(data / "fvl_sample_comma.expected.csv");
    drop.charts[climate / "202401-202402.avl.html"] = "\"title\":\"Room / Climate\"";
    drop.charts[doser / "202401.fvl.html"] = "\"title\":\"Room\"";
    WriteFile(dir / "a.fvs", std::string(118, '\x02'));
    drop.ini = dir / "a.fvs.ini";
    drop.dropped = {climate, doser, dir / "a.fvs"};
    drop.steps = 6; // four files (the notes are passed over) and two charts
    return drop;
}
#endif

} // namespace hortivex::test
