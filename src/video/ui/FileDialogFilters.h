#pragma once
// The file dialogs: their filter lists from the catalogue's
// "description|pattern|..." texts, and the save dialog of snapshots and exports.
#include <QStringList>
#include <QWidget>

#include <string>

namespace oculon::video::ui {

// One filter per pair. The dialog shows a filter's patterns in brackets after
// its description; a description that names its pattern already ("Image files
// (*.JPG)") is shown with the pattern that applies instead.
QStringList dialogFilters(const std::string& pairs);

// Asks where to save: `name` proposed in `folder`, with `filters` and the
// file type `defaultSuffix` for a name given without one. The dialog opens
// large enough to show its file list's columns whole. The chosen file, or
// empty when the user cancels.
QString askSaveFile(QWidget* owner, const QString& folder, const QString& name, const QStringList& filters,
                    const QString& defaultSuffix);

}  // namespace oculon::video::ui
