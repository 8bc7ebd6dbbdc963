// The recordings player as a real window (offscreen): the camera folders and
// previews, a recording that opens halted and plays to its end, the track
// bar, long names shown whole, Escape during an export, at most one window,
// and its pictures.

#include "player/ui/videoPlayerForm.h"

#include <gtest/gtest.h>

#include <QCursor>
#include <QFocusEvent>
#include <QHeaderView>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QTextDocument>
#include <QToolTip>

#include <filesystem>

#include "../ExportTestKit.h"
#include "../TestRecordings.h"
#include "ExportUiKit.h"
#include "config/sprachen.h"
#include "gui/QtTestKit.h"
#include "player/Preview.h"
#include "player/ui/ChoiceDialogs.h"
#include "support/ChildProcess.h"

using namespace oculon::player;
using namespace oculon::player::test;
using namespace oculon::player::ui;
using namespace std::chrono_literals;
using oculon::testsupport::pumpFor;
using oculon::testsupport::pumpUntil;
namespace fs = std::filesystem;

namespace {

const std::string kDay = "Door/2024/05 - May/01 - Wednesday/";
const std::string kLongDay = "Side entrance of the north wing/2024/09 - September/25 - Wednesday/";
const std::string kLongName = "2024-09-25_08-15-42_Side entrance of the north wing.kvd";

// Two cameras with a day of calls each, and what a browser must not show.
void makeRecordings(const std::string& root, int width, int height, int frames) {
    fs::create_directories(root + kDay);
    fs::create_directories(root + "Garage/2024/05 - May/01 - Wednesday");
    fs::create_directories(root + ".thumbnails");
    writeRecording(root + kDay + "12-30-05.kvd", frames, width, height);
    writeRecording(root + kDay + "12-41-17.kvd", frames, width, height, {(12 * 60 + 41) * 60000 + 17000, kMay2024}, 40,
                   2);
    writeFile(root + kDay + "12-30-05.jpg", testJpeg(width, height, 30));
    writeFile(root + kDay + "SNAP.JPG", testJpeg(width, height, 3));
    auto cut = testJpeg(width, height, 0);
    cut.resize(cut.size() / 3);
    {
        oculon::video::TMJPEGFile damaged(root + kDay + "13-02-44.kvd", oculon::video::TMJPEGFile::kWrite);
        damaged.writeFrame(cut, {47000000, kMay2024});
        damaged.writeFrame(testJpeg(width, height, 1), {47000040, kMay2024});
    }
    writeRecording(root + "Garage/2024/05 - May/01 - Wednesday/09-15-00.kvd", frames, width, height,
                   {9 * 3600000 + 15 * 60000, kMay2024}, 40, 1);
    fs::create_directories(root + kLongDay);
    writeRecording(root + kLongDay + kLongName, 10, width, height);
}

QTreeWidgetItem* findFolder(QTreeWidget& tree, const std::string& path) {
    QTreeWidgetItem* item = nullptr;
    for (const QString& name : QString::fromStdString(path).split('/', Qt::SkipEmptyParts)) {
        QTreeWidgetItem* next = nullptr;
        const int count = item ? item->childCount() : tree.topLevelItemCount();
        for (int i = 0; i < count && !next; ++i) {
            QTreeWidgetItem* c = item ? item->child(i) : tree.topLevelItem(i);
            if (c->text(0) == name) next = c;
        }
        if (!next) return nullptr;
        item = next;
    }
    return item;
}

// The tree, the previews and the file chosen are read on the window's worker.
void readDone(const TplayerForm& form) {
    ASSERT_TRUE(pumpUntil([&] { return !form.reading(); }));
}

class PlayerForm : public ::testing::Test {
protected:
    void SetUp() override {
        oculon::config::sprache = oculon::config::lang_en;
        makeRecordings(root(), 320, 240, 25);
        form = std::make_unique<TplayerForm>(root());
        readDone(*form);
        tree = form->findChild<QTreeWidget*>("DirTree");
        list = form->findChild<QListWidget*>("FileList");
        frame = &form->VideoViewerFrame1();
        ASSERT_TRUE(tree && list);
    }
    std::string root() const { return tmp.path() + "/Pictures/"; }
    QString text(const char* name) const { return form->findChild<QLabel*>(name)->text(); }
    QToolButton* button(const char* name) const { return form->findChild<QToolButton*>(name); }
    QSlider* trackBar() const { return form->findChild<QSlider*>("TrackBar1"); }
    void openFolder(const std::string& path) {
        tree->setCurrentItem(findFolder(*tree, path));
        readDone(*form);
    }
    // Shown and active, as the user's click makes it.
    void activate() {
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    // Tab, as often as it takes, until `target` has the focus.
    void tabTo(QWidget* target) {
        for (int i = 0; i < 40 && !target->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : form.get(), Qt::Key_Tab);
        ASSERT_TRUE(target->hasFocus()) << target->objectName().toStdString();
    }
    void select(const QString& name) {
        const auto found = list->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        list->setCurrentItem(found.front());
        readDone(*form);
    }

    oculon::testsupport::TempDir tmp;
    std::unique_ptr<TplayerForm> form;
    QTreeWidget* tree = nullptr;
    QListWidget* list = nullptr;
    TVideoViewerFrame* frame = nullptr;
};

}  // namespace

TEST_F(PlayerForm, ShowsTheCameraFoldersAndThePreviewsOfAFolder) {
    EXPECT_EQ(form->windowTitle(), "Recordings");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_EQ(tree->topLevelItem(0)->text(0), "Door");
    EXPECT_EQ(tree->topLevelItem(1)->text(0), "Garage");

    openFolder(kDay);
    // the capitalised picture and the recording with a damaged first frame are left out
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "12-30-05.jpg");
    EXPECT_EQ(list->item(1)->text(), "12-30-05.kvd");
    EXPECT_EQ(list->item(2)->text(), "12-41-17.kvd");
    // The 4:3 previews sit on the square's lower edge, right above their
    // captions; the play symbol sits on recordings only (the layout is the
    // preview test's).
    const QImage picture = list->item(0)->icon().pixmap(128, 128).toImage();
    const QImage recording = list->item(1)->icon().pixmap(128, 128).toImage();
    EXPECT_EQ(qAlpha(picture.pixel(64, 31)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(64, 32)), 255);
    EXPECT_EQ(qAlpha(picture.pixel(64, 127)), 255);
    EXPECT_EQ(list->item(1)->textAlignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_GT(qGray(recording.pixel(68, 80)), 230);
    EXPECT_LT(qGray(picture.pixel(68, 80)), 150);

    openFolder("Garage/2024/05 - May/01 - Wednesday");
    ASSERT_EQ(list->count(), 1);
    tree->setCurrentItem(tree->topLevelItem(0));
    readDone(*form);
    EXPECT_EQ(list->count(), 0);

    // A station's folder the user made a link (to a bigger disk) is not
    // listed, and the line under the tree says so, naming it.
    EXPECT_TRUE(form->findChild<QLabel*>("leftOutNote")->isHidden());
    fs::create_directories(tmp.path() + "/big disk/Carport");
    fs::create_directory_symlink(tmp.path() + "/big disk/Carport", root() + "Carport");
    TplayerForm again(root());
    again.show();
    readDone(again);
    const QLabel* note = again.findChild<QLabel*>("leftOutNote");
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->text().toStdString(), "Not listed: " + root() +
                                              "Carport/ is a link. Below the picture folder the program follows no "
                                              "link; new recordings go into a folder beside it.");
    EXPECT_EQ(again.findChild<QTreeWidget*>("DirTree")->topLevelItemCount(), 3);
}

