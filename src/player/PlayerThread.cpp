#include "player/PlayerThread.h"

#include <chrono>
#include <functional>
#include <utility>

#include "platform/MainLoop.h"

namespace oculon::player {

OpenedRecording openRecording(const std::string& fileName) {
    OpenedRecording opened{std::make_unique<video::TMJPEGFile>(fileName, video::TMJPEGFile::kRead), {}};
    video::TMJPEGFile& file = *opened.file;
    std::vector<std::uint8_t> jpeg;
    file.getPreview(jpeg);
    auto picture = std::make_shared<video::Image>();
    video::JpegDecoder().decode(jpeg, *picture);
    opened.first = {std::move(picture), file.ActTime(), file.FrameNumber(), file.VideoFrames()};
    return opened;
}

TPlayerThread::TPlayerThread(PlayerView& view, const std::string& fileName, std::shared_ptr<PlaybackClock> clock)
    : TPlayerThread(view, std::make_unique<video::TMJPEGFile>(fileName, video::TMJPEGFile::kRead), std::move(clock)) {}

TPlayerThread::TPlayerThread(PlayerView& view, std::unique_ptr<video::TMJPEGFile> file,
                             std::shared_ptr<PlaybackClock> clock)
    : platform::Thread("PlayerThread"),
      view_(view),
      clock_(clock ? std::move(clock) : std::make_shared<SteadyPlaybackClock>()),
      videoFile_(std::move(file)),
      BeginTime_(videoFile_->BeginTime()),
      ActTime_(videoFile_->ActTime()),
      LastTime_(videoFile_->EndTime()),
      NumOfFrames_(videoFile_->VideoFrames()) {}

TPlayerThread::~TPlayerThread() {
    Terminate();
    // The loop uses every member: it must have ended before they go.
    while (!WaitFor(std::chrono::seconds(1))) {}
}

void TPlayerThread::interrupt() {
    { const std::lock_guard lock(control_); }
    wake_.notify_all();
}

void TPlayerThread::Start() {
    {
        const std::lock_guard lock(control_);
        halted_ = false;
    }
    wake_.notify_all();
}

void TPlayerThread::Pause() {
    {
        const std::lock_guard lock(control_);
        halted_ = true;
    }
    wake_.notify_all();
}

void TPlayerThread::Stop() {
    Pause();
    SetFrame(0);
}

bool TPlayerThread::isHalted() const {
    const std::lock_guard lock(control_);
    return halted_;
}

void TPlayerThread::SetMultiplier(TBruch speed) {
    {
        const std::lock_guard lock(control_);
        FMultiplier_ = normalisedSpeed(speed);
    }
    wake_.notify_all();
}

TBruch TPlayerThread::multiplier() const {
    const std::lock_guard lock(control_);
    return FMultiplier_;
}

std::uint64_t TPlayerThread::seekCount() const {
    const std::lock_guard lock(control_);
    return seekCount_;
}

int TPlayerThread::Hoehe() const {
    const std::lock_guard lock(critSect_);
    return FHoehe_;
}

int TPlayerThread::Breite() const {
    const std::lock_guard lock(critSect_);
    return FBreite_;
}

void TPlayerThread::SetFrame(std::int32_t n) {
    std::unique_lock lock(critSect_);
    videoFile_->SetFrameNo(n);
    bool halted = false;
    {
        const std::lock_guard control(control_);
        ++seekCount_;
        halted = halted_;
    }
    wake_.notify_all();
    if (!halted) return;

    std::vector<std::uint8_t> jpeg;
    videoFile_->readFrame(jpeg);
    ShownFrame frame{nullptr, videoFile_->ActTime(), videoFile_->FrameNumber(), NumOfFrames_};
    // Back onto frame n before decoding, so that playing resumes with it even
    // when this one does not decode.
    videoFile_->SetFrameNo(n);
    auto picture = std::make_shared<video::Image>();
    decoder_.decode(jpeg, *picture);
    FHoehe_ = picture->height;
    FBreite_ = picture->width;
    picture_ = std::move(picture);
    frame.picture = picture_;
    lock.unlock();
    view_.ShowImage(frame);
}

TPlayerThread::Pass TPlayerThread::readPass(TBruch speed, std::uint64_t seek, std::vector<std::uint8_t>& jpeg,
                                            std::vector<std::uint8_t>& skipped) {
    const std::lock_guard lock(critSect_);
    Pass pass;
    {
        // The main thread may have paused or jumped while we waited for the file.
        const std::lock_guard control(control_);
        if (halted_ || seekCount_ != seek) return pass;
    }
    try {
        videoFile_->readFrame(jpeg);
    } catch (const std::exception&) {
        // Numbers out of order or a record that cannot be read: the
        // recording ends here for this player.
        pass.outcome = Outcome::End;
        return pass;
    }
    pass.outcome = Outcome::Shown;
    pass.frame.time = videoFile_->ActTime();
    pass.frame.frameNo = videoFile_->FrameNumber();
    pass.frame.frames = NumOfFrames_;
    pass.last = pass.frame.frameNo >= NumOfFrames_ - 1;
    for (std::int32_t i = framesToSkip(speed); i > 0 && !pass.last; --i) {
        try {
            videoFile_->readFrame(skipped);
            pass.last = videoFile_->FrameNumber() >= NumOfFrames_ - 1;
        } catch (const std::exception&) {
            pass.last = true;
        }
    }
    try {
        auto picture = std::make_shared<video::Image>();
        decoder_.decode(jpeg, *picture);
        picture_ = std::move(picture);
    } catch (const std::exception&) {
        // A damaged picture: the one before stays on screen, the time goes on.
    }
    pass.frame.picture = picture_;
    return pass;
}

bool TPlayerThread::onMainThread(std::uint64_t seek, const std::function<void()>& fn) {
    return platform::MainLoop::instance().synchronize([&] {
        if (seekCount() == seek) fn();
    });
}

void TPlayerThread::stopAtEnd() {
    // Halted here, not only by the viewer, so that a viewer that fails to
    // stop cannot make the loop run into the end again and again.
    Pause();
    view_.StopVideo();
}

void TPlayerThread::waitPaced(std::int64_t ms, TBruch speed, std::uint64_t seek) {
    std::unique_lock lock(control_);
    clock_->waitFor(lock, wake_, ms,
                    [&] { return Terminated() || halted_ || seekCount_ != seek || !(FMultiplier_ == speed); });
}

void TPlayerThread::Execute() {
    PlaybackPacer pacer;
    std::vector<std::uint8_t> jpeg;
    std::vector<std::uint8_t> skipped;
    std::uint64_t seenSeek = 0;
    while (!Terminated()) {
        TBruch speed;
        std::uint64_t seek = 0;
        {
            std::unique_lock lock(control_);
            if (halted_) {
                // The lag survives a pause; the gap to the frame before does not.
                pacer.forgetPrevious();
                wake_.wait(lock, [this] { return !halted_ || Terminated(); });
                continue;
            }
            speed = FMultiplier_;
            seek = seekCount_;
        }
        if (seek != seenSeek) {
            pacer.forgetPrevious();
            seenSeek = seek;
        }

        const std::int64_t t0 = clock_->nowMs();
        const Pass pass = readPass(speed, seek, jpeg, skipped);
        if (pass.outcome == Outcome::Changed) continue;
        const auto show = [&] { view_.ShowImage(pass.frame); };
        if (pass.outcome == Outcome::Shown && !onMainThread(seek, show)) return;
        if (pass.outcome == Outcome::End || pass.last) {
            if (!onMainThread(seek, [this] { stopAtEnd(); })) return;
            continue;
        }

        const std::int64_t wait = pacer.afterFrame(pass.frame.time, clock_->nowMs() - t0, speed);
        if (wait > 0) waitPaced(wait, speed, seek);
    }
}

}  // namespace oculon::player
