#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/wait.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

struct RunResult {
    int status;
    std::string out, err;
};

// Runs hxconvert with its own settings folder inside dir, so no user file is touched.
RunResult Hxconvert(const TempDir& dir, const std::string& args) {
    // The working folder (and so the options file) inside dir too.
    std::filesystem::create_directories(dir / "config" / "hortivex");
    WriteFile(dir / "config" / "hortivex" / "user.reg",
              "Windows Registry Editor Version 5.00\r\n\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"
              "\"WorkingDir\"=\"" +
                  dir.path().string() + "/\"\r\n");
    const std::string command = "cd '" + dir.path().string() + "' && XDG_CONFIG_HOME='" +
                                dir.path().string() + "/config' '" HX_CONVERT_PATH "' " + args +
                                " >out.txt 2>err.txt";
    const int raw = std::system(command.c_str());
    RunResult run{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "out.txt"),
                  ReadFile(dir / "err.txt")};
    std::filesystem::remove(dir / "out.txt");
    std::filesystem::remove(dir / "err.txt");
    return run;
}

TEST(Hxconvert, ConvertsFilesInOrderAndReportsSuccess) {
    TempDir dir;
    WriteFile(dir / "a.fvs", std::string(118, '\x02'));
    WriteFile(dir / "-b.fvs", std::string(118, '\x03'));
    WriteFile(dir / "c d.avs", std::string(177, '\x04'));
    RunResult run = Hxconvert(dir, "a.fvs \"c d.avs\" -- -b.fvs");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "  Hortivex settings successfully exported  \n");
    EXPECT_NE(ReadFile(dir / "a.fvs.ini").find("SetBool0=2\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "-b.fvs.ini").find("SetBool0=3\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(dir / "c d.avs.ini").find("[Climate]\r\nSetBool0=4\r\n"), std::string::npos);
}

TEST(Hxconvert, ConvertsAllFourKindsInOneRun) {
    TempDir dir;
    WriteFile(dir / "a.fvd", std::string(16, '\x01'));
    WriteFile(dir / "b.fvs", std::string(118, '\x02'));
    WriteFile(dir / "c.avs", std::string(177, '\x03'));
    WriteFile(dir / "d.ava", std::string(20, '\x04'));
    RunResult run = Hxconvert(dir, "a.fvd b.fvs c.avs d.ava");
    EXPECT_EQ(run.status, 0) << run.err;
    const std::pair<const char*, const char*> heads[] = {
        {"a.fvd.ini", "[Schedule 0]\r\nDay=16843009\r\n"},
        {"b.fvs.ini", "[Settings]\r\nSetBool0=2\r\n"},
        {"c.avs.ini", "[Climate]\r\nSetBool0=3\r\n"},
        {"d.ava.ini", "[ClimateSchedule_0]\r\nDay=67372036\r\n"}};
    for (auto [file, head] : heads)
        EXPECT_EQ(ReadFile(dir / file).rfind(head, 0), 0u) << file;
    EXPECT_TRUE(std::filesystem::exists(dir / "_HX.ini")) << "options file of the .fvs export";
}

TEST(Hxconvert, FailureExitsOneAndNamesTheFile) {
    TempDir dir;
    WriteFile(dir / "c.fvs", std::string(118, '\x02'));
    RunResult run = Hxconvert(dir, "missing.fvs c.fvs");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("  Cannot read file  \n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("missing.fvs"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "c.fvs.ini")) << "batch did not stop";

    run = Hxconvert(dir, "--keep-going missing.fvs c.fvs");
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "c.fvs.ini"));
}

TEST(Hxconvert, FoldersGiveTheirClassicFilesAndASummaryLine) {
    namespace fs = std::filesystem;
    TempDir dir;
    fs::create_directories(dir / "in/sub");
    fs::create_directories(dir / "out");
    fs::create_directories(dir / "bad");
    for (const char* name :
         {"in/b.fvs", "in/C.FVS", "in/sub/d.fvs", "out/e.fvs", "bad/a.fvs", "bad/c.fvs"})
        WriteFile(dir / name, std::string(118, '\x02'));
    WriteFile(dir / "in/a.avs", std::string(177, '\x03'));
    WriteFile(dir / "in/notes.txt", "x");
    WriteFile(dir / "notes.txt", "x");
    fs::create_directory_symlink(dir / "out", dir / "in/out");
    fs::create_symlink("nowhere", dir / "bad/b.ava");

    struct Case {
        const char* args;
        int status;
        std::vector<std::string> converted;
        std::string errTail; // the end of stderr: failures and the summary
    };
    const Case cases[] = {
        {"in", 0, {"in/a.avs", "in/b.fvs"}, "hxconvert: 2 converted, 2 passed over, 0 failed\n"},
        {"notes.txt --recursive in/",
         0,
         {"in/a.avs", "in/b.fvs", "in/sub/d.fvs"},
         "hxconvert: notes.txt: passed over, not a classic settings file extension\n"
         "hxconvert: 3 converted, 3 passed over, 0 failed\n"},
        {"bad",
         1,
         {"bad/a.fvs"},
         "  Cannot read file  \nhxconvert: 1 converted, 0 passed over, 1 failed, 1 not reached\n"},
        {"-k bad",
         1,
         {"bad/a.fvs", "bad/c.fvs"},
         "  Cannot read file  \nhxconvert: 2 converted, 0 passed over, 1 failed\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult run = Hxconvert(dir, c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.status == 0 ? "  Hortivex settings successfully exported  \n" : "");
        ASSERT_GE(run.err.size(), c.errTail.size()) << run.err;
        EXPECT_EQ(run.err.substr(run.err.size() - c.errTail.size()), c.errTail) << run.err;
        EXPECT_EQ(run.err.find("C.FVS"), std::string::npos) << "listed one by one";
        if (c.status != 0) {
            EXPECT_NE(run.err.find("hxconvert: bad/b.ava: "), std::string::npos) << run.err;
        }
        std::vector<std::string> written;
        for (const auto& entry : fs::recursive_directory_iterator(dir.path())) {
            const std::string name = fs::relative(entry.path(), dir.path()).string();
            if (name.ends_with(".ini") && name != "_HX.ini") {
                written.push_back(name.substr(0, name.size() - 4));
                fs::remove(entry.path());
            }
        }
        std::sort(written.begin(), written.end());
        EXPECT_EQ(written, c.converted);
    }
}

TEST(Hxconvert, UsageErrorsExitTwo) {
    TempDir dir;
    for (const char* args : {"", "--bogus x.fvs"}) {
        RunResult run = Hxconvert(dir, args);
        EXPECT_EQ(run.status, 2) << args;
        EXPECT_NE(run.err.find("Usage:"), std::string::npos);
    }
    RunResult help = Hxconvert(dir, "--help");
    EXPECT_EQ(help.status, 0);
    for (const char* part : {"--keep-going", "--recursive", "user.reg", "_HX.ini"})
        EXPECT_NE(help.out.find(part), std::string::npos) << part;
}

} // namespace
} // namespace hortivex
