// hxconvert: the converter's batch without a window.
#include "app/ConsoleProgress.h"
#include "app/Driver.h"
#include "app/FileList.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Services.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

using namespace hortivex;
namespace fs = std::filesystem;

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
    "  working folder  the store's WorkingDir value while that folder exists, else this\n"
    "                  program's folder when it is writable and not under /usr, else\n"
    "                  $XDG_DATA_HOME/hortivex/\n"
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

// What the command line asks for.
struct Request {
    enum class Action { Convert, Help, Version, Usage } action = Action::Convert;
    std::string problem; // for Action::Usage
    bool keepGoing = false;
    bool recursive = false;
    std::vector<fs::path> names;
};

// Whether an argument is exactly the (ASCII) option text.
bool Is(const fs::path& argument, const char* option) {
    const fs::path::string_type& text = argument.native();
    std::size_t i = 0;
    for (; option[i] != '\0'; ++i) {
        if (i == text.size() || text[i] != static_cast<fs::path::value_type>(option[i]))
            return false;
    }
    return i == text.size();
}

Request ParseArguments(const std::vector<fs::path>& arguments) {
    Request request;
    bool options = true;
    for (const fs::path& arg : arguments) {
        const fs::path::string_type& text = arg.native();
        if (options && Is(arg, "--")) {
            options = false;
        } else if (options && (Is(arg, "-h") || Is(arg, "--help"))) {
            request.action = Request::Action::Help;
            return request;
        } else if (options && Is(arg, "--version")) {
            request.action = Request::Action::Version;
            return request;
        } else if (options && (Is(arg, "-k") || Is(arg, "--keep-going"))) {
            request.keepGoing = true;
        } else if (options && (Is(arg, "-r") || Is(arg, "--recursive"))) {
            request.recursive = true;
        } else if (options && text.size() > 1 && text[0] == '-') {
            request.action = Request::Action::Usage;
            request.problem = "unknown option " + FileNameText(arg);
            return request;
        } else {
            request.names.push_back(arg);
        }
    }
    if (request.names.empty()) {
        request.action = Request::Action::Usage;
        request.problem = "no file given";
    }
    return request;
}

int Usage(const std::string& problem) {
    std::fprintf(stderr, "hxconvert: %s\n%s", problem.c_str(), kUsage);
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
    const std::size_t reached = static_cast<std::size_t>(counts.converted) +
                                static_cast<std::size_t>(counts.passedOver) +
                                static_cast<std::size_t>(counts.failed);
    if (reached < batchSize)
        std::fprintf(stderr, ", %zu not reached", batchSize - reached);
    std::fputc('\n', stderr);
}

// Converts the named files and folders; answers the exit status.
int RunBatch(const Request& request) {
    auto messages = std::make_shared<ConsoleMessages>();
    InstallMessages(messages);
    ConsoleProgress progress;
    ConversionDriver driver(progress, *messages, CurrentSettingsStore(), ProgramFolder());
    Counts counts;
    driver.onConverted = [&](const fs::path&) { ++counts.converted; };
    // Files named one by one are reported one by one; those found in folders are only counted.
    driver.onSkipped = [&](const fs::path& path) {
        ++counts.passedOver;
        std::fprintf(stderr, "hxconvert: %s: passed over, not a classic settings file extension\n",
                     FileNameText(path).c_str());
    };
    driver.onFailed = [&](const fs::path& path, const std::string& reason) {
        ++counts.failed;
        std::fprintf(stderr, "hxconvert: %s: %s\n", FileNameText(path).c_str(), reason.c_str());
    };
    try {
        driver.ResolveWorkingFolder();
    } catch (const std::exception& e) {
        messages->Error(kFailureMessage, e.what());
        std::fprintf(stderr, "hxconvert: %s\n", e.what());
        return 1;
    }

    const BatchFiles batch = ExpandFolders(request.names, request.recursive);
    counts.passedOver = batch.passedOver;
    counts.failed = static_cast<int>(batch.unreadableFolders.size());
    for (const std::string& problem : batch.unreadableFolders)
        std::fprintf(stderr, "hxconvert: %s\n", problem.c_str());
    bool success = batch.unreadableFolders.empty();
    if (!success && !request.keepGoing) {
        // Found before anything was converted: nothing is converted.
        messages->Error(kFailureMessage, batch.unreadableFolders.front());
    } else if (!batch.files.empty()) {
        success = driver.ConvertBatch(batch.files, request.keepGoing) && success;
    }
    if (batch.anyFolder)
        PrintSummary(counts, batch.files.size() + batch.unreadableFolders.size() +
                                 static_cast<std::size_t>(batch.passedOver));
    return success ? 0 : 1;
}

// Answers what the request asks for: the help, the version, a usage error or the batch.
int Run(const Request& request) {
    switch (request.action) {
    case Request::Action::Help:
        std::fputs(kUsage, stdout);
        return 0;
    case Request::Action::Version:
        std::printf("hxconvert %s\n", HX_VERSION);
        return 0;
    case Request::Action::Usage:
        return Usage(request.problem);
    case Request::Action::Convert:
        break;
    }
    return RunBatch(request);
}

} // namespace

int main(int argc, char** argv) {
    UseSystemFileNameEncoding();
    return Run(ParseArguments(CommandLineArguments(argc, argv)));
}
