#pragma once
// TVideoExport: the AVI export of a recording, without a window. On a worker
// thread every frame of the recording is read, decoded, captioned with its
// own time, made an image buffer and sent through a generic filter into an
// AVI logger, which compresses it with the chosen compressor. The stream has
// the size of the recording's first frame (other sizes are scaled to it) and
// its mean frame interval as a constant rate. The owner hears the progress
// and the end on the main thread; Cancel ends the export after the frame in
// hand with a valid, shorter file of the frames compressed by then.
//
// The file is written under a temporary name beside the chosen one and
// renamed when it is complete, so an export that fails leaves nothing
// half-written and a file of that name is replaced only by a whole one. What
// must not be replaced there (a link, a FIFO, a folder, another user's file),
// and a name too long for its folder, end the export before its first frame;
// what is put there while the export runs is not replaced either.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "media/pins/PNComponent.h"
#include "media/pins/SGThreadQueues.h"
#include "media/video/VDAVILogger.h"
#include "media/video/VDGenericFilter.h"
#include "player/FrameExport.h"

namespace oculon::player {

struct VideoExportRequest {
    std::string recording;   // the ".kvd" file
    std::string fileName;    // the AVI file to write
    std::string compressor;  // a code that GetAvailableCompressions listed
    CaptionPainter caption;  // may be empty: frames without a caption
    // The rows from the top that the caption can touch, as the painter's
    // font tells; 0 when unknown. Only those rows of a frame then go through
    // B, G, R pixels for the caption; the rest keep the JPEG's own planes.
    int captionRows = 0;
};

struct VideoExportResult {
    enum class Outcome { Done, Cancelled, Failed };
    Outcome outcome = Outcome::Done;
    std::int64_t framesWritten = 0;
    // Failed: what went wrong, for the user.
    std::string error;
};

// The progress bar moves every this many frames written: max(1, frames / 100).
std::int32_t exportProgressStep(std::int32_t frames);
// A recording's mean frame interval (ms) as the stream's frame delay in
// 100-ns units; an interval below 1 ms is taken as 1 ms.
std::int32_t exportFrameDelay(std::int32_t meanIntervalMs);

class TVideoExport {
public:
    // Percent done; the end. Both on the main thread. The end comes once;
    // the export may be destroyed after it, but not from inside it.
    using ProgressEvent = std::function<void(int percent)>;
    using FinishedEvent = std::function<void(const VideoExportResult& result)>;

    TVideoExport();
    // Cancels a running export and waits for its worker.
    ~TVideoExport();
    TVideoExport(const TVideoExport&) = delete;
    TVideoExport& operator=(const TVideoExport&) = delete;

    // The installed compressors that take the export's frames: their codes
    // and, in the same order, their descriptions.
    void GetAvailableCompressions(std::vector<std::string>& codes, std::vector<std::string>& descriptions);

    // Main thread. Starts the export; an export runs once.
    void Start(VideoExportRequest request, ProgressEvent onProgress, FinishedEvent onFinished);
    // Any thread: ends the export after the frame in hand.
    void Cancel() { cancelled_.store(true); }
    // Main thread: cancels and tells the owner nothing more, so that the
    // export may be freed on another thread (freeing waits for its worker).
    void Abandon() {
        Cancel();
        abandoned_ = true;
    }

private:
    class Worker;

    // ---- On the worker.
    void Execute(Worker& worker);
    VideoExportResult Export(Worker& worker, const std::string& temporary);
    // Sends the frames from the first on, counting in `sent` the frames the
    // logger was given, also those before a frame that cannot be read: the
    // logger's worker may still be writing them.
    void SendFrames(Worker& worker, video::TMJPEGFile& file, video::JpegDecoder& decoder, video::Image& picture,
                    std::int64_t& sent);
    // Runs `fn` on the main thread, where the logger opens and closes its
    // files; on the worker itself once the export is being torn down.
    void OnMainThread(const std::function<void()>& fn);
    // Waits until the logger has written `frames` (it writes those that came
    // while it opened the file on the main thread); false when it stopped
    // writing, the export is cancelled or torn down.
    bool WaitForLogger(Worker& worker, std::int64_t frames);
    void CheckLoggerError();
    // The progress of the frames in the file: the bar moves once the writer
    // has written them, every exportProgressStep frames, not when they are
    // read, so that it shows what a Cancel keeps.
    void ProgressOfWritten(std::int64_t written);
    void Progress(int percent);

    // ---- On the main thread.
    void Report();

    pins::PNOwned<mediavideo::TVDGenericFilter> VDGenericFilter1;
    pins::PNOwned<mediavideo::TVDAVILogger> VDAVILogger1;
    VideoExportRequest request_;
    ProgressEvent onProgress_;
    FinishedEvent onFinished_;
    std::atomic<bool> cancelled_{false};
    bool started_ = false;
    bool reported_ = false;
    bool abandoned_ = false;  // main thread; then Report touches nothing else

    // On the worker: the recording's frames, the last frame number that the
    // progress told of, and what stood at the chosen name before the first.
    std::int32_t frames_ = 0;
    std::int64_t progressFrame_ = -1;
    bool loggerStalled_ = false;  // the writer wrote nothing for a long time
    platform::TargetAtCheck targetAtCheck_;

    // What the worker tells the main thread.
    std::mutex stateLock_;
    int percent_ = -1;
    bool finished_ = false;
    VideoExportResult result_;
    std::string loggerError_;  // the logger's first failure

    pins::TSGMainThreadNotify notify_;
    std::unique_ptr<Worker> worker_;  // last: ends first
};

}  // namespace oculon::player
