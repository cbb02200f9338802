#include "app/FileList.h"

#include "app/Driver.h"

#include <algorithm>
#include <system_error>

namespace hortivex {
namespace fs = std::filesystem;

namespace {

void AddFolder(const fs::path& folder, bool recursive, bool (*takes)(const fs::path&),
               BatchFiles& batch) {
    std::vector<fs::path> files;
    std::vector<fs::path> subfolders;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const fs::directory_entry& entry = *it;
        std::error_code statError;
        // A link to a folder counts as a folder (never a file to convert) but is not walked.
        if (entry.is_directory(statError)) {
            if (recursive && !entry.is_symlink(statError))
                subfolders.push_back(entry.path());
        } else if (takes(entry.path().filename())) {
            files.push_back(entry.path());
        } else {
            ++batch.passedOver;
        }
    }
    if (ec) {
        batch.unreadableFolders.push_back(MessageName(folder) + ": " + ec.message());
        return;
    }
    std::sort(files.begin(), files.end());
    std::sort(subfolders.begin(), subfolders.end());
    batch.files.insert(batch.files.end(), files.begin(), files.end());
    for (const fs::path& sub : subfolders)
        AddFolder(sub, recursive, takes, batch);
}

} // namespace

BatchFiles ExpandFolders(const std::vector<fs::path>& names, bool recursive) {
    return ExpandFolders(names, recursive, IsClassicFile);
}

BatchFiles ExpandFolders(const std::vector<fs::path>& names, bool recursive,
                         bool (*takes)(const fs::path& name)) {
    BatchFiles batch;
    for (const fs::path& name : names) {
        std::error_code ec;
        if (fs::is_directory(name, ec)) {
            batch.anyFolder = true;
            AddFolder(name, recursive, takes, batch);
        } else {
            batch.files.push_back(name);
        }
    }
    return batch;
}

} // namespace hortivex
