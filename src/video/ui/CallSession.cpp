#include "video/ui/CallSession.h"

#include <QFileInfo>
#include <QMessageBox>

#include <cstdio>

#include "config/cfgUnit.h"
#include "platform/LocalTime.h"
#include "platform/ui/PlainMessageBox.h"
#include "platform/ShownText.h"
#include "video/LichtThread.h"
#include "video/SnapshotNames.h"
#include "video/WriteFailureText.h"
#include "video/ui/FileDialogFilters.h"
#include "video/ui/PromptParts.h"
#include "video/ui/SmallPrompts.h"

namespace oculon::video::ui {

using namespace config;

namespace {

// A message that does not hold up the call; without an owner (the call's
// window is gone) it stands alone.
void showError(QWidget* owner, const std::string& text) {
    platform::ui::showPlainMessage(QMessageBox::Critical, QString(), qs(text), owner);
}

void tellPictureNotSaved(QWidget* owner, const std::string& problem) {
    showError(owner, tr(txtPictureNotSaved) + "\n" + platform::shownText(problem));
}

}  // namespace

CallSession::CallSession(QWidget& owner, bool withWatchdog, CodePadding padding)
    : owner_(owner), padding_(padding), timers_({}, withWatchdog) {
    clock_.setInterval(500);
    QObject::connect(&clock_, &QTimer::timeout, &owner_, [this] {
        if (hooks_.onClock) hooks_.onClock(platform::localNow());
    });
    timerPoll_.setInterval(50);
    QObject::connect(&timerPoll_, &QTimer::timeout, &owner_, [this] { checkTimers(); });
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
    return videoConfig ? videoConfig->getSavePath(setup_.myName) : std::string();
}

std::string CallSession::GetFileName() const { return video::GetFileName(platform::localNow(), setup_.myName); }

std::string CallSession::proposedSnapshot() const { return savePath() + GetFileName(); }

std::unique_ptr<TMJPEGDecoder> CallSession::startDecoder(const TServerAttributes& record, PictureRelay& relay,
                                                         TMJPEGDecoder::NotifyEvent onFault) {
    auto decoder = std::make_unique<TMJPEGDecoder>(record);
    decoder->setVisibleImage(&relay);
    decoder->setOnStoerung(std::move(onFault));  // no watchdog: CallTimers is ours
    if (record.aufzeichnen) {
        decoder->setOnRecording([this](TMJPEGDecoder& d) { recordingChanged(d); });
        recordingChanged(*decoder);
    }
    return decoder;
}

void CallSession::recordingChanged(const TMJPEGDecoder& decoder) {
    const auto failure = decoder.recordingFailure();
    if (!failure) {
        recordingFailureTold_ = false;
        return;
    }
    // The call goes on; the user learns once that it is not recorded, and
    // why. A failure whose reason changes is still the same failure.
    if (recordingFailureTold_) return;
    recordingFailureTold_ = true;
    showError(&owner_, platform::shownText(recordingFailureText(*failure)) + "\n" + platform::shownText(failure->path) +
                           "\n\n" + tr(txtRecordingGoesOn));
}

void CallSession::start(CallSetup setup, VideoImage& main, VideoImage* second, Hooks hooks) {
    stop();
    setup_ = std::move(setup);
    hooks_ = std::move(hooks);
    running_ = true;
    recordingFailureTold_ = false;
    timers_.start(setup_.videoOnly, setup_.tuerDauer);

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
    if (!running_) return;
    running_ = false;
    if (openPrompt_) openPrompt_->done(mrCancel);
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
}

QImage CallSession::captionedPicture(const std::tm& at, const std::string& comment) {
    VideoImage* image = mainRelay_.target();
    if (image == nullptr) return {};
    image->drawText(5, 5, snapshotCaption(setup_.nameText, at));
    if (!comment.empty()) image->drawText(5, 20, comment);
    return image->bitmap();
}

bool CallSession::SaveImage(const std::string& fileName, const std::string& comment) {
    const QImage picture = captionedPicture(platform::localNow(), comment);
    if (picture.isNull()) return false;
    const std::string problem = saveJpeg(picture, fileName, comment);
    if (!problem.empty()) tellPictureNotSaved(&owner_, problem);
    return problem.empty();
}

void CallSession::saveToFile() {
    if (videoConfig && videoConfig->storeFirstPict()) SaveImage(proposedSnapshot() + ".jpg");
}

void CallSession::saverClick() {
    // The picture and its name are those of the moment the user pressed the
    // button; the stream goes on while the dialog is open.
    const std::tm pressed = platform::localNow();
    const QImage picture = captionedPicture(pressed, {});
    if (picture.isNull()) return;
    const QPointer<QWidget> owner(&owner_);
    QString file = askSaveFile(&owner_, QString::fromStdString(savePath()),
                               QString::fromStdString(video::GetFileName(pressed, setup_.myName)),
                               dialogFilters(tr(txtImageFilesFilter)), QStringLiteral("jpg"));
    // The call may have ended and its window gone meanwhile: only the held
    // picture is used from here on.
    if (file.isEmpty()) return;
    // A station name with a dot ("Gate 1.5") has no file type of its own; the
    // recordings player shows only ".jpg" files.
    const QString type = QFileInfo(file).suffix().toLower();
    if (type != QStringLiteral("jpg") && type != QStringLiteral("jpeg")) file += QStringLiteral(".jpg");
    if (const std::string problem = saveJpeg(picture, file.toStdString()); !problem.empty())
        tellPictureNotSaved(owner, problem);
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
    openPrompt_ = nullptr;
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
