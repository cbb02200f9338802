#include "TestSupport.h"
#include "app/FileList.h"

#include <gtest/gtest.h>

namespace hortivex {
namespace {

using test::TempDir;
using test::WriteFile;
namespace fs = std::filesystem;

// d/: classic files in mixed name order, other names, a folder named like a classic file, a
// sub-folder, links to a folder inside and outside the tree, and a link to a classic file.
void MakeTree(const TempDir& dir, const TempDir& outside) {
    fs::create_directories(dir / "d/sub");
    fs::create_directories(dir / "d/sub.fvs");
    for (const char* name : {"b.fvs", "a.ava", "B.fvd", "c.FVS", "readme.txt", "x.fvs.ini", "noext",
                             "sub/zz.fvd", "sub/y.avs", "sub.fvs/k.avs"})
        WriteFile(dir / "d" / name, "x");
    WriteFile(outside / "far.fvs", "x");
    fs::create_directory_symlink(dir / "d/sub", dir / "d/inner");
    fs::create_directory_symlink(outside.path(), dir / "d/outer");
    fs::create_symlink(outside / "far.fvs", dir / "d/linked.fvs");
}

TEST(ExpandFolders, FolderStandsForItsClassicFilesInNameOrder) {
    TempDir dir, outside;
    MakeTree(dir, outside);
    const std::string d = (dir / "d").string();
    struct Case {
        const char* name;
        bool recursive;
        std::vector<std::string> files;
        int passedOver;
    };
    const Case cases[] = {
        {"folder only", false, {"B.fvd", "a.ava", "b.fvs", "linked.fvs"}, 4},
        {"recursive, links to folders not followed",
         true,
         {"B.fvd", "a.ava", "b.fvs", "linked.fvs", "sub/y.avs", "sub/zz.fvd", "sub.fvs/k.avs"},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::filesystem::path> expected;
        for (const std::string& file : c.files)
            expected.emplace_back(d + "/" + file);
        const BatchFiles batch = ExpandFolders({d}, c.recursive);
        EXPECT_EQ(batch.files, expected);
        EXPECT_EQ(batch.passedOver, c.passedOver);
        EXPECT_TRUE(batch.anyFolder);
        EXPECT_TRUE(batch.unreadableFolders.empty());
    }
}

} // namespace
} // namespace hortivex