TEST_F(PlayerForm, ARecordingOpensHaltedOnItsFirstFrameAndAPictureClosesIt) {
    openFolder(kDay);
    select("12-41-17.kvd");
    ASSERT_TRUE(frame->open());
    EXPECT_EQ(frame->cameraName, "Door");
    EXPECT_EQ(text("FrameLabel"), "1 / 25");
    EXPECT_EQ(trackBar()->maximum(), 24);
    EXPECT_EQ(text("StartTimeLabel"), dateTimeText({(12 * 60 + 41) * 60000 + 17000, kMay2024}));
    EXPECT_EQ(text("EndTimeLabel"), dateTimeText({(12 * 60 + 41) * 60000 + 17000 + 24 * 40, kMay2024}));
    EXPECT_TRUE(button("StartButton")->isEnabled());
    ASSERT_NE(frame->Image1().picture(), nullptr);
    EXPECT_EQ(frameCounterOf(*frame->Image1().picture()), 0);
    EXPECT_TRUE(frame->videoPlayer()->isHalted());

    select("12-30-05.jpg");
    EXPECT_FALSE(frame->open());
    EXPECT_TRUE(frame->cameraName.empty());
    EXPECT_EQ(text("FrameLabel"), "");
    EXPECT_FALSE(button("StartButton")->isEnabled());
    ASSERT_NE(frame->Image1().picture(), nullptr);
    EXPECT_EQ(frameCounterOf(*frame->Image1().picture()), 30);

    // not listed, and not openable either: the viewer stays closed
    EXPECT_ANY_THROW(frame->openVideo(root() + kDay + "13-02-44.kvd"));
    EXPECT_FALSE(frame->open());

    // entering the tree closes a recording and clears the picture
    select("12-30-05.kvd");
    ASSERT_TRUE(frame->open());
    QFocusEvent enter(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(tree, &enter);
    EXPECT_FALSE(frame->open());
    EXPECT_EQ(frame->Image1().picture(), nullptr);
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(PlayerForm, PlaysToTheEndAndBackAndTheTrackBarPausesWithoutSeekingAtItsEnd) {
    openFolder(kDay);
    select("12-30-05.kvd");
    int highest = 0;
    QObject::connect(trackBar(), &QSlider::valueChanged, [&](int v) { highest = std::max(highest, v); });
    form->findChild<QAction*>("eight")->trigger();
    form->findChild<QAction*>("full")->trigger();
    button("StartButton")->click();
    EXPECT_TRUE(button("StartButton")->isChecked());
    ASSERT_TRUE(pumpUntil([&] { return !button("StartButton")->isChecked(); }));
    EXPECT_EQ(highest, 24);
    EXPECT_EQ(text("FrameLabel"), "1 / 25");
    EXPECT_EQ(trackBar()->value(), 0);
    EXPECT_TRUE(frame->videoPlayer()->isHalted());
    EXPECT_EQ(frameCounterOf(*frame->Image1().picture()), 0);

    form->findChild<QAction*>("eighth")->trigger();  // slow enough to catch it playing
    button("StartButton")->click();
    TPlayerThread* player = frame->videoPlayer();
    EXPECT_FALSE(player->isHalted());
    trackBar()->setSliderDown(true);
    EXPECT_TRUE(player->isHalted());
    trackBar()->setValue(10);
    EXPECT_EQ(text("FrameLabel"), "11 / 25");
    EXPECT_EQ(frameCounterOf(*frame->Image1().picture()), 10);
    trackBar()->setSliderDown(false);
    EXPECT_FALSE(player->isHalted());

    trackBar()->setSliderDown(true);
    pumpFor(50ms);
    const QString shown = text("FrameLabel");
    trackBar()->setValue(24);
    EXPECT_EQ(text("FrameLabel"), shown);
    EXPECT_TRUE(player->isHalted());
    trackBar()->setSliderDown(false);

    button("StopButton")->click();
    EXPECT_FALSE(button("StartButton")->isChecked());
    EXPECT_TRUE(player->isHalted());
    EXPECT_EQ(text("FrameLabel"), "1 / 25");
}

TEST_F(PlayerForm, LongNamesTheBarAndTheEndTimeShowWhole) {
    form->show();
    tree->expandAll();
    pumpFor(50ms);
    EXPECT_LE(tree->header()->sectionSize(0), tree->viewport()->width()) << "a folder name is cut short";

    openFolder(kLongDay);
    ASSERT_EQ(list->count(), 1);
    QListWidgetItem* item = list->item(0);
    EXPECT_EQ(item->toolTip().toStdString(), kLongName);
    // Date and time on lines of their own, each line within the preview's width.
    const QStringList lines = item->text().split('\n');
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1], "08-15-42");
    const QFontMetrics metrics = list->fontMetrics();
    for (int i = 0; i < 3; ++i) EXPECT_LE(metrics.horizontalAdvance(lines[i]), list->gridSize().width() - 8);
    EXPECT_GE(list->gridSize().height(), kPreviewSize + 3 * metrics.lineSpacing());

    list->setCurrentItem(item);
    readDone(*form);
    ASSERT_TRUE(frame->open());
    auto* bar = form->findChild<TrackBar*>("TrackBar1");
    for (int position : {bar->minimum(), bar->maximum()}) {
        bar->setValue(position);
        EXPECT_TRUE(bar->rect().contains(bar->handleRect())) << "the handle is cut at " << position;
    }
    EXPECT_LE(bar->geometry().bottom(), frame->rect().bottom());
    const QRect start = form->findChild<QLabel*>("StartTimeLabel")->geometry();
    auto* end = form->findChild<QLabel*>("EndTimeLabel");
    EXPECT_GE(end->width(), end->sizeHint().width());
    EXPECT_EQ(frame->width() - 1 - end->geometry().right(), start.left()) << "the end time touches the edge";
}

