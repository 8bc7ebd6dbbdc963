// From a door call to an AVI file, in a two-host network namespace: the
// simulated door station of tools/ calls, the popup shows and records the
// call, the recordings player finds the recording and exports it, and
// ffprobe reads the file back.

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QProgressBar>
#include <QToolButton>
#include <QTreeWidget>

#include <filesystem>

#include "../ExportTestKit.h"
#include "ExportUiKit.h"
#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "platform/Registry.h"
#include "player/ui/videoPlayerForm.h"
#include "support/ChildProcess.h"
#include "support/SimDevice.h"
#include "video/MJPEGFile.h"
#include "video/PictureFolder.h"
#include "video/ui/HauptProgramm.h"
#include "video/ui/VideoImage.h"

using namespace oculon;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(ExportDoorCall, ARecordedCallIsExportedAndReadBack) {
    testsupport::SimDevice station(
        "simstation", {"--name", "SimDoor1", "--user", "door", "--password", "secret", "--start", "picture", "--fps",
                       "10", "--width", "320", "--height", "240"});
    config::sprache = config::lang_en;
    testsupport::TempDir tmp;
    // The save dialog keeps its history and last folder in the user's
    // settings, which every test with a file dialog writes: this run keeps
    // its own home and settings.
    const testsupport::ScopedEnv home("HOME", tmp.path());
    const testsupport::ScopedEnv settingsHome("XDG_CONFIG_HOME", tmp.path() + "/.config");
    const std::string root = tmp.path() + "/Pictures/";
    fs::create_directories(root);
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    settings.schreibeFirstPictPath(root);
    settings.schreibeStoreVideo(true);
    config::videoConfig = &settings;

    // The call, recorded.
    {
        config::TSingleConfig door;
        door.typ = config::KorvatServer;
        door.Name = "SimDoor1";
        door.Ip = testsupport::kDeviceAddress;
        door.Port = "80";
        door.NeedCredentials = true;
        door.UserName = "door";
        door.Passwort = "secret";
        door.tuerDauer = 5;
        video::ui::TVideobild popup;
        popup.startVideo(door, false);
        auto* image = popup.findChild<video::ui::VideoImage*>("Image1");
        ASSERT_TRUE(testsupport::pumpUntil([&] { return image->pictureCount() >= 30; }, 20s));
        popup.stopVideo();
    }
    // The picture folder's worker closes it.
    ASSERT_TRUE(platform::FolderWorker::drainAll(5000ms));
    std::string recording;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        if (entry.path().extension() == ".kvd") recording = entry.path();
    ASSERT_FALSE(recording.empty());
    const int frames = video::TMJPEGFile(recording, video::TMJPEGFile::kRead).VideoFrames();
    ASSERT_GE(frames, 20);

    // The player: the camera's folder down to the day (the only one), the
    // recording in it, the export.
    player::ui::TplayerForm form(root);
    form.show();
    const auto read = [&] { return testsupport::pumpUntil([&] { return !form.reading(); }); };
    ASSERT_TRUE(read());
    QTreeWidgetItem* day = form.findChild<QTreeWidget*>("DirTree")->topLevelItem(0);
    ASSERT_EQ(day->text(0), "SimDoor1");
    while (day->childCount() > 0) day = day->child(0);
    form.findChild<QTreeWidget*>("DirTree")->setCurrentItem(day);
    ASSERT_TRUE(read());
    form.findChild<QListWidget*>("FileList")->setCurrentRow(0);
    ASSERT_TRUE(read());
    ASSERT_EQ(form.VideoViewerFrame1().videoFile(), recording);

    const std::string avi = tmp.path() + "/call.avi";
    bool ended = false;
    QObject::connect(&form.VideoViewerFrame1(), &player::ui::TVideoViewerFrame::videoExportEnded,
                     [&] { ended = true; });
    player::test::answerVideoDialogs("MJPEG (Motion JPEG)", avi);
    form.findChild<QToolButton*>("ExportVideoButton")->click();
    EXPECT_TRUE(testsupport::pumpUntil([&] { return form.findChild<QProgressBar*>("ProgressBar1")->isVisible(); }));
    // The limit only keeps a broken export from hanging the run.
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ended; }, 120s));

    const std::string probed = player::test::probeAvi(avi);
    EXPECT_EQ(probed.rfind("MJPG 320 240 ", 0), 0u) << probed;
    EXPECT_EQ(probed.substr(probed.rfind(' ') + 1), std::to_string(frames)) << probed;
    form.close();
    config::videoConfig = nullptr;
}
