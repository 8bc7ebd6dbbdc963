#pragma once
// A call's "Save picture": the picture is the one of the click, and the
// dialog only names it. The dialog (a FileChooser) stands in front of the
// call's window without holding it, so the door button works while it is
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

    // Asks where to save `picture`, in front of `window`. `call` lives as
    // long as the call that asks.
    static CallSaveAs* start(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks);

    // The dialog is open or about to open.
    bool asking() const;
    void bringToFront();
    // The call has ended: the dialog stays, standing alone.
    void callEnded();

private:
    CallSaveAs(QWidget& window, Picture picture, std::weak_ptr<const void> call, Hooks hooks);
    void ask(const std::optional<std::string>& folder);
    void notSaved(const SnapshotFailure& failure);
    void done();

    QPointer<QWidget> window_;
    Picture picture_;
    std::weak_ptr<const void> call_;
    Hooks hooks_;
    // Its own writer, so that neither the folder nor the picture is let go
    // with the call.
    std::unique_ptr<SnapshotWriter> writer_;
    QTimer overdue_;
    QPointer<FileChooser> dialog_;
    bool waitingForFolder_ = true;
    bool saving_ = false;
};

}  // namespace oculon::video::ui
