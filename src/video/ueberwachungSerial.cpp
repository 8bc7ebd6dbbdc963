#include "video/ueberwachungSerial.h"

#include <exception>
#include <utility>

#include "platform/Log.h"

namespace oculon::video {

void SerialRunner::run(Job job) {
    queue_.push_back(std::move(job));
    if (busy_) return;
    busy_ = true;
    // A job may end the runner's owner (the window is closed and freed from
    // inside a nested event loop); then there is no queue left to go on with.
    const std::weak_ptr<int> alive = life_;
    while (!queue_.empty()) {
        Job next = std::move(queue_.front());
        queue_.pop_front();
        try {
            next();
        } catch (const std::exception& e) {
            log::warning(log::Category::video, "wall operation failed: %s", e.what());
        }
        if (alive.expired()) return;
    }
    busy_ = false;
}

}  // namespace oculon::video
