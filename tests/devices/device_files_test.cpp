#include "devices/DeviceRegistry.h"
#include "devices/MonthLog.h"
#include "devices/RegistryCleanup.h"
#include "devices/SettingsTransfer.h"
#include "devices/ViewFile.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "platform/SysCalls.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <functional>

namespace hortivex {
namespace {

namespace fs = std::filesystem;
using test::ReadFile;
using test::WriteFile;

// Both controllers, seen through what the shared algorithms need of them.
struct Kind {
    const char* name;
    std::function<Ref<TDevice>()> create;
    std::size_t recordSize; // settings record
    std::size_t logSize;
};
const Kind kKinds[] = {
    {"Fertivo", [] { return Ref<TDevice>(TDevice::Create<TFertivo>("1", "2").get()); }, 118, 40},
    {"Aerovane", [] { return Ref<TDevice>(TDevice::Create<TAerovane>("1", "2").get()); }, 177, 72},
};

std::span<std::uint8_t> SettingsOf(TDevice& device) {
    if (auto* f = dynamic_cast<TFertivo*>(&device))
        return RecordBytes(f->Settings());
    return RecordBytes(dynamic_cast<TAerovane&>(device).Settings());
}

// View record r of a device with `traces` traces: every trace visible, colour r * 256 + trace.
std::string ViewRecord(int traces, int r) {
    std::vector<TTraceEntry> entries(static_cast<std::size_t>(traces));
    for (int t = 0; t < traces; ++t)
        entries[static_cast<std::size_t>(t)] = {
            1, {0, 0, 0}, static_cast<std::uint32_t>(r * 256 + t), static_cast<float>(r)};
    std::string bytes(entries.size() * kTraceEntrySize, '\0');
    EncodeTraceEntries(entries, reinterpret_cast<std::uint8_t*>(bytes.data()));
    return bytes;
}

std::string ViewFileOf(int traces, int records) {
    std::string bytes;
    for (int r = 0; r < records; ++r)
        bytes += ViewRecord(traces, r);
    return bytes;
}

TEST(DeviceFiles, ViewFileIsMadeWithTwentySevenViewsAndTheNamedOne) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        auto device = kind.create();
        const std::string path = device->GetViewFileName();
        const std::size_t record = device->GetTraceCount(false) * kTraceEntrySize;
        device->ResetTraces(true);
        device->SaveView(2);
        EXPECT_EQ(device->GetTraceEntry(1).visible, 1) << "the traces saved were reset";
        std::string file = ReadFile(path);
        ASSERT_EQ(file.size(), 27 * record);
        EXPECT_EQ(file.substr(0, 12), test::FromHex("00000000ff0000000000803f")) << "hidden red";
        const std::string shown = file.substr(record, record);
        fs::remove(path);
        // Made by LoadView: the traces reset visible also go to record 27 (name index 17 + 10),
        // one past the end.
        device->LoadView(1);
        EXPECT_EQ(device->GetTraceEntry(1).visible, 0);
        file = ReadFile(path);
        ASSERT_EQ(file.size(), 28 * record);
        EXPECT_EQ(file.substr(0, record), file.substr(26 * record, record));
        EXPECT_EQ(file.substr(27 * record), shown);
        EXPECT_THROW(device->LoadView(29), InOutError);
    }
}

