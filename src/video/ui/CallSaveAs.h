#pragma once
// A call's "Save picture": the picture is the one of the click, and the
// dialog only names it. The dialog (a FileChooser) stands beside the call's
// window without hiding or holding it, so the door button works while it is
// open, and it outlives the call: a picture the user asked to keep is
// written once named, or the user learns why not, in the call while it
// runs and in a window of its own after it. It frees itself once it is
// done, or at the program's end. Main thread.

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "video/ui/SnapshotWriter.h"

namespace oculon::video::ui {

class FileChooser;

class CallSaveAs : public QObject {
public:
    struct Picture {
        QImage picture;                            // as shown at the click, with its caption
        std::optional<std::string> pictureFolder;  // the folder the user chose for pictures
        std::string folder;                        // the dated folder it is proposed in, made when missing
        std::string name;                          // proposed, without type
    };
    // What the call tells while it runs; not called once `call` has gone.
    struct Hooks {
        std::function<void(const SnapshotFailure&)> notSaved;
        // The picture folder did not answer: the dialog opens elsewhere.
        std::function<void()> folderSilent;
    };

    // Asks where to save `picture`, in front of `window`, at once: the
    // dialog goes to the dated folder once it is made. `call` lives as long
    // as the call that asks.
    static CallSaveAs* start(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks);

    // The dialog is open.
    bool asking() const;
    void bringToFront();

private:
    CallSaveAs(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks);
    void ask(QWidget& window);
    void notSaved(const SnapshotFailure& failure);
    void done();

    Picture picture_;
    std::weak_ptr<const void> call_;
    Hooks hooks_;
    // Its own writer, so that neither the folder nor the picture is let go
    // with the call.
    std::unique_ptr<SnapshotWriter> writer_;
    QTimer overdue_;
    QPointer<FileChooser> dialog_;
    bool saving_ = false;
};

}  // namespace oculon::video::ui
