#include "video/ui/FileDialogFilters.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

#include <utility>

#include "config/sprachen.h"
#include "platform/ui/PlainMessageBox.h"

namespace oculon::video::ui {

namespace {

// Qt's own dialog opens with columns too narrow for dated names, sizes and
// dates: each folder shown gets its columns fitted to what they hold, and the
// dialog grows for them as far as the screen allows.
void fitColumnsToEachFolder(QFileDialog& dialog) {
    auto* list = dialog.findChild<QTreeView*>();
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (list == nullptr || model == nullptr) return;
    QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [&dialog, list] {
        for (int column = 0; column < list->header()->count(); ++column) list->resizeColumnToContents(column);
        const int missing = list->header()->length() - list->viewport()->width();
        if (missing <= 0) return;
        QSize size(dialog.width() + missing, dialog.height());
        if (const QScreen* screen = dialog.screen()) size = size.boundedTo(screen->availableGeometry().size());
        dialog.resize(size);
    });
}

void setUpSaveDialog(QFileDialog& dialog) {
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    fitColumnsToEachFolder(dialog);
}

void propose(QFileDialog& dialog, const QString& folder, const QString& name, const QStringList& filters,
             const QString& defaultSuffix) {
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setDirectory(folder);
    dialog.selectFile(name);
}

// Every modal window that `dialog` opened, and the dialog, answered with
// "no": the loops they run return, and nothing is done of what they asked.
void rejectWithItsQuestions(QDialog& dialog) {
    for (QDialog* question : dialog.findChildren<QDialog*>())
        if (question->isVisible()) question->done(QDialog::Rejected);
    if (dialog.isVisible()) dialog.done(QDialog::Rejected);
}

}  // namespace

QStringList dialogFilters(const std::string& pairs) {
    const QStringList parts = QString::fromStdString(pairs).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.endsWith(QLatin1Char(')')) && description.contains(QLatin1Char('(')))
            description = description.left(description.lastIndexOf(QLatin1Char('('))).trimmed();
        QString patterns = parts[i + 1];
        filters << description + " (" + patterns.replace(QLatin1Char(';'), QLatin1Char(' ')) + ")";
    }
    return filters;
}

QString askSaveFile(QWidget* owner, const QString& folder, const QString& name, const QStringList& filters,
                    const QString& defaultSuffix) {
    QFileDialog dialog(owner);
    setUpSaveDialog(dialog);
    propose(dialog, folder, name, filters, defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

WindowSaveDialog::~WindowSaveDialog() {
    close();
    QObject::disconnect(finished_);
}

void WindowSaveDialog::ask(const QString& folder, const QString& name, const QStringList& filters,
                           const QStringList& types, std::function<void(const QString&)> chosen) {
    if (isOpen() || types.isEmpty()) return;
    if (!dialog_) {
        dialog_ = new QFileDialog(&owner_);
        // Its own question before replacing a file would hold up every
        // window; this one asks its own way.
        dialog_->setOption(QFileDialog::DontConfirmOverwrite);
        setUpSaveDialog(*dialog_);
        finished_ = QObject::connect(dialog_, &QDialog::finished, &owner_, [this](int result) { answered(result); });
    }
    propose(*dialog_, folder, name, filters, types.front());
    types_ = types;
    chosen_ = std::move(chosen);
    dialog_->open();  // modal to its window alone
}

void WindowSaveDialog::answered(int result) {
    QString file = dialog_->selectedFiles().value(0);
    if (result != QDialog::Accepted || file.isEmpty() || !chosen_) return;
    if (!types_.contains(QFileInfo(file).suffix().toLower())) file += QLatin1Char('.') + types_.front();
    if (!QFileInfo::exists(file)) return std::exchange(chosen_, nullptr)(file);
    replace_ = platform::ui::plainMessageBox(
        QMessageBox::Warning, dialog_->windowTitle(),
        QFileDialog::tr("%1 already exists.\nDo you want to replace it?").arg(QFileInfo(file).fileName()),
        QMessageBox::Yes | QMessageBox::No, &owner_);
    replace_->setDefaultButton(QMessageBox::No);
    replace_->button(QMessageBox::Yes)->setText(QString::fromStdString(config::tr(config::txtYes)));
    replace_->button(QMessageBox::No)->setText(QString::fromStdString(config::tr(config::txtNo)));
    QObject::connect(replace_, &QDialog::finished, replace_, [this, file](int answer) {
        std::exchange(replace_, nullptr)->deleteLater();
        if (answer == QMessageBox::Yes && chosen_) std::exchange(chosen_, nullptr)(file);
    });
    replace_->open();
}

void WindowSaveDialog::close() {
    chosen_ = nullptr;
    if (replace_) replace_->done(QMessageBox::No);
    if (dialog_) rejectWithItsQuestions(*dialog_);
}

bool WindowSaveDialog::isOpen() const { return (dialog_ && dialog_->isVisible()) || replace_; }

}  // namespace oculon::video::ui
