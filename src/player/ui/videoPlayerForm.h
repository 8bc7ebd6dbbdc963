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
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/FolderWorker.h"
#include "player/RecordingsFolder.h"
#include "player/ui/VideoViewer.h"

namespace oculon::player::ui {

class TplayerForm : public QDialog {
    Q_OBJECT

public:
    // Browses the picture path of the settings (config::videoConfig).
    explicit TplayerForm(QWidget* parent = nullptr);
    // Browses `root`; a missing root is created, an empty one shows nothing.
    // The folder is read on a worker of the window's own: a share that stops
    // answering holds up neither this window nor any other, the tree, the
    // previews and the files chosen come when it answers, and what waits too
    // long says so.
    explicit TplayerForm(const std::string& root, QWidget* parent = nullptr);
    ~TplayerForm() override;

    // The worker is still reading the tree, a folder's previews or the file
    // chosen.
    bool reading() const { return !waiting_.empty(); }

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
    // What the worker reads, and what it hands to the window.
    enum class Step { tree, previews, file };
    struct Preview {
        TPreviewItem item;
        video::Image picture;
    };
    // Any thread: `shown` runs on the main thread while the window lives.
    using Report = std::function<void(std::function<void()> shown)>;
    // Runs `read` on the worker, which reports what it read; the step's
    // `run` counts as waiting until done() says it is not, and its pane
    // tells when that takes too long. `read` must not touch the window.
    void onWorker(Step step, std::function<void(const Report&, std::uint64_t run)> read);
    // True when `run` is the latest of its step, which is then done.
    bool done(Step step, std::uint64_t run);
    void tellNotAnswering();
    void readTree();
    void showTree(const std::vector<FolderNode>& folders);
    void AddDirectory(QTreeWidgetItem* parent, const std::vector<FolderNode>& folders);
    // The tree's width that shows every folder name whole, at any depth.
    int treeWidthForNames() const;
    void DirTreeChange(QTreeWidgetItem* node);
    void DirTreeEnter();
    // Each would close the recording: while a video export of it runs, the
    // tree and the previews wait for its end.
    void setBrowsingEnabled(bool enabled);
    void FileListSelectItem();
    void addPreview(const Preview& preview);
    // The tree's width that shows its names, and the window's for it.
    void fitToTree();
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
    // Under the tree: the folders it leaves out, each with why.
    QLabel leftOutNote_;
    QPixmap FPlay;
    QVBoxLayout formLayout_;
    QVBoxLayout panel1Layout_;
    QVBoxLayout panel2Layout_;

    std::string prefix_;                   // the folder browsed, for the empty tree's note
    std::vector<TDirectory> directories_;  // indexed by the tree items' data
    std::vector<TPreviewItem> previews_;   // indexed by the list items' data
    std::vector<LeftOutFolder> leftOut_;   // as the tree was read last
    bool focusHandedOn_ = false;           // see focusNextPrevChild

    platform::FolderWorker worker_;
    std::shared_ptr<int> alive_;  // the worker's reports check it
    // The steps the window waits for: the run and when it began. A later
    // run of a step supersedes the one before.
    std::map<Step, std::pair<std::uint64_t, platform::FolderWorker::Clock::time_point>> waiting_;
    std::uint64_t runs_ = 0;
    QTimer noAnswer_;
};

// The tray menu's "Recordings...": opens the player, modal for the program's
// windows, and returns at once, so that the caller's loop (the tray menu,
// door calls) goes on. There is at most one: while it is open, a further
// call only brings it to the front. It frees itself when the user closes it.
TplayerForm& showRecordingsPlayer();
// The open player, or null.
TplayerForm* recordingsPlayer();

}  // namespace oculon::player::ui
