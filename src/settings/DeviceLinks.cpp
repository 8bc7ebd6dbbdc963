#include "settings/DeviceLinks.h"

#include "devices/videoServerSuche.h"

namespace oculon::settings {

std::optional<FoundDevice> DiscoverySource::find(const std::string& key) const {
    for (FoundDevice& device : snapshot()) {
        if (device.key == key) return std::move(device);
    }
    return std::nullopt;
}

std::vector<FoundDevice> SuchThreadSource::snapshot() const {
    return thread_.withLists([](devices::DiscoveryLists& lists) {
        std::vector<FoundDevice> copies;
        copies.reserve(lists.servers.size());
        for (const auto& [key, server] : lists.servers) {
            if (!server) continue;
            copies.push_back({key, *server, server->FBild ? std::make_shared<video::Image>(*server->FBild) : nullptr});
        }
        return copies;
    });
}

bool SuchThreadSource::change(const std::string& key, const std::function<void(devices::ServerFields&)>& edit) {
    return thread_.withLists([&](devices::DiscoveryLists& lists) {
        const auto it = lists.servers.find(key);
        if (it == lists.servers.end() || !it->second) return false;
        edit(*it->second);
        return true;
    });
}

std::vector<devices::telefonObjekt> SuchThreadSource::telephones() const { return thread_.telefon().snapshot(); }

HttpCgiClient::HttpCgiClient(std::chrono::milliseconds connectTimeout, std::chrono::milliseconds readTimeout) {
    client_.setConnectTimeout(connectTimeout);
    client_.setReadTimeout(readTimeout);
}

CgiAnswer HttpCgiClient::get(const CgiRequest& request) {
    client_.setHost(request.host);
    client_.setPort(request.port);
    client_.setBasicAuthentication(request.basic);
    client_.setCredentials(request.basic ? request.user : std::string(),
                           request.basic ? request.password : std::string());
    try {
        const platform::HttpResponse response = client_.request("GET", request.target);
        const int status = response.status();
        // The device answers some settings with a redirect to its own page.
        if ((status >= 200 && status <= 299) || status == 302) return {true, false, {}, status};
        return {false, status == 401, response.head.statusLine, status};
    } catch (const std::exception& e) {
        return {false, false, e.what()};
    }
}

}  // namespace oculon::settings
