#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace hortivex {

// The separator of the folder paths the program builds as text.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

enum class PathKind { Missing, File, Folder, Other, Unknown };

// What a path names, symbolic links followed. Unknown when it exists but cannot be examined.
// writable: a file may be opened for writing (it is not read-only); a folder may take new files.
struct PathInfo {
    PathKind kind = PathKind::Unknown;
    std::uintmax_t size = 0;
    bool writable = false;
};
PathInfo Examine(const std::filesystem::path& path);

// A path as the program's narrow file name text (see UseSystemFileNameEncoding).
std::string FileNameText(const std::filesystem::path& path);

// The folder of the running program's executable file.
std::filesystem::path ProgramFolder();

// The per-user folder where the program keeps its files when its own folder cannot be written.
std::filesystem::path UserDataFolder();

// Lets the C++ library read the program's narrow file names as the system writes them: in the
// ANSI code page on Windows (whose C library otherwise maps bytes one to one); nothing to do on
// Linux, where names are bytes. Called once, at the start of the program.
void UseSystemFileNameEncoding();

} // namespace hortivex