TEST_F(PlayerForm, EscapeCancelsARunningExportAndOtherwiseClosesTheWindow) {
    form->show();
    form->activateWindow();  // as the user's click makes it
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    const std::string recording = root() + kDay + "long.kvd", avi = tmp.path() + "/long.avi";
    writeRecording(recording, 600, 320, 240);
    frame->openVideo(recording);
    answerVideoDialogs("MJPEG (Motion JPEG)", avi);
    bool ended = false;
    QObject::connect(frame, &TVideoViewerFrame::videoExportEnded, [&] { ended = true; });
    button("ExportVideoButton")->click();
    auto* progress = form->findChild<QProgressBar*>("ProgressBar1");
    ASSERT_TRUE(pumpUntil([&] { return progress->isVisible(); }));
    // as the export's Cancel: the window stays, the file is shorter
    QTest::keyClick(form.get(), Qt::Key_Escape);
    // the bound only keeps a broken export from hanging the suite
    ASSERT_TRUE(pumpUntil([&] { return ended; }, 120s));
    EXPECT_FALSE(progress->isVisible());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(frame->open());
    // shorter, or none when no frame was written yet
    const std::string probed = probeAvi(avi);
    EXPECT_TRUE(probed.empty() || std::stoi(probed.substr(probed.rfind(' ') + 1)) < 600) << probed;

    QTest::keyClick(form.get(), Qt::Key_Escape);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(frame->open());
}

