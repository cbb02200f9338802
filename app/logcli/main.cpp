// hxlog: the controllers' month logs as CSV files.
#include "app/ConsoleProgress.h"
#include "app/Driver.h"
#include "app/FileList.h"
#include "app/LogChart.h"
#include "app/LogExport.h"
#include "platform/Folders.h"
#include "platform/Program.h"
#include "platform/Services.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

using namespace hortivex;
namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: hxlog [options] [--] FILE|FOLDER...\n"
    "Exports controller month logs (.fvl, .avl) as CSV files named FILE.csv beside them.\n"
    "A FOLDER stands for the month logs directly in it (in\n"
    "name order); a summary line then gives the counts.\n"
    "\n"
    "  -k, --keep-going      report a log that fails and go on with the next one\n"
    "  -r, --recursive       take the month logs of sub-folders too (links to folders\n"
    "                        are not followed)\n"
    "  -c, --chart OUT.html  instead of CSV files, write one chart page of all the logs\n"
    "                        given, which must be logs of one controller\n"
    "  -s, --separator CHAR  the CSV field separator (default \";\" where the decimal\n"
    "                        symbol is \",\", else \",\"); \"tab\" for a tab\n"
    "  -h, --help            show this help\n"
    "      --version         show the version\n"
    "\n"
    "The controller comes from the extension, its room and name from the folders the log\n"
    "lies in: ROOM/Controller logs/CONTROLLER/YYYYMM.avl, or ROOM/Doser logs/YYYYMM.fvl.\n"
    "Values are shown in the units of the options file _HX.ini in the working folder and\n"
    "with the decimal symbol of the user's locale (LC_NUMERIC).\n"
    "\n"
    "Exit status: 0 all logs exported, 1 a log failed, 2 usage error.\n";

class ConsoleMessages : public Messages {
public:
    void Information(const std::string&) override {}
    void Error(const std::string&, const std::string&) override {}
    void Plain(const std::string& text) override { std::printf("%s\n", text.c_str()); }
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "hxlog: %s\n%s", problem.c_str(), kUsage);
    return 2;
}

void Warn(const std::string& text) {
    std::fprintf(stderr, "hxlog: %s\n", text.c_str());
}

struct Counts {
    int exported = 0;
    int passedOver = 0;
    int failed = 0;
};

} // namespace

int main(int argc, char** argv) {
    UseSystemFileNameEncoding();
    bool keepGoing = false;
    bool recursive = false;
    char separator = 0;
    std::optional<fs::path> chart;
    std::vector<fs::path> names;
    bool options = true;
    const std::vector<fs::path> arguments = CommandLineArguments(argc, argv);
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const fs::path& name = arguments[i];
        const std::string arg = FileNameText(name);
        auto value = [&](const char* what) -> const fs::path* {
            return i + 1 < arguments.size()
                       ? &arguments[++i]
                       : (Usage(std::string(what) + " needs a value"), nullptr);
        };
        if (options && arg == "--") {
            options = false;
        } else if (options && (arg == "-h" || arg == "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (options && arg == "--version") {
            std::printf("hxlog %s\n", HX_VERSION);
            return 0;
        } else if (options && (arg == "-k" || arg == "--keep-going")) {
            keepGoing = true;
        } else if (options && (arg == "-r" || arg == "--recursive")) {
            recursive = true;
        } else if (options && (arg == "-c" || arg == "--chart")) {
            const fs::path* out = value("--chart");
            if (!out)
                return 2;
            chart = *out;
        } else if (options && (arg == "-s" || arg == "--separator")) {
            const fs::path* text = value("--separator");
            if (!text)
                return 2;
            const std::string given = FileNameText(*text);
            if (given == "tab")
                separator = '\t';
            else if (given.size() == 1 && given != "\"" && given != "\r" && given != "\n")
                separator = given[0];
            else
                return Usage("--separator takes one character other than a quote or \"tab\"");
        } else if (options && arg.size() > 1 && arg[0] == '-') {
            return Usage("unknown option " + arg);
        } else {
            names.push_back(name);
        }
    }
    if (names.empty())
        return Usage("no file given");

    auto messages = std::make_shared<ConsoleMessages>();
    InstallMessages(messages);
    ConsoleProgress progress;
    ConversionDriver driver(progress, *messages, CurrentSettingsStore(), ProgramFolder());
    try {
        driver.ResolveWorkingFolder();
    } catch (const std::exception& e) {
        Warn(e.what());
        return 1;
    }

    const BatchFiles batch = ExpandFolders(names, recursive, IsMonthLog);
    Counts counts;
    counts.passedOver = batch.passedOver;
    counts.failed = static_cast<int>(batch.unreadableFolders.size());
    for (const std::string& problem : batch.unreadableFolders)
        Warn(problem);
    bool success = batch.unreadableFolders.empty();

    if (chart) {
        // One page for all the logs: a failure of any log fails the chart.
        if (!success)
            return 1;
        std::vector<fs::path> logs;
        for (const fs::path& file : batch.files) {
            if (IsMonthLog(file)) {
                logs.push_back(file);
            } else {
                Warn(FileNameText(file) + ": passed over, not a month log extension");
            }
        }
        try {
            const std::uint64_t records = WriteLogChart(logs, *chart, Warn);
            std::fprintf(stderr, "hxlog: %llu records charted in %s\n",
                         static_cast<unsigned long long>(records), FileNameText(*chart).c_str());
        } catch (const std::exception& e) {
            Warn(e.what());
            return 1;
        }
        return 0;
    }

    const char sep = separator ? separator : RegionalCsvSeparator();
    driver.convertOne = [&](const fs::path& path) {
        if (!IsMonthLog(path))
            return false;
        fs::path csv = path;
        csv += ".csv";
        ExportLogCsv(path, csv, sep, Warn);
        return true;
    };
    driver.onConverted = [&](const fs::path&) { ++counts.exported; };
    driver.onSkipped = [&](const fs::path& path) {
        ++counts.passedOver;
        Warn(FileNameText(path) + ": passed over, not a month log extension");
    };
    driver.onFailed = [&](const fs::path& path, const std::string& reason) {
        ++counts.failed;
        Warn(FileNameText(path) + ": " + reason);
    };
    if (success || keepGoing) {
        if (!batch.files.empty())
            success = driver.ConvertBatch(batch.files, keepGoing) && success;
    }
    if (batch.anyFolder) {
        std::fprintf(stderr, "hxlog: %d exported, %d passed over, %d failed", counts.exported,
                     counts.passedOver, counts.failed);
        const std::size_t reached = static_cast<std::size_t>(counts.exported) +
                                    static_cast<std::size_t>(counts.passedOver) +
                                    static_cast<std::size_t>(counts.failed);
        const std::size_t total = batch.files.size() + batch.unreadableFolders.size() +
                                  static_cast<std::size_t>(batch.passedOver);
        if (reached < total)
            std::fprintf(stderr, ", %zu not reached", total - reached);
        std::fputc('\n', stderr);
    }
    return success ? 0 : 1;
}
