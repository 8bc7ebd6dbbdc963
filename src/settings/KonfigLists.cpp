#include "settings/KonfigLists.h"

namespace oculon::settings {

std::string keyOfCaption(const std::string& caption) { return caption.substr(0, caption.find_first_of("\r\n")); }

std::string namePartOfCaption(const std::string& caption) {
    const auto start = caption.find("\r\n");
    if (start == std::string::npos) return {};
    const std::string rest = caption.substr(start + 2);
    return rest.substr(0, rest.find("\r\n"));
}

DeviceLists buildDeviceLists(const std::vector<FoundDevice>& found, const config::TVideoConfig& settings,
                             const std::string& serverKey, const std::string& cameraKey) {
    DeviceLists lists;
    const auto add = [](std::vector<DeviceItem>& list, int& selection, const DeviceItem& item,
                        const std::string& selected) {
        if (!selected.empty() && item.key == selected) selection = static_cast<int>(list.size());
        list.push_back(item);
    };
    for (const FoundDevice& device : found) {
        const devices::ServerFields& f = device.fields;
        DeviceItem item{device.key, device.key + "\r\n" + f.FName, device.picture};
        std::string commonName = f.FcommonName;
        if (commonName.empty()) {
            if (const auto wall = settings.getSurvConfigByIp(device.key)) commonName = wall->commonName;
        }
        if (!commonName.empty()) item.caption += "\r\n" + commonName;
        if (f.FTyp == config::KorvatServer) {
            lists.hasServer = true;
            add(lists.servers, lists.serverSelection, item, serverKey);
        } else {
            lists.hasIPCam = true;
        }
        add(lists.cameras, lists.cameraSelection, item, cameraKey);
    }
    return lists;
}

std::uint32_t RebuildThrottle::request() {
    const std::uint32_t now = clock_();
    if (last_) {
        const std::uint32_t elapsed = now - *last_;
        if (elapsed <= kInterval) return kInterval + 1 - elapsed;
    }
    last_ = now;
    return 0;
}

}  // namespace oculon::settings
