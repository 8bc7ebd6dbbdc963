#include "video/ui/CallSession.h"

#include <QDateTime>

#include "config/SavePath.h"
#include "config/cfgUnit.h"
#include "platform/LocalTime.h"
#include "platform/PrivateFiles.h"
#include "platform/ShownText.h"
#include "video/RepeatedFailures.h"
#include "video/LichtThread.h"
#include "video/PictureFolder.h"
#include "video/SnapshotNames.h"
#include "video/WriteFailureText.h"
#include "video/ui/PromptParts.h"
#include "video/ui/SmallPrompts.h"

namespace oculon::video::ui {

using namespace config;

CallSession::CallSession(QWidget& owner, bool withWatchdog, CodePadding padding)
    : owner_(owner), padding_(padding), timers_({}, withWatchdog), notice_(owner), recordingLine_(owner) {
    clock_.setInterval(500);
    QObject::connect(&clock_, &QTimer::timeout, &owner_, [this] {
        if (hooks_.onClock) hooks_.onClock(platform::localNow());
    });
    timerPoll_.setInterval(50);
    QObject::connect(&timerPoll_, &QTimer::timeout, &owner_, [this] {
        if (snapshots_) snapshots_->checkOverdue();
        checkTimers();
    });
    mainRelay_.onPicture = [this] {
        timers_.pictureShown();
        if (hooks_.onPicture) hooks_.onPicture();
    };
    secondRelay_.onPicture = [this] {
        if (hooks_.onSecondPicture) hooks_.onSecondPicture();
    };
}

CallSession::~CallSession() { stop(); }

std::string CallSession::savePath() const {
    // Only named here: the folder is made where the picture is written.
    return videoConfig ? videoConfig->wantedSavePath(setup_.myName) : std::string();
}

std::string CallSession::GetFileName() const { return video::GetFileName(platform::localNow(), setup_.myName); }

std::string CallSession::proposedSnapshot() const {
    // Made only when written: saveJpeg then walks it from the picture folder.
    return savePath() + GetFileName();
}

std::unique_ptr<TMJPEGDecoder> CallSession::startDecoder(const TServerAttributes& record, PictureRelay& relay,
                                                         TMJPEGDecoder::NotifyEvent onFault) {
    auto decoder = std::make_unique<TMJPEGDecoder>(record);
    decoder->setVisibleImage(&relay);
    decoder->setOnStoerung(std::move(onFault));  // no watchdog: CallTimers is ours
    if (record.aufzeichnen) {
        // Told once the first file is open, or failed.
        decoder->setOnRecording([this](TMJPEGDecoder&) { recordingChanged(); });
    }
    return decoder;
}

void CallSession::recordingChanged() {
    std::optional<RecordingFailure> failure;
    RecordingWriter::Lost lost;
    for (const TMJPEGDecoder* decoder : {main_.get(), second_.get()}) {
        if (decoder == nullptr) continue;
        if (!failure) failure = decoder->recordingFailure();
        const RecordingWriter::Lost more = decoder->recordingLost();
        if (more.pictures == 0) continue;
        if (lost.pictures == 0 || more.first < lost.first) lost.first = more.first;
        if (lost.pictures == 0 || more.last > lost.last) lost.last = more.last;
        lost.pictures += more.pictures;
    }
    // The call goes on; the line says that it is not recorded, and why, and
    // changes once recording goes on by itself.
    if (failure) {
        recordingFailed_ = true;
        return recordingLine_.tell(recordingFailureText(*failure) + ". " + tr(txtRecordingGoesOn), true);
    }
    if (!recordingFailed_ && lost.pictures == 0) return recordingLine_.tell({}, false);
    std::string text = tr(txtRecordingAgain);
    if (lost.pictures > 0) {
        const auto clock = [](StreamRecording::TimePoint at) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
            return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("HH:mm:ss"));
        };
        text += " " + QString::fromStdString(tr(txtPicturesLost))
                          .arg(QString::number(lost.pictures), clock(lost.first), clock(lost.last))
                          .toStdString();
    }
    recordingLine_.tell(text, false);
}