TEST(DeviceFiles, ViewsMoveSaveAndStayInBounds) {
    struct Case {
        const char* what;
        std::function<void(TDevice&)> call;
        std::vector<int> expected; // the record each record now holds; -1 for unchanged file
    };
    const Case cases[] = {
        {"delete 1", [](TDevice& d) { d.DeleteView(1); }, {1, 2, 3, 4, 5, 6, 7, 8, 8, 9, 10}},
        {"delete 8", [](TDevice& d) { d.DeleteView(8); }, {0, 1, 2, 3, 4, 5, 6, 8, 8, 9, 10}},
        {"delete 10", [](TDevice& d) { d.DeleteView(10); }, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"delete 0", [](TDevice& d) { d.DeleteView(0); }, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"gap 2-4", [](TDevice& d) { d.InsertViewGap(2, 4); }, {0, 1, 1, 2, 3, 5, 6, 7, 8, 9, 10}},
        {"gap 10-11",
         [](TDevice& d) { d.InsertViewGap(10, 11); },
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 9, 10}},
        {"gap 0-4", [](TDevice& d) { d.InsertViewGap(0, 4); }, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {"save 11",
         [](TDevice& d) { d.LoadView(3), d.SaveView(11); },
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 2}},
        {"save 12",
         [](TDevice& d) { d.LoadView(5), d.SaveView(12); },
         {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 4}},
    };
    for (const Kind& kind : kKinds) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(kind.name) + " " + c.what);
            auto device = kind.create();
            const int traces = device->GetTraceCount(false);
            const std::string path = device->GetViewFileName();
            WriteFile(path, ViewFileOf(traces, 11));
            c.call(*device);
            std::string expected;
            for (int r : c.expected)
                expected += ViewRecord(traces, r);
            EXPECT_EQ(ReadFile(path), expected);
        }
    }
}

TEST(DeviceFiles, BadViewIndexesRaiseBeforeAnyWrite) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        auto device = kind.create();
        const std::string path = device->GetViewFileName();
        EXPECT_THROW(device->LoadView(0), InOutError);
        EXPECT_THROW(device->SaveView(-1), InOutError);
        EXPECT_FALSE(fs::exists(path)) << "a refused index made the file";
        const std::string file = ViewFileOf(device->GetTraceCount(false), 11);
        WriteFile(path, file);
        EXPECT_THROW(device->SaveView(13), InOutError) << "a gap after the last view";
        EXPECT_THROW(device->InsertViewGap(11, 12), InOutError);
        ScheduleFault(FileOp::Open, 1, EACCES);
        EXPECT_THROW(device->LoadView(1), InOutError) << "an existing file that cannot be opened";
        EXPECT_EQ(ReadFile(path), file);
    }
}

TEST(DeviceFiles, TraceEntriesAndTheirBounds) {
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    fertivo->ResetTraces(true);
    const std::uint32_t colours[] = {0x0000FF, 0xFF0000, 0x008000};
    for (int n = 1; n <= 3; ++n) {
        EXPECT_TRUE(fertivo->IsTraceVisible(n));
        EXPECT_EQ(fertivo->GetTraceColour(n), colours[n - 1]);
    }
    auto aerovane = TDevice::Create<TAerovane>("1", "2");
    aerovane->ResetTraces(true);
    std::string shown;
    for (int n = 1; n <= 28; ++n)
        if (aerovane->IsTraceVisible(n))
            shown += std::to_string(n) + " ";
    EXPECT_EQ(shown, "1 4 11 22 23 24 27 ");
    for (TDevice* device :
         {static_cast<TDevice*>(fertivo.get()), static_cast<TDevice*>(aerovane.get())}) {
        for (int index : {0, -1, device->GetTraceCount(false) + 1, 1000}) {
            SCOPED_TRACE(index);
            const TTraceEntry entry = device->GetTraceEntry(index);
            EXPECT_EQ(std::memcmp(&entry, &kNoTraceEntry, sizeof entry), 0);
            EXPECT_FALSE(device->IsTraceVisible(index));
            EXPECT_EQ(device->GetTraceColour(index), kHiddenTraceColour);
        }
    }
}

