#pragma once
// Process-wide lock that holds back new picture fetches while a video server
// restarts: fetchers ask isBlocked() and report the end with leaveBlock(); the
// settings dialog blocks and waits for the running fetches to end.

#include <atomic>
#include <mutex>
#include <string_view>

namespace oculon::config {

class TRebootSperre {
public:
    TRebootSperre() = default;
    ~TRebootSperre();
    TRebootSperre(const TRebootSperre&) = delete;
    TRebootSperre& operator=(const TRebootSperre&) = delete;

    // False means the caller may fetch now and must call leaveBlock() when
    // done. The label names the caller for a reader of the code only.
    bool isBlocked(std::string_view label);
    void leaveBlock(std::string_view label);

    // Sets the block, then waits until no fetch runs. On the main thread the
    // pending messages are run between the 100 ms sleeps, so the GUI stays
    // alive and fetches that finish through it can end.
    void blockVideo();
    void unblockVideo();

    bool bblocked() const { return blocked_.load(); }
    bool started() const { return started_.load(); }
    int count() const;

private:
    std::atomic<bool> blocked_{false};
    std::atomic<bool> started_{true};
    mutable std::mutex kritSec_;
    int count_ = 0;
};

}  // namespace oculon::config
