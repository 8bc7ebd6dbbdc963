#include "player/VideoExport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "media/video/VDDIB.h"
#include "media/video/VDStoreConversion.h"
#include "platform/AviFile.h"
#include "platform/FullRangeYuv.h"
#include "platform/Log.h"
#include "platform/MainLoop.h"
#include "platform/PrivateFiles.h"
#include "platform/TemporaryFile.h"
#include "platform/Thread.h"
#include "video/WriteFailureText.h"

namespace oculon::player {

namespace {

using mediavideo::TPixelFormat;

// A decoded frame (B, G, R, 0xFF per pixel) seen as the window layer's
// 32-bit bitmap, which image buffers are made from.
class PictureBitmap final : public mediavideo::TBitmap {
public:
    explicit PictureBitmap(video::Image& picture) : picture_(picture) {}
    std::int32_t Width() const override { return picture_.width; }
    std::int32_t Height() const override { return picture_.height; }
    TPixelFormat PixelFormat() const override { return TPixelFormat::pf32bit; }
    // Only read here.
    void SetSize(std::int32_t, std::int32_t) override {}
    void SetPixelFormat(TPixelFormat) override {}
    std::uint8_t* ScanLine(std::int32_t y) override { return picture_.row(y); }
    std::optional<Rows> DIBRows(unsigned bitCount) const override {
        if (bitCount != 32 || Empty()) return std::nullopt;
        return Rows{picture_.pixels.data(), static_cast<std::ptrdiff_t>(picture_.stride), nullptr};
    }

private:
    video::Image& picture_;
};

// A frame of the recording that cannot be read or decoded: the export ends
// there, and the user hears which one it was.
class FrameUnreadable : public std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Reads frame `index` (from 0), the next one in the file, and decodes it.
template <typename Decode>
void readPicture(video::TMJPEGFile& file, std::int32_t index, const std::string& recording,
                 std::vector<std::uint8_t>& jpeg, Decode&& decode) {
    try {
        file.readFrame(jpeg);
        decode();
    } catch (const std::exception& e) {
        throw FrameUnreadable(recording + ": frame " + std::to_string(index + 1) + " of " +
                              std::to_string(file.VideoFrames()) + " cannot be read (" + e.what() + ").");
    }
}

// A frame of `width` x `height` whose store takes a JPEG picture's planes as
// the decoder writes them; nothing for a size the store cannot hold whole.
std::optional<platform::Yuv420Planes> jpegPlanesFrame(mediavideo::IVDImageBuffer& frame, int width, int height) {
    if (width % 2 != 0 || height % 2 != 0) return std::nullopt;
    frame = mediavideo::TVDImageBuffer::CreateSize(
        static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), mediavideo::TVDVideoFormat::vfIYUV);
    mediavideo::TVDSmartImageBuffer& store = frame->GetBuffer();
    store.SetFullRange(true);
    return mediavideo::VDJpegPlanes(store);
}

// The caption on the top `rows` rows (even) of a frame held as full-range
// 4:2:0 planes: those rows made B, G, R pixels in `band`, painted, and made
// planes again, each 2 x 2 block's chroma the mean of its four pixels as on
// the road through B, G, R. The rows below stay as the JPEG stored them.
void captionPlanes(const platform::Yuv420Planes& yuv, int width, int rows, const CaptionPainter& caption,
                   const video::TTimeStamp& time, video::Image& band) {
    band.reshape(width, rows, video::PixelFormat::Bgrx32);
    const auto step = static_cast<std::ptrdiff_t>(band.stride);
    platform::fullRangeYuv420ToBgr(yuv, 0, 0, width, rows, band.pixels.data(), step, 4);
    caption(band, time);
    platform::bgrToFullRangeYuv420(band.pixels.data(), step, 4, width, rows, yuv);
}

// Exported files are the user's documents: readable as the umask allows.
constexpr mode_t kDocumentMode = 0666;

// How long the logger may go without writing a frame it was given before
// the export stops waiting for it.
constexpr auto kLoggerStall = std::chrono::seconds(20);

}  // namespace

std::int32_t exportProgressStep(std::int32_t frames) { return std::max(1, frames / 100); }

std::int32_t exportFrameDelay(std::int32_t meanIntervalMs) { return std::max(1, meanIntervalMs) * 10000; }

