#pragma once
// The main form's message hub: every worker thread reports here by a posted
// message. Probe results, telephone events and camera inputs go to the call
// dispatch; list changes are passed on to the settings dialog while it is
// shown. A payload is freed on every road, also while the program closes.

#include <cstdint>
#include <functional>

#include "app/CallDispatch.h"
#include "platform/MainLoop.h"

namespace oculon::app {

class MessageHub {
public:
    struct Links {
        // Posts to the settings dialog's window; the link itself tests that
        // the dialog exists and is visible. None: there is no dialog.
        std::function<void(std::uint32_t id, std::uintptr_t wParam)> forwardToSettings;
        std::function<bool()> useServer;   // relay mode: gateway news are not forwarded
        std::function<void()> endProgram;  // 1030
        // 1226: a listening port another program holds, or that is free again.
        std::function<void(std::uint16_t port, bool held)> portHeld;
        // 1254: the device search reaches no network, or does again.
        std::function<void(bool blocked)> searchReach;
    };

    MessageHub(CallDispatch& dispatch, Links links);

    void handle(platform::Message& message);

private:
    void forward(std::uint32_t id, std::uintptr_t wParam);

    CallDispatch& dispatch_;
    Links links_;
};

}  // namespace oculon::app
