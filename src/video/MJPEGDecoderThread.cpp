#include "video/MJPEGDecoderThread.h"

#include <algorithm>
#include <deque>
#include <vector>

#include "config/CameraTypes.h"
#include "config/SavePath.h"
#include "config/cfgUnit.h"
#include "config/sprachen.h"
#include "platform/Base64.h"
#include "platform/LocalTime.h"
#include "platform/Log.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"
#include "video/BlackTest.h"
#include "video/MjpegStream.h"
#include "video/SnapshotNames.h"
#include "video/PictureFolder.h"
#include "video/RecordingWriter.h"

namespace oculon::video {

namespace {

using platform::InterruptedError;
using platform::TimeoutError;

// Detail texts separate their lines with LF CR, in that order.
constexpr std::string_view kLfCr = "\n\r";
// Bytes of the stream quoted in a detail text: enough to recognise, not a
// whole picture in a label.
constexpr std::size_t kQuoteLength = 256;

std::string detail(std::string_view message, std::optional<std::string_view> quote = std::nullopt) {
    std::string text(kLfCr);
    text += message;
    if (quote) {
        text += kLfCr;
        text += quote->substr(0, kQuoteLength);
    }
    return text;
}

std::uint64_t packed(PixelSize size) {
    return static_cast<std::uint64_t>(static_cast<std::uint32_t>(size.width)) << 32 |
           static_cast<std::uint32_t>(size.height);
}

PixelSize unpacked(std::uint64_t size) {
    return {static_cast<int>(static_cast<std::uint32_t>(size >> 32)),
            static_cast<int>(static_cast<std::uint32_t>(size))};
}

}  // namespace

// What a recording needs of the settings: read on the stream's thread with
// every picture, used on the picture folder's worker, which may outlive the
// settings.
class TMJPEGDecoder::RecordingSettings {
public:
    void readFrom(const config::TVideoConfig& settings) {
        std::string root = settings.firstPictpath();
        const std::int32_t minutes = settings.recordLength();
        std::lock_guard lock(mutex_);
        root_ = std::move(root);
        minutes_ = minutes;
    }
    std::string root() const {
        std::lock_guard lock(mutex_);
        return root_;
    }
    std::int32_t minutes() const {
        std::lock_guard lock(mutex_);
        return minutes_;
    }

private:
    mutable std::mutex mutex_;
    std::string root_;
    std::int32_t minutes_ = 0;
};

namespace {

// The messages of a decoder's own target: pictures are waiting; whether
// the recording fails has changed.
constexpr std::uint32_t kPicturesWaiting = 0;
constexpr std::uint32_t kRecordingChanged = 1;
// Buffers kept for the next decodes beyond the ones in use.
constexpr std::size_t kSpareBuffers = 2;

// How a picture was made ready for the control it goes to.
enum class Fit { none, inPlace, bitmap };

// A decoded picture on its way to the main thread.
struct PendingPicture {
    Image picture;
    Image bitmap;  // the control's bitmap painted from it, for Fit::bitmap
    Fit fit = Fit::none;
    PictureFrame frame;  // its place in a control of `control` size, unless Fit::none
    PixelSize control;
    double aspect = 0;
    std::string caption;
};

}  // namespace

struct TMJPEGDecoder::Handoff {
    std::mutex mutex;  // guards the two lists and the count
    std::deque<PendingPicture> pictures;
    // Handed over and not shown to the end yet: a picture the main thread
    // has taken from the list counts until its show is done.
    std::size_t unshown = 0;
    std::vector<std::vector<std::uint8_t>> spare;
    // Held while the main thread shows pictures. The decoder takes it to let
    // go when it is freed (on whichever thread), so a message that comes
    // later finds no owner.
    std::mutex showing;
    TMJPEGDecoder* owner = nullptr;