class TVideoExport::Worker final : public platform::Thread {
public:
    explicit Worker(TVideoExport& owner) : platform::Thread("VideoExport"), owner_(owner) {}
    ~Worker() override {
        Terminate();
        // The worker uses the whole export: it must have ended before that goes.
        while (!WaitFor(std::chrono::seconds(1))) {}
    }
    using platform::Thread::sleepFor;

protected:
    void Execute() override { owner_.Execute(*this); }

private:
    TVideoExport& owner_;
};

TVideoExport::TVideoExport()
    : VDGenericFilter1(pins::PNOwned<mediavideo::TVDGenericFilter>::make(nullptr, "VDGenericFilter1")),
      VDAVILogger1(pins::PNOwned<mediavideo::TVDAVILogger>::make(nullptr, "VDAVILogger1")),
      notify_([this](pins::TSGMainThreadNotify&) { Report(); }) {
    VDGenericFilter1->SetEnabled(false);
    VDAVILogger1->SetEnabled(false);
    // The logger converts and compresses on a worker of its own while this
    // export's worker reads and decodes the next frames; a full queue holds
    // the reader back, so no frame is dropped.
    VDAVILogger1->Threading().SetEnabled(true);
    VDAVILogger1->Threading().Queue().SetFullMode(pins::TSGQueueFullMode::fmBlock);
    VDAVILogger1->InputPin().Connect(&VDGenericFilter1->OutputPin());
    // Failures of the writer end the export and reach the user through the
    // export's end, not as exceptions on whichever thread opened the file.
    VDAVILogger1->SetOnError([this](pins::TComponent&, const std::string& text, std::uint32_t code, bool& handled) {
        handled = true;
        // The writer's codes are system error numbers: said in words.
        const std::string reason = code != 0 ? text + " (" + std::strerror(static_cast<int>(code)) + ")" : text;
        const std::lock_guard lock(stateLock_);
        if (loggerError_.empty()) loggerError_ = reason;
    });
}

TVideoExport::~TVideoExport() {
    Cancel();
    if (worker_) worker_->Terminate();
    worker_.reset();
}

void TVideoExport::GetAvailableCompressions(std::vector<std::string>& codes, std::vector<std::string>& descriptions) {
    auto& compressions = VDAVILogger1->Compression().Compressions();
    compressions.GetAvailableCompressions(codes, mediavideo::TVDCompressionListMode::Code);
    compressions.GetAvailableCompressions(descriptions, mediavideo::TVDCompressionListMode::Description);
}

void TVideoExport::Start(VideoExportRequest request, ProgressEvent onProgress, FinishedEvent onFinished) {
    if (started_) return;
    started_ = true;
    request_ = std::move(request);
    onProgress_ = std::move(onProgress);
    onFinished_ = std::move(onFinished);
    worker_ = std::make_unique<Worker>(*this);
    worker_->Start();
}

void TVideoExport::Execute(Worker& worker) {
    platform::FileFailure unnamed;
    const std::string temporary = platform::newTemporaryName(request_.fileName, unnamed);
    VideoExportResult result;
    if (temporary.empty()) {
        result = {VideoExportResult::Outcome::Failed, 0, video::fileFailureText(unnamed, request_.fileName)};
    } else {
        // What an export killed earlier left in that folder goes now.
        platform::removeStaleTemporaryFiles(platform::folderOfFile(request_.fileName), platform::AviFile::isUnfinished);
        result = Export(worker, temporary);
    }
    if (result.outcome == VideoExportResult::Outcome::Failed) {
        result.error = namedAsChosen(std::move(result.error), temporary, request_.fileName);
        log::warning(log::Category::player, "export of %s failed: %s", request_.recording.c_str(),
                     result.error.c_str());
    }
    // A failed export keeps the frames written before the failure, as a
    // cancelled one does; a file that got no frame is no export, and one the
    // writer could not write whole is none either.
    bool written = false;
    {
        const std::lock_guard lock(stateLock_);
        written = result.framesWritten > 0 && loggerError_.empty();
    }
    if (written) {
        const platform::FileFailure failure =
            platform::publishTemporaryFile(temporary, request_.fileName, kDocumentMode, targetAtCheck_);
        if (failure.failed() && result.outcome != VideoExportResult::Outcome::Failed) {
            result.outcome = VideoExportResult::Outcome::Failed;
            result.error = video::fileFailureText(failure, request_.fileName);
            log::warning(log::Category::player, "export of %s failed: %s: %s", request_.recording.c_str(),
                         failure.path.c_str(), failure.reason().c_str());
        }
    }
    if (!temporary.empty()) ::unlink(temporary.c_str());
    {
        const std::lock_guard lock(stateLock_);
        result_ = std::move(result);
        finished_ = true;
    }
    notify_.Notify();
}

