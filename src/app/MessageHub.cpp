#include "app/MessageHub.h"

#include "devices/DeviceMessages.h"
#include "devices/TelefonTelegram.h"
#include "devices/moxaGWSuche.h"
#include "devices/serverObjekt.h"
#include "devices/stateChangeObjekt.h"

namespace oculon::app {

MessageHub::MessageHub(CallDispatch& dispatch, Links links) : dispatch_(dispatch), links_(std::move(links)) {}

void MessageHub::forward(std::uint32_t id, std::uintptr_t wParam) {
    if (links_.forwardToSettings) links_.forwardToSettings(id, wParam);
}

void MessageHub::handle(platform::Message& message) {
    const bool closing = dispatch_.closing();
    switch (message.id) {
        case devices::WM_UPDATEEVENT: {
            auto server = message.take<devices::serverObjekt>();
            if (closing) return;
            forward(devices::WM_UPDATEEVENT, 0);
            if (server) dispatch_.serverProbed(std::move(server));
            return;
        }
        case devices::WM_MOXAEVENT:
            if (closing) return;
            if (!(links_.useServer && links_.useServer())) forward(devices::WM_MOXAEVENT, 0);
            return;
        case devices::WM_TELUPDATEEVENT: {
            auto event = message.take<devices::telefonObjekt>();
            if (closing) return;
            forward(devices::WM_TELUPDATEEVENT, 0);
            if (event) dispatch_.telephoneEvent(*event);
            return;
        }
        case WM_ENDPROGRAM:
            if (links_.endProgram) links_.endProgram();
            return;
        case devices::WM_TCPUPDATEEVENT:
            if (closing) return;
            forward(devices::WM_TCPUPDATEEVENT, message.wParam);
            return;
        case devices::WM_STATECHANGEDEVENT: {
            auto event = message.take<devices::stateChangeObjekt>();
            if (closing || !event) return;
            dispatch_.inputChanged(*event);
            return;
        }
        case WM_SECVIDEOCLOSE: dispatch_.furtherPopupBlack(message.wParam); return;
        default: return;
    }
}

}  // namespace oculon::app