// Cancel as a user gives it: a click (which gives the button the focus),
// Space or Return on the focused button, and Escape there. The button gives
// the focus up as it says that the export ends; whatever takes it must not
// end the recording or the export under it. The folder tree and the
// previews wait while an export runs.
TEST_F(PlayerForm, CancelByMouseOrKeyEndsTheExportWithAShorterFileAndTheWindowLivesOn) {
    activate();
    constexpr int kFrames = 200;
    writeRecording(root() + kDay + "long.kvd", kFrames, 320, 240);
    openFolder(kDay);
    select("long.kvd");
    auto* progress = form->findChild<QProgressBar*>("ProgressBar1");
    auto* cancel = form->findChild<QPushButton*>("CancelBtn");
    bool ended = false;
    QObject::connect(frame, &TVideoViewerFrame::videoExportEnded, [&] { ended = true; });
    const std::vector<std::pair<std::string, std::function<void()>>> ways{
        {"click", [&] { QTest::mouseClick(cancel, Qt::LeftButton); }},
        {"space", [&] { tabTo(cancel), QTest::keyClick(cancel, Qt::Key_Space); }},
        {"return", [&] { tabTo(cancel), QTest::keyClick(cancel, Qt::Key_Return); }},
        {"escape", [&] { tabTo(cancel), QTest::keyClick(cancel, Qt::Key_Escape); }}};
    for (const auto& [way, cancelAsUser] : ways) {
        const std::string avi = tmp.path() + "/" + way + ".avi";
        ended = false;
        answerVideoDialogs("Cinepak", avi, nullptr, [&] { activate(); });
        QTest::mouseClick(button("ExportVideoButton"), Qt::LeftButton);
        ASSERT_TRUE(pumpUntil([&] { return frame->exporting(); })) << way;
        // Cinepak is slow: once a few frames are written, many more wait.
        ASSERT_TRUE(pumpUntil([&] { return progress->value() >= 2 || ended; }, 120s)) << way;
        ASSERT_FALSE(ended) << way;
        if (way == "escape") {
            // a click on another folder changes nothing while the export runs
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualItemRect(tree->topLevelItem(1)).center());
            EXPECT_TRUE(frame->exporting());
            EXPECT_EQ(list->count(), 4);
        }
        const int shown = progress->value();
        cancelAsUser();
        ASSERT_TRUE(pumpUntil([&] { return ended; }, 120s)) << way;
        EXPECT_TRUE(form->isVisible()) << way;
        EXPECT_TRUE(frame->open()) << way;
        // the frames written by then are kept, and no more
        const std::string probed = probeAvi(avi);
        ASSERT_EQ(probed.rfind("cvid 320 240 ", 0), 0u) << way << ": " << probed;
        const int kept = std::stoi(probed.substr(probed.rfind(' ') + 1));
        EXPECT_GE(kept, shown * kFrames / 100) << way;
        EXPECT_LT(kept, kFrames) << way;
    }
    // the tree is back once the export has ended
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(tree->topLevelItem(1)).center());
    EXPECT_FALSE(frame->open());
}

