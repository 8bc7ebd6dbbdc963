// The viewer's exports as the user drives them (offscreen): the shown frame
// to a JPEG file, the recording to an AVI file through the compressor dialog
// with the installed compressors, with its progress; both read back with
// each frame's own time in its caption.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QScreen>
#include <QProgressBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>

#include <filesystem>

#include "../ExportTestKit.h"
#include "../TestRecordings.h"
#include "ExportUiKit.h"
#include "config/sprachen.h"
#include "player/ui/ExportCaption.h"
#include "player/ui/VideoViewer.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::player::test;
using player::ui::TVideoViewerFrame;
using testsupport::TempDir;
using namespace std::chrono_literals;

namespace {

const video::TTimeStamp kFirst{(12 * 60 + 30) * 60000 + 5000, kMay2024};

class ViewerExport : public ::testing::Test {
protected:
    void SetUp() override {
        recording = tmp.path() + "/12-30-05.kvd";
        // a second between frames, so that every frame's caption differs
        writeRecording(recording, 12, 320, 240, kFirst, 1000);
        viewer.resize(640, 520);
        viewer.show();
        viewer.openVideo(recording);
        viewer.cameraName = "Door";
    }
    QToolButton* button(const char* name) { return viewer.findChild<QToolButton*>(name); }
    // Frame n of the recording with the caption of second `second`.
    static video::Image captioned(int n, int second) {
        video::Image picture = video::decodeJpeg(testJpeg(320, 240, n));
        player::ui::captionPainter("Door")(picture, stampAt(kFirst, second * 1000));
        return picture;
    }

    // Before the viewer, which takes its captions when it is made.
    struct English {
        English() { config::sprache = config::lang_en; }
    } english;
    TempDir tmp;
    std::string recording;
    TVideoViewerFrame viewer;
};

// Of the pixels where the captions of two times differ, the share that the
// exported picture has nearer the first.
double nearerShare(const video::Image& exported, const video::Image& a, const video::Image& b) {
    int nearer = 0, differing = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 250; ++x) {
            const int va = a.row(y)[4 * x + 1], vb = b.row(y)[4 * x + 1], v = exported.row(y)[4 * x + 1];
            if (std::abs(va - vb) < 96) continue;
            ++differing;
            nearer += std::abs(v - va) < std::abs(v - vb);
        }
    return differing ? double(nearer) / differing : 0;
}

}  // namespace

TEST_F(ViewerExport, TheShownFrameIsExportedWithItsOwnTime) {
    // playing from frame 7: the export pauses on the frame that is shown
    viewer.findChild<QSlider*>("TrackBar1")->setValue(7);
    button("StartButton")->click();
    testsupport::pumpFor(100ms);
    QString proposed;
    QStringList types;
    const std::string file = tmp.path() + "/shown";
    answerSaveDialog(file, &proposed, &types);
    button("ExportFrameButton")->click();
    EXPECT_FALSE(button("StartButton")->isChecked());
    // The dialog opens once its folder has answered, the file is written on a worker.
    std::string bytes;
    ASSERT_TRUE(testsupport::pumpUntil([&] { return !(bytes = readAll(file + ".jpg")).empty(); }));
    // named by the recording's first frame, with the blank after the underscore
    EXPECT_EQ(proposed.toStdString(), "2024-05-01_12-30-05_ Door");
    EXPECT_EQ(types.join(";").toStdString(), "Image files (*.jpg)");  // the pattern once

    const video::Image back = video::decodeJpeg({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
    const int n = frameCounterOf(back);
    EXPECT_GE(n, 7);
    EXPECT_GT(nearerShare(back, captioned(n, n), captioned(n, 0)), 0.8);
}

TEST_F(ViewerExport, AVideoExportShowsItsProgressAndWritesEveryFrame) {
    const std::string file = tmp.path() + "/door.avi";
    std::vector<std::string> listed, codes, installed;
    bool ended = false, fileThereAtTheEnd = false;
    QObject::connect(&viewer, &TVideoViewerFrame::videoExportEnded, [&] {
        ended = true;
        fileThereAtTheEnd = std::filesystem::exists(file);
    });
    answerVideoDialogs("MJPEG (Motion JPEG)", file, &listed);
    button("ExportVideoButton")->click();
    auto* progress = viewer.findChild<QProgressBar*>("ProgressBar1");
    EXPECT_TRUE(testsupport::pumpUntil([&] { return progress->isVisible() || ended; }));
    // the installed compressors, the first selected
    player::TVideoExport().GetAvailableCompressions(codes, installed);
    ASSERT_GE(installed.size(), 2u);
    installed[0] = "*" + installed[0];
    EXPECT_EQ(listed, installed);
    // no second export while one runs
    EXPECT_FALSE(button("ExportVideoButton")->isEnabled());
    // The limit only keeps a broken export from hanging the run.
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ended; }, 120s));
    // the end is told only once the file has its name
    EXPECT_TRUE(fileThereAtTheEnd);
    EXPECT_FALSE(progress->isVisible());
    EXPECT_FALSE(viewer.findChild<QPushButton*>("CancelBtn")->isVisible());
    EXPECT_TRUE(button("ExportVideoButton")->isEnabled());

    EXPECT_EQ(probeAvi(file), "MJPG 320 240 1/1 12");
    const std::vector<video::Image> pictures = decodeAvi(file, 320, 240);
    ASSERT_EQ(pictures.size(), 12u);
    // each frame carries its own time
    EXPECT_GT(nearerShare(pictures[7], captioned(7, 7), captioned(7, 0)), 0.8);
}

