// The viewer's export tool bar: the shown frame to a JPEG picture, the whole
// recording to an AVI video.

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QStyle>
#include <QTimer>

#include <thread>

#include "config/sprachen.h"
#include "config/ui/BrandDialog.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/FolderWorker.h"
#include "platform/PrivateFiles.h"
#include "platform/ShownText.h"
#include "player/FrameExport.h"
#include "player/ui/ChoiceDialogs.h"
#include "player/ui/ExportCaption.h"
#include "player/ui/VideoViewer.h"
#include "video/ui/FileChooser.h"

namespace oculon::player::ui {

std::optional<std::string> TVideoViewerFrame::chooseCompressor(TVideoExport& videoExport) {
    std::vector<std::string> codes;
    std::vector<std::string> descriptions;
    videoExport.GetAvailableCompressions(codes, descriptions);
    TvideoCodecChoose dialog(this);
    QComboBox& box = dialog.ComboBox1();
    box.clear();
    for (const std::string& description : descriptions) box.addItem(QString::fromStdString(description));
    if (!descriptions.empty()) box.setCurrentIndex(0);
    // The list opens as wide as its longest name, which the box itself is not.
    QAbstractItemView& list = *box.view();
    list.setMinimumWidth(list.sizeHintForColumn(0) + 2 * list.frameWidth() +
                         list.style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, &list));
    if (dialog.exec() != config::ui::mrOK) return std::nullopt;
    const int index = dialog.selectedIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= codes.size()) return std::nullopt;
    return codes[static_cast<std::size_t>(index)];
}

void TVideoViewerFrame::haltForExport() {
    if (!videoPlayer_ || !StartButton.isChecked()) return;
    const QSignalBlocker quiet(StartButton);
    StartButton.setChecked(false);
    videoPlayer_->Pause();
}

void TVideoViewerFrame::askExportFile(const QString& proposed, const std::string& filterPairs, const QStringList& types,
                                      QString& lastFolder, std::function<void(const QString&)> chosen) {
    video::ui::FileQuestion question;
    question.folder = lastFolder.toStdString();
    question.name = proposed;
    question.filters = video::ui::dialogFilters(filterPairs);
    question.types = types;
    const QPointer<TVideoViewerFrame> self(this);
    video::ui::FileChooser::holding(*this, std::move(question),
                                    [self, &lastFolder, chosen = std::move(chosen)](const std::string& file) {
                                        if (!self) return;
                                        lastFolder = QString::fromStdString(platform::folderOfFile(file));
                                        chosen(QString::fromStdString(file));
                                    });
}

void TVideoViewerFrame::showExportError(const std::string& text) {
    // Names of files and the libraries' reasons: shown as text, never as markup.
    platform::ui::execPlainMessage(QMessageBox::Critical, QString(), QString::fromStdString(platform::shownText(text)),
                                   this);
}

void TVideoViewerFrame::ExportFrameButtonClick() {
    if (!videoPlayer_) return;
    haltForExport();
    // What is on screen now is what the user meant, whatever playback had
    // still in flight; the recording may be closed while the dialog is open.
    const std::shared_ptr<const video::Image> picture = Image1_.picture();
    const video::TTimeStamp shown = shownTime_;
    const std::string camera = cameraName;
    if (!picture) return;
    const QString proposed = QString::fromStdString(exportFileName(videoPlayer_->CurrentTime(), camera));
    const QStringList types{QStringLiteral("jpg"), QStringLiteral("jpeg")};
    askExportFile(proposed, config::tr(config::txtImageFilesFilter), types, frameFolder_,
                  [this, picture, shown, camera](const QString& file) {
                      // Written on the worker: the folder chosen may be a share that stops answering.
                      const std::weak_ptr<int> alive = alive_;
                      const auto write = [this, alive, picture, shown, caption = captionPainter(camera),
                                          target = file.toStdString(), recording = videoFile_] {
                          std::string error;
                          try {
                              exportFrame(*picture, shown, caption, target, recording);
                          } catch (const std::exception& e) {
                              error = e.what();
                          }
                          if (error.empty()) return;
                          platform::FolderWorker::report([this, alive, error] {
                              if (!alive.expired())
                                  QTimer::singleShot(0, this, [this, error] { showExportError(error); });
                          });
                      };
                      if (!exportWorker_.post(write))
                          showExportError(file.toStdString() + ": " + config::tr(config::txtFolderNotAnswering));
                  });
}

