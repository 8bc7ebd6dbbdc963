#include "video/ui/CallSaveAs.h"

#include <QCoreApplication>

#include <utility>

#include "config/sprachen.h"
#include "platform/PrivateFiles.h"
#include "platform/UserNotice.h"
#include "video/ui/CallNotice.h"
#include "video/ui/FileChooser.h"

namespace oculon::video::ui {

CallSaveAs* CallSaveAs::start(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks) {
    return new CallSaveAs(window, std::move(picture), std::move(call), std::move(hooks));
}

CallSaveAs::CallSaveAs(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks)
    : picture_(std::move(picture)), call_(std::move(call)), hooks_(std::move(hooks)) {
    writer_ = std::make_unique<SnapshotWriter>([this](const SnapshotFailure& failure, bool) { notSaved(failure); },
                                               [this] {
                                                   CallNotice::cleared(CallFailure::picture);
                                                   done();
                                               });
    overdue_.setInterval(50);
    connect(&overdue_, &QTimer::timeout, this, [this] { writer_->checkOverdue(); });
    overdue_.start();
    // Nothing else frees it at the program's end.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &QObject::deleteLater);
    ask(window);
    // The dialog goes to the dated folder once the worker has made it, or to
    // the home folder where the picture folder does not answer.
    writer_->whenFolderAnswers(picture_.pictureFolder, picture_.folder,
                               [this](const std::optional<std::string>& folder) {
                                   if (!folder && !call_.expired() && hooks_.folderSilent) hooks_.folderSilent();
                                   if (dialog_) dialog_->proposeFolder(folder.value_or(platform::homeFolder()));
                               });
}

bool CallSaveAs::asking() const { return dialog_; }

void CallSaveAs::bringToFront() {
    if (!dialog_) return;
    dialog_->raise();
    dialog_->activateWindow();
}

void CallSaveAs::ask(QWidget& window) {
    FileQuestion question;
    question.folder = picture_.folder;
    question.name = QString::fromStdString(picture_.name);
    question.filters = dialogFilters(config::tr(config::txtImageFilesFilter));
    // A station name with a dot ("Gate 1.5") has no file type of its own;
    // the recordings player shows only ".jpg" files.
    question.types = {QStringLiteral("jpg"), QStringLiteral("jpeg")};
    dialog_ = FileChooser::beside(&window, std::move(question), [this](const std::string& file) {
        saving_ = true;
        // The folder chosen in the dialog counts as chosen.
        writer_->save(picture_.picture, file, {}, true, std::nullopt);
    });
    connect(dialog_, &QObject::destroyed, this, [this] {
        if (!saving_) done();
    });
}

void CallSaveAs::notSaved(const SnapshotFailure& failure) {
    if (!call_.expired() && hooks_.notSaved) hooks_.notSaved(failure);
    else platform::tellUser(platform::Notice::pictureNotSaved, failure.text);
    if (saving_) done();
}

void CallSaveAs::done() {
    overdue_.stop();
    deleteLater();
}

}  // namespace oculon::video::ui
