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
    std::string initialFolder;
    std::string filterText;            // "Config files (*.fvd, *.fvs, *.avs, *.ava)"
    std::vector<std::string> patterns; // "*.fvd", "*.fvs", "*.avs", "*.ava"
    bool multiSelect = true;
    bool mustExist = true;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // The chosen files as full paths in the chooser's order; empty when the user cancels.
    virtual std::optional<std::vector<std::string>> Choose(const ChooserRequest& request) = 0;
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

ChooserRequest MakeChooserRequest(const std::string& workingFolder);

// The extension of a path as the dispatch table sees it: from the last "." to the end, or empty
// when the last ".", "\", ":" or "/" is not a ".".
std::string ExtensionOf(const std::string& path);

// Whether a row of the dispatch table takes this path (its extension, exactly).
bool IsClassicFile(const std::string& path);

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
    void ConvertFiles(const std::vector<std::string>& files);

    // Converts files in order with the progress sequence and the messages. Stops at the first
    // failure unless keepGoing, in which case each failure is reported and the next file
    // follows. Answers true when every file converted (or was passed over).
    bool ConvertBatch(const std::vector<std::string>& files, bool keepGoing = false);

    // Settles the working folder from the settings store or the program's folder, stores it
    // for the current user where needed and answers it (with its trailing separator).
    std::string ResolveWorkingFolder();

    void ShowProgress(int position);

    // When set, converts one file of a batch in place of the dispatch table (another program's
    // kind of file); answers false for a file it passes over.
    std::function<bool(const std::string& path)> convertOne;
    // Called for each file a batch passes over because no row matches its extension.
    std::function<void(const std::string& path)> onSkipped;
    // Called for each file that converted.
    std::function<void(const std::string& path)> onConverted;
    // Called for each file that failed, with the reason, before the error message.
    std::function<void(const std::string& path, const std::string& reason)> onFailed;

private:
    // Converts one file; false when its extension matches no row.
    bool ConvertOne(const std::string& path);
    // One click's run under its failure guard: the files come from choose(working folder).
    void RunClick(
        const std::function<std::optional<std::vector<std::string>>(const std::string&)>& choose);
    void ReportFailure(const std::string& path, const std::string& reason);

    ProgressView& progress_;
    Messages& messages_;
    SettingsStore& settings_;
    std::filesystem::path programFolder_;
};

// Runs `run` with a fresh driver, unless a batch of the same dialog is still running (events
// handled while the bar is redrawn may include a second click or a drop). `running` is the
// dialog's flag, true for the duration of the batch.
void RunOneBatch(bool& running, ProgressView& progress, Messages& messages, SettingsStore& settings,
                 const std::filesystem::path& programFolder,
                 const std::function<void(ConversionDriver&)>& run);

// Files and folders dropped on a dialog, converted as one batch through RunOneBatch: a folder
// stands for its classic files; a folder that cannot be listed is reported instead.
void RunDropBatch(bool& running, ProgressView& progress, Messages& messages,
                  SettingsStore& settings, const std::filesystem::path& programFolder,
                  const std::vector<std::string>& paths);

// A dialog's "Choose file" click: ConvertFiles on the chooser's files, through RunOneBatch.
void RunChooseFileClick(bool& running, ProgressView& progress, Messages& messages,
                        SettingsStore& settings, const std::filesystem::path& programFolder,
                        FileChooser& chooser);

} // namespace hortivex