// Started with the mouse: Cancel takes the keyboard, with a mark that goes
// with the focus, so Space ends the export instead of starting playback. The
// greyed tree and previews say why when the pointer rests on them.
TEST_F(PlayerForm, AnExportGivesItsCancelTheKeyboardAndTheGreyedBrowserSaysWhy) {
    activate();
    writeRecording(root() + kDay + "long.kvd", 200, 320, 240);
    openFolder(kDay);
    select("long.kvd");
    auto* cancel = form->findChild<QPushButton*>("CancelBtn");
    const QImage unmarked = cancel->grab().toImage();
    bool ended = false;
    QObject::connect(frame, &TVideoViewerFrame::videoExportEnded, [&] { ended = true; });
    answerVideoDialogs("Cinepak", tmp.path() + "/space.avi", nullptr, [&] { activate(); });
    QTest::mouseClick(button("ExportVideoButton"), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return cancel->hasFocus(); }));
    EXPECT_NE(cancel->grab().toImage(), unmarked) << "no focus mark";
    QTest::keyClick(form->windowHandle(), Qt::Key_Tab);
    ASSERT_FALSE(cancel->hasFocus());
    EXPECT_EQ(cancel->grab().toImage(), unmarked) << "the mark stays without the focus";
    QTest::keyClick(form->windowHandle(), Qt::Key_Backtab);
    ASSERT_TRUE(cancel->hasFocus());
    const QString why = QString::fromStdString(oculon::config::tr(oculon::config::txtBrowsingWaitsForExport));
    for (QAbstractItemView* pane : std::initializer_list<QAbstractItemView*>{tree, list}) {
        QToolTip::hideText();
        QTest::mouseMove(pane->viewport(), pane->visualRect(pane->model()->index(0, 0)).center());
        EXPECT_TRUE(pumpUntil([&] { return QToolTip::isVisible() && QToolTip::text() == why; }))
            << pane->objectName().toStdString() << ": " << QToolTip::text().toStdString();
    }
    QTest::keyClick(form->windowHandle(), Qt::Key_Space);
    ASSERT_TRUE(pumpUntil([&] { return ended; }, 120s));
    EXPECT_TRUE(frame->videoPlayer()->isHalted());
}

