#include "export/IniDocument.h"
#include "export/IniOutput.h"
#include "platform/Errors.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;

TEST(IniDocument, FreshFileHasExactLayout) {
    IniDocument doc;
    doc.Set("App1", "key1", "string1");
    doc.Set("App1", "key2", "string2");
    doc.Set("App2", "key3", "string3");
    EXPECT_EQ(doc.Text(), "[App1]\r\nkey1=string1\r\nkey2=string2\r\n[App2]\r\nkey3=string3\r\n");
}

struct UpdateCase {
    const char* name;
    const char* before;
    const char* section;
    const char* key;
    std::string_view value;
    const char* after;
};

class IniDocumentUpdate : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(IniDocumentUpdate, KeepsWhatItDoesNotTouch) {
    const UpdateCase& c = GetParam();
    IniDocument doc(c.before);
    doc.Set(c.section, c.key, c.value);
    EXPECT_EQ(doc.Text(), c.after);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniDocumentUpdate,
    ::testing::Values(
        UpdateCase{"UpdateInPlaceKeepsSpelling", "[Settings]\nDawn=1\nFOO=2\n", "settings", "dawn",
                   "5", "[Settings]\nDawn=5\r\nFOO=2\n"},
        UpdateCase{"NewKeyBeforeTrailingBlankLines", "[A]\r\nx=1\r\n; note\r\n\r\n[B]\r\n", "A",
                   "y", "2", "[A]\r\nx=1\r\n; note\r\ny=2\r\n\r\n[B]\r\n"},
        UpdateCase{"NewSectionAtEnd", "; head\r\n[A]\r\nx=1", "B", "k", "v",
                   "; head\r\n[A]\r\nx=1\r\n[B]\r\nk=v\r\n"},
        UpdateCase{"FirstDuplicateKeyIsUpdated", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "3",
                   "[A]\r\nk=3\r\nK=2\r\n"},
        UpdateCase{"FirstDuplicateSectionIsExtended", "[A]\r\nx=1\r\n[a]\r\ny=2\r\n", "A", "z", "3",
                   "[A]\r\nx=1\r\nz=3\r\n[a]\r\ny=2\r\n"},
        UpdateCase{"CommentLookingLikeKeyIsNotMatched", "[A]\r\n;k=1\r\n", "A", "k", "2",
                   "[A]\r\n;k=1\r\nk=2\r\n"},
        UpdateCase{"KeysBeforeAnySectionAreNotMatched", "k=1\r\n", "A", "k", "2",
                   "k=1\r\n[A]\r\nk=2\r\n"},
        UpdateCase{"LineBreaksInValuesAreDropped", "", "A", "k", "a\r\nb", "[A]\r\nk=ab\r\n"},
        UpdateCase{"NulEndsTheValue", "", "A", "k", std::string_view("ab\0c", 4),
                   "[A]\r\nk=ab\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniDocument, ReadsLikeTheProfileReader) {
    IniDocument doc("[Options]\r\n  TempUnit = 1 \r\nName=\"quoted\"\r\nEmpty=\r\n");
    EXPECT_EQ(doc.Get("OPTIONS", "tempunit"), "1");
    EXPECT_EQ(doc.Get("Options", "Name"), "quoted");
    EXPECT_EQ(doc.Get("Options", "Empty"), "");
    EXPECT_EQ(doc.Get("Options", "Missing"), std::nullopt);
    EXPECT_EQ(doc.Get("Other", "TempUnit"), std::nullopt);
}

TEST(IniOutput, WritesOnlyAtCloseAndKeepsForeignContent) {
    TempDir dir;
    const auto path = dir / "room.fvs.ini";
    WriteFile(path, "; kept\r\n[Other]\r\nx=1\r\n[SETTINGS]\r\nDAWN=9\r\nForeign=7\r\n");
    {
        IniOutput out(path);
        out.WriteEntry("Settings", "Dawn", "3");
        out.WriteEntry("Settings", "Dusk", "4");
        EXPECT_EQ(ReadFile(path).find("DAWN=3"), std::string::npos) << "written before close";
        out.Close();
    }
    EXPECT_EQ(ReadFile(path),
              "; kept\r\n[Other]\r\nx=1\r\n[SETTINGS]\r\nDAWN=3\r\nForeign=7\r\nDusk=4\r\n");
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_EQ(entry.path().filename(), "room.fvs.ini") << "temporary file left behind";
}

TEST(IniOutput, KeepsTheModeOfAnExistingFile) {
    namespace fs = std::filesystem;
    TempDir dir;
    const auto path = dir / "room.fvs.ini";
    WriteFile(path, "[A]\r\n");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    IniOutput out(path);
    out.WriteEntry("A", "k", "v");
    out.Close();
    EXPECT_EQ(fs::status(path).permissions(), mode);
}

TEST(IniOutput, DiscardsWritesWhenNotClosed) {
    TempDir dir;
    const auto existing = dir / "a.ini";
    WriteFile(existing, "[A]\r\nk=1\r\n");
    {
        IniOutput out(existing);
        out.WriteEntry("A", "k", "2");
    }
    {
        IniOutput out(dir / "new.ini");
        out.WriteEntry("A", "k", "2");
    }
    EXPECT_EQ(ReadFile(existing), "[A]\r\nk=1\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.ini"));
}

TEST(IniOutput, RefusesWhatCannotBeWritten) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.ini");
    WriteFile(dir / "readonly.ini", "[A]\r\n");
    std::filesystem::permissions(dir / "readonly.ini", std::filesystem::perms::owner_read |
                                                           std::filesystem::perms::group_read |
                                                           std::filesystem::perms::others_read);
    WriteFile(dir / "plainfile", "x");
    const std::filesystem::path refused[] = {dir / "folder.ini", dir / "readonly.ini",
                                             dir / "missing" / "x.ini",
                                             dir / "plainfile" / "x.ini"};
    for (const auto& path : refused) {
        IniOutput out(path);
        try {
            out.WriteEntry("A", "k", "v");
            out.Close();
            ADD_FAILURE() << "no refusal for " << path;
        } catch (const HxError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
        }
    }
    EXPECT_EQ(ReadFile(dir / "readonly.ini"), "[A]\r\n");
}

