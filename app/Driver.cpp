#include "app/Driver.h"

#include "app/FileList.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"

#include <exception>
#include <new>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// One row of the dispatch table: an exact extension and what converts such a file.
struct InputKind {
    const char* extension;
    void (*convert)(const std::string& path, const std::string& iniPath);
};

void ConvertFertivoSchedule(const std::string& path, const std::string& iniPath) {
    auto controller = TDevice::Create<TFertivo>("1", "2", false);
    controller->ReadScheduleFile(path, false);
    controller->ExportSchedule(iniPath);
}

void ConvertFertivoSettings(const std::string& path, const std::string& iniPath) {
    auto controller = TDevice::Create<TFertivo>("1", "2", false);
    controller->ReadSettingsFile(path);
    controller->ExportSettings(iniPath);
}

void ConvertAerovaneSettings(const std::string& path, const std::string& iniPath) {
    auto controller = TDevice::Create<TAerovane>("1", "2", false);
    controller->ReadSettingsFile(path);
    controller->ExportSettings(iniPath);
}

void ConvertAerovaneSchedule(const std::string& path, const std::string& iniPath) {
    auto controller = TDevice::Create<TAerovane>("1", "2", false);
    controller->ReadScheduleFile(path);
    controller->ExportSchedule(iniPath);
}

// Tested in order; the first equal extension wins.
const InputKind kInputKinds[] = {
    {".fvd", ConvertFertivoSchedule},
    {".fvs", ConvertFertivoSettings},
    {".avs", ConvertAerovaneSettings},
    {".ava", ConvertAerovaneSchedule},
};

std::string WithTrailingSeparator(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != kPathSeparator)
        folder += kPathSeparator;
    return folder;
}

bool IsWritableFolder(const fs::path& folder) {
    const PathInfo info = Examine(folder);
    return info.kind == PathKind::Folder && info.writable;
}

// A program installed under /usr keeps no files beside itself, even for root, who may write
// there: the options file and the working folder go to the user's data folder instead.
bool IsInstalledFolder(const fs::path& folder) {
    return folder.lexically_normal().string().rfind("/usr/", 0) == 0;
}

} // namespace

ChooserRequest MakeChooserRequest(const std::string& workingFolder) {
    ChooserRequest request;
    request.initialFolder = workingFolder;
    request.filterText = "Config files (*.fvd, *.fvs, *.avs, *.ava)";
    request.patterns = {"*.fvd", "*.fvs", "*.avs", "*.ava"};
    return request;
}

std::string ExtensionOf(const std::string& path) {
    const std::size_t last = path.find_last_of(".\\:/");
    if (last == std::string::npos || path[last] != '.')
        return {};
    return path.substr(last);
}

bool IsClassicFile(const std::string& path) {
    const std::string extension = ExtensionOf(path);
    for (const InputKind& kind : kInputKinds) {
        if (extension == kind.extension)
            return true;
    }
    return false;
}

ConversionDriver::ConversionDriver(ProgressView& progress, Messages& messages,
                                   SettingsStore& settings, fs::path programFolder)
    : progress_(progress), messages_(messages), settings_(settings),
      programFolder_(std::move(programFolder)) {}

void ConversionDriver::ShowProgress(int position) {
    progress_.SetPosition(position);
    progress_.ProcessPendingEvents();
    if (position == progress_.Maximum()) {
        messages_.Information(kSuccessMessage);
        progress_.SetPosition(0);
    }
}

std::string ConversionDriver::ResolveWorkingFolder() {
    std::string folder;
    bool store = false;
    if (settings_.KeyExists(RegistryRoot::CurrentUser, kSettingsKey))
        folder = settings_.ReadString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue)
                     .value_or("");
    if (folder.empty() && settings_.KeyExists(RegistryRoot::LocalMachine, kSettingsKey)) {
        folder = settings_.ReadString(RegistryRoot::LocalMachine, kSettingsKey, kWorkingDirValue)
                     .value_or("");
        store = !folder.empty();
    }
    if (folder.empty()) {
        fs::path own = programFolder_;
        if (!IsWritableFolder(own) || IsInstalledFolder(own)) {
            own = UserDataFolder();
            std::error_code ec;
            fs::create_directories(own, ec); // a failure shows later, when a file is written
        }
        folder = WithTrailingSeparator(FileNameText(own));
        store = true;
    }
    if (store) {
        settings_.CreateKey(RegistryRoot::CurrentUser, kSettingsKey);
        settings_.WriteString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue, folder);
    }
    Process().workingFolder = folder;
    return folder;
}

