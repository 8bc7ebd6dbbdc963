// What the file chooser learns of folders and typed paths.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/ChildProcess.h"
#include "video/FolderLook.h"

namespace oculon::video {
namespace {

TEST(FolderLook, TypedPathsAreTakenAsWritten) {
    const struct {
        const char* typed;
        const char* path;
    } rows[] = {
        {"door.jpg", "/pics/day/door.jpg"},
        {"/mnt/share", "/mnt/share"},
        {"~", "/home/u"},
        {"~/x/", "/home/u/x"},
        {"../other//a", "/pics/other/a"},
        {"./../../../..", "/"},
        {"~x", "/pics/day/~x"},
        {"a/./b/..", "/pics/day/a"},
    };
    for (const auto& row : rows) EXPECT_EQ(typedPath("/pics/day", row.typed, "/home/u"), row.path) << row.typed;
    EXPECT_EQ(folderAbove("/pics/day"), "/pics");
    EXPECT_EQ(folderAbove("/pics"), "/");
    EXPECT_EQ(folderAbove("/"), "/");
    EXPECT_EQ(pathIn("/", "a"), "/a");
}

TEST(FolderLook, AFolderIsListedFoldersFirstOrTheNearestAboveItWhereItIsMissing) {
    testsupport::TempDir dir;
    for (const char* name : {"b.jpg", "A.jpg", ".hidden", "c.avi"}) dir.write(name, "12345");
    ASSERT_EQ(makeFolder(dir.path() + "/Zoo"), 0);
    EXPECT_EQ(makeFolder(dir.path() + "/Zoo"), EEXIST);
    ASSERT_EQ(::symlink((dir.path() + "/Zoo").c_str(), (dir.path() + "/link").c_str()), 0);

    FolderContents listed = listFolder(dir.path() + "/missing/deeper", true);
    EXPECT_EQ(listed.folder, dir.path());
    EXPECT_EQ(listed.error, 0);
    std::vector<std::string> names;
    for (const FolderEntry& e : listed.entries) names.push_back(e.name + (e.folder ? "/" : ""));
    EXPECT_EQ(names, (std::vector<std::string>{"link/", "Zoo/", "A.jpg", "b.jpg", "c.avi"}));
    EXPECT_EQ(listed.entries.back().size, 5u);
    EXPECT_EQ(listFolder(dir.path() + "/missing", false).error, ENOENT);
    EXPECT_EQ(listFolder(dir.path() + "/b.jpg", false).error, ENOTDIR);

    EXPECT_EQ(lookAtPath(dir.path() + "/link").kind, PathKind::folder);
    EXPECT_EQ(lookAtPath(dir.path() + "/b.jpg").kind, PathKind::file);
    const PathState missing = lookAtPath(dir.path() + "/new.jpg");
    EXPECT_EQ(missing.kind, PathKind::missing);
    EXPECT_TRUE(missing.inFolder);
    EXPECT_FALSE(lookAtPath(dir.path() + "/no/new.jpg").inFolder);
    EXPECT_EQ(lookAtPath(dir.path() + "/b.jpg/x").kind, PathKind::unreadable);
}

}  // namespace
}  // namespace oculon::video