TEST(IniOutput, RefusesNamesThatWouldNotReadBack) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> names[] = {
        {"A", " k"},    {"A", "k\t"},  {" A", "k"}, {"A ", "k"},  {"A", "k=v"},  {"A", "k[1]"},
        {"A", "]k"},    {"A[1]", "k"}, {"A]", "k"}, {"A", "k\r"}, {"A", "k\nx"}, {"A\r\n", "k"},
        {"A", "k\0x"s}, {"A\0"s, "k"}, {"A", ""},   {"A", ";k"}};
    TempDir dir;
    WriteFile(dir / "a.ini", "[A]\r\nk=1\r\n");
    for (const auto& [section, key] : names) {
        EXPECT_FALSE(IniDocument().Set(section, key, "v")) << section << "/" << key;
        for (const char* file : {"a.ini", "new.ini"}) {
            IniOutput out(dir / file);
            try {
                out.WriteEntry(section, key, "v");
                out.Close();
                ADD_FAILURE() << "wrote [" << section << "] " << key;
            } catch (const HxError& e) {
                EXPECT_EQ(std::string(e.what()), "Unable to write to " + (dir / file).string());
            }
        }
    }
    EXPECT_EQ(ReadFile(dir / "a.ini"), "[A]\r\nk=1\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "new.ini"));
    // Blanks, brackets or "=" inside a value, blanks and ";" inside names are fine.
    IniDocument doc;
    EXPECT_TRUE(doc.Set("Schedule 2", "a;b c", " [x]=y "));
    EXPECT_EQ(IniDocument(doc.Text()).Get("schedule 2", "A;B C"), "[x]=y");
}

TEST(IniOutput, UnchangedBytesLeaveTheFileAsItWas) {
    namespace fs = std::filesystem;
    TempDir dir;
    const auto path = dir / "a.ini";
    WriteFile(path, "; note\n[A]\r\nk=1\r\nj=2\r\n");
    const auto old = fs::last_write_time(path) - std::chrono::hours(1000);
    fs::last_write_time(path, old);
    struct stat before {
    }, after{};
    ::stat(path.string().c_str(), &before);
    {
        IniOutput out(path);
        out.WriteEntry("a", "K", "1");
        out.WriteEntry("A", "j", "2");
        out.Close();
    }
    ::stat(path.string().c_str(), &after);
    EXPECT_EQ(after.st_ino, before.st_ino); // always 0 on Windows
    EXPECT_EQ(fs::last_write_time(path), old);
    {
        IniOutput out(path);
        out.WriteEntry("A", "j", "3");
        out.Close();
    }
    EXPECT_EQ(ReadFile(path), "; note\n[A]\r\nk=1\r\nj=3\r\n");
}

TEST(IniDocument, RewritingItsOwnOutputInOrderKeepsEveryByte) {
    IniDocument first;
    for (int i = 0; i < 50; ++i)
        first.Set(i < 25 ? "One" : "Two", "Key" + std::to_string(i), std::to_string(i));
    IniDocument again(first.Text());
    for (int i = 0; i < 50; ++i)
        again.Set(i < 25 ? "ONE" : "two", "key" + std::to_string(i), std::to_string(i * 2));
    again.Set("One", "Key3", "x"); // out of order, and a second write of one key
    again.Set("One", "New", "n");
    std::string expected = "[One]\r\n";
    for (int i = 0; i < 50; ++i) {
        if (i == 25)
            expected += "New=n\r\n[Two]\r\n";
        expected +=
            "Key" + std::to_string(i) + "=" + (i == 3 ? "x" : std::to_string(i * 2)) + "\r\n";
    }
    EXPECT_EQ(again.Text(), expected);
}

TEST(IniOutput, WritesThroughASymbolicLink) {
    TempDir dir;
    WriteFile(dir / "target.ini", "[A]\r\nk=1\r\n");
    std::filesystem::create_symlink("target.ini", dir / "link.ini");
    IniOutput out(dir / "link.ini");
    out.WriteEntry("A", "k", "2");
    out.Close();
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(dir / "target.ini"), "[A]\r\nk=2\r\n");
}

} // namespace
} // namespace hortivex
