#include "app/Driver.h"

#include "app/FileList.h"
#include "app/LogDrop.h"
#include "app/LogExport.h"
#include "devices/aerovane/Aerovane.h"
#include "devices/fertivo/Fertivo.h"
#include "options/ProcessState.h"
#include "platform/Errors.h"
#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Program.h"

#include <exception>
#include <new>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// One row of the dispatch table: an exact extension and what converts such a file.
struct InputKind {
    const char* extension;
    void (*convert)(const fs::path& path, const fs::path& iniPath);
};

void ConvertFertivoSchedule(const fs::path& path, const fs::path& iniPath) {
    auto controller = TDevice::Create<TFertivo>("1", "2", false);
    controller->ReadScheduleFile(path, false);
    controller->ExportSchedule(iniPath);
}

void ConvertFertivoSettings(const fs::path& path, const fs::path& iniPath) {
    auto controller = TDevice::Create<TFertivo>("1", "2", false);
    controller->ReadSettingsFile(path);
    controller->ExportSettings(iniPath);
}

void ConvertAerovaneSettings(const fs::path& path, const fs::path& iniPath) {
    auto controller = TDevice::Create<TAerovane>("1", "2", false);
    controller->ReadSettingsFile(path);
    controller->ExportSettings(iniPath);
}

void ConvertAerovaneSchedule(const fs::path& path, const fs::path& iniPath) {
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

// What the store holds as the working folder under one root: empty when nothing is stored.
std::string StoredFolder(const SettingsStore& settings, RegistryRoot root) {
    if (!settings.KeyExists(root, kSettingsKey))
        return {};
    return settings.ReadString(root, kSettingsKey, kWorkingDirValue).value_or("");
}

// A folder that was deleted (or a clone that was removed) since it was stored. One that exists
// but cannot be examined now (an unreachable share) still counts, and fails when it is used;
// so does a file of its name, examined without the trailing separator (Windows would answer
// "path not found" for the file followed by a separator).
bool IsGone(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == kPathSeparator) &&
           folder[folder.size() - 2] != ':')
        folder.pop_back();
    return Examine(fs::path(folder)).kind == PathKind::Missing;
}

} // namespace

ChooserRequest MakeChooserRequest(const fs::path& workingFolder) {
    ChooserRequest request;
    request.initialFolder = workingFolder;
    request.filterText = "Config files (*.fvd, *.fvs, *.avs, *.ava)";
    request.patterns = {"*.fvd", "*.fvs", "*.avs", "*.ava"};
    return request;
}

fs::path ExtensionOf(const fs::path& path) {
    const fs::path::string_type& name = path.native();
    const fs::path::value_type stops[] = {'.', '\\', ':', '/', 0};
    const std::size_t last = name.find_last_of(stops);
    if (last == fs::path::string_type::npos || name[last] != '.')
        return {};
    return name.substr(last);
}

namespace {

const InputKind* KindOf(const fs::path& path) {
    const fs::path extension = ExtensionOf(path);
    for (const InputKind& kind : kInputKinds) {
        if (extension.native() == fs::path(kind.extension).native())
            return &kind;
    }
    return nullptr;
}

} // namespace

bool IsClassicFile(const fs::path& path) {
    return KindOf(path) != nullptr;
}

bool ConvertClassicFile(const fs::path& path) {
    const InputKind* kind = KindOf(path);
    if (kind == nullptr)
        return false;
    fs::path iniPath = path;
    iniPath += ".ini";
    kind->convert(path, iniPath);
    return true;
}