// Space on "Export Video": the export gives up both export buttons, the
// focus passes along them to the tree, and the recording it exports must
// stay open. Tab into the tree is the user entering it.
TEST_F(PlayerForm, AnExportStartedFromTheKeyboardKeepsItsRecordingOpen) {
    activate();
    openFolder(kDay);
    select("12-30-05.kvd");
    const std::string avi = tmp.path() + "/keys.avi";
    bool ended = false;
    QObject::connect(frame, &TVideoViewerFrame::videoExportEnded, [&] { ended = true; });
    oculon::testsupport::BoxAnswerer failures(QMessageBox::Ok);
    tabTo(button("ExportVideoButton"));
    answerVideoDialogs("MJPEG (Motion JPEG)", avi, nullptr, [&] { activate(); });
    QTest::keyClick(button("ExportVideoButton"), Qt::Key_Space);
    EXPECT_TRUE(frame->open());
    ASSERT_TRUE(pumpUntil([&] { return ended; }, 120s));
    EXPECT_TRUE(failures.texts.empty()) << failures.texts.front();
    EXPECT_EQ(probeAvi(avi), "MJPG 320 240 25/1 25");
    EXPECT_TRUE(button("ExportVideoButton")->hasFocus());  // where the export began

    tabTo(button("ExportFrameButton"));
    QTest::keyClick(button("ExportFrameButton"), Qt::Key_Tab);
    EXPECT_TRUE(tree->hasFocus());
    EXPECT_FALSE(frame->open());
}

// On each screen (a second run has two small scaled ones) the player opens
// on the pointer's, inside its free area, and the player's dialogs on its.
TEST_F(PlayerForm, OpensOnThePointersScreenInsideItsFreeArea) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    for (QScreen* screen : screens) {
        const QRect room = screen->availableGeometry();
        QCursor::setPos(screen->geometry().center());
        TplayerForm player(root());
        readDone(player);
        player.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&player));
        EXPECT_EQ(player.screen(), screen);
        EXPECT_TRUE(room.contains(player.frameGeometry())) << room.height() << " " << player.height();
        QCursor::setPos((screen == screens.back() ? screens.front() : screens.back())->geometry().center());
        TvideoCodecChoose choice(&player);
        choice.show();
        EXPECT_EQ(choice.screen(), screen);
    }
}

TEST(PlayerWindow, TheTrayKeepsAtMostOneModalWindowThatFreesItselfWhenClosed) {
    const auto visibleForms = [] {
        int n = 0;
        for (QWidget* w : QApplication::topLevelWidgets()) n += qobject_cast<TplayerForm*>(w) && w->isVisible();
        return n;
    };
    // Returns at once: the caller's loop goes on while the window is open.
    TplayerForm& first = showRecordingsPlayer();
    EXPECT_TRUE(first.isVisible());
    EXPECT_EQ(first.windowModality(), Qt::ApplicationModal);
    EXPECT_EQ(&showRecordingsPlayer(), &first);  // the tray menu again: no second window
    EXPECT_EQ(visibleForms(), 1);
    QPointer<TplayerForm> closed(&first);
    QTest::keyClick(&first, Qt::Key_Escape);
    EXPECT_EQ(recordingsPlayer(), nullptr);
    EXPECT_TRUE(pumpUntil([&] { return closed.isNull(); }));
    TplayerForm& next = showRecordingsPlayer();
    EXPECT_EQ(visibleForms(), 1);
    next.reject();
}

