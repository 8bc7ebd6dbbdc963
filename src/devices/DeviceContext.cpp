#include "devices/DeviceContext.h"

#include "config/cfgUnit.h"
#include "platform/MainLoop.h"

namespace oculon::devices {

namespace {

void storeResStringOnMainThread(const std::string& name, const std::string& resString) {
    // Station entries are changed only on the main thread; a probe thread
    // hands the change over and waits.
    platform::MainLoop::instance().synchronize([&] {
        config::TVideoConfig* settings = config::videoConfig;
        if (!settings) return;
        const auto station = settings->getConfigByName(name);
        if (!station || station->resString == resString) return;
        config::TSingleConfig changed;
        changed.Assign(*station);
        changed.resString = resString;
        settings->updateConfig(station, std::move(changed));
    });
}

}  // namespace

DeviceContext DeviceContext::process() {
    DeviceContext c;
    c.settings = config::videoConfig;
    c.rebootLock = config::rebootSperre;
    c.storeResString = &storeResStringOnMainThread;
    return c;
}

}  // namespace oculon::devices
