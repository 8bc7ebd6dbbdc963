#pragma once
// TPlayerThread: plays one recording. It reads the frames (the recording is
// opened read-only and never changed), decodes them and has the viewer show
// them on the main thread, paced by their recorded time stamps at a speed of
// 1/8 to 8 times. It stays halted until started and halts by itself at the
// last frame; only terminating it ends it.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Thread.h"
#include "player/Pacing.h"
#include "player/PlaybackClock.h"
#include "video/Jpeg.h"
#include "video/MJPEGFile.h"

namespace oculon::player {

// One frame as the viewer shows it.
struct ShownFrame {
    // The last picture that decoded: a damaged frame keeps the one before.
    std::shared_ptr<const video::Image> picture;
    video::TTimeStamp time;
    std::int32_t frameNo = 0;  // counted from 0
    std::int32_t frames = 0;
};

// The viewer's side of playback. Both run on the main thread.
class PlayerView {
public:
    virtual ~PlayerView() = default;
    virtual void ShowImage(const ShownFrame& frame) = 0;
    // Playback reached the end (and is halted already): return to the start.
    virtual void StopVideo() = 0;
};

// A recording opened for playback (and repaired, where it needs it) with
// its first frame decoded, the file on that frame again: all that reads the
// disk before playback, done in one go off the event loop.
struct OpenedRecording {
    std::unique_ptr<video::TMJPEGFile> file;
    ShownFrame first;
};
// Raises, as opening and the first frame's read and decode do.
OpenedRecording openRecording(const std::string& fileName);

class TPlayerThread : public platform::Thread {
public:
    // Opens the recording and raises its errors. The thread does not run
    // until Resume(), and then idles, halted, until Start().
    TPlayerThread(PlayerView& view, const std::string& fileName, std::shared_ptr<PlaybackClock> clock = nullptr);
    // Plays a recording opened already (openRecording), from its position.
    TPlayerThread(PlayerView& view, std::unique_ptr<video::TMJPEGFile> file,
                  std::shared_ptr<PlaybackClock> clock = nullptr);
    // Terminates the thread and waits for it. Once terminated it uses
    // nothing but its own members, so it may be let go instead
    // (platform::Thread::release) when a read of it may hang.
    ~TPlayerThread() override;

    // Runs the thread. (Start() means play, as on the viewer's button.)
    void Resume() { platform::Thread::Start(); }

    // Controls, for the main thread.
    void Start();
    void Pause();
    // Halts and shows frame 0.
    void Stop();
    // Positions on frame n. While halted it also reads, decodes and shows that
    // frame at once; while playing the thread goes on from there. Raises for a
    // bad n or a frame that cannot be read or decoded (the position is n anyway).
    void SetFrame(std::int32_t n);
    void SetMultiplier(TBruch speed);
    TBruch multiplier() const;
    bool isHalted() const;

    // Taken from the recording when it was opened.
    video::TTimeStamp StartTime() const { return BeginTime_; }
    video::TTimeStamp CurrentTime() const { return ActTime_; }
    video::TTimeStamp EndTime() const { return LastTime_; }
    std::int32_t NumFrames() const { return NumOfFrames_; }
    // Size of the picture SetFrame decoded last.
    int Hoehe() const;
    int Breite() const;

protected:
    void Execute() override;
    void interrupt() override;

private:
    enum class Outcome { Shown, Changed, End };
    struct Pass {
        Outcome outcome = Outcome::Changed;
        ShownFrame frame;
        bool last = false;
    };

    Pass readPass(TBruch speed, std::uint64_t seek, std::vector<std::uint8_t>& jpeg,
                  std::vector<std::uint8_t>& skipped);
    // Runs `fn` on the main thread unless a jump came in since `seek`; false
    // once the thread is terminated.
    bool onMainThread(std::uint64_t seek, const std::function<void()>& fn);
    void stopAtEnd();
    std::uint64_t seekCount() const;
    void waitPaced(std::int64_t ms, TBruch speed, std::uint64_t seek);

    PlayerView& view_;
    std::shared_ptr<PlaybackClock> clock_;

    // Guards the file position, the decoder, picture_ and the picture size.
    mutable std::mutex critSect_;
    std::unique_ptr<video::TMJPEGFile> videoFile_;
    video::JpegDecoder decoder_;
    std::shared_ptr<const video::Image> picture_;
    int FHoehe_ = 0;
    int FBreite_ = 0;

    // Guards the state the main thread sets: halt, speed, and a count of
    // jumps, so that a frame read before a jump is not shown after it.
    mutable std::mutex control_;
    std::condition_variable wake_;
    bool halted_ = true;
    TBruch FMultiplier_;
    std::uint64_t seekCount_ = 0;

    video::TTimeStamp BeginTime_;
    video::TTimeStamp ActTime_;
    video::TTimeStamp LastTime_;
    std::int32_t NumOfFrames_ = 0;
};

}  // namespace oculon::player
