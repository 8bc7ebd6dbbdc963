#include "video/ueberwachungKameras.h"

#include <algorithm>

#include "video/VideoCall.h"
#include "video/ueberwachungLayout.h"

namespace oculon::video {

using config::TServerAttributes;
using config::TSingleConfig;
using config::TVideoConfig;

std::string getPath(config::TVideoServerType typ, const std::string& resString, std::time_t now) {
    return builtInStreamPath(typ, resString, std::to_string(static_cast<long long>(now))).value_or("");
}

std::string cameraNameOf(const TSingleConfig& station) {
    return station.commonName.empty() ? station.Name : station.commonName;
}

std::string cameraNameOf(const DiscoveredCamera& device) {
    return device.commonName.empty() ? device.name : device.commonName;
}

TServerAttributes setAttributes(const TSingleConfig& station, std::int32_t frameRate) {
    TServerAttributes a;
    a.CameraName = cameraNameOf(station);
    a.ServerTyp = station.typ;
    a.Path = station.videoPath.empty() ? getPath(station.typ, station.resString) : station.videoPath;
    a.IP = station.Ip;
    a.Port = portNumber(station.Port);
    setStreamCredentials(a, station);
    a.mirabPath = station.mirabPath;
    a.mirabCrop = station.mirabReduction;
    a.frameRate = frameRate;
    return a;
}

TServerAttributes setAttributes(const DiscoveredCamera& device, std::int32_t frameRate) {
    TServerAttributes a;
    a.CameraName = cameraNameOf(device);
    a.ServerTyp = device.typ;
    // Only a type without a path of its own plays the one the device gave.
    a.Path = getPath(device.typ, device.resString);
    if (a.Path.empty()) a.Path = device.videoPath;
    a.IP = device.ip;
    a.Port = portNumber(device.port);
    a.mirabPath = device.mirabPath;
    a.mirabCrop = device.reduction;
    a.frameRate = frameRate;
    return a;
}

void setAttributes(TServerAttributes& a, std::int32_t frameRate) {
    a.zeigeImmer = true;
    a.isMoxa = false;
    a.ueberwachung = true;
    a.aufzeichnen = false;
    a.frameRate = std::max(1, frameRate);
}

std::string dropLookupText(const std::string& caption) {
    // List captions break lines with CR LF; a widget's item text with LF.
    return caption.substr(0, std::min(caption.find("\r\n"), caption.find('\n')));
}

DropDecision decideDrop(const std::string& caption, const TVideoConfig& settings, const DiscoveryLookup& discovery,
                        const std::vector<std::string>& shownNames, std::int32_t frameRate) {
    DropDecision d;
    const std::string key = dropLookupText(caption);
    auto shown = [&](const std::string& name) {
        return std::find(shownNames.begin(), shownNames.end(), name) != shownNames.end();
    };
    // The name is compared in the form the tile shows it, so a station with
    // a common name cannot sneak in twice under its other name.
    if (const auto station = key.empty() ? nullptr : settings.getConfigByIP(key)) {
        if (shown(cameraNameOf(*station)) || shown(station->Name)) {
            d.kind = DropDecision::Kind::duplicateName;
            return d;
        }
        d.kind = DropDecision::Kind::station;
        d.attributes = setAttributes(*station, frameRate);
        return d;
    }
    const std::optional<DiscoveredCamera> device = discovery && !key.empty() ? discovery(key) : std::nullopt;
    if (!device) return d;
    if (shown(cameraNameOf(*device))) {
        d.kind = DropDecision::Kind::duplicateName;
        return d;
    }
    d.kind = DropDecision::Kind::device;
    d.attributes = setAttributes(*device, frameRate);
    d.askCredentials = device->authorization;
    // A camera of this type that crops its picture takes only a key.
    d.keyOnly = config::cameraTraits(device->typ).suffix == config::StreamSuffix::key && device->reduction > 0;
    return d;
}

void storeDroppedCamera(TVideoConfig& settings, int tile, const TServerAttributes& attributes) {
    config::TSurveillanceConfig camera;
    camera.readFromAttributes(attributes);
    camera.recording = kRecNever;
    settings.putSurvConfig(tileKey(tile), std::move(camera));
    settings.schreibeUeberwachungKameras();
}

std::vector<KeptCamera> keepCamerasOf(TVideoConfig& settings, config::TLayoutTyp layout) {
    std::vector<KeptCamera> kept;
    const auto cameras = settings.survList();
    for (auto it = cameras.rbegin(); it != cameras.rend(); ++it) {
        const int tile = tileOfKey(it->first, layout);
        if (tile < 0) settings.removeSurvConfig(it->first);
        else kept.push_back({it->first, tile, it->second});
    }
    settings.schreibeUeberwachungKameras();
    return kept;
}

SurvChangeResult applySurvChange(TVideoConfig& settings, const config::TSurvChange& change) {
    SurvChangeResult r;
    r.key = tileKey(change.number);
    r.remove = change.delete_;
    r.recording = change.recording;
    r.validRecording = change.recording >= kRecNever && change.recording <= kRecByUser;
    if (r.remove) {
        settings.removeSurvConfig(r.key);
    } else if (r.validRecording) {
        for (const auto& [key, camera] : settings.survList()) {
            if (key != r.key) continue;
            config::TSurveillanceConfig changed;
            changed.Assign(*camera);
            changed.recording = r.recording;
            settings.putSurvConfig(key, std::move(changed));
            break;
        }
    }
    settings.schreibeUeberwachungKameras();
    return r;
}

RecButtonState recButtonFor(int mode, bool userRecording) {
    switch (mode) {
        case kRecAlways: return {true, false, true, false, {}};
        case kRecByUser: return {true, true, userRecording, userRecording, {}};
        default: return {};
    }
}

bool recordsIn(int mode, bool userRecording) { return mode == kRecAlways || (mode == kRecByUser && userRecording); }

}  // namespace oculon::video
