#include "app/WorkerLinks.h"

#include "devices/moxaGWSuche.h"
#include "devices/serverObjekt.h"
#include "devices/videoServerSuche.h"

namespace oculon::app {

void DiscoveryList::updateServer(std::unique_ptr<devices::serverObjekt> server, const config::TSingleConfig* station) {
    thread_.updateServer(std::move(server), station);
}

std::vector<DiscoveredServer> DiscoveryList::servers() const {
    auto copies = thread_.withLists([](devices::DiscoveryLists& lists) {
        std::vector<DiscoveredServer> copies;
        copies.reserve(lists.servers.size());
        for (const auto& [key, server] : lists.servers) {
            if (server)
                copies.push_back({server->Name(), server->IPAdresse(), server->Port(), server->credentialsAllowed()});
        }
        return copies;
    });
    for (DiscoveredServer& server : copies)
        server.answering = thread_.answers(server.address + ":" + server.port, server.name);
    return copies;
}

std::vector<devices::ListedDevice> DiscoveryList::answering() const { return thread_.listedServers(); }

std::optional<video::DiscoveredCamera> DiscoveryList::camera(const std::string& key) const {
    return thread_.withLists([&](devices::DiscoveryLists& lists) -> std::optional<video::DiscoveredCamera> {
        const auto it = lists.servers.find(key);
        if (it == lists.servers.end() || !it->second) return std::nullopt;
        const devices::serverObjekt& s = *it->second;
        return video::DiscoveredCamera{s.FName,      s.FcommonName, s.FTyp,           s.FIpAdresse, s.FPort,
                                       s.FVideoPath, s.FresString,  s.FAuthorization, s.FPfad,      s.FReduktion};
    });
}

std::vector<GatewayEntry> GatewayList::gateways() const { return devices::foundGateways(thread_.gateways()); }

}  // namespace oculon::app
