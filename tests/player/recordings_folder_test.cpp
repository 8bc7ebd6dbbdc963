#include "player/RecordingsFolder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/ChildProcess.h"

using namespace oculon::player;
using oculon::testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesOf(const std::vector<FolderNode>& nodes) {
    std::vector<std::string> names;
    for (const auto& n : nodes) names.push_back(n.name);
    return names;
}

const FolderNode* child(const std::vector<FolderNode>& nodes, const std::string& name) {
    for (const auto& n : nodes)
        if (n.name == name) return &n;
    return nullptr;
}

int countNodes(const std::vector<FolderNode>& nodes) {
    int count = 0;
    for (const auto& n : nodes) count += 1 + countNodes(n.children);
    return count;
}

}  // namespace

TEST(RecordingsFolder, TreeOfCamerasWithTheirNamesAtEveryDepth) {
    TempDir tmp;
    const std::string root = tmp.path() + "/Pictures/";
    fs::create_directories(root + "Door/2024/05 - May/01 - Wednesday");
    fs::create_directories(root + "Door/2023");
    fs::create_directories(root + "Garage/2024");
    fs::create_directories(root + "carport");
    fs::create_directories(root + ".cache/thumbs");
    fs::create_directories(root + "Door/.trash");
    tmp.write("Pictures/Door/not-a-folder.kvd", "x");

    for (const std::string& r : {root, root.substr(0, root.size() - 1)}) {  // with or without the delimiter
        const auto tree = scanFolderTree(r);
        EXPECT_EQ(namesOf(tree), (std::vector<std::string>{"carport", "Door", "Garage"}));
        const FolderNode* door = child(tree, "Door");
        ASSERT_NE(door, nullptr);
        EXPECT_EQ(door->data.dir, root + "Door/");
        EXPECT_EQ(door->data.camName, "Door");
        EXPECT_EQ(namesOf(door->children), (std::vector<std::string>{"2023", "2024"}));
        const FolderNode* day = &child(child(door->children, "2024")->children, "05 - May")->children.at(0);
        EXPECT_EQ(day->name, "01 - Wednesday");
        EXPECT_EQ(day->data.dir, root + "Door/2024/05 - May/01 - Wednesday/");
        EXPECT_EQ(day->data.camName, "Door");
        EXPECT_EQ(child(tree, "Garage")->children.at(0).data.camName, "Garage");
        EXPECT_EQ(countNodes(tree), 8);
    }
    EXPECT_TRUE(scanFolderTree(tmp.path() + "/missing/").empty());
}

TEST(RecordingsFolder, SymbolicLinkLoopsEndAndEachFolderShowsOnce) {
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

    const auto tree = scanFolderTree(root);
    EXPECT_EQ(namesOf(tree), (std::vector<std::string>{"Archive", "Door", "Garage"}));
    // Archive, Archive/2022, Door, Door/2024, Garage: the loop back to the
    // root and the second way into Door are left out
    EXPECT_EQ(countNodes(tree), 5);
    EXPECT_EQ(child(tree, "Archive")->children.at(0).data.camName, "Archive");
    EXPECT_TRUE(child(tree, "Garage")->children.empty());
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
    for (const char* name :
         {"b.kvd", "a.jpg", "c.JPG", "d.Kvd", "e.jpeg", ".hidden.jpg", "f.jpg.txt", "g.kvd~", "jpg", ".kvd"})
        tmp.write(std::string("Door/") + name, "x");
    fs::create_symlink(dir + "a.jpg", dir + "link.jpg");
    fs::create_symlink(dir + "gone.jpg", dir + "dangling.jpg");
    ASSERT_EQ(::mkfifo((dir + "pipe.kvd").c_str(), 0600), 0);

    const auto items = listPreviewFiles({dir, "Door"});
    std::vector<std::string> paths;
    for (const auto& item : items) {
        paths.push_back(item.dir);
        EXPECT_EQ(item.camName, "Door");
        EXPECT_EQ(item.isVideo, item.dir.ends_with(".kvd"));
    }
    EXPECT_EQ(paths, (std::vector<std::string>{dir + "a.jpg", dir + "b.kvd", dir + "link.jpg"}));
}
