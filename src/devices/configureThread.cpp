#include "devices/configureThread.h"

#include "config/CameraTypes.h"
#include "devices/serverObjekt.h"

namespace oculon::devices {

configureThread::configureThread(ProbeRequest request, platform::TargetId myHandle, DeviceContext context)
    : platform::Thread(threadName(request)),
      request_(std::move(request)),
      myHandle_(myHandle),
      context_(std::move(context)) {
    context_.cancel = &cancel_;
}

std::string configureThread::threadName(const ProbeRequest& request) {
    return "configureThread " + (request.manual ? std::string() : request.address);
}

void configureThread::start(ProbeRequest request, platform::TargetId myHandle, DeviceContext context) {
    platform::Thread::startDetached(
        std::make_unique<configureThread>(std::move(request), myHandle, std::move(context)));
}

ProbeStarter configureThread::starter(platform::TargetId myHandle, std::function<DeviceContext()> context) {
    return [myHandle, context = std::move(context)](ProbeRequest request) {
        start(std::move(request), myHandle, context());
    };
}

void configureThread::Execute() {
    // Once shut-down has begun the settings may be going away: no probe.
    if (Terminated()) return;
    std::unique_ptr<serverObjekt> server;
    const ProbeRequest& r = request_;
    if (r.manual) {
        server = std::make_unique<serverObjekt>(*r.manual, context_);
    } else if (r.name.empty()) {
        server = std::make_unique<serverObjekt>(r.address, r.record, context_, r.sender);
    } else if (config::cameraTraits(getType(r.record)).crops) {
        server = std::make_unique<serverObjekt>(r.address, r.reduction, r.path, r.name, r.record, context_, r.sender);
    } else {
        server = std::make_unique<serverObjekt>(r.address, r.name, r.record, context_, r.sender);
    }
    if (Terminated()) return;
    platform::MainLoop::instance().post<platform::WM_UPDATEEVENT>(myHandle_, std::move(server));
}

}  // namespace oculon::devices
