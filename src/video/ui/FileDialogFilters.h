#pragma once
// The file dialogs: their filter lists from the catalogue's
// "description|pattern|..." texts, and the save dialog of snapshots and exports.
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <functional>
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

// The same dialog for a window that must not hold up any other: modal to
// that window alone, answered without waiting for it, and closed, unanswered,
// when the window says so (a call that ends). It asks before it replaces a
// file. One per window, used again for every question.
class WindowSaveDialog {
public:
    explicit WindowSaveDialog(QWidget& owner) : owner_(owner) {}
    ~WindowSaveDialog();
    WindowSaveDialog(const WindowSaveDialog&) = delete;
    WindowSaveDialog& operator=(const WindowSaveDialog&) = delete;

    // Asks as askSaveFile does; `chosen` gets the file once the user has
    // chosen it (and agreed to replace it). A name whose type is none of
    // `types` gets the first of them. Nothing while a question is open.
    void ask(const QString& folder, const QString& name, const QStringList& filters, const QStringList& types,
             std::function<void(const QString&)> chosen);
    // Closes the dialog and its questions unanswered.
    void close();

private:
    bool isOpen() const;
    void answered(int result);

    QWidget& owner_;
    // Kept while the window lives: Qt's dialog may wait in a question of its
    // own (a folder not found) when it is closed, and must not go under it.
    QPointer<QFileDialog> dialog_;
    QMetaObject::Connection finished_;
    QPointer<QMessageBox> replace_;
    QStringList types_;
    std::function<void(const QString&)> chosen_;
};

}  // namespace oculon::video::ui
