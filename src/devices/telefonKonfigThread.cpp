#include "devices/telefonKonfigThread.h"

#include "platform/MainLoop.h"

namespace oculon::devices {

telefonKonfigThread::telefonKonfigThread(telefonKonfig& client, std::function<void(telefonKonfig&)> job,
                                         std::function<void()> done)
    : platform::Thread("telefonKonfig"), client_(client), job_(std::move(job)), done_(std::move(done)) {}

telefonKonfigThread::~telefonKonfigThread() {
    Terminate();
    WaitFor(std::chrono::seconds(5));
}

void telefonKonfigThread::Execute() {
    job_(client_);
    if (!Terminated() && done_) platform::MainLoop::instance().synchronize(done_);
}

}  // namespace oculon::devices