void CallSession::tellPictureNotSaved(const SnapshotFailure& failure, bool asked) {
    notice_.tell(CallFailure::picture, tr(txtPictureNotSaved) + "\n" + platform::shownText(failure.text),
                 failure.reason, asked);
}

void CallSession::start(CallSetup setup, VideoImage& main, VideoImage* second, Hooks hooks) {
    stop();
    setup_ = std::move(setup);
    hooks_ = std::move(hooks);
    running_ = true;
    callAlive_ = std::make_shared<int>(0);
    snapshots_ = std::make_unique<SnapshotWriter>(
        [this](const SnapshotFailure& failure, bool asked) { tellPictureNotSaved(failure, asked); },
        [] { CallNotice::cleared(CallFailure::picture); });
    timers_.start(setup_.videoOnly, setup_.tuerDauer);
    recordingFailed_ = false;
    recordingLine_.tell({}, false);
    recordingLine_.follow(&main);
    if (const auto& folderMessage = setup_.invalidPathMessage)
        notice_.tell(CallFailure::pictureFolder, *folderMessage, *folderMessage);
    else CallNotice::cleared(CallFailure::pictureFolder);
    pictureFolderMissing_ = false;
    if (!setup_.pictureFolderToLook.empty()) {
        lookAtPictureFolder(setup_.pictureFolderToLook, [this, alive = std::weak_ptr<int>(callAlive_),
                                                         folder = setup_.pictureFolderToLook](bool missing) {
            if (alive.expired() || !missing) return;
            pictureFolderMissing_ = true;
            const std::string message = invalidPathMessageFor(folder);
            notice_.tell(CallFailure::pictureFolder, message, message);
        });
    }

    mainRelay_.setTarget(&main);
    main_ = startDecoder(setup_.main, mainRelay_, [this](TMJPEGDecoder& d) {
        if (hooks_.onFault) hooks_.onFault(d);
    });
    if (setup_.firstPictureCallback) main_->setSaveFunc([this](TMJPEGDecoder&) { saveToFile(); });
    main_->setAspectFunc([this](double aspect) {
        if (hooks_.onAspect) hooks_.onAspect(aspect);
    });
    // Copied, so the decoder thread never reads a hook the main thread changes.
    main_->setOnBlack([onBlack = hooks_.onBlack](TMJPEGDecoder&) {
        if (onBlack) onBlack();
    });
    main_->Start();

    if (setup_.second && second != nullptr) {
        secondRelay_.setTarget(second);
        second_ = startDecoder(*setup_.second, secondRelay_, [this](TMJPEGDecoder& d) {
            if (hooks_.onSecondFault) hooks_.onSecondFault(d);
        });
        second_->Start();
    }
    if (hooks_.onClock) hooks_.onClock(platform::localNow());
    clock_.start();
    timerPoll_.start();
}

void CallSession::stop() {
    // The call's prompts and messages go with it; its Save As stays.
    saveAs_ = nullptr;
    callAlive_.reset();
    if (openPrompt_) openPrompt_->done(mrCancel);
    notice_.withdraw();
    recordingLine_.tell({}, false);
    recordingLine_.follow(nullptr);
    if (!running_) return;
    running_ = false;
    snapshots_.reset();
    // Terminate() also releases a decoder that waits for the main thread in
    // synchronize(), so freeing them here cannot hang on a picture in flight.
    second_.reset();
    main_.reset();
    clock_.stop();
    timerPoll_.stop();
    timers_.stop();
}

void CallSession::checkTimers() {
    const CallTimers::Expired expired = timers_.poll();
    if (expired != CallTimers::Expired::none && hooks_.onTimeout) hooks_.onTimeout(expired);
}

void CallSession::swapPictures() {
    if (!second_) return;
    VideoImage* a = mainRelay_.target();
    mainRelay_.setTarget(secondRelay_.target());
    secondRelay_.setTarget(a);
    recordingLine_.follow(mainRelay_.target());
}

QImage CallSession::captionedPicture(const std::tm& at, const std::string& comment) {
    VideoImage* image = mainRelay_.target();
    if (image == nullptr) return {};
    image->drawText(5, 5, snapshotCaption(setup_.nameText, at));
    if (!comment.empty()) image->drawText(5, 20, comment);
    return image->bitmap();
}