    // A spare buffer for `image`, when it has none.
    void refill(Image& image) {
        if (!image.pixels.empty() || spare.empty()) return;
        image.pixels = std::move(spare.back());
        spare.pop_back();
    }
    void giveBack(Image& image) {
        if (spare.size() < kSpareBuffers && image.pixels.capacity() > 0) spare.push_back(std::move(image.pixels));
    }
    // The main thread is done with `p`: its buffers serve the next decodes.
    void shown(PendingPicture& p) {
        std::lock_guard lock(mutex);
        giveBack(p.picture);
        giveBack(p.bitmap);
        --unshown;
    }
};

TMJPEGDecoder::TMJPEGDecoder(const config::TServerAttributes& a)
    : platform::Thread("MJPEG Decoder"),
      FCameraName(a.CameraName),
      FServerPath(a.Path),
      FServerIP(a.IP),
      FServerPort(a.Port),
      typ(a.ServerTyp),
      FServerUserName(a.UserName),
      FServerPassword(a.Password),
      show(a.zeigeImmer),
      moxa(a.isMoxa),
      moxaIP(a.moxaIP),
      FUeberwachung(a.ueberwachung),
      FRecordVideo(a.aufzeichnen),
      FFrameRate(std::max<std::int32_t>(1, a.frameRate)),
      FMirabReduction(a.mirabCrop),
      traits_(config::cameraTraits(a.ServerTyp)),
      interrupter_(std::make_shared<platform::Interrupter>()),
      handoff_(std::make_shared<Handoff>()),
      pictureTarget_([handoff = handoff_](platform::Message& message) {
          std::lock_guard lock(handoff->showing);
          if (!handoff->owner) return;
          if (message.id == kRecordingChanged) handoff->owner->recordingChanged();
          else handoff->owner->showPending();
      }),
      data(DecodeOptions{PixelFormat::Bgrx32, true}) {
    handoff_->owner = this;
    if (config::videoConfig) FBlackValue = config::videoConfig->blackValue();
    FServerPath = config::withStreamKey(typ, std::move(FServerPath), FServerPassword);
    if (FRecordVideo) {
        if (config::videoConfig) {
            recordingSettings_ = std::make_shared<RecordingSettings>();
            recordingSettings_->readFrom(*config::videoConfig);
            StreamRecording::Settings settings{[live = recordingSettings_](const std::string& name) {
                                                   const std::string root = live->root();
                                                   return config::makeSaveFolder(
                                                       root, config::buildSavePath(root, name, platform::localNow()));
                                               },
                                               [live = recordingSettings_] { return live->minutes(); }};
            FVideoFile = std::make_unique<RecordingWriter>(
                FCameraName, std::move(settings), recordingSettings_->root(), folderWorker(recordingSettings_->root()),
                [target = pictureTarget_.id()] { platform::MainLoop::instance().post(target, kRecordingChanged); });
        } else {
            log::warning(log::Category::video, "recording of %s needs the settings", FCameraName.c_str());
        }
    }
}

TMJPEGDecoder::~TMJPEGDecoder() {
    Terminate();
    // Every wait of the thread watches the interrupter and synchronize()
    // gives up once terminated, so this ends promptly.
    while (!WaitFor(std::chrono::seconds(5)))
        log::warning(log::Category::video, "%s of %s is slow to stop", Name().c_str(), FCameraName.c_str());
    {
        std::lock_guard showing(handoff_->showing);
        handoff_->owner = nullptr;
    }
    // Finished on the picture folder's worker; nothing here waits for it.
    FVideoFile.reset();
}

void TMJPEGDecoder::setFrameRate(std::int32_t divisor) { FFrameRate = std::max<std::int32_t>(1, divisor); }

std::int32_t TMJPEGDecoder::ErrorNo() const {
    std::lock_guard lock(faultMutex_);
    return FErrorNo;
}

std::string TMJPEGDecoder::AddInfo() const {
    std::lock_guard lock(faultMutex_);
    return FAddInfo;
}

std::string TMJPEGDecoder::recordingFileName() const { return FVideoFile ? FVideoFile->fileName() : std::string(); }

std::optional<RecordingFailure> TMJPEGDecoder::recordingFailure() const {
    return FVideoFile ? FVideoFile->failure() : std::nullopt;
}

RecordingWriter::Lost TMJPEGDecoder::recordingLost() const {
    return FVideoFile ? FVideoFile->lost() : RecordingWriter::Lost{};
}

void TMJPEGDecoder::record(std::span<const std::uint8_t> jpeg) {
    if (!FVideoFile) return;
    // A change of the picture folder or the file length takes effect with
    // the next picture, as the worker writes it.
    if (config::videoConfig) recordingSettings_->readFrom(*config::videoConfig);
    FVideoFile->frame(jpeg);
}

void TMJPEGDecoder::recordingChanged() {
    if (!Terminated() && FOnRecording) FOnRecording(*this);
}

void TMJPEGDecoder::interrupt() { interrupter_->trigger(); }

bool TMJPEGDecoder::blackTestApplies() const { return traits_.blackTest && moxaIP.empty(); }

int TMJPEGDecoder::cropPercent() const { return traits_.crops && FMirabReduction > 0 ? FMirabReduction : 0; }

void TMJPEGDecoder::Execute() {
    PassState state;
    if (moxa) {
        // Without an address of its own the poll goes to the device that
        // serves the stream: its input states answer on port 4001.
        pollHost_ = moxaIP.empty() ? FServerIP : moxaIP;
        try {
            udpClient = std::make_unique<platform::UdpSocket>();
        } catch (const std::exception& e) {
            log::warning(log::Category::video, "input poll of %s off: %s", FCameraName.c_str(), e.what());
        }
    }
    while (!Terminated()) {
        try {
            pass(state);
        } catch (const std::exception& e) {
            if (Terminated()) break;
            stoerung(22, detail(e.what()));
            dropConnection();
        }
    }
    dropConnection();
    udpClient.reset();
}

void TMJPEGDecoder::pass(PassState& state) {
    if (!body_) {
        if (pauseBeforeConnect_ && !sleepFor(kReconnectPause)) return;
        pauseBeforeConnect_ = false;
        lastConnect_ = connectStream();
    }
    if (udpClient && ++state.pollCounter % 2 == 0) {
        state.pollCounter = 0;
        sendPoll();
    }
    if (!body_) {
        // A failed connection has reported its own fault already.
        if (lastConnect_ == ConnectResult::closed) stoerung(5);
        dropConnection();
        return;
    }
    // Every pass, so that a long call or a wall never lets the screen blank.
    if (FIdleReset) FIdleReset();

    const MultipartParser::Event step = readStep();
    if (!step) return;
    bool blackRunStarts = false;
    if (step.step == MultipartParser::Step::picture) blackRunStarts = frameStep(state, step.data);
    // The countdown runs on the passes after the picture that started it.
    if (state.black && !blackRunStarts) {
        if (state.countdown == 0) {
            // OnBlack never overtakes a picture decoded before it.
            if (FOnBlack && waitUntilShown()) FOnBlack(*this);
        } else {
            --state.countdown;
        }
    }
}

std::string TMJPEGDecoder::requestText() const {
    std::string request = "GET " + (FServerPath.empty() ? std::string("/") : FServerPath) + " HTTP/1.1\r\n";
    request += "Host: " + FServerIP + "\r\n";
    request += "Accept: image/webp,*/*\r\n";
    if (!FServerUserName.empty() || !FServerPassword.empty())
        request += "Authorization: Basic " + platform::base64Encode(FServerUserName + ":" + FServerPassword) + "\r\n";
    request += "Connection: keep-alive\r\n\r\n";
    return request;
}

TMJPEGDecoder::ConnectResult TMJPEGDecoder::connectStream() {
    auto connection = std::make_unique<StreamConnection>(interrupter_, kReadTimeout);
    try {
        if (FServerPort <= 0 || FServerPort > 65535) throw platform::NetError("Invalid port.");
        // A path or address with a line break would add lines to the request.
        if (!safeInRequest(FServerPath) || !safeInRequest(FServerIP))
            throw platform::NetError("Invalid character in the request.");
        connection->open(FServerIP, static_cast<std::uint16_t>(FServerPort), kConnectTimeout, requestText());
    } catch (const InterruptedError&) {
        throw;
    } catch (const std::exception&) {
        return notReachable();
    }
    // The answer's head and the first picture come within the same bound as
    // every later picture.
    connection->setDeadline(StreamConnection::Clock::now() + FPictureTimeout);

    StreamHead head;
    const ConnectResult result = readAnswerHead(*connection, head);
    if (result != ConnectResult::connected) return result;

    connection_ = std::move(connection);
    body_ = std::make_unique<MjpegBody>(connection_->reader(), head);
    if (head.boundary.empty()) return ConnectResult::connected;
    try {
        // The first step of a body with boundary is the preamble before it.
        if (!body_->next()) {
            dropConnection();
            return ConnectResult::closed;
        }
    } catch (const InterruptedError&) {
        throw;
    } catch (const std::exception&) {
        dropConnection();
        return notReachable();
    }
    return ConnectResult::connected;
}

TMJPEGDecoder::ConnectResult TMJPEGDecoder::notReachable() {
    stoerung(7, detail(config::tr(config::txtCameraNotReachable)));
    return ConnectResult::failed;
}

TMJPEGDecoder::ConnectResult TMJPEGDecoder::readAnswerHead(StreamConnection& connection, StreamHead& head) {
    std::string status;
    try {
        status = connection.reader().readLn(kMaxLineLength);
    } catch (const InterruptedError&) {
        throw;
    } catch (const TimeoutError&) {
        stoerung(9);
        return ConnectResult::failed;
    } catch (const std::exception&) {
        return notReachable();
    }
    switch (classifyStatusLine(status)) {
        case StreamStatus::ok: break;
        case StreamStatus::unauthorized:
            stoerung(11, detail(config::tr(config::txtFalseOrMissingAuthorizationData)));
            return ConnectResult::failed;
        case StreamStatus::tooMany:
            stoerung(12, detail(config::tr(config::txtMaximumConnectionsExceeded)));
            return ConnectResult::failed;
        case StreamStatus::other:
            stoerung(12, detail(config::tr(config::txtPleaseCheckTheCamera), status));
            return ConnectResult::failed;
    }

    try {
        head = readStreamHead(connection.reader(), kMaxLineLength, kMaxHeaderLines);
    } catch (const InterruptedError&) {
        throw;
    } catch (const TimeoutError&) {
        return ConnectResult::closed;
    } catch (const platform::ConnectionClosedError&) {
        return ConnectResult::closed;
    } catch (const std::exception&) {
        return notReachable();
    }
    if (head.notMultipart) {
        stoerung(10);
        return ConnectResult::failed;
    }
    return ConnectResult::connected;
}

MultipartParser::Event TMJPEGDecoder::readStep() {
    MultipartParser::Event event;
    try {
        event = body_->next();
    } catch (const MultipartError& e) {
        stoerung(2, detail(e.what(), body_->parser().pendingText(kQuoteLength)));
        dropConnection();
        return {};
    } catch (const InterruptedError&) {
        throw;
    } catch (const std::exception& e) {
        readFault(&e);
        return {};
    }
    if (!event) readFault(nullptr);
    return event;
}

void TMJPEGDecoder::readFault(const std::exception* error) {
    using Need = MultipartParser::Need;
    const MultipartParser& parser = body_->parser();
    const Need need = parser.need();
    const bool timedOut = dynamic_cast<const TimeoutError*>(error) != nullptr;
    const std::string_view pending = parser.pendingText(kQuoteLength);
    const std::string message = error ? error->what() : "Connection closed by peer.";
    if (timedOut) {
        if (need == Need::line) stoerung(1);
        else if (need == Need::bodyToBoundary) stoerung(3);
        else stoerung(2, detail(message, "Stream"));
    } else if (!error && parser.pending() == 0) {
        // The stream ended cleanly between two steps.
        stoerung(need == Need::line ? 5 : 4);
    } else if (need == Need::body) {
        stoerung(2, detail(message, "Stream"));
    } else {
        stoerung(2, detail(message, pending));
    }
    dropConnection();
}

bool TMJPEGDecoder::frameStep(PassState& state, std::span<const std::uint8_t> jpeg) {
    bool showIt;
    if (FUeberwachung) {
        showIt = state.partCounter == 0;
        state.partCounter = (state.partCounter + 1) % FFrameRate.load();
    } else {
        showIt = state.showNext;
    }
    if (!showIt) {
        state.showNext = true;
        pictureArrived();
        return false;
    }
    // The recording keeps what the camera sent, whether it decodes or not.
    record(jpeg);
    try {
        decodeForControl(jpeg);
    } catch (const JpegError&) {
        // One damaged picture costs that picture, not the connection; the
        // next part is shown in its place. A stream of nothing else runs
        // into the picture deadline.
        return false;
    }
    pictureArrived();

    bool blackRunStarts = false;
    if (blackTestApplies()) {
        const bool black = !show && isBlackPicture(viewOf(pict), FBlackValue, kStreamGridMargin);
        blackRunStarts = black && !state.black;
        state.black = black;
        if (!black) {
            updateImage();
            state.countdown = kBlackCountdown;
        }
    } else {
        updateImage();
    }
    if (!FUeberwachung && traits_.popupShowsEverySecond) state.showNext = false;
    return blackRunStarts;
}

void TMJPEGDecoder::decodeForControl(std::span<const std::uint8_t> jpeg) {
    const PixelSize control = unpacked(controlSize_.load());
    // The black test counts the bright points of a grid over the whole
    // picture, so its cameras' pictures are decoded whole.
    if (control == PixelSize{} || blackTestApplies()) {
        data.decode(jpeg, pict);
        return;
    }
    const int crop = cropPercent();
    data.decode(jpeg, pict, [&](const JpegInfo& info) {
        return decodeScaleFor(info.width, info.height, control, FUeberwachung, crop);
    });
}

void TMJPEGDecoder::pictureArrived() {
    // The stream delivers again: the next fault is news, and the next
    // picture has its full time.
    FIsStoerung = false;
    connection_->setDeadline(StreamConnection::Clock::now() + FPictureTimeout);
}

void TMJPEGDecoder::updateImage() {
    const int crop = cropPercent();
    PendingPicture next;
    next.aspect = pictureAspect(pict.width, pict.height, crop);
    next.caption = snapshotCaption(FCameraName, platform::localNow());
    // Scaled here, off the main thread, for the control's size at the last
    // picture; should the control have changed since, it scales this one.
    next.control = unpacked(controlSize_.load());
    // A picture that only loses a few pixels to its place goes to the
    // control itself, bars painted into its margin; the control gives
    // another buffer back for a later decode. (Should the control change
    // size before it is shown, that picture is laid out afresh, its margin
    // white.)
    next.frame = layoutPicture(pict, next.control, FUeberwachung, crop);
    if (fitPictureInPlace(next.frame, next.control, pict)) {
        next.fit = Fit::inPlace;
    } else if (fitPicture(next.frame, next.control, fitted_)) {
        next.fit = Fit::bitmap;
        next.bitmap = std::move(fitted_);
    }
    next.picture = std::move(pict);
    std::size_t unshown = 0;
    {
        std::lock_guard lock(handoff_->mutex);
        handoff_->pictures.push_back(std::move(next));
        unshown = ++handoff_->unshown;
        handoff_->refill(pict);
        handoff_->refill(fitted_);
    }
    // The decoder goes on with the next picture while the main thread shows
    // this one; only when the main thread has not shown the last one to the
    // end yet does it wait for both, so pictures never pile up, and the next
    // decode knows the control's size from the first show on.
    if (unshown == 1) platform::MainLoop::instance().post(pictureTarget_.id(), kPicturesWaiting);
    else waitUntilShown();
}

bool TMJPEGDecoder::waitUntilShown() {
    for (;;) {
        {
            std::lock_guard lock(handoff_->mutex);
            if (handoff_->unshown == 0) return true;
        }
        // The main thread runs this after the message of every picture
        // handed over before and after a show in progress; it shows what is
        // left.
        const bool ran = platform::MainLoop::instance().synchronize([this] {
            std::lock_guard lock(handoff_->showing);
            showPending();
        });
        if (!ran || Terminated()) return false;
    }
}

void TMJPEGDecoder::showPending() {
    const int crop = cropPercent();
    // A terminated decoder's controls may be gone already.
    while (!Terminated()) {
        PendingPicture p;
        {
            std::lock_guard lock(handoff_->mutex);
            if (handoff_->pictures.empty()) return;
            p = std::move(handoff_->pictures.front());
            handoff_->pictures.pop_front();
        }
        // Done even should the show throw, or the decoder would wait for it
        // for ever.
        struct Done {
            Handoff& handoff;
            PendingPicture& picture;
            ~Done() { handoff.shown(picture); }
        } done{*handoff_, p};
        if (firstPicture && FSetAspect) FSetAspect(p.aspect);
        if (myTimer) {
            myTimer->setEnabled(false);
            myTimer->setEnabled(true);
        }
        if (toUpdate) {
            const PixelSize size = toUpdate->size();
            controlSize_.store(packed(size));
            PictureFrame frame;
            if (p.fit != Fit::none && size == p.control) {
                Image& fitted = p.fit == Fit::bitmap ? p.bitmap : p.picture;
                frame = p.frame;
                frame.picture = &fitted;
                frame.handOver = &fitted;
            } else {
                frame = layoutPicture(p.picture, size, FUeberwachung, crop);
            }
            if (FUeberwachung) frame.overlayText = p.caption;
            toUpdate->showPicture(frame);
        }
        if (FLabel) FLabel->setCaption(p.caption);
        if (firstPicture) {
            firstPicture = false;
            if (FSavePict) FSavePict(*this);
        }
    }
}

void TMJPEGDecoder::sendPoll() {
    try {
        udpClient->sendTo(pollHost_, kPollPort, kPollFrame);
    } catch (const std::exception&) {
        // Once, unanswered by design: a lost poll is followed by the next.
    }
}

void TMJPEGDecoder::stoerung(std::int32_t code, std::optional<std::string> detailText) {
    if (Terminated()) return;
    {
        std::lock_guard lock(faultMutex_);
        FErrorNo = code;
        if (detailText) FAddInfo = std::move(*detailText);
    }
    if (FIsStoerung && code == reportedCode_) return;
    FIsStoerung = true;
    reportedCode_ = code;
    platform::MainLoop::instance().synchronize([&] {
        if (FLabel) FLabel->setCaption(FCameraName);
        if (FStoerung) FStoerung(*this);
    });
}

void TMJPEGDecoder::dropConnection() {
    body_.reset();
    connection_.reset();
    pauseBeforeConnect_ = true;
}

std::string stoerungsText(std::int32_t errorNo, std::string_view addInfo, bool withDetail) {
    std::string text = config::tr(config::txtFailure) + " " + std::to_string(errorNo);
    if (withDetail) {
        for (std::size_t i = 0; i < addInfo.size(); ++i) {
            // LF CR, CR LF or a lone CR: one line break each.
            if (addInfo[i] == '\n' || addInfo[i] == '\r') {
                const char other = addInfo[i] == '\n' ? '\r' : '\n';
                if (i + 1 < addInfo.size() && addInfo[i + 1] == other) ++i;
                text += '\n';
            } else {
                text += addInfo[i];
            }
        }
    }
    return text;
}

}  // namespace oculon::video
