#include "platform/Errors.h"
#include "platform/RegFile.h"
#include "platform/Regional.h"
#include "platform/RegistryStore.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <locale.h>

namespace hortivex {
namespace {

using test::ReadFile;
using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
const std::string kKey = "Software\\Brenmoor Systems\\Hortivex";

std::string Crlf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// Sets or unsets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(RegistryStore, StringsAndDwordsSurviveSaveAndLoad) {
    struct Case {
        const char* name;
        std::string value;
    };
    const Case cases[] = {
        {"Plain", "C:\\Hortivex\\Data"},
        {"Quotes", "say \"hi\" \\\"twice\\\""},
        {"Trailing", "ends with \\"},
        {"", "the default value"},
        {"Empty", ""},
        {"Lines", "first\r\nsecond\nthird"},
        {"Utf8", "K\xC3\xB6ln \xF0\x9F\x8C\xB1"},
    };
    TempDir dir;
    const fs::path file = dir / "user.reg";
    {
        auto store = MakeRegistryStore(file, std::nullopt);
        for (const Case& c : cases)
            store->WriteString(kUser, kKey, c.name, c.value);
        store->WriteDword(kUser, kKey, "Count", 0xDEADBEEF);
    }
    auto reloaded = MakeRegistryStore(file, std::nullopt);
    for (const Case& c : cases)
        EXPECT_EQ(reloaded->ReadString(kUser, kKey, c.name), c.value) << c.name;
    EXPECT_EQ(reloaded->ReadDword(kUser, kKey, "Count"), 0xDEADBEEFu);
    EXPECT_EQ(reloaded->ReadString(kUser, kKey, "Count"), std::nullopt);
    EXPECT_EQ(reloaded->ReadDword(kUser, kKey, "Plain"), std::nullopt);

    const std::string text = ReadFile(file);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\", 0),
              0u);
    EXPECT_NE(text.find("\"Quotes\"=\"say \\\"hi\\\" \\\\\\\"twice\\\\\\\"\"\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("@=\"the default value\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Count\"=dword:deadbeef\r\n"), std::string::npos);
    EXPECT_NE(text.find("\"Lines\"=hex(1):66,00,"), std::string::npos);
}

TEST(RegistryStore, KeepsRawValuesAndOtherRootsVerbatim) {
    TempDir dir;
    const fs::path file = dir / "user.reg";
    WriteFile(file,
              "REGEDIT4\n; exported\n[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex\\]\n"
              "\"Blob\"=hex:01,02,ff\n"
              "\"Expand\"=hex(2):25,00,55,00,\\\n  53,00,00,00\n"
              "\"Count\"=dword:0000000A\n\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=\"y\"\n");
    auto store = MakeRegistryStore(file, std::nullopt);
    EXPECT_FALSE(store->KeyExists(RegistryRoot::LocalMachine, "Software\\Other"));
    store->WriteString(kUser, kKey, "Added", "1");
    EXPECT_EQ(ReadFile(file), Crlf("Windows Registry Editor Version 5.00\n\n"
                                   "[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\n"
                                   "\"Blob\"=hex:01,02,ff\n"
                                   "\"Expand\"=hex(2):25,00,55,00,\\\n  53,00,00,00\n"
                                   "\"Count\"=dword:0000000a\n"
                                   "\"Added\"=\"1\"\n\n"
                                   "[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"x\"=\"y\"\n\n"));
}

TEST(RegistryStore, ReadsUtf16ExportWithBom) {
    const std::u16string text = u"Windows Registry Editor Version 5.00\r\n\r\n"
                                u"[HKEY_CURRENT_USER\\Software\\Brenmoor Systems\\Hortivex]\r\n"
                                u"\"WorkingDir\"=\"C:\\\\Gew\u00e4chshaus\\\\\U0001F331\"\r\n"
                                u"\"Version\"=dword:00000003\r\n\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t u : text) {
        bytes += static_cast<char>(u & 0xFF);
        bytes += static_cast<char>(u >> 8);
    }
    TempDir dir;
    WriteFile(dir / "user.reg", bytes);
    auto store = MakeRegistryStore(dir / "user.reg", std::nullopt);
    EXPECT_EQ(store->ReadString(kUser, kKey, "WorkingDir"), "C:\\Gew\xC3\xA4"
                                                            "chshaus\\\xF0\x9F\x8C\xB1");
    EXPECT_EQ(store->ReadDword(kUser, kKey, "Version"), 3u);
}

