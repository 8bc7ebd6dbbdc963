#include "settings/KonfigPages.h"

#include <climits>
#include <tuple>

#include "settings/DeviceStations.h"
#include "settings/InputRules.h"
#include "video/PictureFolder.h"

namespace oculon::settings {

bool reloadSelectedServer = false;

GeneralValues loadGeneral(config::TVideoConfig& settings) {
    GeneralValues v;
    v.language = config::sprache;
    v.splash = settings.splashScreen();
    v.multipleWindows = settings.allowMultipleWindows();
    std::vector<std::string> ids;
    settings.liesID(ids);
    // Quoted where needed: an id with a blank stays one id when written back.
    v.ids = config::joinDelimitedText(ids, ';');
    v.passwordSet = !settings.authenticate("");
    v.allowVideoView = settings.hasVideoPass();
    // Its writer keeps only the stored value up to date, not the one in memory.
    v.allowCapture = settings.liesAllowConfig2();
    v.captureFirst = settings.storeFirstPict();
    v.storeVideo = settings.storeVideo();
    v.path = settings.liesFirstPictPath();
    v.black = settings.blackValue();
    v.autostartOffered = !settings.liesAutostart();
    v.useRelay = settings.useServer();
    if (v.useRelay) {
        v.relayServer = settings.serverIP();
        v.relayPort = std::to_string(settings.serverPort());
    }
    v.codeForDoor = settings.codeTuerOffen();
    v.logDoor = settings.protTuerOffen();
    v.askComment = settings.kommentarTuerOffen();
    return v;
}

const config::TText* applyCommon(config::TVideoConfig& settings, const GeneralValues& v,
                                 const std::function<void(bool)>& switchRelay) {
    settings.schreibeCodeTuerOffen(v.codeForDoor);
    settings.schreibeProtTuerOffen(v.logDoor);
    settings.schreibeKommentarTuerOffen(v.askComment);
    if (v.useRelay != settings.useServer()) {
        if (switchRelay) {
            switchRelay(v.useRelay);
        } else {
            settings.schreibeUseServer(v.useRelay);
        }
    }
    if (!v.useRelay) return nullptr;
    if (!v.relayServer.empty()) settings.schreibeServerIP(v.relayServer);
    if (v.relayPort.empty() || v.relayPort == "0") return nullptr;
    const auto port = parsePort(v.relayPort);
    if (!port) return &config::txtPortNumberRange;
    settings.schreibeServerPort(*port);
    return nullptr;
}

const config::TText* applyGeneral(config::TVideoConfig& settings, const GeneralValues& v,
                                  const std::function<bool()>& confirmDelete, bool& passwordKept) {
    passwordKept = false;
    std::string path = v.path;
    if (!path.empty() && path.back() != '/') path += '/';
    // Longer, it could not be opened; its folders would be made only as far
    // as the limit reaches.
    if (path.size() >= PATH_MAX) return &config::txtPathTooLong;
    if (v.pwdChanged) {
        if (v.adminPass != v.adminPassConfirm) return &config::txtEnterSamePasswordTwoTimes;
        passwordKept = v.adminPass.empty() && !confirmDelete();
    }
    if (v.pwdChanged && !passwordKept) {
        settings.schreibeHasVideoPass(!v.adminPass.empty() && v.allowVideoView);
        settings.storePasswd(v.adminPass);
    } else {
        settings.schreibeHasVideoPass(v.allowVideoView);
    }
    // Made on the picture folder's worker: a share that does not answer
    // holds up neither the dialog nor a call.
    if (!path.empty()) video::folderWorker(path)->post([path] { config::makeSaveFolder(path, path); });
    settings.schreibeID(v.ids);
    settings.schreibBlackConfig(v.black);
    settings.schreibeAllowConfig(v.allowCapture);
    settings.schreibeStoreFirstPict(v.captureFirst);
    settings.schreibeFirstPictPath(path);
    settings.schreibeSplashScreen(v.splash);
    settings.schreibeAllowMultipleWindows(v.multipleWindows);
    settings.schreibeStoreVideo(v.storeVideo);
    return nullptr;
}

namespace {

auto storedByGeneral(const GeneralValues& v) {
    return std::tie(v.pwdChanged, v.allowVideoView, v.path, v.ids, v.black, v.allowCapture, v.captureFirst, v.splash,
                    v.multipleWindows, v.storeVideo);
}

}  // namespace

bool generalEdited(const GeneralValues& shown, const GeneralValues& now) {
    return storedByGeneral(shown) != storedByGeneral(now);
}

bool ServerPage::select(const std::string& key, const DiscoverySource& discovery, ServerEdits& edits) {
    if (key == selectedIP_ && !reloadSelectedServer) return false;
    selectedIP_ = key;
    reloadSelectedServer = false;
    const auto found = discovery.find(key);
    if (!found) {
        actObject_.reset();
        return false;
    }
    actObject_ = found->fields;
    const devices::ServerFields& s = *actObject_;
    edits.name = s.FName;
    edits.port = s.FPort;
    edits.dhcp = s.FDhcp;
    edits.ip = s.FIpAdresse;
    edits.gateway = s.FGateway;
    edits.subnet = s.FSubnet;
    edits.useUserName = s.FAuthorization;
    if (s.FAuthorization) {
        edits.user = s.FUserName;
    } else {
        edits.user.clear();
        edits.pass.clear();
        edits.passConfirm.clear();
    }
    return true;
}

void ServerPage::ran(const devices::ServerFields& device, DiscoverySource* discovery) {
    const auto took = [&device](devices::ServerFields& f) {
        f.FName = device.FName;
        f.FAuthorization = device.FAuthorization;
        f.FUserName = device.FUserName;
        f.FPasswort = device.FPasswort;
        f.FAdminPass = device.FAdminPass;
    };
    const std::string key = device.FIpAdresse + ":" + device.FPort;
    if (discovery) discovery->change(key, took);
    if (actObject_ && actObject_->FIpAdresse + ":" + actObject_->FPort == key) took(*actObject_);
}

void ServerPage::clear() {
    selectedIP_.clear();
    actObject_.reset();
}

config::TVideoConfig::StationPtr ServerPage::station(const std::vector<FoundDevice>& found) const {
    return actObject_ ? knownStationOf(settings_, *actObject_, listedDevices(found)) : nullptr;
}

const config::TText* ServerPage::check(ServerEdits& e, const std::vector<FoundDevice>& found) const {
    if (e.useUserName) {
        if (e.pass != e.passConfirm) return &config::txtEnterSamePasswordTwoTimes;
        if (e.user.empty()) return &config::txtUserAuthorizationNeedsUserName;
    }
    if (actObject_) {
        if (const config::TText* problem = checkServerEdits(e, *actObject_)) return problem;
    }
    bool clash = false;
    for (const FoundDevice& device : found) {
        if (actObject_ && config::sameStationName(device.fields.FName, e.name) &&
            device.fields.FIpAdresse != actObject_->FIpAdresse) {
            e.name.clear();
            clash = true;
        }
    }
    if (!e.name.empty()) return nullptr;
    return clash ? &config::txtVideoserverNameInUse : &config::txtNameForVideoServerMustBeGiven;
}

}  // namespace oculon::settings
