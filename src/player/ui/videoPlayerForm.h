#pragma once
// TplayerForm: the recordings browser. From left to right: the folders below
// the picture path (one top folder per camera), 128 x 128 previews of the
// pictures and recordings in the chosen folder, and the viewer that shows a
// picture or plays a recording.

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <string>
#include <vector>

#include "player/RecordingsFolder.h"
#include "player/ui/VideoViewer.h"

namespace oculon::player::ui {

class TplayerForm : public QDialog {
    Q_OBJECT

public:
    // Browses the picture path of the settings (config::videoConfig).
    explicit TplayerForm(QWidget* parent = nullptr);
    // Browses `root`; a missing root is created, an empty one shows nothing.
    explicit TplayerForm(const std::string& root, QWidget* parent = nullptr);
    ~TplayerForm() override;

    TVideoViewerFrame& VideoViewerFrame1() { return VideoViewerFrame1_; }

    // The preview square of a picture; recordings get the play symbol.
    QPixmap resizeBmp(const QImage& picture, int size, bool isVideo) const;

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A control that is disabled or hidden while it holds the focus hands it
    // on along the chain as Tab does; the tree that takes it so is not
    // entered by the user.
    bool focusNextPrevChild(bool next) override;
    // Escape during a video export is the export's Cancel, not the window's.
    void keyPressEvent(QKeyEvent* event) override;
    // The texts follow a change of language at once (the viewer's follow by
    // themselves).
    void changeEvent(QEvent* event) override;

private:
    void AddDirectory(QTreeWidgetItem* parent, const std::vector<FolderNode>& folders);
    // The tree's width that shows every folder name whole, at any depth.
    int treeWidthForNames() const;
    void DirTreeChange(QTreeWidgetItem* node);
    void DirTreeEnter();
    // Each would close the recording: while a video export of it runs, the
    // tree and the previews wait for its end.
    void setBrowsingEnabled(bool enabled);
    void FileListSelectItem();
    void getPreview(const TPreviewItem& item);
    void showPicture(const std::string& path);
    // The notes of the empty panes show while their pane holds nothing.
    void updateNotes();
    void showTexts();

    QSplitter splitter_;
    QWidget Panel1;
    QLabel Label1;
    QTreeWidget DirTree;
    QWidget Panel2;
    QLabel Label2;
    QListWidget FileList;
    TVideoViewerFrame VideoViewerFrame1_;
    QLabel treeNote_;
    QLabel listNote_;
    QPixmap FPlay;
    QVBoxLayout formLayout_;
    QVBoxLayout panel1Layout_;
    QVBoxLayout panel2Layout_;

    std::string prefix_;                   // the folder browsed, for the empty tree's note
    std::vector<TDirectory> directories_;  // indexed by the tree items' data
    std::vector<TPreviewItem> previews_;   // indexed by the list items' data
    bool focusHandedOn_ = false;           // see focusNextPrevChild
};

// The tray menu's "Recordings...": opens the player, modal for the program's
// windows, and returns at once, so that the caller's loop (the tray menu,
// door calls) goes on. There is at most one: while it is open, a further
// call only brings it to the front. It frees itself when the user closes it.
TplayerForm& showRecordingsPlayer();
// The open player, or null.
TplayerForm* recordingsPlayer();

}  // namespace oculon::player::ui
