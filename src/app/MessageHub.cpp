#include "app/MessageHub.h"

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
        case platform::WM_UPDATEEVENT: {
            auto server = message.take<platform::WM_UPDATEEVENT>();
            if (closing) return;
            forward(platform::WM_UPDATEEVENT, 0);
            if (server) dispatch_.serverProbed(std::move(server));
            return;
        }
        case platform::WM_MOXAEVENT:
            if (closing) return;
            dispatch_.gatewaysSearched();
            if (!(links_.useServer && links_.useServer())) forward(platform::WM_MOXAEVENT, 0);
            return;
        case platform::WM_TELUPDATEEVENT: {
            auto event = message.take<platform::WM_TELUPDATEEVENT>();
            if (closing) return;
            forward(platform::WM_TELUPDATEEVENT, 0);
            if (event) dispatch_.telephoneEvent(*event);
            return;
        }
        case platform::WM_ENDPROGRAM:
            if (links_.endProgram) links_.endProgram();
            return;
        case platform::WM_TCPUPDATEEVENT:
            if (closing) return;
            forward(platform::WM_TCPUPDATEEVENT, message.wParam);
            return;
        case platform::WM_STATECHANGEDEVENT: {
            auto event = message.take<platform::WM_STATECHANGEDEVENT>();
            if (closing || !event) return;
            dispatch_.inputChanged(*event);
            return;
        }
        case platform::WM_LISTENERPORT:
            if (closing || !links_.portHeld) return;
            links_.portHeld(platform::listenerPortOf(message.wParam), platform::listenerPortHeld(message.wParam));
            return;
        case platform::WM_SEARCHREACH:
            if (closing || !links_.searchReach) return;
            links_.searchReach(message.wParam != 0);
            return;
        case platform::WMSECVIDEOCLOSE: dispatch_.furtherPopupBlack(message.wParam); return;
        default: return;
    }
}

}  // namespace oculon::app
