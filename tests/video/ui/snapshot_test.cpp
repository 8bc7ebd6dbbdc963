// Snapshots are written only into files of their own: never through a
// symbolic link that someone who can write the folder planted at the name,
// also not when it is planted in the moment the name is found free.
// A snapshot not written says why in the words of the step that failed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <vector>

#include "support/ChildProcess.h"
#include "support/LinkPlanter.h"
#include "support/SharedPictureFolder.h"
#include "video/ui/VideoImage.h"

using namespace oculon;
using oculon::video::ui::saveJpeg;

TEST(Snapshot, NeverWrittenThroughALinkAtItsName) {
    testsupport::TempDir dir;
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const std::string victim = dir.write("victim", "theirs");
    const std::string name = dir.path() + "/Door 12-30-05.jpg";
    EXPECT_FALSE(saveJpeg(picture, name).failed());
    EXPECT_FALSE(saveJpeg(picture, name).failed());  // a snapshot of that name is replaced
    EXPECT_EQ(testsupport::readFile(name).substr(0, 2), "\xFF\xD8");
    ::unlink(name.c_str());

    std::filesystem::create_symlink(victim, name);
    EXPECT_TRUE(saveJpeg(picture, name).failed());
    ::unlink(name.c_str());
    int saved = 0;
    {
        testsupport::LinkPlanter planter(name, victim);
        for (int i = 0; i < 1000; ++i) {
            saved += saveJpeg(picture, name).failed() ? 0 : 1;
            ::unlink(name.c_str());
        }
    }
    EXPECT_EQ(testsupport::readFile(victim), "theirs") << saved << " snapshots of 1000 saved";
}

TEST(Snapshot, SaysWhyItWasNotWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "handing a folder to another user needs root";
    testsupport::TempDir dir;
    ::chmod(dir.path().c_str(), 0755);  // others may look in, not write
    const std::string file = dir.write("file", "x");
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    // Its dated folder could not be made; a file stands where a folder belongs.
    for (const auto& row : {std::pair{dir.path() + "/Door/2024/05 - May/x.jpg", ": Permission denied"},
                            std::pair{file + "/Door/x.jpg", ": Not a directory"}}) {
        EXPECT_TRUE(testsupport::asNobody([&] {
            const video::ui::SnapshotFailure failure = saveJpeg(picture, row.first);
            return failure.text == row.first + row.second &&
                   failure.reason == row.first.substr(0, row.first.rfind('/')) + row.second;
        })) << row.first;
    }
}

// A shared picture folder (1777) in which another account made the camera's
// folder ahead: the snapshot goes into a folder of the user's own beside it,
// never through a link into theirs, and a folder closed to the user does not
// stop it.
TEST(Snapshot, GoesBesideFoldersOthersMadeAhead) {
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    const std::vector<testsupport::PlantedFolders> rows{
        {"a link to another account's folder",
         [](const std::string& pics) { std::filesystem::create_directory_symlink(pics + "theirs", pics + "Door"); },
         false},
        {"another account's open folder",
         [](const std::string& pics) { testsupport::makeFolderOf(pics + "Door", 0777, testsupport::kNobody); }, true},
        {"another account's closed folder",
         [](const std::string& pics) { testsupport::makeFolderOf(pics + "Door", 0700, 0); }, true, true}};
    testsupport::forEachPlanted(rows, [&](const std::string& pics, const testsupport::PlantedFolders&) {
        return !saveJpeg(picture, pics + "Door/2024/x.jpg", {}, pics).failed() &&
               testsupport::readFile(pics + "Door (2)/2024/x.jpg").starts_with("\xFF\xD8");
    });
}
