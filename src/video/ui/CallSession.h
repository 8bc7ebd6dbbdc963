#pragma once
// The running part of a call view, shared by the popup (TVideobild) and the
// wall's door frame (TmainVideoFrame): the stream decoders and the pictures
// they paint, the clock, the timers that end a call, the door and light
// buttons with their prompts, and the snapshots. The view owns its widgets
// and decides how a call ends; this class tells it when. The prompts and
// messages a call brings are modal to the view's window at most, and go
// with the call; its Save As holds up nothing and stays until answered.

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "video/CallTimers.h"
#include "video/MJPEGDecoderThread.h"
#include "video/TuerOeffnen.h"
#include "video/VideoCall.h"
#include "video/ui/CallNotice.h"
#include "video/ui/CallSaveAs.h"
#include "video/ui/RecordingLine.h"
#include "video/ui/SnapshotWriter.h"
#include "video/ui/VideoImage.h"

class QDialog;

namespace oculon::video::ui {

// The tray form's senders: a complete command frame or a telephone payload,
// and the target address.
using SendFunction = std::function<void(const std::string& text, const std::string& host)>;

class CallSession {
public:
    struct Hooks {
        // A decoder's stream turned black. Runs in the decoder thread: it
        // may only post a message.
        std::function<void()> onBlack;
        // The watchdog or the video-only time ran out (main thread).
        std::function<void(CallTimers::Expired)> onTimeout;
        // Faults of the main and of the second camera.
        std::function<void(TMJPEGDecoder&)> onFault;
        std::function<void(TMJPEGDecoder&)> onSecondFault;
        // Every picture of the main and of the second camera: a decoder
        // connects again by itself after a fault.
        std::function<void()> onPicture;
        std::function<void()> onSecondPicture;
        // The first picture's width over height.
        std::function<void(double)> onAspect;
        // Every 500 ms while the call runs, and once at its start.
        std::function<void(const std::tm&)> onClock;
        // The door was opened through an Axis relay and the call should end.
        std::function<void()> onCloseAfterRelay;
    };

    CallSession(QWidget& owner, bool withWatchdog, CodePadding padding);
    ~CallSession();
    CallSession(const CallSession&) = delete;
    CallSession& operator=(const CallSession&) = delete;

    // Starts the decoders of the call; `second` is the inset's control,
    // needed only when the setup has a second camera.
    void start(CallSetup setup, VideoImage& main, VideoImage* second, Hooks hooks);
    // Closes the call's prompts and messages, stops and frees the decoders,
    // stops the timers. Its Save As stays, and saves what the user names.
    void stop();
    bool running() const { return running_; }
    const CallSetup& setup() const { return setup_; }

    // The two controls exchange their cameras.
    void swapPictures();

    void tuerOeffnerClick();
    void lichtBtnClick();
    void saverClick();

    void setVideoOnly(bool on) { timers_.setVideoOnly(on); }
    bool videoOnly() const { return timers_.videoOnly(); }
    void refreshVideoOnly() { timers_.refreshVideoOnly(); }
    const CallTimers& timers() const { return timers_; }

    // The snapshot helpers of the view.
    std::string GetFileName() const;
    // The picture as shown, with name, date and time (and the comment) on it,
    // goes to the picture folder's worker; a picture that cannot be written,
    // or waits too long for the folder, is left out and the user told so
    // (once for a failure that recurs).
    void SaveImage(const std::string& fileName, const std::string& comment = {});
    // The dated folder and name, without type, of a snapshot taken now, as
    // named: SaveImage makes the folder, or uses the user's own beside it.
    std::string proposedSnapshot() const;

    // The decoders, for tests and the wall; null when not running.
    TMJPEGDecoder* mainDecoder() const { return main_.get(); }
    TMJPEGDecoder* secondDecoder() const { return second_.get(); }

    SendFunction sendFunction;
    SendFunction sendFunctionLindavor;

private:
    std::unique_ptr<TMJPEGDecoder> startDecoder(const config::TServerAttributes& record, PictureRelay& relay,
                                                TMJPEGDecoder::NotifyEvent onFault);
    // Writes the name, the time `at` (and the comment) on the shown picture
    // and returns it as it is now; null without a picture control.
    QImage captionedPicture(const std::tm& at, const std::string& comment);
    void saveToFile();
    // Tells the user, in the recording line, that the call is not recorded
    // and why, or that it records again and what it lost meanwhile.
    void recordingChanged();
    // `asked`: the user asked for this picture, and is told in any case.
    void tellPictureNotSaved(const SnapshotFailure& failure, bool asked);
    // The folder the user chose for pictures.
    std::optional<std::string> pictureFolder() const;
    void checkTimers();
    // Shows a prompt of type T modally to the view's window; the text on OK,
    // nothing otherwise, also when the call ends or the view goes away while
    // it is open.
    template <typename T>
    std::optional<std::string> ask();
    // The dated folder of a picture taken now, as named: nothing is made.
    std::string savePath() const;

    QWidget& owner_;
    CodePadding padding_;
    CallTimers timers_;
    CallSetup setup_;
    Hooks hooks_;
    bool running_ = false;
    // The picture folder was found missing as this call started: no first picture.
    bool pictureFolderMissing_ = false;
    PictureRelay mainRelay_;
    PictureRelay secondRelay_;
    std::unique_ptr<TMJPEGDecoder> main_;
    std::unique_ptr<TMJPEGDecoder> second_;
    QTimer clock_;
    QTimer timerPoll_;
    QPointer<QDialog> openPrompt_;
    // The Save As of this call; it may stay after the call.
    QPointer<CallSaveAs> saveAs_;
    // Lives as long as the call: what outlives the call tells it nothing more.
    std::shared_ptr<int> callAlive_;
    // The call's snapshots; what one tells after the call has ended goes to
    // the program's notices.
    std::unique_ptr<SnapshotWriter> snapshots_;
    CallNotice notice_;
    RecordingLine recordingLine_;
    bool recordingFailed_ = false;  // in this call
};

}  // namespace oculon::video::ui