std::string MessageName(const fs::path& path) {
    try {
        const std::u8string text = path.u8string();
        return std::string(text.begin(), text.end());
    } catch (const std::exception&) {
        return FileNameText(path); // a Windows name that is not valid UTF-16
    }
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
    // A stored folder that is gone counts as none stored; the stored value stays as it is, so
    // that a folder which comes back (a drive plugged in again) is used again.
    bool gone = false;
    for (const RegistryRoot root : {RegistryRoot::CurrentUser, RegistryRoot::LocalMachine}) {
        std::string stored = StoredFolder(settings_, root);
        if (stored.empty())
            continue;
        if (IsGone(stored)) {
            gone = true;
            continue;
        }
        folder = std::move(stored);
        // The machine-wide value becomes the user's own.
        store = root == RegistryRoot::LocalMachine && !gone;
        break;
    }
    if (folder.empty()) {
        fs::path own = programFolder_;
        // A program installed by the system keeps no files beside itself, even for root, who
        // may write there: the options file and the working folder go to the user's data folder.
        if (!IsWritableFolder(own) || IsSystemProgramFolder(own)) {
            own = UserDataFolder();
            std::error_code ec;
            fs::create_directories(own, ec); // a failure shows later, when a file is written
        }
        folder = WithTrailingSeparator(FileNameText(own));
        store = !gone;
    }
    if (store) {
        settings_.CreateKey(RegistryRoot::CurrentUser, kSettingsKey);
        settings_.WriteString(RegistryRoot::CurrentUser, kSettingsKey, kWorkingDirValue, folder);
    }
    Process().workingFolder = folder;
    return folder;
}

bool ConversionDriver::ConvertOne(const fs::path& path) const {
    if (convertOne)
        return convertOne(path);
    return ConvertClassicFile(path);
}

void ConversionDriver::ReportFailure(const fs::path& path, const std::string& reason) const {
    if (onFailed)
        onFailed(path, reason);
}

bool ConversionDriver::ConvertBatch(const std::vector<fs::path>& files, bool keepGoing) {
    // What every file's write needs of the process (the umask, our user) is read once.
    const FileRunScope run;
    const int count = static_cast<int>(files.size());
    progress_.SetMaximum(count);
    bool allConverted = true;
    std::string firstFailure;
    for (int i = 0; i < count; ++i) {
        const fs::path& path = files[static_cast<std::size_t>(i)];
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
                firstFailure = MessageName(path) + ": " + reason;
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
    RunClick([&](const fs::path& folder) { return chooser.Choose(MakeChooserRequest(folder)); });
}

void ConversionDriver::ConvertFiles(const std::vector<fs::path>& files) {
    RunClick([&](const fs::path&) { return std::optional(files); });
}

void ConversionDriver::RunClick(const std::function<Choice(const fs::path&)>& choose) {
    progress_.SetBusy(true);
    try {
        ShowProgress(0);
        const fs::path folder = ResolveWorkingFolder();
        // An empty choice is a cancel too: a batch of no files would show success at once.
        const Choice files = choose(folder);
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

DialogSession::DialogSession(ProgressView& progress, Messages& messages, SettingsStore& settings,
                             fs::path programFolder, FileChooser& chooser)
    : progress_(progress), messages_(messages), settings_(settings),
      programFolder_(std::move(programFolder)), chooser_(chooser) {}

void DialogSession::Run(const std::function<void(ConversionDriver&)>& run) {
    if (running_)
        return;
    running_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{running_};
    ConversionDriver driver(progress_, messages_, settings_, programFolder_);
    run(driver);
}

void DialogSession::ChooseFiles() {
    Run([this](ConversionDriver& driver) { driver.ConvertFiles(chooser_); });
}

void DialogSession::Drop(const std::vector<fs::path>& paths) {
    if (running_ || paths.empty())
        return;
    const BatchFiles batch = ExpandFolders(paths, false, IsDroppedKind);
    if (!batch.unreadableFolders.empty()) {
        messages_.Error(kFailureMessage, batch.unreadableFolders.front());
        return;
    }
    std::vector<LogChartJob> charts = PlanLogCharts(batch.files);
    if (charts.empty()) {
        Run([&batch](ConversionDriver& driver) { driver.ConvertFiles(batch.files); });
        return;
    }
    // One step per file, then one per chart, so that the bar counts every page written too.
    std::vector<fs::path> steps = batch.files;
    for (const LogChartJob& chart : charts)
        steps.push_back(chart.page);
    Run([&](ConversionDriver& driver) {
        driver.convertOne =
            MakeDropConverter(batch.files.size(), std::move(charts), RegionalCsvSeparator());
        driver.ConvertFiles(steps);
    });
}

} // namespace hortivex