TEST(DeviceFiles, TraceNames) {
    auto device = TDevice::Create<TAerovane>("1", "2");
    const std::pair<int, const char*> plain[] = {
        {1, "Temp In"},   {2, "n/a"},      {12, "n/a"},   {13, "Temp Out"},
        {16, "Cool Tgt"}, {19, "CO2 Tgt"}, {22, "Fan 1"}, {23, "Fan 2"},
        {25, "humid"},    {28, "Purging"}, {0, ""},       {29, ""}};
    for (auto [index, name] : plain)
        EXPECT_EQ(device->GetTraceName(index, false), name) << index;
    EXPECT_EQ(device->GetTraceName(23, true), "Fan 2/Air con");
    EXPECT_EQ(device->GetTraceName(25, true), "Fog/humid");
    device->LogRecord().Live.SetBool0 = 0x44; // air conditioner and fogger installed
    EXPECT_EQ(device->GetTraceName(23, false), "Air con");
    EXPECT_EQ(device->GetTraceName(25, false), "Fog");
    WriteFile(device->GetViewFileName(), ViewFileOf(28, 1)); // every trace visible
    device->LoadView(1);
    EXPECT_TRUE(device->IsTraceVisible(1));
    EXPECT_FALSE(device->IsTraceVisible(2)) << "n/a";
    EXPECT_EQ(device->GetTraceEntry(12).visible, 0);
    EXPECT_EQ(device->GetTraceEntry(12).colour, 11u);
    auto fertivo = TDevice::Create<TFertivo>("1", "2");
    EXPECT_EQ(fertivo->GetTraceName(1, false) + fertivo->GetTraceName(2, false) +
                  fertivo->GetTraceName(3, true) + fertivo->GetTraceName(4, false),
              "ECpHTemp");
}

// Settings transfer, one step at a time: the command built (or the block a reply filled) and
// the page and toggle after it.
struct TransferStep {
    char op; // 'F' first command, 'N' next command, 'R' a reply, 'S' a reply of 58 bytes
    std::string expected; // the command text, or the block the reply filled ("-" none)
    int page, toggle;
};

TEST(DeviceFiles, SettingsTravelInBlocks) {
    using namespace std::string_literals;
    const std::vector<TransferStep> fertivo = {
        {'N', "", 0, 0},  {'F', "S0 0", 1, 1}, {'N', "S1 59", 1, 0}, {'N', "S1 59", 1, 0},
        {'R', "0", 1, 1}, {'S', "-", 1, 1},    {'R', "1", 1, 0},     {'R', "0", 1, 1}};
    const std::vector<TransferStep> aerovane = {
        {'F', "S0 0", 1, 1}, {'N', "S1 59", 2, 1}, {'N', "S2 118", 2, 0}, {'R', "0", 1, 1},
        {'R', "1", 2, 1},    {'S', "-", 2, 1},     {'R', "2", 2, 0},      {'R', "0", 1, 1}};
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        auto device = kind.create();
        const auto record = SettingsOf(*device);
        for (std::size_t i = 0; i < record.size(); ++i)
            record[i] = static_cast<std::uint8_t>(i);
        const std::string original(record.begin(), record.end());
        std::uint8_t identity[60] = {};
        identity[59] = 0x7E; // the trailer byte that ends every block command
        device->StoreStatusReplyB(identity, sizeof identity);
        const auto& steps = kind.recordSize == 118 ? fertivo : aerovane;
        int replies = 0;
        for (const TransferStep& step : steps) {
            SCOPED_TRACE(std::string(1, step.op) + " " + step.expected);
            if (step.op == 'F' || step.op == 'N') {
                const std::string command = step.op == 'F' ? device->BuildSettingsFirstCommand()
                                                           : device->BuildSettingsNextCommand();
                std::string expected;
                if (!step.expected.empty()) {
                    const std::size_t from = std::stoul(step.expected.substr(3));
                    expected = step.expected.substr(0, 2) + original.substr(from, 59) + "\x7E"s;
                }
                EXPECT_EQ(command, expected);
            } else {
                const std::string before(record.begin(), record.end());
                const std::string reply(59, static_cast<char>(0xA0 + replies++));
                device->StoreSettingsReply(reinterpret_cast<const std::uint8_t*>(reply.data()),
                                           step.op == 'S' ? 58 : 59);
                std::string expected = before;
                if (step.expected != "-")
                    expected.replace(std::stoul(step.expected) * 59, 59, reply);
                EXPECT_EQ(std::string(record.begin(), record.end()), expected);
            }
            EXPECT_EQ(device->SettingsPage(), step.page);
            EXPECT_EQ(device->TransferToggle(), step.toggle);
        }
    }
}

