#include "platform/Folders.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace hortivex {
namespace fs = std::filesystem;

PathInfo Examine(const fs::path& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {errno == ENOENT ? PathKind::Missing : PathKind::Unknown};
    PathInfo info;
    info.size = static_cast<std::uintmax_t>(st.st_size);
    if (S_ISREG(st.st_mode)) {
        info.kind = PathKind::File;
        // A file without any write bit counts as read-only, also for root.
        info.writable = (st.st_mode & 0222) != 0 && ::access(path.c_str(), W_OK) == 0;
    } else if (S_ISDIR(st.st_mode)) {
        info.kind = PathKind::Folder;
        info.writable = ::access(path.c_str(), W_OK | X_OK) == 0;
    } else {
        info.kind = PathKind::Other;
    }
    return info;
}

fs::path ProgramFolder() {
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return fs::current_path();
    return fs::path(std::string(self, static_cast<std::size_t>(n))).parent_path();
}

fs::path UserDataFolder() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg && fs::path(xdg).is_absolute())
        return fs::path(xdg) / "hortivex";
    const char* home = std::getenv("HOME");
    return fs::path(home && *home ? home : "/tmp") / ".local/share/hortivex";
}

void UseSystemFileNameEncoding() {}

std::string FileNameText(const fs::path& path) {
    return path.string();
}

} // namespace hortivex
