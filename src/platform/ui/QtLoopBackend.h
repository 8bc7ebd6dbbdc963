#pragma once
// Drives the main loop from Qt's event loop: posted messages and
// synchronize() calls run as queued events, timers are QTimers.

#include <QObject>
#include <QTimer>
#include <atomic>
#include <map>
#include <memory>

#include "platform/MainLoop.h"

namespace oculon::platform {

class QtLoopBackend : public QObject, public LoopBackend {
    Q_OBJECT
public:
    // Create on the main thread after the QApplication; installs itself.
    QtLoopBackend();
    ~QtLoopBackend() override;

    void wake() override;
    std::uint64_t startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) override;
    void stopTimer(std::uint64_t timer) override;

private:
    void drain();

    std::atomic<bool> wakePending_{false};
    std::map<std::uint64_t, std::unique_ptr<QTimer>> timers_;
    std::uint64_t nextTimer_ = 1;
};

}  // namespace oculon::platform