TEST(DeviceFiles, FertivoSettingsReplyRenewsThePpmFactor) {
    auto device = TDevice::Create<TFertivo>("1", "2");
    device->SetFirmwareVersion(200);
    std::uint8_t reply[59] = {};
    reply[51] = 640 & 0xFF; // TDSFactor, low byte first
    reply[52] = 640 >> 8;
    device->StoreSettingsReply(reply, sizeof reply);
    EXPECT_EQ(device->LocalSettings().PpmFactor, 640);
}

class CapturedMessages : public Messages {
public:
    void Information(const std::string&) override {}
    void Error(const std::string& text, const std::string&) override { errors.push_back(text); }
    void Plain(const std::string&) override {}
    std::vector<std::string> errors;
};

TEST(DeviceFiles, SettingsFileRoundTripAndRegistersOnce) {
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        Registry().devices.clear();
        auto device = kind.create();
        const auto record = SettingsOf(*device);
        std::memset(record.data(), 0x5A, record.size());
        const std::string path = device->SaveSettingsFile("");
        EXPECT_EQ(path, device->GetSettingsFolder() + "2." + device->GetSettingsExtension());
        EXPECT_EQ(ReadFile(path), std::string(record.size(), '\x5A'));
        std::memset(record.data(), 0, record.size());
        EXPECT_TRUE(device->LoadSettingsFile());
        EXPECT_TRUE(device->LoadSettingsFile());
        EXPECT_EQ(record[record.size() - 1], 0x5A);
        const std::size_t registered = kind.recordSize == 118 ? 1 : 0;
        EXPECT_EQ(Registry().devices.size(), registered);
        WriteFile(path, std::string(record.size() - 1, '\x11'));
        EXPECT_FALSE(device->LoadSettingsFile()) << "a file shorter than one record";
        EXPECT_EQ(record[0], 0x5A);
    }
}

TEST(DeviceFiles, FailedSettingsSaveKeepsTheOldFile) {
    const std::pair<const char*, std::function<void(const std::string&)>> failures[] = {
        {"disk full", [](const std::string&) { ScheduleFault(FileOp::Write, 1, ENOSPC); }},
        {"rename", [](const std::string&) { ScheduleFault(FileOp::Rename, 1, EIO); }},
        {"no temporary file", [](const std::string&) { ScheduleFault(FileOp::Open, 1, EACCES); }},
        {"read-only", [](const std::string& p) { fs::permissions(p, fs::perms::owner_read); }},
    };
    for (const Kind& kind : kKinds) {
        for (const auto& [what, fail] : failures) {
            SCOPED_TRACE(std::string(kind.name) + " " + what);
            auto messages = std::make_shared<CapturedMessages>();
            InstallMessages(messages);
            auto device = kind.create();
            const std::string path = device->GetSettingsFolder() + "old.set";
            // The read-only case leaves the file unwritable for the next round; only the
            // superuser could write it again.
            std::error_code ec;
            fs::remove(path, ec);
            WriteFile(path, "old contents");
            fail(path);
            EXPECT_EQ(device->SaveSettingsFile(path), "");
            ClearFaults();
            EXPECT_EQ(ReadFile(path), "old contents");
            EXPECT_EQ(messages->errors, std::vector<std::string>{"Invalid file name"});
            EXPECT_EQ(fs::directory_iterator(device->GetSettingsFolder())->path(), path)
                << "a temporary file was left behind";
        }
    }
}