VideoExportResult TVideoExport::Export(Worker& worker, const std::string& temporary) {
    using Outcome = VideoExportResult::Outcome;
    VideoExportResult result;
    mediavideo::TVDAVILogger& logger = *VDAVILogger1;
    mediavideo::TVDGenericFilter& filter = *VDGenericFilter1;
    bool streaming = false;
    bool frameUnreadable = false;
    std::int64_t sent = 0;
    try {
        refuseTheRecording(request_.recording, request_.fileName);
        // Before the first frame, not once all are written.
        if (const platform::FileFailure blocked = platform::whatBlocksTarget(request_.fileName, targetAtCheck_);
            blocked.failed())
            throw std::runtime_error(video::fileFailureText(blocked, request_.fileName));
        video::TMJPEGFile file(request_.recording, video::TMJPEGFile::kRead);
        if (file.VideoFrames() < 1) throw std::runtime_error(request_.recording + ": the recording holds no frame");
        frames_ = file.VideoFrames();
        // The first frame gives the stream its size.
        video::JpegDecoder decoder;
        video::Image picture;
        std::vector<std::uint8_t> jpeg;
        readPicture(file, 0, request_.recording, jpeg, [&] { decoder.decode(jpeg, picture); });

        logger.SetFileName(temporary);
        auto& compressions = logger.Compression().Compressions();
        if (compressions.Count() == 0) compressions.Add();
        compressions.Items(0).SetCompressor(request_.compressor);
        // The compressors' scale runs to 10000: anything less costs picture quality.
        compressions.Items(0).SetQuality(10000);
        logger.Compression().SetEnabled(true);
        logger.SetEnabled(true);
        filter.SetEnabled(true);

        std::string startError;
        OnMainThread([&] {
            try {
                filter.SendStartCommand(picture.width, picture.height, exportFrameDelay(file.VideoFPS()));
            } catch (const std::exception& e) {
                startError = e.what();
            }
        });
        streaming = true;
        if (!startError.empty()) throw std::runtime_error(startError);
        CheckLoggerError();
        SendFrames(worker, file, decoder, picture, sent);
    } catch (const FrameUnreadable& e) {
        result.outcome = Outcome::Failed;
        result.error = e.what();
        frameUnreadable = true;
    } catch (const std::exception& e) {
        result.outcome = Outcome::Failed;
        result.error = e.what();
    }
    if (streaming) {
        // What was sent is written before the file is closed. A cancelled
        // export keeps only what is written: the frames still queued for the
        // compressor go, and only the one in hand is finished, so that a slow
        // compressor does not hold Cancel up for a queue of frames.
        if (sent > 0 && !WaitForLogger(worker, sent) && result.outcome != Outcome::Failed && !cancelled_.load()) {
            result.outcome = Outcome::Failed;
            result.error = "The video writer did not write every frame";
        }
        if (cancelled_.load()) logger.StreamStop();
        result.framesWritten = logger.CurrentFrame();
        const auto close = [&] {
            filter.SetEnabled(false);
            logger.SetEnabled(false);
            filter.SendStopCommand();
            logger.Close();
        };
        // A writer stuck in a folder that stopped answering is closed here:
        // the event loop would wait for it.
        if (loggerStalled_) close();
        else OnMainThread(close);
    }
    bool writerFailed = false;
    {
        const std::lock_guard lock(stateLock_);
        writerFailed = !loggerError_.empty();
        if (writerFailed && result.outcome != Outcome::Failed) {
            result.outcome = Outcome::Failed;
            result.error = loggerError_;
        }
    }
    if (result.outcome == Outcome::Done && cancelled_.load()) result.outcome = Outcome::Cancelled;
    // The file up to the damaged frame is kept (see Execute): the user is told.
    if (frameUnreadable && result.framesWritten > 0 && !writerFailed)
        result.error += result.framesWritten == 1
                            ? std::string(" The video holds the frame before it.")
                            : " The video holds the " + std::to_string(result.framesWritten) + " frames before it.";
    return result;
}

