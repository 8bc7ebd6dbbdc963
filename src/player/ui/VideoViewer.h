#pragma once
// TVideoViewerFrame: the playback panel of the recordings browser. A picture
// area, start and stop, seven speeds from 1/8 to 8 times, a track bar over the
// frames and four labels (start, end, the shown frame's time, "n / N"). One
// recording at a time is open; its TPlayerThread plays it. The export tool
// bar above the picture saves the shown frame as a JPEG picture or the whole
// recording as an AVI video (VideoViewerExport.cpp).

#include <QAction>
#include <QActionGroup>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolBar>
#include <QToolButton>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/FolderWorker.h"
#include "player/PlayerThread.h"
#include "player/VideoExport.h"
#include "player/ui/PictureView.h"

namespace oculon::player::ui {

// Gives each control its name, by which tests and style sheets find it.
void nameControls(std::initializer_list<std::pair<QObject*, const char*>> controls);

// A recording's time stamp as the user's locale writes a date and a time.
QString dateTimeText(const video::TTimeStamp& stamp);

// The position bar. Its size hint leaves room for the whole handle: a style
// may draw the handle lower than the height it asks for when the ticks are
// above.
class TrackBar : public QSlider {
    Q_OBJECT

public:
    using QSlider::QSlider;
    QSize sizeHint() const override;
    // Where the style draws the handle, in the bar's own coordinates.
    QRect handleRect() const;
};

// A push button that shows its focus mark whenever it has the focus, also
// when it was given the focus rather than reached with the keyboard (after
// which alone styles show it), and that never becomes its dialog's default
// button, which looks focused at all times. Return and Enter press it
// while it has the focus.
class FocusMarkedButton : public QPushButton {
    Q_OBJECT

public:
    explicit FocusMarkedButton(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class TVideoViewerFrame : public QFrame, private PlayerView {
    Q_OBJECT

public:
    explicit TVideoViewerFrame(QWidget* parent = nullptr);
    ~TVideoViewerFrame() override;

    // Opens a recording, halted on its first frame. Raises, and stays closed,
    // when the file is no recording or its first frame cannot be shown. It
    // reads the file on the calling thread; the browser opens recordings on
    // its worker (openRecording) and hands them over opened.
    void openVideo(const std::string& fileName);
    void openVideo(OpenedRecording opened, const std::string& fileName);
    // Ends the playback thread and clears the panel; nothing when closed.
    void closeVideo();
    bool open() const { return videoPlayer_ != nullptr; }
    TPlayerThread* videoPlayer() const { return videoPlayer_.get(); }
    const std::string& videoFile() const { return videoFile_; }

    // The camera of the open recording, set by the browser.
    std::string cameraName;

    PictureView& Image1() { return Image1_; }
    // The narrowest width that shows the controls whole: the start and end
    // times either side of start and stop, and the speeds.
    int controlsWidth() const;

    void StartButtonClick();
    void StopButtonClick();

    // The exports. Each asks for its file (and the video export first for
    // the compressor) in modal dialogs.
    void ExportFrameButtonClick();
    void ExportVideoButtonClick();
    void CancelBtnClick();
    // A video export is running (its progress and Cancel show).
    bool exporting() const { return videoExport_ != nullptr; }

signals:
    // A video export runs: its progress and Cancel show.
    void videoExportStarted();
    // A video export has ended and the window has told its end: the file is
    // in place under its chosen name (or gone), the tool bar is back, and a
    // failure's message has been answered.
    void videoExportEnded();

protected:
    void resizeEvent(QResizeEvent* event) override;
    // The export buttons follow a change of language.
    void changeEvent(QEvent* event) override;

private:
    void ShowImage(const ShownFrame& frame) override;
    void StopVideo() override;

    void setSpeed(TBruch speed);
    void TrackBar1Change(int position);
    void TrackBarMouseDown();
    void TrackBarMouseUp();
    void setPlaybackEnabled(bool enabled);
    void FrameResize();
    void showExportTexts();
    // Pauses playback and lets the start button up, for an export.
    void haltForExport();
    // The save dialog, holding up the player's window alone: `proposed` in
    // the folder last chosen for this kind of file (or the home folder),
    // which the folder chosen replaces; `chosen` gets the file.
    void askExportFile(const QString& proposed, const std::string& filterPairs, const QStringList& types,
                       QString& lastFolder, std::function<void(const QString&)> chosen);
    void startVideoExport(std::unique_ptr<TVideoExport> videoExport, const std::string& compressor,
                          const QString& file);
    void showExportError(const std::string& text);
    // The compressor the user picks in the compressor dialog from those
    // installed that take the export's pictures; nothing when none is picked.
    std::optional<std::string> chooseCompressor(TVideoExport& videoExport);
    // The video export `run` has ended: the tool bar back, a failure told.
    void exportEnded(std::uint64_t run, const VideoExportResult& result);
    // Cancels a running video export and waits for it.
    void endExport();

    PictureView Image1_;
    QLabel StartTimeLabel;
    QLabel EndTimeLabel;
    QLabel TimeLabel;
    QLabel FrameLabel;
    QToolBar ExportToolBar;
    QToolButton ExportVideoButton;
    QToolButton ExportFrameButton;
    QToolButton StartButton;
    QToolButton StopButton;
    QToolBar SpeedToolBar;
    QActionGroup speedGroup_;
    TrackBar TrackBar1;
    QProgressBar ProgressBar1;
    FocusMarkedButton CancelBtn;

    std::unique_ptr<TPlayerThread> videoPlayer_;
    std::string videoFile_;
    video::TTimeStamp shownTime_;  // of the frame on screen
    QString frameFolder_;          // where the last frame and video exports went
    QString videoFolder_;
    std::unique_ptr<TVideoExport> videoExport_;
    std::uint64_t exportRun_ = 0;
    // The frame exports; the worker's reports check that the viewer is
    // still there.
    platform::FolderWorker exportWorker_;
    std::shared_ptr<int> alive_;
    TBruch speed_;
    bool videoHalted_ = true;  // the halt state while the track bar is dragged
    bool noSetFrame_ = false;  // the bar moves because a frame is shown, not to seek
};

}  // namespace oculon::player::ui