TEST_F(ViewerExport, OneClickOnCancelEndsASlowExportAndTheButtonSaysSoAtOnce) {
    viewer.closeVideo();
    writeRecording(recording, 40, 320, 240, kFirst, 1000);
    viewer.openVideo(recording);
    const std::string file = tmp.path() + "/cut.avi";
    bool ended = false;
    QObject::connect(&viewer, &TVideoViewerFrame::videoExportEnded, [&] { ended = true; });
    answerVideoDialogs("Cinepak", file);
    button("ExportVideoButton")->click();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return viewer.exporting(); }));
    // Cinepak is slow: once it has written two frames, many more wait for it.
    auto* progress = viewer.findChild<QProgressBar*>("ProgressBar1");
    ASSERT_TRUE(testsupport::pumpUntil([&] { return progress->value() >= 5 || ended; }, 120s));
    ASSERT_FALSE(ended);
    // a real click on the active window, which gives the button the focus
    viewer.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&viewer));
    auto* cancel = viewer.findChild<QPushButton*>("CancelBtn");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_EQ(cancel->text().toStdString(), "Cancelling the export …");
    EXPECT_FALSE(cancel->isEnabled());
    EXPECT_TRUE(cancel->isVisible());
    ASSERT_TRUE(testsupport::pumpUntil([&] { return ended; }, 120s));
    EXPECT_FALSE(cancel->isVisible());
    EXPECT_EQ(probeAvi(file).rfind("cvid 320 240 1/1 ", 0), 0u);

    // the next export offers Cancel again
    answerVideoDialogs("Cinepak", tmp.path() + "/next.avi");
    button("ExportVideoButton")->click();
    ASSERT_TRUE(testsupport::pumpUntil([&] { return cancel->isVisible(); }));
    EXPECT_EQ(cancel->text().toStdString(), "Cancel");
    EXPECT_TRUE(cancel->isEnabled());
}

// With OCULON_SCREENSHOT_DIR set, saves the compressor dialog with its list
// open (export-compressors.png), an exported frame (export-frame.jpg), an
// export in progress (export-progress.png) and one just cancelled
// (export-ending.png) on the real display (run it under
// Xvfb with QT_QPA_PLATFORM=xcb).
TEST_F(ViewerExport, Screenshots) {
    if (!testsupport::screenshotsWanted()) GTEST_SKIP() << "OCULON_SCREENSHOT_DIR not set";
    const QString folder = QString::fromLocal8Bit(std::getenv("OCULON_SCREENSHOT_DIR"));
    testsupport::onModal([&](QWidget& dialog) {
        dialog.findChild<QComboBox*>("ComboBox1")->showPopup();
        testsupport::pumpFor(500ms);
        QGuiApplication::primaryScreen()->grabWindow(0).save(folder + "/export-compressors.png", "PNG");
        dialog.findChild<QComboBox*>("ComboBox1")->hidePopup();
        dialog.findChild<QPushButton*>("Button2")->click();
    });
    button("ExportVideoButton")->click();
    answerSaveDialog(folder.toStdString() + "/export-frame.jpg");
    button("ExportFrameButton")->click();
    testsupport::pumpUntil([&] { return std::filesystem::exists(folder.toStdString() + "/export-frame.jpg"); });

    viewer.closeVideo();
    writeRecording(recording, 300, 704, 576);
    viewer.openVideo(recording);
    answerVideoDialogs("libx264 H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10", tmp.path() + "/door.avi");
    button("ExportVideoButton")->click();
    ASSERT_TRUE(
        testsupport::pumpUntil([&] { return viewer.findChild<QProgressBar*>("ProgressBar1")->value() >= 30; }, 60s));
    testsupport::screenshot(viewer, "export-progress", 0ms);
    // Cancel: the button says at once that the export is ending.
    viewer.findChild<QPushButton*>("CancelBtn")->click();
    testsupport::screenshot(viewer, "export-ending", 0ms);
}
