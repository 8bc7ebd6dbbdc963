#pragma once
// Probe thread: builds the device object of one found or configured device
// (which fetches its probe picture) away from the listener threads and posts
// it to the main form with message 1026. It frees itself when done and is
// tracked, so shut-down can stop it (Thread::terminateDetached).

#include <memory>
#include <string>

#include "devices/DeviceContext.h"
#include "devices/FetchCancel.h"
#include "devices/ProbeRequest.h"
#include "platform/MainLoop.h"
#include "platform/Thread.h"

namespace oculon::devices {

class configureThread : public platform::Thread {
public:
    configureThread(ProbeRequest request, platform::TargetId myHandle, DeviceContext context);

    // Starts a self-freeing probe thread.
    static void start(ProbeRequest request, platform::TargetId myHandle, DeviceContext context);
    // A ProbeStarter for the read handlers that starts such threads.
    static ProbeStarter starter(platform::TargetId myHandle, std::function<DeviceContext()> context);

    // "configureThread " followed by the device address.
    static std::string threadName(const ProbeRequest& request);

protected:
    void Execute() override;
    void interrupt() override { cancel_.cancel(); }

private:
    ProbeRequest request_;
    platform::TargetId myHandle_;
    DeviceContext context_;
    FetchCancel cancel_;
};

}  // namespace oculon::devices
