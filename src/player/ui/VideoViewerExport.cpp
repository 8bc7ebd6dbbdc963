// The viewer's export tool bar: the shown frame to a JPEG picture, the whole
// recording to an AVI video.

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "config/sprachen.h"
#include "player/FrameExport.h"
#include "player/ui/ExportCaption.h"
#include "player/ui/VideoViewer.h"

namespace oculon::player::ui {

namespace {

// "description|pattern|..." as the file dialog's filter list.
QStringList dialogFilters(const std::string& pairs) {
    const QStringList parts = QString::fromStdString(pairs).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << parts[i] + " (" + parts[i + 1] + ")";
    return filters;
}

}  // namespace

void TVideoViewerFrame::haltForExport() {
    if (!videoPlayer_ || !StartButton.isChecked()) return;
    const QSignalBlocker quiet(StartButton);
    StartButton.setChecked(false);
    videoPlayer_->Pause();
}

QString TVideoViewerFrame::askExportFile(const QString& proposed, const std::string& filterPairs, const QString& suffix,
                                         QString& lastFolder) {
    QFileDialog dialog(this);
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(dialogFilters(filterPairs));
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(lastFolder.isEmpty() ? QDir::homePath() : lastFolder);
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString file = dialog.selectedFiles().front();
    lastFolder = QFileInfo(file).absolutePath();
    return file;
}

void TVideoViewerFrame::showExportError(const std::string& text) {
    QMessageBox::critical(this, QString(), QString::fromStdString(text), QMessageBox::Ok);
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
    const QString file =
        askExportFile(proposed, config::tr(config::txtImageFilesFilter), QStringLiteral("jpg"), frameFolder_);
    if (file.isEmpty()) return;
    try {
        exportFrame(*picture, shown, captionPainter(camera), file.toStdString());
    } catch (const std::exception& e) {
        showExportError(e.what());
    }
}

void TVideoViewerFrame::ExportVideoButtonClick() {}

void TVideoViewerFrame::CancelBtnClick() {}

}  // namespace oculon::player::ui
