#pragma once
// The program's file dialogs, all of them: where a snapshot or an export is
// saved, which picture a gateway input shows, which folder holds the
// pictures. The toolkit's own dialog lists and looks at folders on the event
// loop (a path typed into it too), so a folder on a share that stops
// answering held every window with it, the door calls included. This one
// asks workers (FolderQuestions): it opens at once, shows a folder once a
// worker has listed it, says so when a folder does not answer, and stays
// usable meanwhile (Cancel, another folder). Its words are those of the
// toolkit's dialog in the toolkit's language, and the catalogue's; its size
// and place come from WindowRoom.

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <string>

#include "video/FolderLook.h"
#include "video/FolderQuestions.h"

class QInputDialog;

namespace oculon::video::ui {

// One filter per pair of a catalogue's "description|pattern|..." text. The
// dialog shows a filter's patterns in brackets after its description; a
// description that names its pattern already ("Image files (*.JPG)") is
// shown with the pattern that applies instead.
QStringList dialogFilters(const std::string& pairs);

struct FileQuestion {
    enum class Kind { save, open, folder };
    Kind kind = Kind::save;
    QString title;        // none: the toolkit's ("Save As", "Open", "Find Directory")
    std::string folder;   // where it opens, else the nearest folder above; none: the home folder
    QString name;         // save: the name proposed
    QStringList filters;  // from dialogFilters(); the first is chosen
    // save: a name whose type is none of these gets the first ("jpg")
    QStringList types;
};

class FileChooser : public QDialog {
    Q_OBJECT

public:
    // The path chosen: a file to write (the user agreed to replace it) or
    // to read, or a folder. Called once at most, after the dialog has closed.
    using Chosen = std::function<void(const std::string& path)>;

    // Modal to `window`'s window alone (or, where that window holds up all
    // others, in its place), and going with it.
    static FileChooser* holding(QWidget& window, FileQuestion question, Chosen chosen);
    // A window of its own beside `window` (if any), hiding nothing of it and
    // holding up nothing: a call's Save As, whose call goes on, and may end,
    // while it is open. It stays until it is answered or the program ends.
    static FileChooser* beside(QWidget* window, FileQuestion question, Chosen chosen);

    ~FileChooser() override;

    // The folder shown, or being looked at.
    const std::string& folder() const { return folder_; }
    // The folder to open in is ready now (made, or another found): it is
    // shown unless the user has gone elsewhere meanwhile.
    void proposeFolder(const std::string& folder);

private:
    FileChooser(QWidget* parent, FileQuestion question, Chosen chosen);

    void build();
    void showAndTakeKeys();
    // Shows `folder` once a worker has listed it (the nearest folder above
    // it, when `orAbove`).
    void lookIn(const std::string& folder, bool orAbove);
    // The user goes to `folder`.
    void goTo(const std::string& folder);
    void listed(FolderContents contents);
    void showEntries();
    void fitColumns();
    // "Save", "Open", "Choose" or Return: what the folder field, the list or
    // the name field names is looked at, then chosen, gone into or refused.
    void acceptClick();
    void entryActivated(const QTreeWidgetItem& item);
    void entryPicked();
    void decide(const std::string& path);
    void decided(const std::string& path, const PathState& state, const std::string& typed,
                 const PathState& typedState);
    void replaceOrNot(const std::string& path);
    void choose(const std::string& path);
    void newFolderClick();
    void makeNewFolder(const std::string& path);
    // The line under the list: what waits (and for how long), else `said_`.
    void showStatus();
    void say(const QString& text);
    std::string typedIn(const QLineEdit& field) const;

    FileQuestion question_;
    Chosen chosen_;
    // Listings apart from the looks at a path, so a decision never drops
    // the listing in hand.
    FolderQuestions listings_;
    FolderQuestions looks_;
    std::string home_;
    std::string folder_;
    std::string looked_;  // the path a look in hand is about
    FolderContents contents_;
    QString said_;
    bool moved_ = false;  // the user went to another folder

    QLabel lookInLabel_;
    QLineEdit lookIn_;
    QToolButton up_;
    QToolButton homeButton_;
    QToolButton newFolder_;
    QTreeWidget list_;
    QLabel status_;
    QLabel nameLabel_;
    QLineEdit name_;
    QLabel typesLabel_;
    QComboBox types_;
    QPushButton accept_;
    QPushButton cancel_;
    QTimer watch_;  // while a question waits
    QPointer<QMessageBox> replace_;
    QPointer<QInputDialog> newFolderName_;
};

}  // namespace oculon::video::ui