void TVideoViewerFrame::ExportVideoButtonClick() {
    if (!videoPlayer_ || videoExport_) return;
    const QString proposed = QString::fromStdString(exportFileName(videoPlayer_->StartTime(), cameraName));
    auto videoExport = std::make_unique<TVideoExport>();
    const std::optional<std::string> compressor = chooseCompressor(*videoExport);
    // The recording may have been closed while a dialog was open.
    if (!compressor || !videoPlayer_) return;
    auto chosen = std::make_shared<std::unique_ptr<TVideoExport>>(std::move(videoExport));
    askExportFile(
        proposed, config::tr(config::txtVideoFilesFilter), {QStringLiteral("avi")}, videoFolder_,
        [this, chosen, compressor](const QString& file) { startVideoExport(std::move(*chosen), *compressor, file); });
}

void TVideoViewerFrame::startVideoExport(std::unique_ptr<TVideoExport> videoExport, const std::string& compressor,
                                         const QString& file) {
    // The recording may have been closed while a dialog was open.
    if (!videoPlayer_ || videoExport_) return;

    if (StartButton.isChecked()) StopButtonClick();
    ProgressBar1.setValue(0);
    ProgressBar1.show();
    CancelBtn.setText(QString::fromStdString(config::tr(config::txtCancel)));
    CancelBtn.setEnabled(true);
    CancelBtn.show();
    // The keyboard goes to Cancel, before the export buttons are given up:
    // Space or Return ends the export rather than starting playback.
    CancelBtn.setFocus(Qt::OtherFocusReason);
    ExportVideoButton.setEnabled(false);
    ExportFrameButton.setEnabled(false);
    videoExport_ = std::move(videoExport);
    const std::uint64_t run = ++exportRun_;
    videoExport_->Start(
        {videoFile_, file.toStdString(), compressor, captionPainter(cameraName), captionRows(cameraName)},
        [this](int percent) { ProgressBar1.setValue(percent); },
        [this, run](const VideoExportResult& result) {
            // Let go of the export only once its own report has returned.
            auto done = std::shared_ptr<TVideoExport>(std::move(videoExport_));
            QTimer::singleShot(0, this, [this, run, result, done] { exportEnded(run, result); });
        });
    emit videoExportStarted();
}

void TVideoViewerFrame::exportEnded(std::uint64_t run, const VideoExportResult& result) {
    if (run != exportRun_) return;
    ExportVideoButton.setEnabled(open());
    ExportFrameButton.setEnabled(open());
    // The keyboard goes back to where the export began, not along the chain.
    if (CancelBtn.hasFocus() && ExportVideoButton.isEnabled()) ExportVideoButton.setFocus(Qt::OtherFocusReason);
    ProgressBar1.hide();
    CancelBtn.hide();
    if (result.outcome == VideoExportResult::Outcome::Failed) showExportError(result.error);
    emit videoExportEnded();
}

void TVideoViewerFrame::endExport() {
    if (!videoExport_) return;
    // Freed on a thread of its own: freeing waits for its worker, which may
    // be stuck in a folder that stopped answering.
    videoExport_->Abandon();
    std::thread([abandoned = std::move(videoExport_)]() mutable { abandoned.reset(); }).detach();
    exportEnded(exportRun_, {VideoExportResult::Outcome::Cancelled, 0, {}});
}

void TVideoViewerFrame::CancelBtnClick() {
    if (!videoExport_) return;
    // Told first: the button given up below hands the focus on, and whatever
    // takes it runs before this returns.
    videoExport_->Cancel();
    // The frame in hand is still compressed and the file closed: till then
    // the button says that the export is ending, and takes no second click.
    CancelBtn.setText(QString::fromStdString(config::tr(config::txtExportEnding)));
    CancelBtn.setEnabled(false);
}

}  // namespace oculon::player::ui
