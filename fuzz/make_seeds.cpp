// Writes the hand-made seeds of the controller targets (status, view, log, settings) into
// CORPUS/<target>/, each input built by the controller models themselves where they can make
// it: the view files, month logs and settings files are what the models save.
//
//   fuzz_seeds CORPUS
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "fuzz/ControllerReadings.h"
#include "fuzz/FuzzSupport.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

using namespace hortivex;
namespace fs = std::filesystem;

namespace {

fs::path corpus;

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(corpus / target);
    std::ofstream out(corpus / target / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        fuzz::Fail("cannot write the seed " + name);
}

std::string Byte(int value) {
    return std::string(1, static_cast<char>(value));
}

std::string DateBytes(double value) {
    std::uint8_t bytes[8];
    EncodeDateTime(value, bytes);
    return {reinterpret_cast<const char*>(bytes), 8};
}

template <class Block> std::string BlockBytes(const Block& block) {
    const auto bytes = RecordBytes(block);
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// A timestamp as the controllers pack it: 2-digit year, month, day, hour, minute.
void PackTimestamp(std::uint8_t (&at)[5], int year, int month, int day, int hour, int minute) {
    const unsigned w0 = static_cast<unsigned>(minute) << 10;
    const unsigned w1 = static_cast<unsigned>(hour | day << 5 | month << 10);
    at[0] = static_cast<std::uint8_t>(w0);
    at[1] = static_cast<std::uint8_t>(w0 >> 8);
    at[2] = static_cast<std::uint8_t>(w1);
    at[3] = static_cast<std::uint8_t>(w1 >> 8);
    at[4] = static_cast<std::uint8_t>(year);
}

// A reply step of the status target.
std::string Reply(int step, const std::string& bytes) {
    return Byte(step) + Byte(static_cast<int>(bytes.size())) + bytes;
}

// Settings blocks of a pattern that differs from block to block.
std::string SettingsBlock(int block) {
    std::string bytes(kSettingsBlockSize, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 7 + static_cast<std::size_t>(block) * 13) % 251);
    return bytes;
}

TFertivoIdentityReply FertivoIdentity() {
    TFertivoIdentityReply identity{};
    identity.FirmwareVersion[0] = 0x2C;
    identity.FirmwareVersion[1] = 0x01;
    identity.AlarmEnables = 16 | 64;
    identity.OptionBits = 1 | 32;
    identity.Notice = 1;
    identity.Trailer = 0x5A;
    return identity;
}

TFertivoStatusBlock FertivoStatus(int minute) {
    TFertivoStatusBlock status{};
    PackTimestamp(status.Timestamp, 24, 5, 17, 12, minute);
    status.ECSetpoint = 18;
    status.PhSetpoint = 58;
    status.ECReading[0] = 0xB4;
    status.PhReading[0] = 0x3C;
    status.NutrientTemp[0] = 0xD2;
    status.Bool0 = 0x05 | 32;
    status.Bool3 = 1;
    status.ECDoseCount[0] = 3;
    status.IrrigationCount = 2;
    return status;
}

TAerovaneLiveBlock AerovaneLive(int minute) {
    TAerovaneLiveBlock live{};
    PackTimestamp(live.Timestamp, 24, 5, 17, 12, minute);
    live.FirmwareVersion[0] = 0x90;
    live.FirmwareVersion[1] = 0x01;
    live.TempIn[0] = 0xF0;
    live.RH = 55;
    live.CO2[0] = 0x20;
    live.CO2[1] = 0x03;
    live.Light[0] = 0x64;
    live.Bool[0] = 0x81;
    live.Bool[2] = 0x0A;
    live.Mode = 3;
    live.SetBool0 = 0x44;
    live.Fault[0] = 1;
    return live;
}

void StatusSeeds() {
    const std::string fertivo = BlockBytes(FertivoIdentity());
    Seed("status", "fertivo_replies",
         Byte(0) + Reply(0, fertivo) + Reply(2, BlockBytes(FertivoStatus(5))) + Reply(1, fertivo) +
             Reply(3, SettingsBlock(0)) + Reply(3, SettingsBlock(1)) + Byte(4) + Byte(5));
    Seed("status", "fertivo_short_replies",
         Byte(0) + Reply(0, fertivo.substr(0, 20)) + Reply(2, std::string(5, '\x7f')) +
             Reply(3, SettingsBlock(0).substr(0, 58)));
    const std::string identity = BlockBytes(AerovaneLive(0));
    Seed("status", "aerovane_replies",
         Byte(1) + Reply(0, identity) + Reply(2, BlockBytes(AerovaneLive(7))) + Reply(1, identity) +
             Byte(4) + Reply(3, SettingsBlock(0)) + Reply(3, SettingsBlock(1)) +
             Reply(3, SettingsBlock(2)) + Byte(5) + Byte(5));
    Seed("status", "aerovane_long_replies",
         Byte(1) + Reply(2, BlockBytes(AerovaneLive(9)) + "tail") + Reply(0, identity + "x") +
             Byte(4));
}

std::string FileBytes(const fs::path& path) {
    std::string bytes;
    if (!fuzz::ReadWhole(path, bytes))
        fuzz::Fail("cannot read " + path.string());
    return bytes;
}

// An index as the view target reads it: two bytes, small numbers in the last kind.
std::string Index(int value) {
    return Byte(0xE0) + Byte(value);
}

void ViewSeeds() {
    for (const int choice : {0, 1}) {
        fuzz::PrepareRun();
        auto device = fuzz::MakeController(static_cast<std::uint8_t>(choice));
        device->ResetTraces(true);
        device->SaveView(2);
        device->SaveView(28);
        const std::string file = FileBytes(device->GetViewFileName());
        const std::string name = choice == 0 ? "fertivo" : "aerovane";
        const std::string ops = Byte(0) + Index(2) + Byte(1) + Index(3) + Byte(2) + Index(1) +
                                Byte(3) + Index(1) + Index(4) + Byte(0) + Index(28);
        Seed("view", name + "_views", Byte(choice) + Byte(5) + ops + file);
        Seed("view", name + "_missing",
             Byte(choice) + Byte(2) + Byte(1) + Index(1) + Byte(0) + Index(5));
        Seed("view", name + "_cut",
             Byte(choice) + Byte(3) + Byte(0) + Index(1) + Byte(3) + Index(1) + Index(30) +
                 Byte(1) + Index(9) + file.substr(0, file.size() / 2 + 5));
    }
}

// A month log of three records as the controller appends them, the last one dated date.
std::string MonthLog(int choice, double lastDate) {
    fuzz::PrepareRun();
    auto device = fuzz::MakeController(static_cast<std::uint8_t>(choice));
    const fs::path path = fuzz::Folder() / "seed.log";
    fuzz::Remove(path);
    for (int minute = 0; minute < 3; ++minute) {
        const std::string block = choice == 0 ? BlockBytes(FertivoStatus(minute * 10))
                                              : BlockBytes(AerovaneLive(minute * 10));
        device->StoreStatusReplyC(reinterpret_cast<const std::uint8_t*>(block.data()),
                                  block.size());
        device->DecodeStatusTime();
        if (minute == 2 && lastDate != 0) {
            if (auto* fertivo = dynamic_cast<TFertivo*>(device.get()))
                fertivo->LogRecord().DateTime = lastDate;
            else
                dynamic_cast<TAerovane&>(*device).LogRecord().DateTime = lastDate;
        }
        device->AppendLogRecord(path.string());
    }
    return FileBytes(path);
}

void LogSeeds() {
    const double may2024 = DateOf(2024, 5, 17);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const int choice : {0, 1}) {
        const std::string name = choice == 0 ? "fertivo" : "aerovane";
        const std::string log = MonthLog(choice, 0);
        Seed("log", name + "_month", Byte(choice) + DateBytes(may2024) + log);
        Seed("log", name + "_cut", Byte(choice) + DateBytes(may2024) + log.substr(0, 50));
        // Date-times that name no month: the model must say so, never compute with them.
        Seed("log", name + "_nan_dates", Byte(choice) + DateBytes(nan) + MonthLog(choice, nan));
        Seed("log", name + "_inf_dates", Byte(choice) + DateBytes(-inf) + MonthLog(choice, inf));
        Seed("log", name + "_huge_dates",
             Byte(choice) + DateBytes(-1e300) + MonthLog(choice, 1e19));
        Seed("log", name + "_edge_dates",
             Byte(choice) + DateBytes(DateOf(9999, 12, 31) + 0.5) +
                 MonthLog(choice, DateOf(1, 1, 1) - 0.5));
    }
}

void SettingsSeeds() {
    for (const int choice : {0, 1}) {
        fuzz::PrepareRun();
        auto device = fuzz::MakeController(static_cast<std::uint8_t>(choice));
        const int blocks = choice == 0 ? 2 : 3;
        for (int block = 0; block < blocks; ++block) {
            const std::string bytes = SettingsBlock(block);
            device->StoreSettingsReply(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                       bytes.size());
        }
        const std::string file = FileBytes(device->SaveSettingsFile(""));
        const std::string name = choice == 0 ? "fertivo" : "aerovane";
        Seed("settings", name + "_saved", Byte(choice) + file);
        Seed("settings", name + "_cut", Byte(choice) + file.substr(0, file.size() - 1));
        Seed("settings", name + "_longer", Byte(choice) + file + file.substr(0, 9));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS\n", argv[0]);
        return 2;
    }
    corpus = argv[1];
    StatusSeeds();
    ViewSeeds();
    LogSeeds();
    SettingsSeeds();
    return 0;
}