void TVideoExport::SendFrames(Worker& worker, video::TMJPEGFile& file, video::JpegDecoder& decoder,
                              video::Image& picture, std::int64_t& sent) {
    const std::int32_t frames = file.VideoFrames();
    std::vector<std::uint8_t> jpeg;
    // A picture of the stream's size goes to a compressor of 4:2:0 as the
    // JPEG stores it (a 4:2:2 one with its chroma rows halved): no
    // upsampling, no colour conversion and back. A caption, which is drawn on
    // B, G, R pixels, takes that round trip only on the rows it can touch;
    // one whose rows are unknown keeps the whole picture on the road through
    // B, G, R.
    mediavideo::IVDImageBuffer planes;
    platform::Yuv420Planes framePlanes;
    video::Image band;
    const int streamWidth = picture.width, streamHeight = picture.height;
    const int captionRows = std::min(streamHeight, request_.captionRows + request_.captionRows % 2);
    const auto decodePlanes = [&](int width, int height) -> std::optional<platform::Yuv420Planes> {
        if (width != streamWidth || height != streamHeight) return std::nullopt;
        std::optional<platform::Yuv420Planes> made = jpegPlanesFrame(planes, width, height);
        if (made) framePlanes = *made;
        return made;
    };
    const bool captionFits = !request_.caption || captionRows > 0;
    while (true) {
        if (planes) {
            if (request_.caption)
                captionPlanes(framePlanes, streamWidth, captionRows, request_.caption, file.ActTime(), band);
            VDGenericFilter1->SendData(planes);
        } else {
            if (request_.caption) request_.caption(picture, file.ActTime());
            PictureBitmap bitmap(picture);
            VDGenericFilter1->SendData(mediavideo::TVDImageBuffer::CreateBmp(bitmap));
        }
        ++sent;
        CheckLoggerError();
        ProgressOfWritten(VDAVILogger1->CurrentFrame());
        const std::int32_t frameNo = file.FrameNumber();
        if (frameNo >= frames - 1 || cancelled_.load() || worker.Terminated()) return;
        const bool planar = captionFits && VDAVILogger1->TakesJpegPlanes();
        readPicture(file, frameNo + 1, request_.recording, jpeg, [&] {
            planes.reset();
            if (planar && decoder.decodeYCbCr420(jpeg, decodePlanes)) return;
            planes.reset();  // made for a picture the decoder declined after all
            decoder.decode(jpeg, picture);
        });
    }
}

void TVideoExport::OnMainThread(const std::function<void()>& fn) {
    if (!platform::MainLoop::instance().synchronize(fn)) fn();
}

bool TVideoExport::WaitForLogger(Worker& worker, std::int64_t frames) {
    std::int64_t written = VDAVILogger1->CurrentFrame();
    auto lastChange = std::chrono::steady_clock::now();
    while (written < frames) {
        if (cancelled_.load()) return false;
        {
            const std::lock_guard lock(stateLock_);
            if (!loggerError_.empty()) return false;
        }
        if (!worker.sleepFor(std::chrono::milliseconds(5))) return false;
        const std::int64_t now = VDAVILogger1->CurrentFrame();
        if (now != written) {
            written = now;
            ProgressOfWritten(written);
            lastChange = std::chrono::steady_clock::now();
        } else if (std::chrono::steady_clock::now() - lastChange > kLoggerStall) {
            loggerStalled_ = true;
            return false;
        }
    }
    return true;
}

void TVideoExport::CheckLoggerError() {
    const std::lock_guard lock(stateLock_);
    if (!loggerError_.empty()) throw std::runtime_error(loggerError_);
}

void TVideoExport::ProgressOfWritten(std::int64_t written) {
    const std::int64_t last = std::min<std::int64_t>(written, frames_) - 1;
    if (last < 0) return;
    const std::int64_t shown = last - last % exportProgressStep(frames_);
    if (shown == progressFrame_) return;
    progressFrame_ = shown;
    Progress(static_cast<int>(shown * 100 / frames_));
}

void TVideoExport::Progress(int percent) {
    {
        const std::lock_guard lock(stateLock_);
        percent_ = percent;
    }
    notify_.Notify();
}

void TVideoExport::Report() {
    // Being freed on another thread: its worker may be gone already.
    if (abandoned_) return;
    int percent = -1;
    bool finished = false;
    VideoExportResult result;
    {
        const std::lock_guard lock(stateLock_);
        std::swap(percent, percent_);
        finished = finished_ && !reported_;
        if (finished) result = result_;
    }
    if (percent >= 0 && onProgress_ && !finished) onProgress_(percent);
    if (!finished) return;
    reported_ = true;
    // The owner may free this export once it has heard the end; the worker
    // has nothing left to do but return.
    worker_->WaitFor(std::chrono::seconds(5));
    if (onFinished_) onFinished_(result);
}

}  // namespace oculon::player
