#pragma once
// TMJPEGDecoder: the worker thread behind one live picture. It requests the
// camera's MJPEG stream over its own HTTP connection, cuts it into parts,
// decodes them, tests the maker's video servers for black pictures, reports
// faults by number, records the stream on request and hands each picture to
// the window's PictureSink on the main thread.
//
// Owner's side (main thread):
//   auto d = std::make_unique<TMJPEGDecoder>(attributes);   // nothing runs yet
//   d->setVisibleImage(...); d->setOnStoerung(...);           // the window's side
//   d->setSaveFunc(...); d->setAspectFunc(...); d->setOnBlack(...);
//   d->Start();
//   ...
//   d->Terminate(); d->WaitFor(bound); d.reset();            // to stop it
// Pictures, the aspect ratio and the first-picture callback run on the main
// thread through a message: the decoder goes on with the next picture
// meanwhile, and waits only while an earlier picture is still unshown. The
// fault callbacks run there through MainLoop::synchronize(). OnBlack runs in
// the decoder thread and must only post a message. Once terminated, none of
// them runs any more. The thread never ends on its
// own, and Terminate() breaks off any wait at once.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/CameraTypes.h"
#include "config/ConfigEntries.h"
#include "platform/DisplayIdle.h"
#include "platform/MainLoop.h"
#include "platform/Net.h"
#include "platform/Thread.h"
#include "video/Jpeg.h"
#include "video/MultipartParser.h"
#include "video/PictureFit.h"
#include "video/PictureSink.h"
#include "video/RecordingWriter.h"

namespace oculon::platform {
class UdpSocket;
}  // namespace oculon::platform

namespace oculon::video {

class MjpegBody;
class StreamConnection;
struct RecordingFailure;
struct StreamHead;

class TMJPEGDecoder : public platform::Thread {
public:
    using NotifyEvent = std::function<void(TMJPEGDecoder& sender)>;
    using AspectEvent = std::function<void(double aspectRatio)>;

    static constexpr platform::Millis kConnectTimeout{10000};
    static constexpr platform::Millis kReadTimeout{6000};
    // After a fault the next connection waits this long, so an unreachable
    // camera costs neither a busy loop nor a flood of connection attempts.
    static constexpr platform::Millis kReconnectPause{1000};
    // A stream that completes no picture for this long (a drip, endless
    // lines, a stall kept alive) is a fault like a silent one.
    static constexpr platform::Millis kPictureTimeout{10000};
    static constexpr std::size_t kMaxLineLength = 512000;
    static constexpr std::size_t kMaxHeaderLines = 100;
    static constexpr int kBlackCountdown = 10;
    static constexpr int kDefaultBlackLevel = 45;
    // The input-state query (command "D" with its XOR byte) to port 4002.
    static constexpr std::uint16_t kPollPort = 4002;
    static constexpr std::string_view kPollFrame{"\x1F\x44\x5B", 3};

    // Copies what it needs of `attributes`; reads the black level from the
    // settings and, with recording on, has the picture folder's worker open
    // the first recording file. The decoder itself never waits for a disk.
    explicit TMJPEGDecoder(const config::TServerAttributes& attributes);
    // Stops the thread if the owner has not, then lets the worker close the
    // recording.
    ~TMJPEGDecoder() override;

    // Before Start().
    void setOnBlack(NotifyEvent onBlack) { FOnBlack = std::move(onBlack); }
    void setSaveFunc(NotifyEvent saveFunc) { FSavePict = std::move(saveFunc); }
    void setAspectFunc(AspectEvent aspectFunc) { FSetAspect = std::move(aspectFunc); }
    void setOnStoerung(NotifyEvent onStoerung) { FStoerung = std::move(onStoerung); }
    // On the main thread, when the recording starts to fail or goes on again
    // (ask recordingFailure()), the first file's failure included: files are
    // written on the picture folder's worker.
    void setOnRecording(NotifyEvent onRecording) { FOnRecording = std::move(onRecording); }
    // Restarted with every picture shown; none by default.
    void setWatchdog(platform::Timer* watchdog) { myTimer = watchdog; }
    // Shows name, date and time with every picture, the name alone at a fault.
    void setTimeLabel(CaptionSink* label) { FLabel = label; }
    // Run on every pass while the stream is connected, in the decoder
    // thread; by default it keeps the display from blanking.
    void setIdleReset(std::function<void()> reset) { FIdleReset = std::move(reset); }
    void setPictureTimeout(platform::Millis timeout) { FPictureTimeout = timeout; }

    // Main thread, at any time: later pictures go to the new sink.
    PictureSink* visibleImage() const { return toUpdate; }
    void setVisibleImage(PictureSink* sink) { toUpdate = sink; }

    // Any thread: in wall mode only every n-th part is shown (n >= 1).
    void setFrameRate(std::int32_t divisor);
    std::int32_t frameRate() const { return FFrameRate.load(); }

