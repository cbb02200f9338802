#pragma once

#include "app/Driver.h"
#include "platform/Messages.h"
#include "platform/SettingsStore.h"

#include <filesystem>
#include <vector>
#include <windows.h>

namespace hortivex {

// The program's one dialog as a native window: an explanation, "Choose file", the progress bar
// in its group and "Close", laid out at 96 dots per inch and scaled to the screen's density.
// It is the progress view of the batches it starts.
class TForm1 : public ProgressView {
public:
    TForm1(HINSTANCE instance, FileChooser& chooser, Messages& messages, SettingsStore& settings,
           std::filesystem::path programFolder);
    ~TForm1() override;
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    HWND Handle() const { return window_; }

    void SetMaximum(int maximum) override;
    int Maximum() const override;
    void SetPosition(int position) override;
    void ProcessPendingEvents() override;
    void SetBusy(bool busy) override;

    // "Choose file": choose files and convert them.
    void btn1Click();
    // "Close": closes the dialog, which ends the program.
    void btn2Click();
    // Files and folders dropped on the dialog, converted as one batch, as if chosen.
    void ConvertDropped(const std::vector<std::filesystem::path>& paths);

    // Runs the message loop until the dialog is closed; answers the program's exit code.
    static int RunMessageLoop(HWND dialog);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT OnMessage(UINT message, WPARAM w, LPARAM l);
    void CreateControls();
    int Scaled(int pixels) const;
    HWND AddControl(const wchar_t* windowClass, const char* text, DWORD style, int left, int top,
                    int width, int height, int id);
    // Handles one message the way the loop does: dialog keys (Tab, Enter) first.
    static bool Dispatch(HWND dialog, MSG& message);

    HINSTANCE instance_;
    DialogSession session_;
    int dpi_ = 96;
    int maximum_ = 100;

    HWND window_ = nullptr;
    HWND lbl1_ = nullptr, btn1_ = nullptr, grp1_ = nullptr, pb1_ = nullptr, btn2_ = nullptr;
    HFONT formFont_ = nullptr, labelFont_ = nullptr;
};

} // namespace hortivex
