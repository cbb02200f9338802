// Starts hortivex-converter.exe, finds the dialog and its controls by their window texts,
// checks their places, fonts and order, and closes the dialog with its "Close" button.
#include "app/FormLayout.h"
#include "platform/win/WinText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>
#include <windows.h>

namespace hortivex {
namespace {

// A path of the build machine as Wine sees it (its root is drive Z:).
std::wstring ProgramPath() {
    std::string path = HX_DIALOG_PATH;
    if (!path.empty() && path[0] == '/')
        path = "Z:" + path;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return Widen(path);
}

struct Search {
    DWORD process;
    HWND found = nullptr;
};

HWND FindDialog(DWORD process) {
    Search search{process};
    for (int attempt = 0; attempt < 200 && !search.found; ++attempt) {
        EnumWindows(
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                wchar_t title[64] = {};
                GetWindowTextW(window, title, 64);
                if (owner == s->process && Narrow(title) == kFormCaption &&
                    IsWindowVisible(window)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(100);
    }
    return search.found;
}

std::string TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return Narrow(text);
}

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return Narrow(name);
}

RECT ClientRectOf(HWND control, HWND dialog) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class DialogSmoke : public ::testing::Test {
protected:
    void SetUp() override {
        SetProcessDPIAware();
        HDC screen = GetDC(nullptr);
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring command = L"\"" + ProgramPath() + L"\"";
        ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                   nullptr, &startup, &process))
            << "cannot start " << HX_DIALOG_PATH;
        WaitForInputIdle(process.hProcess, 20000);
    }
    void TearDown() override {
        if (process.hProcess) {
            if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process.hProcess, 1);
            CloseHandle(process.hProcess);
            CloseHandle(process.hThread);
        }
    }
    int Scaled(int pixels) const { return MulDiv(pixels, dpi, 96); }

    PROCESS_INFORMATION process{};
    int dpi = 96;
};

TEST_F(DialogSmoke, ShowsTheLayoutAndClosesWithItsButton) {
    HWND dialog = FindDialog(process.dwProcessId);
    ASSERT_NE(dialog, nullptr) << "no window titled " << kFormCaption;

    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, Scaled(kClientWidth));
    EXPECT_EQ(client.bottom, Scaled(kClientHeight));
    const LONG style = GetWindowLongW(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << std::hex << style;

    struct Expected {
        const char* text;
        const char* windowClass;
        ControlRect rect;
    };
    const ControlRect bar{kGroupRect.left + kBarRect.left, kGroupRect.top + kBarRect.top,
                          kBarRect.width, kBarRect.height};
    // In the order of the window list, which is the tab order.
    const Expected expected[] = {
        {kExplanation, "Static", kLabelRect},     {kChooseCaption, "Button", kChooseRect},
        {kProgressCaption, "Button", kGroupRect}, {"", "msctls_progress32", bar},
        {kCloseCaption, "Button", kCloseRect},
    };
    HWND control = GetWindow(dialog, GW_CHILD);
    HWND closeButton = nullptr;
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.text);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(TextOf(control), e.text);
        EXPECT_EQ(ClassOf(control), e.windowClass);
        const RECT r = ClientRectOf(control, dialog);
        EXPECT_EQ(r.left, Scaled(e.rect.left));
        EXPECT_EQ(r.top, Scaled(e.rect.top));
        EXPECT_EQ(r.right - r.left, Scaled(e.rect.width));
        EXPECT_EQ(r.bottom - r.top, Scaled(e.rect.height));
        if (e.text == kCloseCaption)
            closeButton = control;
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "an unexpected control";
    EXPECT_EQ(GetNextDlgTabItem(dialog, GetDlgItem(dialog, GetDlgCtrlID(closeButton)), FALSE),
              FindWindowExW(dialog, nullptr, L"Button", Widen(kChooseCaption).c_str()));

    // Centred on the screen's work area.
    RECT work{}, frame{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(dialog, &frame);
    EXPECT_LE(std::abs((frame.left + frame.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((frame.top + frame.bottom) - (work.top + work.bottom)), 1);

    ASSERT_NE(closeButton, nullptr);
    PostMessageW(closeButton, BM_CLICK, 0, 0);
    ASSERT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0) << "still open";
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    EXPECT_EQ(code, 0u);
}

} // namespace
} // namespace hortivex
