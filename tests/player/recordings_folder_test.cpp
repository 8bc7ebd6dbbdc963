// The recordings browser's folders and files: the tree of cameras with the
// camera's name at every depth, sorted without regard to case, links and
// other accounts' folders left out, an empty picture path, and which files
// are listed.

#include "player/RecordingsFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "support/ChildProcess.h"

using namespace oculon::player;
using oculon::testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

// "name(children)" for each node, with "<camera>" where the camera's name
// differs from the top folder's.
std::string outline(const std::vector<FolderNode>& nodes, const std::string& camera = {}) {
    std::string out;
    for (const auto& n : nodes) {
        const std::string top = camera.empty() ? n.name : camera;
        out += (out.empty() ? "" : " ") + n.name + (n.data.camName == top ? "" : "<" + n.data.camName + ">");
        if (!n.children.empty()) out += "(" + outline(n.children, top) + ")";
    }
    return out;
}

}  // namespace

TEST(RecordingsFolder, TreeOfCamerasWithTheirNamesAtEveryDepth) {
    TempDir tmp;
    const std::string root = tmp.path() + "/Pictures/";
    for (const char* folder :
         {"Door/2024/05 - May/01 - Wednesday", "Door/2023", "Garage/2024", "carport", ".cache/thumbs", "Door/.trash"})
        fs::create_directories(root + folder);
    tmp.write("Pictures/Door/not-a-folder.kvd", "x");
    for (const std::string& r : {root, root.substr(0, root.size() - 1)}) {  // with or without the delimiter
        const auto tree = scanFolderTree(r);
        EXPECT_EQ(outline(tree), "carport Door(2023 2024(05 - May(01 - Wednesday))) Garage(2024)");
        EXPECT_EQ(tree.at(1).data.dir, root + "Door/");
        EXPECT_EQ(tree.at(1).children.at(1).children.at(0).children.at(0).data.dir,
                  root + "Door/2024/05 - May/01 - Wednesday/");
    }
    EXPECT_TRUE(scanFolderTree(tmp.path() + "/missing/").empty());
}

// Recordings go only into folders of the user's own, never through a link
// nor into another account's folder: the tree shows what they use, beside
// names others took too, and nothing else. The picture folder itself may be
// a link.
TEST(RecordingsFolder, LinksAndOtherAccountsFoldersAreNeitherShownNorEntered) {
    TempDir tmp;
    const std::string root = tmp.path() + "/root/";
    const std::string outside = tmp.path() + "/elsewhere";
    fs::create_directories(root + "Door/2024");
    fs::create_directories(root + "Garage");
    fs::create_directories(outside + "/2022");
    fs::create_directory_symlink(root, root + "Door/2024/up-to-root");
    fs::create_directory_symlink(root + "Door", root + "Garage/door-again");
    fs::create_directory_symlink(root + "Garage/self", root + "Garage/self");  // a link onto itself
    fs::create_directory_symlink(outside, root + "Archive");
    fs::create_directory_symlink(root, tmp.path() + "/chosen");
    std::string expected = "Door(2024) Garage";
    // What is left out, and why, in the order the tree is read; a link that
    // leads to no folder is no place for recordings, and is not told.
    using oculon::platform::LevelKind;
    std::vector<std::pair<std::string, LevelKind>> leftOut{{"Archive/", LevelKind::link},
                                                           {"Door/2024/up-to-root/", LevelKind::link},
                                                           {"Garage/door-again/", LevelKind::link}};
    if (::geteuid() == 0) {
        leftOut.insert(leftOut.begin() + 1, {"Door/2023/", LevelKind::others});
        leftOut.push_back({"Gate/", LevelKind::others});
        fs::create_directories(root + "Gate/2024");
        fs::create_directories(root + "Gate (2)/2024");
        fs::create_directories(root + "Door/2023/05 - May");
        for (const char* theirs : {"Gate", "Door/2023"}) ASSERT_TRUE(oculon::testsupport::handToNobody(root + theirs));
        expected = "Door(2024) Garage Gate (2)(2024)";
    }
    std::vector<LeftOutFolder> told;
    EXPECT_EQ(outline(scanFolderTree(root, &told)), expected);
    ASSERT_EQ(told.size(), leftOut.size());
    for (std::size_t i = 0; i < told.size(); ++i) {
        EXPECT_EQ(told[i].dir, root + leftOut[i].first);
        EXPECT_EQ(told[i].kind, leftOut[i].second) << told[i].dir;
    }
    EXPECT_EQ(outline(scanFolderTree(tmp.path() + "/chosen")), expected);
}

TEST(RecordingsFolder, AnEmptyPicturePathIsNotTheCurrentFolder) {
    TempDir tmp;
    fs::create_directories(tmp.path() + "/Door");
    const fs::path before = fs::current_path();
    fs::current_path(tmp.path());
    const auto tree = scanFolderTree("");
    const auto files = listPreviewFiles({"", ""});
    fs::current_path(before);
    EXPECT_TRUE(tree.empty());
    EXPECT_TRUE(files.empty());
    EXPECT_EQ(folderPrefix(""), "");
    EXPECT_EQ(folderPrefix("/a"), "/a/");
}

TEST(RecordingsFolder, OnlyVisibleRegularJpgAndKvdFilesAreListed) {
    TempDir tmp;
    const std::string dir = tmp.path() + "/Door/";
    fs::create_directories(dir + "sub.jpg");
    for (const char* name : {"b.kvd", "b (2).kvd", "a.jpg", "c.JPG", "d.Kvd", "e.jpeg", ".hidden.jpg", "f.jpg.txt",
                             "g.kvd~", "jpg", ".kvd"})
        tmp.write(std::string("Door/") + name, "x");
    fs::create_symlink(dir + "a.jpg", dir + "link.jpg");
    fs::create_symlink(dir + "gone.jpg", dir + "dangling.jpg");
    ASSERT_EQ(::mkfifo((dir + "pipe.kvd").c_str(), 0600), 0);
    std::string listed;
    for (const auto& item : listPreviewFiles({dir, "Door"})) {
        listed += fs::path(item.dir).filename().string() + (item.isVideo ? "+ " : " ");
        EXPECT_EQ(item.camName, "Door");
        EXPECT_TRUE(item.dir.starts_with(dir));
    }
    EXPECT_EQ(listed, "a.jpg b (2).kvd+ b.kvd+ link.jpg ");
}
