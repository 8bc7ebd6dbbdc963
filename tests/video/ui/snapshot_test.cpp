// Snapshots are written only into files of their own: never through a
// symbolic link that someone who can write the folder planted at the name,
// also not when it is planted in the moment the name is found free.
// A snapshot not written says why in the words of the step that failed;
// one the user asked for that waits too long for its folder is told so,
// once, the call's own wait, another folder's do not wait behind them, and
// one that fails after its call has ended is told all the same.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <filesystem>
#include <vector>

#include <condition_variable>
#include <mutex>

#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "platform/UserNotice.h"
#include "support/ChildProcess.h"
#include "support/LinkPlanter.h"
#include "support/SharedPictureFolder.h"
#include "video/PictureFolder.h"
#include "video/ui/SnapshotWriter.h"
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

TEST(Snapshot, APictureThatWaitsTooLongForItsFolderIsToldOnceAndNotWrittenLater) {
    using namespace std::chrono_literals;
    config::sprache = config::lang_en;
    testsupport::TempDir dir;
    QImage picture(32, 24, QImage::Format_RGB32);
    picture.fill(Qt::darkGreen);
    std::vector<std::pair<std::string, bool>> failed;
    int saved = 0;
    auto writer = std::make_unique<video::ui::SnapshotWriter>(
        [&](const video::ui::SnapshotFailure& failure, bool asked) { failed.emplace_back(failure.text, asked); },
        [&] { ++saved; }, 1s);
    const auto written = [&] { return platform::FolderWorker::drainAll(5s); };

    writer->save(picture, dir.path() + "/Door/first.jpg", {}, false, std::nullopt);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return saved == 1; }));
    EXPECT_TRUE(std::filesystem::exists(dir.path() + "/Door/first.jpg"));

    // The folder stops answering (a call into it that does not return).
    std::mutex mutex;
    std::condition_variable changed;
    bool answers = false;
    video::folderWorker(dir.path() + "/Door")->post([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return answers; });
    });
    const std::string late = dir.path() + "/Door/late.jpg";
    const std::string waits = dir.path() + "/Door/first-of-call.jpg";
    writer->save(picture, late, {}, true, std::nullopt);
    writer->save(picture, waits, {}, false, std::nullopt);
    writer->checkOverdue();
    EXPECT_TRUE(failed.empty());
    // Another folder answers: its picture does not wait behind this one's.
    writer->save(picture, dir.path() + "/Home/saved.jpg", {}, true, std::nullopt);
    ASSERT_TRUE(testsupport::pumpUntil([&] { return saved == 2; }));
    testsupport::pumpFor(1100ms);
    writer->checkOverdue();
    writer->checkOverdue();
    // The one the user asked for is told; the call's first waits, untold.
    ASSERT_EQ(failed.size(), 1u);
    EXPECT_EQ(failed[0], std::make_pair(late + ": the picture folder does not answer", true));
    {
        std::lock_guard lock(mutex);
        answers = true;
    }
    changed.notify_all();
    ASSERT_TRUE(written());
    testsupport::pumpFor(50ms);
    EXPECT_FALSE(std::filesystem::exists(late)) << "told as not saved, and saved after all";
    EXPECT_TRUE(std::filesystem::exists(waits));
    EXPECT_EQ(failed.size(), 1u);

    // Its call has ended: the user is told all the same.
    std::vector<std::string> notices;
    platform::setNoticeShower([&](platform::Notice notice, const std::string& detail) {
        if (notice == platform::Notice::pictureNotSaved) notices.push_back(detail);
    });
    const std::string file = dir.write("file", "x");
    writer->save(picture, file + "/Door/x.jpg", {}, false, std::nullopt);
    writer.reset();
    ASSERT_TRUE(written());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !notices.empty(); }));
    platform::setNoticeShower({});
    EXPECT_EQ(notices, std::vector<std::string>{file + "/Door/x.jpg: Not a directory"});
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
