#include "settings/IntercomAssignment.h"

#include <algorithm>

#include "settings/KonfigLists.h"

namespace oculon::settings {

using config::TSingleConfig;
using config::TVideoConfig;

namespace {

std::string addressOfKey(const std::string& key) { return key.substr(0, key.find(':')); }

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The station of an assignment row: the camera's, unless that one belongs
// to another intercom than the row shows.
TVideoConfig::StationPtr stationOfRow(const std::string& rowKey, const std::string& rowIntercom,
                                      const TVideoConfig& settings) {
    auto station = settings.getConfigByIP(rowKey);
    if ((!station || station->telefonIP != rowIntercom) && !rowIntercom.empty()) {
        if (auto byPhone = settings.getConfigByPhone(rowIntercom)) station = std::move(byPhone);
    }
    return station;
}

// A stored camera's addresses and stream as the discovery would report them.
devices::ServerFields deviceOf(const TSingleConfig& s) {
    devices::ServerFields d;
    d.FTyp = s.typ;
    d.FName = s.Name;
    d.FDhcp = s.IsDhcp;
    d.FIpAdresse = s.Ip;
    d.FSubnet = s.Net;
    d.FGateway = s.gateway;
    d.FcommonName = s.commonName;
    d.FPort = s.Port;
    d.FVideoPath = s.videoPath;
    d.FPfad = s.mirabPath;
    d.FReduktion = s.mirabReduction;
    d.FAuthorization = s.NeedCredentials;
    return d;
}

void copySecondary(TSingleConfig& to, const TSingleConfig& from) {
    to.secondaryName = from.secondaryName;
    to.secondaryIp = from.secondaryIp;
    to.secondaryPort = from.secondaryPort;
    to.secondaryType = from.secondaryType;
    to.secondaryPath = from.secondaryPath;
    to.secondaryUserName = from.secondaryUserName;
    to.secondaryPassword = from.secondaryPassword;
    to.secondaryResString = from.secondaryResString;
}

}  // namespace

AssignmentResult assignCamera(const AssignmentEdits& e, const DiscoverySource& discovery,
                              const std::vector<devices::telefonObjekt>& telephones, TVideoConfig& settings) {
    auto stored = settings.getConfigByIP(e.cameraKey);
    const auto camera = discovery.find(e.cameraKey);
    if (!camera && !stored) return {&config::txtCameraNotListed, true, false};
    const devices::ServerFields d = camera ? camera->fields : deviceOf(*stored);
    const bool box = e.analogPhone || e.withoutIntercom;
    const auto phone = std::find_if(telephones.begin(), telephones.end(),
                                    [&](const devices::telefonObjekt& t) { return t.adresse() == e.intercom; });
    const bool heard = !e.intercom.empty() && phone != telephones.end();
    const bool keepsIntercom = !box && !heard && stored && !stored->telefonIP.empty() &&
                               (e.intercom.empty() || e.intercom == stored->telefonIP);
    if (!box && !heard && !keepsIntercom) return {&config::txtChooseDoorIntercom, true, false};
    const std::string intercom = keepsIntercom ? stored->telefonIP : e.intercom;

    const auto phoneStation = intercom.empty() ? nullptr : settings.getConfigByPhone(intercom);
    if (!box && phoneStation && (!stored || stored->Ip != phoneStation->Ip))
        return {&config::txtDoorIntercomAlreadyConfigured, false, false};
    if (stored && !stored->telefonIP.empty() && stored->telefonIP != intercom && phoneStation &&
        phoneStation->Ip == addressOfKey(e.cameraKey))
        stored = phoneStation;

    TSingleConfig n;
    n.typ = d.FTyp;
    if (!box) {
        // What the intercom has not told (yet) stays as stored.
        const bool same = stored && stored->telefonIP == intercom;
        n.telefonIP = intercom;
        n.telefonName = heard && !phone->name().empty() ? phone->name() : same ? stored->telefonName : std::string();
        n.teltyp = heard && phone->typ() != config::telUnknown ? phone->typ()
                   : same                                      ? stored->teltyp
                                                               : config::telUnknown;
        n.camAusgang = false;
    } else {
        n.camAusgang = e.output;
        n.camAusgangSchrift = e.outputText;
        n.ohneBT = e.withoutIntercom;
        if (e.analogPhone) setAnalogFlags(n, e.analog);
    }
    // A station keeps the name it is called by; a new one takes the device's.
    n.Name = stored ? stored->Name : d.FName;
    n.IsDhcp = d.FDhcp;
    n.Ip = d.FIpAdresse;
    n.Net = d.FSubnet;
    n.gateway = d.FGateway;
    n.commonName = d.FcommonName;
    n.Port = d.FPort;
    n.videoPath = d.FVideoPath;
    n.mirabPath = d.FPfad;
    n.mirabReduction = d.FReduktion;
    n.NeedCredentials = d.FTyp == config::unknown ? e.usePass : d.FAuthorization;
    n.moxa = false;
    n.video = true;
    n.moxaNeedCred = n.moxaDhcp = n.eingang = n.ausgang = false;
    n.tuerCode = e.code;
    n.tuerDauer = storedDuration(e.duration);
    if (n.NeedCredentials || e.output) {
        if (e.password != e.passwordConfirm) return {&config::txtEnterSamePasswordTwoTimes, false, false};
        n.UserName = e.user;
        n.Passwort = e.password;
    }
    if (stored) {
        if (stored->telefonIP == n.telefonIP) copySecondary(n, *stored);
        settings.updateConfig(stored, std::move(n));
    } else {
        settings.addConfig(std::move(n));
    }
    return {nullptr, false, true};
}

std::vector<SecondCameraItem> secondCameraMenu(const std::string& rowKey, const std::string& rowIntercom,
                                               const std::vector<std::string>& cameraCaptions,
                                               const TVideoConfig& settings, config::TSprachenTyp language) {
    const auto station = stationOfRow(rowKey, rowIntercom, settings);
    std::vector<SecondCameraItem> items;
    for (const std::string& caption : cameraCaptions) {
        SecondCameraItem item;
        item.key = keyOfCaption(caption);
        const std::string name = namePartOfCaption(caption);
        item.caption = item.key + "  " + name;
        item.checked = station && !station->secondaryName.empty() &&
                       config::sameStationName(station->secondaryName, name) &&
                       station->secondaryIp == addressOfKey(item.key);
        items.push_back(std::move(item));
    }
    items.push_back({config::text(config::txtDelete, language), {}, false});
    return items;
}

bool setSecondCamera(const std::string& rowKey, const std::string& rowIntercom, const std::string& secondKey,
                     TVideoConfig& settings, DiscoverySource& discovery, const AskCredentials& ask) {
    const auto station = stationOfRow(rowKey, rowIntercom, settings);
    if (!station) return false;
    TSingleConfig copy;
    copy.Assign(*station);
    if (secondKey.empty()) {
        copySecondary(copy, TSingleConfig{});
        copy.secondaryType = config::KorvatServer;
        copy.secondaryCommonName.clear();
    } else if (const auto second = settings.getConfigByIP(secondKey)) {
        copy.secondaryName = second->Name;
        copy.secondaryCommonName = second->commonName;
        copy.secondaryIp = second->Ip;
        copy.secondaryPort = second->Port;
        copy.secondaryType = second->typ;
        copy.secondaryPath = second->videoPath;
        copy.secondaryUserName = second->UserName;
        copy.secondaryPassword = second->Passwort;
        copy.secondaryResString = second->resString;
    } else {
        // A copy of the entry, so that no lock of the discovery list is
        // held while the user answers.
        const auto found = discovery.find(secondKey);
        if (!found) return false;
        const devices::ServerFields& d = found->fields;
        copy.secondaryName = d.FName;
        copy.secondaryCommonName = d.FcommonName;
        copy.secondaryIp = d.FIpAdresse;
        copy.secondaryPort = d.FPort;
        copy.secondaryType = d.FTyp;
        copy.secondaryPath = d.FVideoPath;
        copy.secondaryUserName = d.FUserName;
        copy.secondaryPassword = d.FPasswort;
        copy.secondaryResString = d.FresString;
        std::optional<Credentials> given;
        if (d.FAuthorization && ask) given = ask(d.FName);
        if (given) {
            copy.secondaryUserName = given->user;
            copy.secondaryPassword = given->password;
        }
        // The camera may have gone while the user was asked.
        const bool listed = discovery.change(secondKey, [&](devices::ServerFields& listedCamera) {
            if (!given) return;
            listedCamera.FUserName = given->user;
            listedCamera.FPasswort = given->password;
        });
        if (!listed) return false;
    }
    settings.updateConfig(station, std::move(copy));
    return true;
}

bool removeAssignment(const std::string& rowKey, const std::string& rowIntercom, TVideoConfig& settings) {
    const std::string intercom = trimmed(rowIntercom);
    const auto station = intercom.empty() ? settings.getConfigByIP(rowKey) : settings.getConfigByPhone(intercom);
    if (!station) return false;
    settings.deleteConfig(station);
    return true;
}

}  // namespace oculon::settings
