#pragma once

#include "platform/Messages.h"
#include "platform/SettingsStore.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace hortivex {

// What the driver asks of a file chooser: one or more existing files, starting in a folder.
struct ChooserRequest {
    std::filesystem::path initialFolder;
    std::string filterText;            // "Config files (*.fvd, *.fvs, *.avs, *.ava)"
    std::vector<std::string> patterns; // "*.fvd", "*.fvs", "*.avs", "*.ava"
    bool multiSelect = true;
    bool mustExist = true;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen files as full paths in the chooser's order; empty when the user cancels.
    virtual std::optional<std::vector<std::filesystem::path>>
    Choose(const ChooserRequest& request) = 0;
};

// The progress bar of the dialog, or its stand-in.
class ProgressView {
public:
    virtual ~ProgressView() = default;
    virtual void SetMaximum(int maximum) = 0;
    virtual int Maximum() const = 0;
    virtual void SetPosition(int position) = 0;
    // Lets the user interface handle its pending events (repaint the bar).
    virtual void ProcessPendingEvents() = 0;
    // Called with true before a batch starts and false after it ends, success or failure.
    virtual void SetBusy(bool busy) { (void)busy; }
};

inline constexpr const char* kSuccessMessage = "  Hortivex settings successfully exported  ";
inline constexpr const char* kFailureMessage = "  Cannot read file  ";
inline constexpr const char* kWorkingDirValue = "WorkingDir";

ChooserRequest MakeChooserRequest(const std::filesystem::path& workingFolder);

// The extension of a path as the dispatch table sees it: from the last "." to the end, or empty
// when the last ".", "\", ":" or "/" is not a ".".
std::filesystem::path ExtensionOf(const std::filesystem::path& path);

// Whether a row of the dispatch table takes this path (its extension, exactly).
bool IsClassicFile(const std::filesystem::path& path);

// Converts one file by the dispatch table to "NAME.ini" beside it; false, doing nothing, when
// no row takes its extension. Raises on a failure.
bool ConvertClassicFile(const std::filesystem::path& path);

// A file's name as messages show it: its bytes on Linux, UTF-8 on Windows, as in the reasons the
// file layer gives.
std::string MessageName(const std::filesystem::path& path);

// The batch logic shared by the dialog and the command line: dispatch by exact extension,
// output naming, the progress sequence, the two messages and the one failure guard.
class ConversionDriver {
public:
    ConversionDriver(ProgressView& progress, Messages& messages, SettingsStore& settings,
                     std::filesystem::path programFolder);

    // The dialog's "Choose file": resolve the working folder, choose, convert the chosen files.
    void ConvertFiles(FileChooser& chooser);
    // The same for files given without the chooser (dropped on the dialog): an empty list does
    // nothing, as a cancelled chooser.
    void ConvertFiles(const std::vector<std::filesystem::path>& files);

    // Converts files in order with the progress sequence and the messages. Stops at the first
    // failure unless keepGoing, in which case each failure is reported and the next file
    // follows. Answers true when every file converted (or was passed over).
    bool ConvertBatch(const std::vector<std::filesystem::path>& files, bool keepGoing = false);

    // Settles the working folder from the settings store or the program's folder, stores it
    // for the current user where needed and answers it (with its trailing separator). A stored
    // folder that no longer exists counts as none stored, and nothing new is stored for it.
    std::string ResolveWorkingFolder();

    void ShowProgress(int position);

    // When set, converts one file of a batch in place of the dispatch table (another program's
    // kind of file); answers false for a file it passes over.
    std::function<bool(const std::filesystem::path& path)> convertOne;
    // Called for each file a batch passes over because no row matches its extension.
    std::function<void(const std::filesystem::path& path)> onSkipped;
    // Called for each file that converted.
    std::function<void(const std::filesystem::path& path)> onConverted;
    // Called for each file that failed, with the reason, before the error message.
    std::function<void(const std::filesystem::path& path, const std::string& reason)> onFailed;

private:
    using Choice = std::optional<std::vector<std::filesystem::path>>;
    // Converts one file; false when its extension matches no row.
    bool ConvertOne(const std::filesystem::path& path) const;
    // One click's run under its failure guard: the files come from choose(working folder).
    void RunClick(const std::function<Choice(const std::filesystem::path&)>& choose);
    void ReportFailure(const std::filesystem::path& path, const std::string& reason) const;

    ProgressView& progress_;
    Messages& messages_;
    SettingsStore& settings_;
    std::filesystem::path programFolder_;
};

// What a dialog needs to run its batches: its progress view, messages, settings store, program
// folder and chooser. One batch at a time: events handled while the bar is redrawn may include
// a second click or a drop, which are ignored while a batch runs.
class DialogSession {
public:
    DialogSession(ProgressView& progress, Messages& messages, SettingsStore& settings,
                  std::filesystem::path programFolder, FileChooser& chooser);

    // "Choose file": convert the files the chooser answers.
    void ChooseFiles();
    // Files and folders dropped on the dialog, as one batch: a folder stands for its classic
    // files and month logs; a folder that cannot be listed is reported instead. Each month log
    // is exported as CSV beside it, and each controller's logs get one chart page; the charts
    // are the batch's last steps.
    void Drop(const std::vector<std::filesystem::path>& paths);

    bool Running() const { return running_; }

private:
    // Runs `run` with a fresh driver, unless a batch is running.
    void Run(const std::function<void(ConversionDriver&)>& run);

    ProgressView& progress_;
    Messages& messages_;
    SettingsStore& settings_;
    std::filesystem::path programFolder_;
    FileChooser& chooser_;
    bool running_ = false;
};

} // namespace hortivex
