#include "platform/Folders.h"
#include "platform/win/WinText.h"

#include <clocale>
#include <cstdlib>
#include <windows.h>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

// Whether a new file can be made in the folder, tried with a file that is gone again as soon
// as it is closed: the folder's access rules decide, not an attribute.
bool TakesNewFiles(const fs::path& folder) {
    const std::wstring probe = (folder / (L".hxprobe-" + std::to_wstring(GetCurrentProcessId()) +
                                          L"-" + std::to_wstring(GetTickCount64())))
                                   .wstring();
    HANDLE handle = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(handle);
    return true;
}

} // namespace

PathInfo Examine(const fs::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.wstring().c_str(), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        const bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return {missing ? PathKind::Missing : PathKind::Unknown};
    }
    PathInfo info;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        info.kind = PathKind::Folder;
        info.writable = TakesNewFiles(path);
    } else if (data.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) {
        info.kind = PathKind::Other;
    } else {
        info.kind = PathKind::File;
        info.size = (static_cast<std::uintmax_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
        info.writable = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) == 0;
    }
    return info;
}

fs::path ProgramFolder() {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
        if (length == 0)
            return fs::current_path();
        if (length < name.size()) {
            name.resize(length);
            return fs::path(name).parent_path();
        }
        name.resize(name.size() * 2);
    }
}

fs::path UserDataFolder() {
    const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
    const fs::path base = local && *local ? fs::path(local) : fs::temp_directory_path();
    return base / "Hortivex";
}

std::string FileNameText(const fs::path& path) {
    return Narrow(path.wstring()); // string() would answer UTF-8
}

void UseSystemFileNameEncoding() {
    std::setlocale(LC_CTYPE, "");
}

} // namespace hortivex