TEST(RegistryStore, DocumentedOperationsAndCaseInsensitiveNames) {
    TempDir dir;
    auto store = MakeRegistryStore(dir / "user.reg", std::nullopt);
    EXPECT_TRUE(store->KeyExists(kUser, ""));
    EXPECT_FALSE(store->KeyExists(kUser, kKey));

    store->CreateKey(kUser, kKey + "\\Room\\Unit\\");
    EXPECT_TRUE(store->KeyExists(kUser, "SOFTWARE\\brenmoor systems"));
    EXPECT_TRUE(store->KeyExists(kUser, kKey + "\\room\\UNIT"));
    EXPECT_FALSE(store->KeyExists(kUser, kKey + "\\Roo"));
    EXPECT_FALSE(store->ValueExists(kUser, kKey, "WorkingDir"));

    store->WriteString(kUser, kKey, "WorkingDir", "/srv/a");
    store->WriteString(kUser, "software\\BRENMOOR SYSTEMS\\hortivex\\", "workingdir", "/srv/b");
    EXPECT_TRUE(store->ValueExists(kUser, kKey, "WORKINGDIR"));
    EXPECT_EQ(store->ReadString(kUser, kKey, "WorkingDir"), "/srv/b");
    EXPECT_EQ(store->ReadString(kUser, kKey, "Missing"), std::nullopt);
    EXPECT_EQ(store->ReadString(kUser, "Software\\Nowhere", "WorkingDir"), std::nullopt);

    // One key, first spelling of key and value kept.
    const std::string text = ReadFile(dir / "user.reg");
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\" + kKey + "]\r\n\"WorkingDir\"=\"/srv/b\""),
              std::string::npos);
    EXPECT_EQ(text.find("hortivex"), std::string::npos);

    EXPECT_THROW(store->WriteString(kUser, kKey, "bad\nname", "x"), HxError);
    EXPECT_FALSE(store->KeyExists(RegistryRoot::LocalMachine, kKey));
}

TEST(RegistryStore, DeleteKeyTreeSparesPrefixSiblingsAndKeepsParent) {
    TempDir dir;
    const fs::path file = dir / "user.reg";
    auto store = MakeRegistryStore(file, std::nullopt);
    store->WriteString(kUser, "A\\B", "v", "1");
    store->WriteString(kUser, "A\\B\\C\\D", "v", "2");
    store->WriteString(kUser, "A\\BC", "v", "3");
    store->WriteString(kUser, "A\\B C", "v", "4");

    store->DeleteKeyTree(kUser, "a\\b\\");
    store->DeleteKeyTree(kUser, "A\\Absent"); // no failure
    auto reloaded = MakeRegistryStore(file, std::nullopt);
    for (auto* s : {store.get(), reloaded.get()}) {
        EXPECT_FALSE(s->KeyExists(kUser, "A\\B"));
        EXPECT_FALSE(s->KeyExists(kUser, "A\\B\\C"));
        EXPECT_TRUE(s->KeyExists(kUser, "A"));
        EXPECT_EQ(s->ReadString(kUser, "A\\BC", "v"), "3");
        EXPECT_EQ(s->ReadString(kUser, "A\\B C", "v"), "4");
    }
    // The parent survives even when nothing else implied it.
    store->DeleteKeyTree(kUser, "A\\BC");
    store->DeleteKeyTree(kUser, "A\\B C");
    EXPECT_TRUE(MakeRegistryStore(file, std::nullopt)->KeyExists(kUser, "A"));
}

