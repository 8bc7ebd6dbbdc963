#pragma once
// The file dialogs' filter lists from the catalogue's "description|pattern|..." texts.
#include <QStringList>

#include <string>

namespace oculon::video::ui {

// One filter per pair. The dialog shows a filter's patterns in brackets after
// its description; a description that names its pattern already ("Image files
// (*.JPG)") is shown with the pattern that applies instead.
QStringList dialogFilters(const std::string& pairs);

}  // namespace oculon::video::ui