// The program's end closes the player whatever it shows. A dialog of the
// player that is open then has its loop, and the code that opened it, still
// below: the player is freed only once that has returned.
TEST(PlayerWindow, ClosedUnderOneOfItsDialogsItIsFreedOnceTheDialogHasReturned) {
    oculon::testsupport::TempDir tmp;
    const std::string recording = tmp.path() + "/12-30-05.kvd";
    writeRecording(recording, 5, 160, 120);
    for (const char* exportButton : {"ExportFrameButton", "ExportVideoButton"}) {
        TplayerForm& player = showRecordingsPlayer();
        player.VideoViewerFrame1().openVideo(recording);
        const QPointer<TplayerForm> alive(&player);
        bool dialogAnswered = false;
        oculon::testsupport::onModal([&](QWidget& dialog) {
            recordingsPlayer()->reject();  // as the program's end does
            // the dialog's own loop runs on before it is answered
            QTimer::singleShot(50, &dialog, [&dialog, &dialogAnswered] {
                dialogAnswered = true;
                QMetaObject::invokeMethod(&dialog, "reject");
            });
        });
        QTest::mouseClick(player.findChild<QToolButton*>(exportButton), Qt::LeftButton);
        EXPECT_TRUE(pumpUntil([&] { return dialogAnswered; })) << exportButton;
        EXPECT_EQ(recordingsPlayer(), nullptr);
        EXPECT_TRUE(pumpUntil([&] { return alive.isNull(); })) << exportButton;
    }
}

TEST(PlayerWindow, AnEmptyPlayerSaysWhereRecordingsAppearInEveryLanguage) {
    oculon::testsupport::TempDir tmp;
    const std::string root = tmp.path() + "/Pictures/";
    const auto note = [](TplayerForm& form, const char* name) { return form.findChild<QLabel*>(name); };
    for (const auto language :
         {oculon::config::lang_de, oculon::config::lang_en, oculon::config::lang_fr, oculon::config::lang_nl}) {
        oculon::config::sprache = language;
        TplayerForm form(root);
        form.show();
        readDone(form);
        QLabel* tree = note(form, "treeNote");
        QLabel* list = note(form, "listNote");
        ASSERT_TRUE(tree && list);
        EXPECT_TRUE(tree->isVisible());
        EXPECT_TRUE(list->isVisible());
        EXPECT_EQ(tree->textFormat(), Qt::PlainText);  // the folder comes from the settings
        const auto text = [language](const oculon::config::TText& t) { return oculon::config::text(t, language); };
        EXPECT_EQ(tree->text().toStdString(), text(oculon::config::txtNoRecordingsYet) + " " +
                                                  text(oculon::config::txtRecordingsKeptBelow) + "\n" + root);
        EXPECT_EQ(list->text().toStdString(), oculon::config::text(oculon::config::txtPreviewsAppearHere, language));
        for (QLabel* pane : {tree, list}) {
            for (const QString& word : pane->text().split(QRegularExpression("\\s+"), Qt::SkipEmptyParts))
                EXPECT_LE(pane->fontMetrics().horizontalAdvance(word) + 2 * pane->margin(), pane->width())
                    << word.toStdString() << " is cut";
        }
        oculon::testsupport::screenshot(form, QStringLiteral("player-empty-%1").arg(language), 300ms);

        // No folder set yet (a first start): no folder to name, but where one is set.
        TplayerForm unset{std::string()};
        unset.show();
        readDone(unset);
        EXPECT_EQ(note(unset, "treeNote")->text().toStdString(),
                  text(oculon::config::txtNoRecordingsYet) + " " + text(oculon::config::txtRecordingsFolderNotSet));
        oculon::testsupport::screenshot(unset, QStringLiteral("player-no-folder-%1").arg(language), 300ms);
    }
    oculon::config::sprache = oculon::config::lang_en;
    // The first recording: the tree shows it, the previews' note stays until
    // a day with pictures is chosen.
    makeRecordings(root, 160, 120, 2);
    fs::create_directories(root + "<b>Yard");
    writeRecording(root + "<b>Yard/<i>12-00-00.kvd", 2, 160, 120);
    TplayerForm form(root);
    readDone(form);
    form.show();
    EXPECT_FALSE(note(form, "treeNote")->isVisible());
    EXPECT_TRUE(note(form, "listNote")->isVisible());
    auto* tree = form.findChild<QTreeWidget*>("DirTree");
    tree->setCurrentItem(findFolder(*tree, kDay));
    readDone(form);
    EXPECT_FALSE(note(form, "listNote")->isVisible());

    // Names from the disk show in their tool tips as they stand, markup and all.
    const auto shownTip = [](const QString& tip) {
        QTextDocument shown;
        Qt::mightBeRichText(tip) ? shown.setHtml(tip) : shown.setPlainText(tip);
        return shown.toPlainText().toStdString();
    };
    tree->setCurrentItem(findFolder(*tree, "<b>Yard"));
    readDone(form);
    EXPECT_EQ(shownTip(tree->currentItem()->toolTip(0)), "<b>Yard");
    ASSERT_EQ(form.findChild<QListWidget*>("FileList")->count(), 1);
    EXPECT_EQ(shownTip(form.findChild<QListWidget*>("FileList")->item(0)->toolTip()), "<i>12-00-00.kvd");
}