TEST(RegistryStore, FailedWriteRaisesAndChangesNothing) {
    struct Case {
        const char* what;
        // Prepares the folder and returns the settings file to use.
        fs::path (*setup)(const fs::path& dir);
    };
    const Case cases[] = {
        {"parent path is a regular file",
         [](const fs::path& d) {
             WriteFile(d / "blocker", "x");
             return d / "blocker" / "sub" / "user.reg";
         }},
        {"settings path is a folder",
         [](const fs::path& d) {
             fs::create_directory(d / "user.reg");
             return d / "user.reg";
         }},
        {"temporary name too long beside an existing file",
         [](const fs::path& d) {
             fs::path f = d / (std::string(245, 'n') + ".reg");
             WriteFile(f, "[HKEY_CURRENT_USER\\K]\n\"v\"=\"old\"\n");
             return f;
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const fs::path file = c.setup(dir.path());
        const std::string before = fs::is_regular_file(file) ? ReadFile(file) : "";
        auto store = MakeRegistryStore(file, std::nullopt);
        const auto old = store->ReadString(kUser, "K", "v");
        try {
            store->WriteString(kUser, "K", "v", "new");
            ADD_FAILURE() << "no failure raised";
        } catch (const HxError& e) {
            EXPECT_EQ(std::string(e.what()), "Unable to write to " + file.string());
        }
        EXPECT_THROW(store->CreateKey(kUser, "Other"), HxError);
        EXPECT_EQ(store->ReadString(kUser, "K", "v"), old);
        EXPECT_FALSE(store->KeyExists(kUser, "Other"));
        store->DeleteKeyTree(kUser, "Absent"); // changes nothing, so no write and no failure
        if (!before.empty()) {
            EXPECT_EQ(ReadFile(file), before);
        }
    }
}

TEST(RegistryStore, CreatesMissingFoldersAndWritesThroughLinks) {
    TempDir dir;
    fs::create_directory(dir / "real");
    fs::create_symlink(dir / "real" / "user.reg", dir / "link.reg");
    MakeRegistryStore(dir / "a" / "b" / "user.reg", std::nullopt)->CreateKey(kUser, "K");
    MakeRegistryStore(dir / "link.reg", std::nullopt)->CreateKey(kUser, "K");
    EXPECT_TRUE(fs::is_regular_file(dir / "a" / "b" / "user.reg"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.reg"));
    EXPECT_NE(ReadFile(dir / "real" / "user.reg").find("[HKEY_CURRENT_USER\\K]"),
              std::string::npos);
}

TEST(RegFileParse, SkipsMalformedLinesAndKeepsTheRest) {
    const std::string bad[] = {
        "garbage",
        "\"unterminated=\"x\"",
        "\"a\"=\"no end",
        "\"a\"=\"x\" trailing",
        "\"a\"=dword:xyz",
        "\"a\"=dword:123456789",
        "\"a\"=",
        "\"a\" \"b\"",
        "\"a\"=bare words",
        "[HKEY_CURRENT_USER\\Broken\n\"lost\"=\"1\"\n[HKEY_CURRENT_USER\\Software]",
        "[HKEY_CURRENT_USERX\\Software]\n\"lost\"=\"1\"\n[HKEY_CURRENT_USER\\Software]",
        "[]\n\"lost\"=\"1\"\n[HKCU\\Software]",
    };
    for (const std::string& line : bad) {
        SCOPED_TRACE(line);
        const std::string text = "\"outside\"=\"0\"\n[HKEY_CURRENT_USER\\Software]\n"
                                 "\"before\"=\"1\"\n" +
                                 line + "\n\"after\"=\"2\"\n";
        RegFile f = RegFile::Parse(text, kUser);
        EXPECT_EQ(f.KeyPaths(), std::vector<std::string>{"Software"});
        ASSERT_NE(f.FindValue("Software", "before"), nullptr);
        ASSERT_NE(f.FindValue("Software", "after"), nullptr);
        EXPECT_EQ(f.FindValue("Software", "after")->data, "2");
        EXPECT_EQ(f.FindValue("Software", "lost"), nullptr);
        EXPECT_EQ(f.FindValue("Software", "a"), nullptr);
    }
    // Truncated or odd input must not crash.
    for (std::string_view text : {"", "\xFF\xFE", "\xFF\xFE[\x00", "[HKCU\\K]\n\"r\"=hex:01,\\"})
        EXPECT_NO_THROW(RegFile::Parse(text, kUser).Serialize());
}

TEST(RegFileParse, AppliesDeletionEntriesAndShortRootNames) {
    RegFile f = RegFile::Parse("[HKCU\\A]\n\"x\"=\"1\"\n\"y\"=\"2\"\n\"x\"=-\n"
                               "[hklm\\M]\n[HKEY_CURRENT_USER\\A\\B]\n[-HKEY_CURRENT_USER\\A\\B]\n"
                               "[HKEY_CURRENT_USER\\A]\n\"Y\"=\"3\"\n",
                               kUser);
    EXPECT_EQ(f.KeyPaths(), std::vector<std::string>{"A"});
    EXPECT_EQ(f.FindValue("A", "x"), nullptr);
    EXPECT_EQ(f.FindValue("A", "y")->data, "3");
    EXPECT_EQ(f.FindValue("A", "y")->name, "y");
    EXPECT_FALSE(RegFile::Parse("[HKCU\\A]\n", RegistryRoot::LocalMachine).KeyExists("A"));
}

TEST(RegFileParse, HostileSizesStayLinear) {
    // Quadratic handling of any of these would take minutes rather than a moment.
    std::string text = "[HKCU\\K]\n";
    for (int i = 0; i < 100000; ++i)
        text += "\"v" + std::to_string(i) + "\"=\"x\"\n";
    for (int i = 0; i < 100000; ++i)
        text += "\"v" + std::to_string(i) + "\"=-\n";
    for (int i = 0; i < 50000; ++i)
        text += "[HKCU\\D\\" + std::to_string(i) + "]\n[-HKCU\\D\\" + std::to_string(i) + "]\n";
    text += "[HKCU\\" + std::string(1 << 20, '\\') + "x]\n\"r\"=hex:00,\\\n";
    text += std::string(1 << 20, '\\') + "\n";
    RegFile f = RegFile::Parse(text, kUser);
    EXPECT_TRUE(f.KeyExists("K"));
    EXPECT_EQ(f.FindValue("K", "v5"), nullptr);
    EXPECT_TRUE(f.KeyExists("D"));
    EXPECT_FALSE(f.KeyExists("D\\7"));
    EXPECT_GT(f.Serialize().size(), 2u << 20);
}

TEST(RegistryStore, MemoryStoreHoldsValuesWithoutFiles) {
    auto store = MakeMemorySettingsStore();
    store->WriteString(RegistryRoot::LocalMachine, kKey, "Option", "on");
    store->WriteDword(kUser, kKey, "N", 7);
    EXPECT_EQ(store->ReadString(RegistryRoot::LocalMachine, kKey, "option"), "on");
    EXPECT_FALSE(store->ValueExists(kUser, kKey, "Option"));
    store->DeleteKeyTree(RegistryRoot::LocalMachine, "Software");
    EXPECT_FALSE(store->KeyExists(RegistryRoot::LocalMachine, kKey));
    EXPECT_EQ(store->ReadDword(kUser, kKey, "N"), 7u);
}

TEST(RegistryStore, UserStoreFollowsXdgConfigHome) {
    TempDir dir;
    const std::string home = (dir / "home").string();
    const std::string config = (dir / "config").string();
    struct Case {
        const char* what;
        const char* xdg;
        const char* home;
        const char* expected; // below the temporary folder; null: memory only
    };
    const Case cases[] = {
        {"absolute XDG_CONFIG_HOME", config.c_str(), home.c_str(), "config/hortivex/user.reg"},
        {"empty XDG_CONFIG_HOME", "", home.c_str(), "home/.config/hortivex/user.reg"},
        {"relative XDG_CONFIG_HOME", "rel/cfg", home.c_str(), "home/.config/hortivex/user.reg"},
        {"unset XDG_CONFIG_HOME", nullptr, home.c_str(), "home/.config/hortivex/user.reg"},
        {"neither variable", nullptr, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir / "home");
        fs::remove_all(dir / "config");
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        ScopedEnv homeVar("HOME", c.home);
        auto store = MakeUserSettingsStore();
        store->WriteString(kUser, kKey, "WorkingDir", "/data");
        EXPECT_EQ(store->ReadString(kUser, kKey, "WorkingDir"), "/data");
        if (c.expected) {
            EXPECT_TRUE(fs::is_regular_file(dir / c.expected));
        } else {
            EXPECT_FALSE(fs::exists(dir / "home") || fs::exists(dir / "config"));
        }
        EXPECT_FALSE(fs::exists("rel"));
    }
}

TEST(Regional, ReadsSeparatorsFromTheLocaleWithoutTouchingTheGlobalOne) {
    struct Case {
        const char* locale;
        const char *decimal, *time, *date;
    };
    const Case cases[] = {
        {"C", ".", ":", "/"},
        {"no_SUCH.locale", ".", ":", "/"}, // falls back to "C"
        {"de_DE.UTF-8", ",", ":", "."},
    };
    const std::string global = std::setlocale(LC_ALL, nullptr);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.locale);
        locale_t probe = ::newlocale(LC_ALL_MASK, c.locale, static_cast<locale_t>(0));
        if (probe)
            ::freelocale(probe);
        else if (std::string_view(c.locale) == "de_DE.UTF-8")
            continue; // not installed here
        ScopedEnv lcAll("LC_ALL", c.locale);
        auto regional = MakeLocaleRegional();
        EXPECT_EQ(regional->DecimalSymbol(), c.decimal);
        EXPECT_EQ(regional->TimeSeparator(), c.time);
        EXPECT_EQ(regional->DateSeparator(), c.date);
    }
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), global);
}

TEST(Regional, LanguageOfTheMessagesLocale) {
    const std::pair<const char*, int> cases[] = {{"zh_CN.UTF-8", kLanguageChinese},
                                                 {"zh_TW", kLanguageChinese},
                                                 {"en_US.UTF-8", 0x09},
                                                 {"de", 0x07},
                                                 {"C", 0},
                                                 {"POSIX", 0},
                                                 {"", 0},
                                                 {"zhx_CN", 0},
                                                 {"z", 0}};
    for (const auto& [name, language] : cases)
        EXPECT_EQ(PrimaryLanguageOf(name), language) << name;

    ScopedEnv lcAll("LC_ALL", "zh_CN.UTF-8");
    EXPECT_EQ(MakeLocaleRegional()->PrimaryLanguage(), kLanguageChinese);
}

} // namespace
} // namespace hortivex
