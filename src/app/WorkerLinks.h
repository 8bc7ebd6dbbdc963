#pragma once
// The call dispatch's view of the worker threads' lists: the gateways of
// the gateway search thread (and, once it runs here, the discovery thread's
// servers), each read under its owner's lock.

#include "app/CallWindows.h"

namespace oculon::devices {
class moxaThread;
}

namespace oculon::app {

class GatewayList : public GatewayAccess {
public:
    explicit GatewayList(const devices::moxaThread& thread) : thread_(thread) {}
    std::vector<GatewayEntry> gateways() const override;

private:
    const devices::moxaThread& thread_;
};

}  // namespace oculon::app
