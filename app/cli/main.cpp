// hxconvert: the converter's batch without a window.
#include "app/Driver.h"
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
    "Usage: hxconvert [--keep-going] [--] FILE...\n"
    "Converts classic Hortivex controller files (.fvs, .fvd, .avs, .ava) into INI files\n"
    "named FILE.ini beside them.\n"
    "\n"
    "  -k, --keep-going  report a file that fails and go on with the next one\n"
    "  -h, --help        show this help\n"
    "      --version     show the version\n"
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

} // namespace

int main(int argc, char** argv) {
    UseSystemFileNameEncoding();
    bool keepGoing = false;
    std::vector<std::string> files;
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
        } else if (options && arg[0] == '-' && arg[1] != '\0') {
            return Usage((std::string("unknown option ") + arg).c_str());
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.empty())
        return Usage("no file given");

    auto messages = std::make_shared<ConsoleMessages>();
    InstallMessages(messages);
    ConsoleProgress progress;
    const std::filesystem::path programFolder = ProgramFolder();

    ConversionDriver driver(progress, *messages, CurrentSettingsStore(), programFolder);
    driver.onSkipped = [](const std::string& path) {
        std::fprintf(stderr, "hxconvert: %s: passed over, not a classic settings file extension\n",
                     path.c_str());
    };
    driver.onFailed = [](const std::string& path, const std::string& reason) {
        std::fprintf(stderr, "hxconvert: %s: %s\n", path.c_str(), reason.c_str());
    };
    try {
        driver.ResolveWorkingFolder();
    } catch (const std::exception& e) {
        messages->Error(kFailureMessage, e.what());
        std::fprintf(stderr, "hxconvert: %s\n", e.what());
        return 1;
    }
    return driver.ConvertBatch(files, keepGoing) ? 0 : 1;
}
