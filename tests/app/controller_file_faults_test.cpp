// Every file call that keeps a controller's view file, month log or settings file made to fail
// once, at each call in turn, with a full disk, an input/output error and a refused access: the
// file ends as it was or as a clean run leaves it, no temporary file stays behind, and the
// failure is reported once, naming the file.
#include "devices/DeviceRegistry.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/SysCalls.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace hortivex {
namespace {
namespace fs = std::filesystem;

constexpr FileOp kOps[] = {FileOp::Open, FileOp::Read,   FileOp::Write,
                           FileOp::Sync, FileOp::Rename, FileOp::Close};
constexpr const char* kOpNames[] = {"open", "read", "write", "fsync", "rename", "close"};
constexpr int kErrors[] = {ENOSPC, EIO, EACCES};

struct CapturedMessages : Messages {
    void Information(const std::string&) override {}
    void Error(const std::string& text, const std::string& detail) override {
        errors.push_back(text + ": " + detail);
    }
    void Plain(const std::string&) override {}
    std::vector<std::string> errors;
};

// Every file under a folder, by its path relative to the folder, with its bytes.
using Snapshot = std::map<std::string, std::string>;

Snapshot Take(const fs::path& folder) {
    Snapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[fs::relative(entry.path(), folder).generic_string()] =
                test::ReadFile(entry.path());
    return files;
}

using Device = TControllerWithSchedule;

Ref<Device> Create(bool fertivo) {
    if (fertivo)
        return Ref<Device>(TDevice::Create<TFertivo>("Room", "Ctl").get());
    return Ref<Device>(TDevice::Create<TAerovane>("Room", "Ctl").get());
}

std::string LogPath(Device& device) {
    return device.GetLogFolder() + "202405" + device.GetLogExtension();
}

// A status reply of the size of either controller's block, its bytes from seed.
void StoreStatus(Device& device, int seed) {
    std::array<std::uint8_t, 60> reply{};
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i * 11 + static_cast<std::size_t>(seed));
    device.StoreStatusReplyC(reply.data(), reply.size());
}

void TwoViews(Device& device) {
    device.ResetTraces(true);
    device.SaveView(1);
    device.SaveView(2);
}

void TwoLogRecords(Device& device) {
    for (int seed : {1, 2}) {
        StoreStatus(device, seed);
        device.AppendLogRecord(LogPath(device));
    }
}

void SettingsFile(Device& device) {
    device.SaveSettingsFile("");
}

// Saves the settings after a settings block from the controller changed them.
void ChangedSettingsFile(Device& device) {
    const std::array<std::uint8_t, kSettingsBlockSize> block{1, 2, 3, 4, 5};
    device.StoreSettingsReply(block.data(), block.size());
    device.SaveSettingsFile("");
}

void Folders(Device& device) {
    (void)device.GetViewFileName();
    (void)LogPath(device);
    (void)device.GetSettingsFolder();
}

struct Case {
    const char* name;
    const char* file; // the name the error must give
    std::function<void(Device&)> prepare;
    std::function<void(Device&)> act;
};

const Case kCases[] = {
    {"saving a view", "Ctl", TwoViews, [](Device& d) { d.SaveView(3); }},
    {"saving a view, making the file", "Ctl", Folders, [](Device& d) { d.SaveView(3); }},
    {"loading a view, making the file", "Ctl", Folders, [](Device& d) { d.LoadView(2); }},
    {"deleting a view", "Ctl", TwoViews, [](Device& d) { d.DeleteView(1); }},
    {"moving views up", "Ctl", TwoViews, [](Device& d) { d.InsertViewGap(1, 27); }},
    {"appending to a month log", "202405", TwoLogRecords,
     [](Device& d) {
         StoreStatus(d, 3);
         d.AppendLogRecord(LogPath(d));
     }},
    {"appending, making the month log", "202405", Folders,
     [](Device& d) { d.AppendLogRecord(LogPath(d)); }},
    {"reading a month log", "202405", TwoLogRecords,
     [](Device& d) {
         d.AssignLogFile(LogPath(d));
         d.OpenLogFile();
         while (!d.LogEof())
             d.ReadLogRecord();
         d.CloseLogFile();
     }},
    {"saving the settings file", "Ctl", SettingsFile, ChangedSettingsFile},
    {"saving the settings file, making it", "Ctl", Folders, ChangedSettingsFile},
};

struct Outcome {
    Snapshot before, after;
    std::vector<std::string> errors; // raised or shown
};

// Prepares a fresh working folder with a fresh controller, then acts with the faults that
// schedule sets up; counts tells how many calls of each kind the act made.
Outcome RunCase(bool fertivo, const Case& c, const std::function<void()>& schedule,
                std::array<int, std::size(kOps)>* counts = nullptr) {
    test::TempDir dir;
    ResetProcessState();
    ResetRegistry();
    Process().workingFolder = dir.path().string() + "/";
    auto messages = std::make_shared<CapturedMessages>();
    InstallMessages(messages);
    auto device = Create(fertivo);
    ClearFaults();
    c.prepare(*device);
    Outcome outcome;
    outcome.before = Take(dir.path());
    ClearFaults();
    schedule();
    try {
        c.act(*device);
    } catch (const HxError& e) {
        outcome.errors.push_back(e.what());
    }
    if (counts)
        for (std::size_t o = 0; o < std::size(kOps); ++o)
            (*counts)[o] = FileOpCount(kOps[o]);
    ClearFaults();
    outcome.after = Take(dir.path());
    for (const std::string& error : messages->errors)
        outcome.errors.push_back(error);
    return outcome;
}

TEST(ControllerFileFaults, FilesEndAsBeforeOrAsAfterACleanRun) {
    for (const bool fertivo : {true, false}) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(fertivo ? "Fertivo, " : "Aerovane, ") + c.name);
            std::array<int, std::size(kOps)> counts{};
            const Outcome clean = RunCase(
                fertivo, c, [] {}, &counts);
            ASSERT_TRUE(clean.errors.empty()) << clean.errors.front();
            const bool reads = std::string(c.name).starts_with("reading");
            ASSERT_EQ(clean.after == clean.before, reads) << "what the clean run changed";

            for (std::size_t o = 0; o < std::size(kOps); ++o) {
                int failures = 0;
                for (const int error : kErrors) {
                    for (int n = 1; n <= counts[o]; ++n) {
                        SCOPED_TRACE(std::string(kOpNames[o]) + " call " + std::to_string(n) +
                                     " fails with " + std::strerror(error));
                        const Outcome run =
                            RunCase(fertivo, c, [&] { ScheduleFault(kOps[o], n, error); });
                        for (const auto& [name, bytes] : run.after)
                            EXPECT_EQ(name.find(".hxtmp-"), std::string::npos) << name;
                        if (run.errors.empty()) {
                            EXPECT_EQ(run.after, clean.after);
                            continue;
                        }
                        ++failures;
                        EXPECT_EQ(run.errors.size(), 1u);
                        EXPECT_NE(run.errors.front().find(c.file), std::string::npos)
                            << run.errors.front();
                        EXPECT_TRUE(run.after == run.before || run.after == clean.after);
                    }
                }
                if (counts[o] > 0) {
                    EXPECT_GT(failures, 0) << kOpNames[o] << ": no injected fault had an effect";
                }
            }
        }
    }
}

} // namespace
} // namespace hortivex