bool ConversionDriver::ConvertOne(const std::string& path) {
    if (convertOne)
        return convertOne(path);
    const std::string extension = ExtensionOf(path);
    for (const InputKind& kind : kInputKinds) {
        if (extension == kind.extension) {
            kind.convert(path, path + ".ini");
            return true;
        }
    }
    return false;
}

void ConversionDriver::ReportFailure(const std::string& path, const std::string& reason) {
    if (onFailed)
        onFailed(path, reason);
}

bool ConversionDriver::ConvertBatch(const std::vector<std::string>& files, bool keepGoing) {
    // What every file's write needs of the process (the umask, our user) is read once.
    const FileRunScope run;
    const int count = static_cast<int>(files.size());
    progress_.SetMaximum(count);
    bool allConverted = true;
    std::string firstFailure;
    for (int i = 0; i < count; ++i) {
        const std::string& path = files[static_cast<std::size_t>(i)];
        std::string reason;
        try {
            if (ConvertOne(path)) {
                if (onConverted)
                    onConverted(path);
            } else if (onSkipped) {
                onSkipped(path);
            }
        } catch (const std::bad_alloc&) {
            reason = "not enough memory";
        } catch (const std::exception& e) {
            reason = e.what();
        } catch (...) {
            reason = "unexpected failure";
        }
        if (!reason.empty()) {
            ReportFailure(path, reason);
            if (allConverted)
                firstFailure = path + ": " + reason;
            allConverted = false;
            if (!keepGoing)
                break;
        }
        ShowProgress(i);
    }
    if (!allConverted) {
        messages_.Error(kFailureMessage, firstFailure);
        progress_.SetPosition(0);
        return false;
    }
    ShowProgress(progress_.Maximum());
    return true;
}

void ConversionDriver::ConvertFiles(FileChooser& chooser) {
    RunClick([&](const std::string& folder) { return chooser.Choose(MakeChooserRequest(folder)); });
}

void ConversionDriver::ConvertFiles(const std::vector<std::string>& files) {
    RunClick([&](const std::string&) { return std::optional(files); });
}

void ConversionDriver::RunClick(
    const std::function<std::optional<std::vector<std::string>>(const std::string&)>& choose) {
    progress_.SetBusy(true);
    try {
        ShowProgress(0);
        const std::string folder = ResolveWorkingFolder();
        // An empty choice is a cancel too: a batch of no files would show success at once.
        auto files = choose(folder);
        if (files && !files->empty())
            ConvertBatch(*files);
    } catch (const std::exception& e) {
        messages_.Error(kFailureMessage, e.what());
        progress_.SetPosition(0);
    } catch (...) {
        messages_.Error(kFailureMessage, "unexpected failure");
        progress_.SetPosition(0);
    }
    progress_.SetBusy(false);
}

void RunOneBatch(bool& running, ProgressView& progress, Messages& messages, SettingsStore& settings,
                 const fs::path& programFolder, const std::function<void(ConversionDriver&)>& run) {
    if (running)
        return;
    running = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running};
    ConversionDriver driver(progress, messages, settings, programFolder);
    run(driver);
}

void RunDropBatch(bool& running, ProgressView& progress, Messages& messages,
                  SettingsStore& settings, const fs::path& programFolder,
                  const std::vector<std::string>& paths) {
    if (running || paths.empty())
        return;
    const BatchFiles batch = ExpandFolders(paths, false);
    if (!batch.unreadableFolders.empty()) {
        messages.Error(kFailureMessage, batch.unreadableFolders.front());
        return;
    }
    RunOneBatch(running, progress, messages, settings, programFolder,
                [&batch](ConversionDriver& driver) { driver.ConvertFiles(batch.files); });
}

void RunChooseFileClick(bool& running, ProgressView& progress, Messages& messages,
                        SettingsStore& settings, const fs::path& programFolder,
                        FileChooser& chooser) {
    RunOneBatch(running, progress, messages, settings, programFolder,
                [&chooser](ConversionDriver& driver) { driver.ConvertFiles(chooser); });
}

} // namespace hortivex
