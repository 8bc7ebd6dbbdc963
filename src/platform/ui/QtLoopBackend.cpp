#include "platform/ui/QtLoopBackend.h"

namespace oculon::platform {

QtLoopBackend::QtLoopBackend() {
    MainLoop::instance().markMainThread();
    MainLoop::instance().setBackend(this);
}

QtLoopBackend::~QtLoopBackend() {
    MainLoop::instance().setBackend(nullptr);
    MainLoop::instance().processPending();  // free what is still queued
}

void QtLoopBackend::wake() {
    // One queued drain at a time is enough: it empties the whole queue.
    if (wakePending_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { drain(); }, Qt::QueuedConnection);
}

void QtLoopBackend::drain() {
    wakePending_ = false;
    MainLoop::instance().processPending();
}

std::uint64_t QtLoopBackend::startTimer(std::chrono::milliseconds interval, std::function<void()> onTick) {
    auto id = nextTimer_++;
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(static_cast<int>(interval.count()));
    QObject::connect(timer.get(), &QTimer::timeout, this, [tick = std::move(onTick)] { tick(); });
    timer->start();
    timers_[id] = std::move(timer);
    return id;
}

void QtLoopBackend::stopTimer(std::uint64_t timer) {
    auto it = timers_.find(timer);
    if (it == timers_.end()) return;
    // The timer may be stopped from its own tick: delete it later.
    it->second->stop();
    it->second.release()->deleteLater();
    timers_.erase(it);
}

}  // namespace oculon::platform
