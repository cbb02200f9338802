// Inputs and outputs that are not what a conversion expects, through hxconvert as a user runs
// it: each gives a clear error naming the file, or a correct conversion; none hangs or crashes.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string err;
};

Outcome Convert(const TempDir& dir, const std::string& file) {
    fs::create_directories(dir / "config");
    const std::string command =
        "cd '" + dir.path().string() + "' && XDG_CONFIG_HOME='" + dir.path().string() +
        "/config' timeout 60 '" HX_CONVERT_PATH "' -- '" + file + "' >/dev/null 2>err.txt";
    const int raw = std::system(command.c_str());
    Outcome outcome{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir / "err.txt")};
    fs::remove(dir / "err.txt");
    return outcome;
}

const std::string kRecord(118, '\x01');

struct HostileCase {
    const char* name;
    std::function<std::string(const TempDir&)> make; // answers the file to convert
    const char* errorPart;                           // empty: the conversion succeeds
};

TEST(HostileInput, ClearErrorOrCorrectConversion) {
    const HostileCase cases[] = {
        {"fifo",
         [](const TempDir& d) {
             ::mkfifo((d / "x.ava").c_str(), 0600);
             return "x.ava";
         },
         "not a regular file"},
        {"device",
         [](const TempDir& d) {
             fs::create_symlink("/dev/zero", d / "z.fvd");
             return "z.fvd";
         },
         "not a regular file"},
        {"socket",
         [](const TempDir& d) {
             int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             (d / "s.avs").string().copy(addr.sun_path, sizeof addr.sun_path - 1);
             ::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
             ::close(s);
             return "s.avs";
         },
         "s.avs"},
        {"dangling link",
         [](const TempDir& d) {
             fs::create_symlink("nowhere", d / "l.avs");
             return "l.avs";
         },
         "No such file"},
        {"sparse climate schedule",
         [](const TempDir& d) {
             WriteFile(d / "big.ava", "");
             fs::resize_file(d / "big.ava", 6ull << 30);
             return "big.ava";
         },
         "too large"},
        {"sparse dosing schedule",
         [](const TempDir& d) {
             WriteFile(d / "big.fvd", "");
             fs::resize_file(d / "big.fvd", 6ull << 30);
             return "big.fvd";
         },
         "too large for a file of 16-byte records"},
        {"name too long for its output",
         [](const TempDir& d) {
             const std::string name = std::string(251, 'a') + ".fvs";
             WriteFile(d / name, kRecord);
             return name;
         },
         "Unable to write to"},
        {"output is a folder",
         [](const TempDir& d) {
             WriteFile(d / "o.fvs", kRecord);
             fs::create_directory(d / "o.fvs.ini");
             return "o.fvs";
         },
         "Unable to write to o.fvs.ini"},
        {"output is read-only",
         [](const TempDir& d) {
             WriteFile(d / "r.fvs", kRecord);
             WriteFile(d / "r.fvs.ini", "[Settings]\r\n");
             ::chmod((d / "r.fvs.ini").c_str(), 0444);
             return "r.fvs";
         },
         "Unable to write to r.fvs.ini"},
        {"empty settings file",
         [](const TempDir& d) {
             WriteFile(d / "e.fvs", "");
             return "e.fvs";
         },
         ""},
        {"spaces and non-ASCII bytes",
         [](const TempDir& d) {
             WriteFile(d / "gr\xc3\xbcn haus.fvs", kRecord);
             return "gr\xc3\xbcn haus.fvs";
         },
         ""},
        {"leading dash",
         [](const TempDir& d) {
             WriteFile(d / "-x.fvs", kRecord);
             return "-x.fvs";
         },
         ""},
    };
    for (const HostileCase& c : cases) {
        TempDir dir;
        const std::string file = c.make(dir);
        Outcome outcome = Convert(dir, file);
        if (*c.errorPart == '\0') {
            EXPECT_EQ(outcome.status, 0) << c.name << ": " << outcome.err;
            EXPECT_TRUE(fs::exists(dir / (file + ".ini"))) << c.name;
        } else {
            EXPECT_EQ(outcome.status, 1) << c.name;
            EXPECT_NE(outcome.err.find("hxconvert: " + file + ": "), std::string::npos)
                << c.name << ": " << outcome.err;
            EXPECT_NE(outcome.err.find(c.errorPart), std::string::npos)
                << c.name << ": " << outcome.err;
            EXPECT_NE(outcome.err.find("  Cannot read file  "), std::string::npos) << c.name;
        }
    }
}

TEST(HostileInput, OutputLinkIsWrittenThroughNeverReplaced) {
    TempDir dir;
    WriteFile(dir / "k.fvs", kRecord);
    WriteFile(dir / "kept.ini", "; mine\r\n");
    fs::create_symlink("kept.ini", dir / "k.fvs.ini");
    ::chmod((dir / "kept.ini").c_str(), 0640);
    EXPECT_EQ(Convert(dir, "k.fvs").status, 0);
    EXPECT_TRUE(fs::is_symlink(dir / "k.fvs.ini"));
    const std::string text = ReadFile(dir / "kept.ini");
    EXPECT_EQ(text.rfind("; mine\r\n[Settings]\r\nSetBool0=1\r\n", 0), 0u);
    struct stat st {};
    ::stat((dir / "kept.ini").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

} // namespace
} // namespace hortivex
