// hxconvert: the converter's batch without a window.
#include "app/Driver.h"
#include "app/FileList.h"
#include "platform/Folders.h"
#include "platform/Services.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

using namespace hortivex;

namespace {

constexpr const char* kUsage =
    "Usage: hxconvert [--keep-going] [--recursive] [--] FILE|FOLDER...\n"
    "Converts classic Hortivex controller files (.fvs, .fvd, .avs, .ava) into INI files\n"
    "named FILE.ini beside them. A FOLDER stands for the classic files directly in it\n"
    "(exact lower-case extensions, in name order); a summary line then gives the counts.\n"
    "\n"
    "  -k, --keep-going  report a file that fails and go on with the next one\n"
    "  -r, --recursive   take the classic files of sub-folders too (links to folders\n"
    "                    are not followed)\n"
    "  -h, --help        show this help\n"
    "      --version     show the version\n"
    "\n"
    "Where things are kept:\n"
    "  settings store  $XDG_CONFIG_HOME/hortivex/user.reg (default ~/.config/...),\n"
    "                  machine-wide /etc/xdg/hortivex/machine.reg\n"
    "  working folder  the store's WorkingDir value, else this program's folder when it is\n"
    "                  writable and not under /usr, else $XDG_DATA_HOME/hortivex/\n"
    "                  (default ~/.local/share/hortivex/)\n"
    "  options file    _HX.ini in the working folder\n"
    "\n"
    "Exit status: 0 all files converted, 1 a file failed, 2 usage error.\n";

// Success on stdout, errors on stderr, as the dialog's two message boxes.
class ConsoleMessages : public Messages {
public:
    void Information(const std::string& text) override { std::printf("%s\n", text.c_str()); }
    void Error(const std::string& text, const std::string&) override {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    void Plain(const std::string& text) override { std::printf("%s\n", text.c_str()); }
};

// A progress line on stderr while it is a terminal; nothing otherwise.
class ConsoleProgress : public ProgressView {
public:
    ConsoleProgress() : terminal_(::isatty(STDERR_FILENO) == 1) {}
    void SetMaximum(int maximum) override { maximum_ = maximum; }
    int Maximum() const override { return maximum_; }
    void SetPosition(int position) override {
        if (terminal_ && maximum_ > 0)
            std::fprintf(stderr, "\r%d/%d", position, maximum_);
        if (terminal_ && position == 0)
            std::fprintf(stderr, "\r\033[K");
    }
    void ProcessPendingEvents() override { std::fflush(stderr); }

private:
    bool terminal_;
    int maximum_ = 0;
};

int Usage(const char* problem) {
    std::fprintf(stderr, "hxconvert: %s\n%s", problem, kUsage);
    return 2;
}

// What became of the files of one run, for the summary line.
struct Counts {
    int converted = 0;
    int passedOver = 0;
    int failed = 0;
};

void PrintSummary(const Counts& counts, std::size_t batchSize) {
    std::fprintf(stderr, "hxconvert: %d converted, %d passed over, %d failed", counts.converted,
                 counts.passedOver, counts.failed);
    // Without --keep-going the batch stops at its first failure.
    const std::size_t reached =
        static_cast<std::size_t>(counts.converted + counts.passedOver + counts.failed);
    if (reached < batchSize)
        std::fprintf(stderr, ", %zu not reached", batchSize - reached);
    std::fputc('\n', stderr);
}

} // namespace

int main(int argc, char** argv) {
    UseSystemFileNameEncoding();
    bool keepGoing = false;
    bool recursive = false;
    std::vector<std::string> names;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (options && std::strcmp(arg, "--") == 0) {
            options = false;
        } else if (options && (!std::strcmp(arg, "-h") || !std::strcmp(arg, "--help"))) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && !std::strcmp(arg, "--version")) {
            std::printf("hxconvert %s\n", HX_VERSION);
            return 0;
        } else if (options && (!std::strcmp(arg, "-k") || !std::strcmp(arg, "--keep-going"))) {
            keepGoing = true;
        } else if (options && (!std::strcmp(arg, "-r") || !std::strcmp(arg, "--recursive"))) {
            recursive = true;
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            return Usage((std::string("unknown option ") + arg).c_str());
        } else {
            names.emplace_back(arg);
        }
    }
    if (names.empty())
        return Usage("no file given");

    auto messages = std::make_shared<ConsoleMessages>();
    InstallMessages(messages);
    ConsoleProgress progress;
    const std::filesystem::path programFolder = ProgramFolder();

    ConversionDriver driver(progress, *messages, CurrentSettingsStore(), programFolder);
    Counts counts;
    driver.onConverted = [&](const std::string&) { ++counts.converted; };
    // Files named one by one are reported one by one; those found in folders are only counted.
    driver.onSkipped = [&](const std::string& path) {
        ++counts.passedOver;
        std::fprintf(stderr, "hxconvert: %s: passed over, not a classic settings file extension\n",
                     path.c_str());
    };
    driver.onFailed = [&](const std::string& path, const std::string& reason) {
        ++counts.failed;
        std::fprintf(stderr, "hxconvert: %s: %s\n", path.c_str(), reason.c_str());
    };
    try {
        driver.ResolveWorkingFolder();
    } catch (const std::exception& e) {
        messages->Error(kFailureMessage, e.what());
        std::fprintf(stderr, "hxconvert: %s\n", e.what());
        return 1;
    }

    const BatchFiles batch = ExpandFolders(names, recursive);
    counts.passedOver = batch.passedOver;
    counts.failed = static_cast<int>(batch.unreadableFolders.size());
    for (const std::string& problem : batch.unreadableFolders)
        std::fprintf(stderr, "hxconvert: %s\n", problem.c_str());
    bool success = batch.unreadableFolders.empty();
    if (!success && !keepGoing) {
        // Found before anything was converted: nothing is converted.
        messages->Error(kFailureMessage, batch.unreadableFolders.front());
    } else if (!batch.files.empty()) {
        success = driver.ConvertBatch(batch.files, keepGoing) && success;
    }
    if (batch.anyFolder)
        PrintSummary(counts, batch.files.size() + batch.unreadableFolders.size() +
                                 static_cast<std::size_t>(batch.passedOver));
    return success ? 0 : 1;
}
