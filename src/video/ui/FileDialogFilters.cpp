#include "video/ui/FileDialogFilters.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QScreen>
#include <QTreeView>

namespace oculon::video::ui {

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
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setDirectory(folder);
    dialog.selectFile(name);
    // Qt's own dialog opens with columns too narrow for dated names, sizes and
    // dates: each folder shown gets its columns fitted to what they hold,
    // and the dialog grows for them as far as the screen allows.
    auto* list = dialog.findChild<QTreeView*>();
    auto* model = dialog.findChild<QFileSystemModel*>();
    if (list != nullptr && model != nullptr) {
        QObject::connect(model, &QFileSystemModel::directoryLoaded, &dialog, [&dialog, list] {
            for (int column = 0; column < list->header()->count(); ++column) list->resizeColumnToContents(column);
            const int missing = list->header()->length() - list->viewport()->width();
            if (missing <= 0) return;
            QSize size(dialog.width() + missing, dialog.height());
            if (const QScreen* screen = dialog.screen()) size = size.boundedTo(screen->availableGeometry().size());
            dialog.resize(size);
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

}  // namespace oculon::video::ui
