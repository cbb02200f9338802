// Ten thousand files in one hxconvert run: every output is made and the peak memory of the run
// does not grow with the number of files.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace hortivex {
namespace {
namespace fs = std::filesystem;

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

struct Kind {
    const char* extension;
    std::size_t size; // one record, or the whole settings file
    const char* head; // how its output starts
};
const Kind kKinds[] = {{".fvs", 118, "[Settings]\r\nSetBool0="},
                       {".fvd", 16, "[Schedule 0]\r\nDay="},
                       {".avs", 177, "[Climate]\r\nSetBool0="},
                       {".ava", 20, "[ClimateSchedule_0]\r\nDay="}};

struct Child {
    int status = -1;
    long peakKilobytes = 0;
};

// Runs hxconvert on names (relative to dir, which is its current folder) with its settings in
// dir/config, and answers its exit status and peak resident memory.
Child RunHxconvert(const TempDir& dir, const std::vector<std::string>& names) {
    std::vector<std::string> environment;
    std::string sanitizerOptions;
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "XDG_CONFIG_HOME=", 16) == 0)
            continue;
        if (std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0)
            sanitizerOptions = *e + 13;
        else
            environment.emplace_back(*e);
    }
    environment.push_back("XDG_CONFIG_HOME=" + (dir / "config").string());
    if (kAddressSanitizer) {
        // The sanitizer holds freed blocks in a quarantine of up to 256 MB, which would grow the
        // peak with the amount of work rather than with what the program keeps; a small one
        // still catches the use of a block freed shortly before.
        sanitizerOptions += (sanitizerOptions.empty() ? "" : ":");
        sanitizerOptions += "quarantine_size_mb=8:thread_local_quarantine_size_kb=256";
    }
    if (!sanitizerOptions.empty())
        environment.push_back("ASAN_OPTIONS=" + sanitizerOptions);

    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = HX_CONVERT_PATH;
    std::vector<std::string> args = {program, "--"};
    args.insert(args.end(), names.begin(), names.end());
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string folder = dir.path().string();
    const std::string log = (dir / "err.txt").string();

    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || ::chdir(folder.c_str()) != 0 || ::dup2(out, STDOUT_FILENO) < 0 ||
            ::dup2(out, STDERR_FILENO) < 0)
            ::_exit(126);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    Child child;
    if (pid < 0)
        return child;
    int raw = 0;
    struct rusage usage {};
    while (::wait4(pid, &raw, 0, &usage) < 0 && errno == EINTR) {
    }
    child.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    child.peakKilobytes = usage.ru_maxrss;
    return child;
}

TEST(LargeBatch, TenThousandFilesInOneRunWithFlatMemory) {
    constexpr int kFiles = 10'000;
    TempDir dir;
    fs::create_directories(dir / "config" / "hortivex");
    WriteFile(dir / "config" / "hortivex" / "user.reg",
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"
              "\"WorkingDir\"=\"" +
                  dir.path().string() + "/\"\r\n");
    // The kinds take turns, so that any prefix of the list is a mixed batch.
    std::vector<std::string> names;
    for (int i = 0; i < kFiles; ++i) {
        const Kind& kind = kKinds[i % std::size(kKinds)];
        names.push_back("f" + std::to_string(i) + kind.extension);
        WriteFile(dir / names.back(), std::string(kind.size, static_cast<char>(1 + i % 200)));
    }

    const Child small = RunHxconvert(dir, {names.begin(), names.begin() + kFiles / 10});
    ASSERT_EQ(small.status, 0) << ReadFile(dir / "err.txt");
    const Child large = RunHxconvert(dir, names);
    ASSERT_EQ(large.status, 0) << ReadFile(dir / "err.txt");

    for (int i = 0; i < kFiles; ++i) {
        const fs::path output = dir / (names[static_cast<std::size_t>(i)] + ".ini");
        ASSERT_TRUE(fs::exists(output)) << output;
        if (i % 997 == 0) { // a sample of each kind
            EXPECT_EQ(ReadFile(output).rfind(kKinds[i % std::size(kKinds)].head, 0), 0u) << output;
        }
    }
    ASSERT_GT(small.peakKilobytes, 0);
    EXPECT_LT(large.peakKilobytes, small.peakKilobytes * 3 / 2 + 8 * 1024)
        << "peak " << small.peakKilobytes << " KB for " << kFiles / 10 << " files, "
        << large.peakKilobytes << " KB for " << kFiles;
    RecordProperty("peak_kb_small", std::to_string(small.peakKilobytes));
    RecordProperty("peak_kb_large", std::to_string(large.peakKilobytes));
}

} // namespace
} // namespace hortivex
