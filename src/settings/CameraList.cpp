#include "settings/CameraList.h"

#include "settings/InputRules.h"

namespace oculon::settings {

namespace {

// The wall camera of `key` with its tile, as the wall's lookup finds it.
std::optional<std::pair<std::string, config::TSurveillanceConfig>> wallCamera(const std::string& key,
                                                                              const config::TVideoConfig& settings) {
    for (const auto& [tile, camera] : settings.survList()) {
        if (camera && camera->ipAddr + ":" + std::to_string(camera->port) == key) return std::pair{tile, *camera};
    }
    return std::nullopt;
}

// Changes the station and the wall camera of `key` with the same edit; true
// when a wall camera changed.
template <typename StationEdit, typename WallEdit>
bool changeCamera(const std::string& key, config::TVideoConfig& settings, StationEdit station, WallEdit wall) {
    if (const auto stored = settings.getConfigByIP(key)) {
        config::TSingleConfig copy = *stored;
        if (station(copy)) settings.updateConfig(stored, std::move(copy));
    }
    auto camera = wallCamera(key, settings);
    if (!camera || !wall(camera->second)) return false;
    settings.putSurvConfig(camera->first, std::move(camera->second));
    settings.schreibeUeberwachungKameras();
    return true;
}

}  // namespace

CameraMenu cameraMenu(const std::string& key, const DiscoverySource* discovery, const config::TVideoConfig& settings,
                      config::TSprachenTyp language) {
    CameraMenu menu;
    menu.removeCaption = config::text(config::txtDeleteEntry, language);
    if (key.empty()) return menu;
    const auto found = discovery ? discovery->find(key) : std::nullopt;
    if (found && found->fields.FManuell) {
        menu.rename = menu.path = menu.remove = true;
        menu.removeCaption += ": " + key;
    }
    if (settings.getConfigByIP(key) || settings.getSurvConfigByIp(key)) menu.rename = menu.path = true;
    return menu;
}

const config::TText* checkNewCamera(const NewCamera& camera, const config::TVideoConfig& settings,
                                    const DiscoverySource* discovery) {
    if (camera.name.empty()) return &config::txtNameForVideoCameraMustBeGiven;
    if (!isValidIP(camera.ip)) return &config::txtGivenIPAddressInvalid;
    if (!parsePort(camera.port)) return &config::txtPortNumberRange;
    const std::string key = camera.ip + ":" + camera.port;
    if (settings.getConfigByIP(key) || (discovery && discovery->find(key))) return &config::txtCameraIPAddressExists;
    return nullptr;
}

config::TVideoServerType typeOfBoxIndex(int index) {
    return static_cast<config::TVideoServerType>(index < config::HikVision ? index : index + 1);
}

config::TManualConfig manualCamera(const NewCamera& camera) {
    config::TManualConfig entry;
    entry.name = camera.name;
    entry.ipAddr = camera.ip;
    entry.port = parsePort(camera.port).value_or(0);
    entry.typ = typeOfBoxIndex(camera.typeIndex);
    entry.path = camera.path;
    return entry;
}

std::string cameraName(const std::string& key, const config::TVideoConfig& settings) {
    if (const auto station = settings.getConfigByIP(key))
        return station->commonName.empty() ? station->Name : station->commonName;
    if (const auto wall = settings.getSurvConfigByIp(key))
        return wall->commonName.empty() ? wall->name : wall->commonName;
    return {};
}

std::string cameraPath(const std::string& key, const config::TVideoConfig& settings) {
    if (const auto station = settings.getConfigByIP(key)) return station->videoPath;
    if (const auto wall = settings.getSurvConfigByIp(key)) return wall->path;
    return {};
}

bool renameCamera(const std::string& key, const std::string& name, config::TVideoConfig& settings,
                  DiscoverySource& discovery) {
    const auto rename = [&](auto& entry, const std::string& ownName) {
        if (config::sameStationName(ownName, name)) return false;
        entry.commonName = name;
        return true;
    };
    const bool wall = changeCamera(
        key, settings, [&](config::TSingleConfig& s) { return rename(s, s.Name); },
        [&](config::TSurveillanceConfig& c) { return rename(c, c.name); });
    discovery.change(key, [&](devices::ServerFields& f) { f.FcommonName = name; });
    return wall;
}

bool changeCameraPath(const std::string& key, const std::string& path, config::TVideoConfig& settings,
                      DiscoverySource& discovery) {
    const bool wall = changeCamera(
        key, settings,
        [&](config::TSingleConfig& s) {
            s.videoPath = path;
            return true;
        },
        [&](config::TSurveillanceConfig& c) {
            c.path = path;
            return true;
        });
    discovery.change(key, [&](devices::ServerFields& f) { f.FVideoPath = path; });
    return wall;
}

}  // namespace oculon::settings
