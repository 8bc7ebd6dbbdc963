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
#include "video/ui/FileDialogFilters.h"

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

void TVideoViewerFrame::whenFolderAnswers(const QString& lastFolder, std::function<void(const QString&)> then) {
    const QString folder = lastFolder.isEmpty() ? QDir::homePath() : lastFolder;
    // Answered once: by the worker, or by the time it may take.
    auto answer = std::make_shared<std::function<void(const QString&)>>(std::move(then));
    const auto answered = [this, answer](const QString& where) {
        if (!*answer) return;
        // From the event loop itself: the dialog that follows runs a loop of its own.
        QTimer::singleShot(0, this, [where, then = std::exchange(*answer, nullptr)] { then(where); });
    };
    const std::weak_ptr<int> alive = alive_;
    const std::string path = folder.toStdString();
    const bool taken = exportWorker_.post([alive, path, answered, folder] {
        (void)platform::isDirectory(path);
        platform::FolderWorker::report([alive, answered, folder] {
            if (!alive.expired()) answered(folder);
        });
    });
    const int bound =
        taken ? static_cast<int>(std::chrono::milliseconds(platform::FolderWorker::kNoAnswer).count()) : 0;
    QTimer::singleShot(bound, this, [this, answer, answered, folder] {
        if (!*answer) return;
        // Elsewhere, and said why: listing that folder would hold every window.
        showExportNotice(folder.toStdString() + ": " + config::tr(config::txtFolderNotAnswering));
        answered(QDir::homePath() == folder ? QDir::rootPath() : QDir::homePath());
    });
}

QString TVideoViewerFrame::askExportFile(const QString& folder, const QString& proposed, const std::string& filterPairs,
                                         const QString& suffix, QString& lastFolder) {
    const QString file = video::ui::askSaveFile(this, folder, proposed, video::ui::dialogFilters(filterPairs), suffix);
    if (file.isEmpty()) return {};
    lastFolder = QFileInfo(file).absolutePath();
    return file;
}

void TVideoViewerFrame::showExportError(const std::string& text) {
    // Names of files and the libraries' reasons: shown as text, never as markup.
    platform::ui::execPlainMessage(QMessageBox::Critical, QString(), QString::fromStdString(platform::shownText(text)),
                                   this);
}

void TVideoViewerFrame::showExportNotice(const std::string& text) {
    platform::ui::showPlainMessage(QMessageBox::Warning, QString(), QString::fromStdString(platform::shownText(text)),
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
    whenFolderAnswers(frameFolder_, [this, picture, shown, camera, proposed](const QString& folder) {
        const QString file = askExportFile(folder, proposed, config::tr(config::txtImageFilesFilter),
                                           QStringLiteral("jpg"), frameFolder_);
        if (file.isEmpty()) return;
        // Written on the worker: the folder chosen may be a share that stops answering.
        const std::weak_ptr<int> alive = alive_;
        const auto write = [this, alive, picture, shown, caption = captionPainter(camera), target = file.toStdString(),
                            recording = videoFile_] {
            std::string error;
            try {
                exportFrame(*picture, shown, caption, target, recording);
            } catch (const std::exception& e) {
                error = e.what();
            }
            if (error.empty()) return;
            platform::FolderWorker::report([this, alive, error] {
                if (!alive.expired()) QTimer::singleShot(0, this, [this, error] { showExportError(error); });
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
    whenFolderAnswers(videoFolder_, [this, chosen, compressor, proposed](const QString& folder) {
        if (!videoPlayer_) return;
        const QString file = askExportFile(folder, proposed, config::tr(config::txtVideoFilesFilter),
                                           QStringLiteral("avi"), videoFolder_);
        if (file.isEmpty()) return;
        startVideoExport(std::move(*chosen), *compressor, file);
    });
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
