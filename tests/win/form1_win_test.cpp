// The native dialog in this process: its fonts, the bar and the buttons during a batch.
#include "app/FormLayout.h"
#include "app/win/Form1Win.h"
#include "app/win/WinFrontEnd.h"
#include "platform/Regional.h"
#include "platform/RegistryStore.h"
#include "platform/Services.h"
#include "platform/win/WinText.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace hortivex {
namespace {

struct Recorded : Messages {
    void Information(const std::string& text) override { infos.push_back(text); }
    void Error(const std::string& text, const std::string&) override { errors.push_back(text); }
    void Plain(const std::string&) override {}
    std::vector<std::string> infos, errors;
};

// Answers the given files.
struct Chooser : FileChooser {
    std::optional<std::vector<std::filesystem::path>> Choose(const ChooserRequest&) override {
        return files;
    }
    std::vector<std::filesystem::path> files;
};

class Form1Win : public ::testing::Test {
protected:
    HWND Control(const char* text) const {
        return FindWindowExW(form.Handle(), nullptr, nullptr, Widen(text).c_str());
    }
    HWND Bar() const { return FindWindowExW(form.Handle(), nullptr, PROGRESS_CLASSW, nullptr); }

    Recorded messages;
    Chooser chooser;
    std::shared_ptr<SettingsStore> store = MakeMemorySettingsStore();
    test::TempDir dir;
    TForm1 form{GetModuleHandleW(nullptr), chooser, messages, *store, dir.path()};
};

TEST_F(Form1Win, ControlsUseArialOfTheirCharacterHeight) {
    const std::pair<const char*, int> cases[] = {{kExplanation, kLabelFontPixels},
                                                 {kChooseCaption, kFormFontPixels},
                                                 {kProgressCaption, kFormFontPixels},
                                                 {kCloseCaption, kFormFontPixels}};
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (const auto& [text, pixels] : cases) {
        HWND control = Control(text);
        ASSERT_NE(control, nullptr) << text;
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        EXPECT_EQ(Narrow(font.lfFaceName), kFontFace) << text;
        EXPECT_EQ(font.lfHeight, -MulDiv(pixels, dpi, 96)) << text;
        EXPECT_EQ(font.lfWeight, FW_NORMAL) << text;
        EXPECT_FALSE(font.lfItalic) << text;
    }
}

TEST_F(Form1Win, BatchFillsTheBarShowsSuccessOnceAndReturnsToZero) {
    const std::string input = (dir / "a.fvs").string();
    test::WriteFile(input, std::string(118, '\0'));
    chooser.files = {input, dir / "skip.txt"};
    EXPECT_EQ(SendMessageW(Bar(), PBM_GETRANGE, FALSE, 0), 100) << "the maximum before a batch";
    form.btn1Click();
    EXPECT_EQ(messages.infos,
              std::vector<std::string>{"  Hortivex settings successfully exported  "});
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_EQ(form.Maximum(), 2);
    EXPECT_EQ(SendMessageW(Bar(), PBM_GETRANGE, FALSE, 0), 2);
    EXPECT_EQ(SendMessageW(Bar(), PBM_GETPOS, 0, 0), 0);
    EXPECT_TRUE(std::filesystem::exists(input + ".ini"));
    EXPECT_TRUE(IsWindowEnabled(Control(kChooseCaption)));
}

TEST_F(Form1Win, DroppedFolderIsConvertedAsOneBatch) {
    std::filesystem::create_directory(dir / "in");
    const std::string input = (dir / "in" / "a.fvs").string();
    test::WriteFile(input, std::string(118, '\0'));
    test::WriteFile((dir / "in" / "notes.txt").string(), "x");
    form.ConvertDropped({dir / "in"});
    EXPECT_EQ(messages.infos,
              std::vector<std::string>{"  Hortivex settings successfully exported  "});
    EXPECT_TRUE(std::filesystem::exists(input + ".ini"));
    EXPECT_TRUE(messages.errors.empty());
}

TEST_F(Form1Win, DroppedMonthLogsGiveACsvEachAndAChartPerControllerInTheBatch) {
    InstallRegional(std::make_shared<FixedRegional>(","));
    const test::LogDropCase drop = test::MakeLogDrop(dir.path());
    form.ConvertDropped(drop.dropped);
    EXPECT_EQ(messages.infos,
              std::vector<std::string>{"  Hortivex settings successfully exported  "});
    EXPECT_TRUE(messages.errors.empty());
    EXPECT_EQ(form.Maximum(), drop.steps);
    for (const auto& [csv, bytes] : drop.csvs)
        EXPECT_EQ(test::ReadFile(csv), bytes) << csv;
    for (const auto& [page, title] : drop.charts)
        EXPECT_NE(test::ReadFile(page).find(title), std::string::npos) << page;
    EXPECT_TRUE(std::filesystem::exists(drop.ini));
}

// A name outside the ANSI code page, as the dialog or a drop gives it, converts like any other.
TEST_F(Form1Win, NamesOutsideTheAnsiCodePageConvert) {
    const std::filesystem::path input = dir / "a" / L"\u6e29\u5ba4\u03b1.fvs";
    std::filesystem::create_directory(dir / "a");
    test::WriteFile(input, std::string(118, '\0'));
    ASSERT_NE(Widen(Narrow(input.filename().wstring())), input.filename().wstring())
        << "the name must be one the ANSI code page cannot hold";
    chooser.files = ChosenPaths(input.wstring() + L'\0');
    form.btn1Click();
    form.ConvertDropped({dir / "a"});
    EXPECT_EQ(messages.infos.size(), 2u);
    EXPECT_TRUE(messages.errors.empty());
    std::filesystem::path output = input;
    output += ".ini";
    EXPECT_TRUE(std::filesystem::exists(output));
}

TEST_F(Form1Win, ButtonsAreDisabledWhileBusy) {
    form.SetBusy(true);
    EXPECT_FALSE(IsWindowEnabled(Control(kChooseCaption)));
    EXPECT_FALSE(IsWindowEnabled(Control(kCloseCaption)));
    form.SetBusy(false);
    EXPECT_TRUE(IsWindowEnabled(Control(kChooseCaption)));
    EXPECT_TRUE(IsWindowEnabled(Control(kCloseCaption)));
}

TEST(WinFileChooser, FilterAndMultiSelectionResultsAsTheOpenDialogUsesThem) {
    using namespace std::string_literals;
    EXPECT_EQ(ChooserFilter(MakeChooserRequest("C:\\data\\")),
              L"Config files (*.fvd, *.fvs, *.avs, *.ava)\0*.fvd;*.fvs;*.avs;*.ava\0"s);
    const std::pair<std::wstring, std::vector<std::wstring>> cases[] = {
        {L"C:\\data\\a.fvs\0"s, {L"C:\\data\\a.fvs"}},
        {L"C:\\data\0a.fvs\0b.ava\0"s, {L"C:\\data\\a.fvs", L"C:\\data\\b.ava"}},
        {L"C:\\\0x.fvd\0"s, {L"C:\\x.fvd"}},
        {L"C:\\caf\u00e9\0\u00e9.avs\0"s, {L"C:\\caf\u00e9\\\u00e9.avs"}},
        {L"C:\\\u6e29\0\u5ba4.ava\0"s, {L"C:\\\u6e29\\\u5ba4.ava"}},
    };
    for (const auto& [result, paths] : cases) {
        std::vector<std::wstring> chosen;
        for (const std::filesystem::path& path : ChosenPaths(result))
            chosen.push_back(path.wstring());
        EXPECT_EQ(chosen, paths);
    }
}

} // namespace
} // namespace hortivex