    // The last fault; read them in the fault callback.
    std::int32_t ErrorNo() const;
    std::string AddInfo() const;

    const std::string& cameraName() const { return FCameraName; }
    // The request path, the password appended for type 8.
    const std::string& serverPath() const { return FServerPath; }
    // The file being recorded into; empty when not recording.
    std::string recordingFileName() const;
    // Set while the recording fails (it is tried again by itself).
    std::optional<RecordingFailure> recordingFailure() const;
    // Pictures the recording lost while its folder did not answer.
    RecordingWriter::Lost recordingLost() const;

protected:
    void Execute() override;
    void interrupt() override;

private:
    // What one run of the thread keeps from pass to pass.
    struct PassState {
        bool black = false;
        int countdown = kBlackCountdown;
        int pollCounter = 0;
        bool showNext = true;
        std::int32_t partCounter = 0;
    };
    enum class ConnectResult { connected, failed, closed };

    void pass(PassState& state);
    ConnectResult connectStream();
    ConnectResult readAnswerHead(StreamConnection& connection, StreamHead& head);
    std::string requestText() const;
    ConnectResult notReachable();  // fault 7
    // The next line or part; empty after a fault, which is then reported and
    // the connection dropped.
    MultipartParser::Event readStep();
    void readFault(const std::exception* error);
    // True when the picture was the first black one of a run.
    bool frameStep(PassState& state, std::span<const std::uint8_t> jpeg);
    // Decodes into pict at the scale the control needs (JpegError when it cannot).
    void decodeForControl(std::span<const std::uint8_t> jpeg);
    void pictureArrived();
    void updateImage();
    // Main thread: shows the pictures handed over so far, in their order.
    void showPending();
    // Returns once the main thread has shown every picture handed over to
    // the end; false when the decoder was terminated before.
    bool waitUntilShown();
    // Hands the part to the recording.
    void record(std::span<const std::uint8_t> jpeg);
    // Main thread: tells the owner that whether the recording fails changed.
    void recordingChanged();
    void sendPoll();
    void stoerung(std::int32_t code, std::optional<std::string> detail = std::nullopt);
    void dropConnection();
    bool blackTestApplies() const;
    int cropPercent() const;

    // From the attributes.
    std::string FCameraName;
    std::string FServerPath;
    std::string FServerIP;
    std::int32_t FServerPort;
    config::TVideoServerType typ;
    PictureSink* toUpdate = nullptr;  // main thread only
    std::string FServerUserName;
    std::string FServerPassword;
    bool show;
    platform::Timer* myTimer = nullptr;
    bool moxa;
    std::string moxaIP;
    bool FUeberwachung;
    bool FRecordVideo;
    std::atomic<std::int32_t> FFrameRate;
    NotifyEvent FStoerung;
    NotifyEvent FOnRecording;
    std::int32_t FMirabReduction;

    const config::CameraTraits& traits_;
    NotifyEvent FOnBlack;
    NotifyEvent FSavePict;
    AspectEvent FSetAspect;
    CaptionSink* FLabel = nullptr;
    std::function<void()> FIdleReset = platform::keepDisplayAwake;
    platform::Millis FPictureTimeout = kPictureTimeout;
    std::int32_t FBlackValue = kDefaultBlackLevel;
    bool firstPicture = true;  // main thread only

    mutable std::mutex faultMutex_;
    std::int32_t FErrorNo = 0;
    std::string FAddInfo;
    // A fault is reported once until the stream delivers again, unless its
    // code changes meanwhile.
    bool FIsStoerung = false;
    std::int32_t reportedCode_ = 0;

    std::shared_ptr<platform::Interrupter> interrupter_;
    std::unique_ptr<StreamConnection> connection_;
    std::unique_ptr<MjpegBody> body_;  // reads through connection_
    std::unique_ptr<platform::UdpSocket> udpClient;
    std::string pollHost_;
    bool pauseBeforeConnect_ = false;
    ConnectResult lastConnect_ = ConnectResult::connected;

    // Pictures on their way to the main thread, and the buffers that come
    // back from the control for the next decodes (see updateImage).
    struct Handoff;
    std::shared_ptr<Handoff> handoff_;
    platform::MessageTarget pictureTarget_;

    JpegDecoder data;
    Image pict;
    // The control's size at the last picture shown, width in the high
    // half: the main thread sets it, the decoder thread decodes and scales
    // the next picture for it.
    std::atomic<std::uint64_t> controlSize_{0};
    Image fitted_;  // the control's bitmap painted from pict
    class RecordingSettings;
    std::shared_ptr<RecordingSettings> recordingSettings_;
    std::unique_ptr<RecordingWriter> FVideoFile;
};

// What a window shows for a fault: "failure 7" in the current language, the
// detail text appended when asked for, line breaks as single LFs.
std::string stoerungsText(std::int32_t errorNo, std::string_view addInfo, bool withDetail);

}  // namespace oculon::video