void CallSession::SaveImage(const std::string& fileName, const std::string& comment) {
    if (!snapshots_) return;
    const QImage picture = captionedPicture(platform::localNow(), comment);
    if (!picture.isNull()) snapshots_->save(picture, fileName, comment, false, pictureFolder());
}

std::optional<std::string> CallSession::pictureFolder() const {
    return videoConfig ? std::optional(videoConfig->firstPictpath()) : std::nullopt;
}

void CallSession::saveToFile() {
    if (pictureFolderMissing_) return;
    if (videoConfig && videoConfig->storeFirstPict()) SaveImage(proposedSnapshot() + ".jpg");
}

void CallSession::saverClick() {
    if (!running_) return;
    // One Save As asks at a time; a second press brings it to the front.
    if (saveAs_ && saveAs_->asking()) return saveAs_->bringToFront();
    // The picture and its name are those of the moment the user pressed the
    // button; the stream goes on while the dialog is open.
    const std::tm pressed = platform::localNow();
    CallSaveAs::Picture picture{captionedPicture(pressed, {}), pictureFolder(), savePath(),
                                video::GetFileName(pressed, setup_.myName)};
    if (picture.picture.isNull()) return;
    CallSaveAs::Hooks hooks;
    hooks.notSaved = [this](const SnapshotFailure& failure) { tellPictureNotSaved(failure, true); };
    hooks.folderSilent = [this] {
        const std::string text =
            platform::shownText(pictureFolder().value_or(savePath())) + ": " + tr(txtFolderNotAnswering);
        notice_.tell(CallFailure::pictureFolder, text, text, true);
    };
    saveAs_ = CallSaveAs::start(owner_, std::move(picture), callAlive_, std::move(hooks));
}

template <typename T>
std::optional<std::string> CallSession::ask() {
    const QPointer<QWidget> owner(&owner_);
    const QPointer<T> dialog(new T(&owner_));
    openPrompt_ = dialog.data();
    const int result = dialog->exec();
    // The view may have been freed while the prompt was open; then nothing
    // of it may be touched any more.
    if (!owner || !dialog) return std::nullopt;
    if (openPrompt_ == dialog) openPrompt_ = nullptr;
    std::optional<std::string> text;
    if (result == mrOK) text = dialog->text();
    delete dialog.data();
    return text;
}

void CallSession::tuerOeffnerClick() {
    if (!running_) return;
    DoorOptions o;
    if (videoConfig) {
        o.codeTuerOffen = videoConfig->codeTuerOffen();
        o.protTuerOffen = videoConfig->protTuerOffen();
        o.kommentarTuerOffen = videoConfig->kommentarTuerOffen();
    }
    o.padding = padding_;
    o.snapshotBaseName = [this] { return proposedSnapshot(); };
    o.userName = [] { return video::GetUserName(); };

    DoorEffects fx;
    fx.sendFunction = sendFunction;
    fx.sendFunctionLindavor = sendFunctionLindavor;
    fx.askCode = [this] { return ask<ToeffnerForm>(); };
    fx.askComment = [this] { return ask<TkommentarFrame>(); };
    fx.saveImage = [this](const std::string& file, const std::string& comment) { SaveImage(file, comment); };
    fx.startLight = [](const LightRequest& r) {
        TLichtThread::start(r.host, r.port, r.user, r.password, r.path, r.durationMs);
    };
    fx.sendRelay = [](const RelayPost& post) { TRelayPostThread::start(post); };
    fx.close = hooks_.onCloseAfterRelay;
    // Nothing of this object is used after a prompt that was cancelled: its
    // modal loop may have seen the view freed.
    const DoorTarget target = setup_.target;
    tuerOeffnen(target, o, fx);
}

void CallSession::lichtBtnClick() {
    if (!running_) return;
    const LightRequest r = lightRequest(setup_.target);
    TLichtThread::start(r.host, r.port, r.user, r.password, r.path, r.durationMs);
}

}  // namespace oculon::video::ui