TEST(DeviceFiles, MonthLogsAppendAndReadBack) {
    InstallClock(std::make_shared<FixedClock>(LocalTime{2006, 4, 2, 12, 0, 0, 0, 1}));
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        auto device = kind.create();
        auto* fertivo = dynamic_cast<TFertivo*>(device.get());
        auto* aerovane = dynamic_cast<TAerovane*>(device.get());
        auto setRecord = [&](double when, std::uint8_t fill) {
            auto bytes = fertivo ? RecordBytes(fertivo->LogRecord().Status)
                                 : RecordBytes(aerovane->LogRecord().Live);
            std::memset(bytes.data(), fill, bytes.size());
            (fertivo ? fertivo->LogRecord().DateTime : aerovane->LogRecord().DateTime) = when;
        };
        const std::string path = device->GetLogFolder() + "200604" + device->GetLogExtension();
        const double first = DateOf(2006, 4, 1) + 0.25, second = DateOf(2006, 4, 2);
        EXPECT_EQ(device->ReadLastLogRecord(first), 0) << "no log yet";
        setRecord(first, 0x11);
        device->AppendLogRecord(path);
        setRecord(second, 0x22);
        device->AppendLogRecord(path);
        const std::string file = ReadFile(path);
        ASSERT_EQ(file.size(), 2 * kind.logSize);
        std::uint8_t stamp[8];
        EncodeDateTime(first, stamp);
        EXPECT_EQ(file.substr(0, 9), std::string(reinterpret_cast<char*>(stamp), 8) + "\x11");

        EXPECT_EQ(device->ReadLastLogRecord(first), second);
        device->AssignLogFile(path);
        device->OpenLogFile();
        std::vector<double> times;
        while (!device->LogEof()) {
            device->ReadLogRecord();
            times.push_back(device->GetRecordTime());
        }
        device->CloseLogFile();
        EXPECT_EQ(times, (std::vector<double>{first, second}));
        EXPECT_THROW(device->ReadLogRecordRaw(), InOutError) << "read after close";

        WriteFile(path, std::string(kind.logSize - 1, '\x33')); // an interrupted append
        EXPECT_EQ(device->ReadLastLogRecord(first), 0);
        EXPECT_TRUE(device->LogEof()) << "left open";
        device->AppendLogRecord(path);
        EXPECT_EQ(ReadFile(path).size(), kind.logSize) << "the partial record is overwritten";

        // The time a status reply carries is the time its log record keeps: 3 April 2006 12:00.
        const std::uint8_t timestamp[5] = {0, 0, 0x6C, 0x10, 6};
        auto block = fertivo ? RecordBytes(fertivo->LogRecord().Status)
                             : RecordBytes(aerovane->LogRecord().Live);
        std::memcpy(block.data(), timestamp, sizeof timestamp);
        EXPECT_EQ(device->DecodeStatusTime(), DateOf(2006, 4, 3) + 0.5);
        device->AppendLogRecord(path);
        EXPECT_EQ(device->ReadLastLogRecord(first), DateOf(2006, 4, 3) + 0.5);
    }
}

TEST(DeviceFiles, RegistryCleanUpDeletesTheControllersKeys) {
    SettingsStore& store = CurrentSettingsStore();
    const std::string app = kSettingsKey;
    for (const Kind& kind : kKinds) {
        SCOPED_TRACE(kind.name);
        store.CreateKey(RegistryRoot::LocalMachine, app + "1\\2\\TDSFactor");
        store.CreateKey(RegistryRoot::LocalMachine, app + "1\\2\\Schedule\\Sched");
        store.CreateKey(RegistryRoot::LocalMachine, app + "1\\22\\Schedule");
        for (const char* odd : {"", "..", "a\\b"})
            TDevice::Create<TFertivo>("1", odd)->DeleteRegistrySettings();
        EXPECT_TRUE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\2\\Schedule\\Sched"));
        kind.create()->DeleteRegistrySettings();
        EXPECT_FALSE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\2"));
        EXPECT_TRUE(store.KeyExists(RegistryRoot::LocalMachine, app + "1\\22\\Schedule"));
        kind.create()->DeleteRegistrySettings(); // nothing left to delete
    }
}

} // namespace
} // namespace hortivex
