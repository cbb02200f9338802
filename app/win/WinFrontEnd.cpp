#include "app/win/WinFrontEnd.h"

#include "app/FormLayout.h"
#include "platform/Errors.h"
#include "platform/win/WinText.h"

#include <commdlg.h>

namespace hortivex {
namespace {

std::wstring FromUtf8(const std::string& text) {
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

} // namespace

std::wstring ChooserFilter(const ChooserRequest& request) {
    std::wstring filter = Widen(request.filterText);
    filter += L'\0';
    for (std::size_t i = 0; i < request.patterns.size(); ++i) {
        if (i > 0)
            filter += L';';
        filter += Widen(request.patterns[i]);
    }
    filter += L'\0';
    return filter; // the final NUL is the string's own terminator
}

std::vector<std::filesystem::path> ChosenPaths(const std::wstring& result) {
    std::vector<std::wstring> parts;
    for (std::size_t start = 0; start < result.size() && result[start] != L'\0';) {
        const std::size_t end = result.find(L'\0', start);
        parts.push_back(result.substr(start, end - start));
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    std::vector<std::filesystem::path> paths;
    if (parts.size() == 1) {
        paths.emplace_back(parts[0]);
        return paths;
    }
    std::wstring folder = parts.empty() ? L"" : parts[0];
    if (!folder.empty() && folder.back() != L'\\')
        folder += L'\\';
    for (std::size_t i = 1; i < parts.size(); ++i)
        paths.emplace_back(folder + parts[i]);
    return paths;
}

std::optional<std::vector<std::filesystem::path>>
WinFileChooser::Choose(const ChooserRequest& request) {
    const std::wstring filter = ChooserFilter(request);
    const std::wstring folder = request.initialFolder.wstring();
    std::wstring buffer(1 << 16, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = buffer.data();
    dialog.nMaxFile = static_cast<DWORD>(buffer.size());
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    // Explorer style is the look that gives the multi-selection list NUL-separated.
    dialog.Flags = OFN_EXPLORER | (request.multiSelect ? OFN_ALLOWMULTISELECT : 0) |
                   (request.mustExist ? OFN_FILEMUSTEXIST : 0);
    if (!GetOpenFileNameW(&dialog)) {
        const DWORD error = CommDlgExtendedError();
        if (error == 0)
            return std::nullopt; // cancelled
        throw HxError("The file chooser failed (error " + std::to_string(error) + ")");
    }
    return ChosenPaths(buffer);
}

void WinMessages::Show(const std::string& text, const char* title, UINT icon) {
    MessageBoxW(owner_, FromUtf8(text).c_str(), FromUtf8(title).c_str(), MB_OK | icon);
}

void WinMessages::Information(const std::string& text) {
    Show(text, "Information", MB_ICONINFORMATION);
}

void WinMessages::Error(const std::string& text, const std::string& detail) {
    Show(detail.empty() ? text : text + "\n\n" + detail, "Error", MB_ICONERROR);
}

void WinMessages::Plain(const std::string& text) {
    Show(text, kFormCaption, 0);
}

} // namespace hortivex
