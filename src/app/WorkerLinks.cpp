#include "app/WorkerLinks.h"

#include "devices/moxaGWSuche.h"

namespace oculon::app {

std::vector<GatewayEntry> GatewayList::gateways() const {
    std::vector<GatewayEntry> entries;
    for (const devices::TGatewayObject& gateway : thread_.gateways()) {
        entries.push_back({gateway.name(), gateway.IPAddress()});
    }
    return entries;
}

}  // namespace oculon::app
