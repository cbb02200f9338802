#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace hortivex {

// What a list of file and folder names stands for in one batch.
struct BatchFiles {
    // Files to convert, in order: a file name as given, a folder replaced by its classic files.
    std::vector<std::filesystem::path> files;
    // Entries of the listed folders left out because they are not classic files.
    int passedOver = 0;
    // Folders that could not be listed, each as "folder: reason".
    std::vector<std::string> unreadableFolders;
    bool anyFolder = false;
};

// Replaces each folder among `names` by the classic files directly inside it (their extension
// exactly one of the dispatch table's, sorted by name); other names stay as they are. With
// `recursive`, each folder's sub-folders follow its own files, in name order. A symbolic link
// to a folder is never followed, so a walk stays inside the tree it was given.
BatchFiles ExpandFolders(const std::vector<std::filesystem::path>& names, bool recursive);
// The same with another test of which files in a folder the batch takes.
BatchFiles ExpandFolders(const std::vector<std::filesystem::path>& names, bool recursive,
                         bool (*takes)(const std::filesystem::path& name));

} // namespace hortivex
