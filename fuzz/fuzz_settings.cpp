// A controller's own settings file of any bytes and length: loading it takes the first record
// or changes nothing, the settings export then writes its one section whole, saving writes the
// record back byte for byte, and every reading copes with the record.
//
// Input: a byte choosing the controller (even Fertivo, odd Aerovane), then the file's bytes.
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "fuzz/ControllerReadings.h"
#include "fuzz/FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

using namespace hortivex;

namespace {

struct Export {
    std::string section;
    std::size_t keys;
    std::string record; // the settings record's bytes
};

Export ExportOf(TControllerWithSchedule& device, const std::filesystem::path& ini) {
    if (auto* fertivo = dynamic_cast<TFertivo*>(&device)) {
        fertivo->ExportSettings(ini);
        const auto bytes = RecordBytes(fertivo->Settings());
        return {"Settings", 205, std::string(bytes.begin(), bytes.end())};
    }
    auto& aerovane = dynamic_cast<TAerovane&>(device);
    aerovane.ExportSettings(ini);
    const auto bytes = RecordBytes(aerovane.Settings());
    return {"Climate", 278, std::string(bytes.begin(), bytes.end())};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::PrepareRun();
    fuzz::InputReader input(data, size);
    auto device = fuzz::MakeController(input.Byte());
    const std::string bytes = input.Rest();
    const std::filesystem::path file =
        device->GetSettingsFolder() + device->GetSettingsFileName(-1);
    fuzz::WriteInput(std::filesystem::relative(file, fuzz::Folder()).string(), bytes);

    const std::size_t recordSize = static_cast<std::size_t>(device->GetSettingsRecordSize());
    const bool loaded = device->LoadSettingsFile();
    if (loaded != (bytes.size() >= recordSize))
        fuzz::Fail(loaded ? "a settings file without a whole record loaded"
                          : "a whole settings record did not load");

    const std::filesystem::path ini = fuzz::Folder() / "settings.ini";
    fuzz::Remove(ini);
    const Export exported = ExportOf(*device, ini);
    if (loaded && exported.record != bytes.substr(0, recordSize))
        fuzz::Fail("the loaded record is not the file's first record");
    if (!loaded && exported.record != std::string(recordSize, '\0'))
        fuzz::Fail("a settings file that did not load changed the record");
    std::string text;
    if (!fuzz::ReadWhole(ini, text))
        fuzz::Fail("the settings export wrote no file");
    fuzz::CheckIniLayout(text);
    fuzz::CheckSections(text, exported.section, 1, false, exported.keys);

    fuzz::ReadEverything(*device);
    fuzz::BuildSettingsCommands(*device);

    // Saving writes the record as the file's only record.
    const std::filesystem::path saved = device->SaveSettingsFile("");
    std::string back;
    if (saved != file || !fuzz::ReadWhole(file, back) || back != exported.record)
        fuzz::Fail("saving the settings did not write the record back");
    return 0;
}