// The browser, a playback and the dated captions (see QtTestKit.h).
TEST(PlayerWindow, Screenshots) {
    if (!oculon::testsupport::screenshotsWanted()) GTEST_SKIP() << "OCULON_SCREENSHOT_DIR not set";
    oculon::config::sprache = oculon::config::lang_en;
    oculon::testsupport::TempDir tmp;
    const std::string root = tmp.path() + "/Pictures/";
    makeRecordings(root, 640, 480, 120);
    fs::create_directories(root + "Door/2024/04 - April/30 - Tuesday");
    writeRecording(root + "Door/2024/04 - April/30 - Tuesday/18-02-51.kvd", 10, 640, 480);
    for (int i = 0; i < 4; ++i)
        writeRecording(root + kDay + "2024-05-01_14-0" + std::to_string(i) + "-00_Front door of the north wing.kvd", 3,
                       640, 480, {14 * 3600000 + i * 60000, kMay2024}, 40, i % 3);
    for (const auto language : {oculon::config::lang_de, oculon::config::lang_fr, oculon::config::lang_nl}) {
        oculon::config::sprache = language;
        TplayerForm form(root);
        form.show();
        readDone(form);
        form.findChild<QTreeWidget*>("DirTree")->setCurrentItem(
            findFolder(*form.findChild<QTreeWidget*>("DirTree"), kDay));
        readDone(form);
        oculon::testsupport::screenshot(form, QStringLiteral("player-browser-%1").arg(language), 500ms);
    }
    oculon::config::sprache = oculon::config::lang_en;
    fs::create_directories(tmp.path() + "/big disk/Carport");
    fs::create_directory_symlink(tmp.path() + "/big disk/Carport", root + "Carport");
    TplayerForm form(root);
    form.show();
    readDone(form);
    auto* tree = form.findChild<QTreeWidget*>("DirTree");
    auto* list = form.findChild<QListWidget*>("FileList");
    tree->expandAll();
    tree->setCurrentItem(findFolder(*tree, kDay));
    readDone(form);
    list->setCurrentRow(1);
    readDone(form);
    oculon::testsupport::screenshot(form, "player-browser", 500ms);
    form.findChild<QToolButton*>("StartButton")->click();
    oculon::testsupport::screenshot(form, "player-playback", 1800ms);
    list->setCurrentRow(4);
    readDone(form);
    list->scrollToItem(list->currentItem());
    oculon::testsupport::screenshot(form, "player-captions", 500ms);
}
