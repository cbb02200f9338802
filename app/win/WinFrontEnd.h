#pragma once

#include "app/Driver.h"
#include "platform/Messages.h"

#include <filesystem>
#include <windows.h>

namespace hortivex {

// The common "Open" dialog, modal over the owner window.
class WinFileChooser : public FileChooser {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    std::optional<std::vector<std::filesystem::path>>
    Choose(const ChooserRequest& request) override;

private:
    HWND owner_ = nullptr;
};

// Message boxes with a single OK button over the owner window. Their texts are UTF-8, as the
// driver and the file layer write file names into them.
class WinMessages : public Messages {
public:
    void SetOwner(HWND owner) { owner_ = owner; }
    void Information(const std::string& text) override;
    // The detail (file and reason) follows the text after a blank line.
    void Error(const std::string& text, const std::string& detail) override;
    void Plain(const std::string& text) override;

private:
    void Show(const std::string& text, const char* title, UINT icon);

    HWND owner_ = nullptr;
};

// The filter of the "Open" dialog: the display text and the patterns joined by ";", each
// ended by a NUL, the list by a second NUL.
std::wstring ChooserFilter(const ChooserRequest& request);

// The chosen paths in a multi-selection result: one full path, or the folder followed by the
// names, each ended by a NUL, the list by a second NUL. Kept in UTF-16, so that any name the
// dialog shows reaches the file calls whole, whatever the ANSI code page.
std::vector<std::filesystem::path> ChosenPaths(const std::wstring& result);

} // namespace hortivex
