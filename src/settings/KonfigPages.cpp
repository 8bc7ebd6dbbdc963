#include "settings/KonfigPages.h"

#include <tuple>

#include "settings/InputRules.h"

namespace oculon::settings {

bool reloadSelectedServer = false;

GeneralValues loadGeneral(const config::TVideoConfig& settings) {
    GeneralValues v;
    v.language = config::sprache;
    v.splash = settings.splashScreen();
    v.multipleWindows = settings.allowMultipleWindows();
    std::vector<std::string> ids;
    settings.liesID(ids);
    for (const std::string& id : ids) v.ids += (v.ids.empty() ? "" : ";") + id;
    v.passwordSet = !settings.authenticate("");
    v.allowVideoView = settings.hasVideoPass();
    v.allowCapture = settings.allowCapture();
    v.captureFirst = settings.storeFirstPict();
    v.storeVideo = settings.storeVideo();
    v.path = settings.firstPictpath();
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
                                  const std::function<bool()>& confirmDelete, bool& stop) {
    stop = false;
    if (v.pwdChanged) {
        if (v.adminPass != v.adminPassConfirm) return &config::txtEnterSamePasswordTwoTimes;
        if (v.adminPass.empty()) {
            if (!confirmDelete()) {
                stop = true;
                return nullptr;
            }
            settings.schreibeHasVideoPass(false);
        } else {
            settings.schreibeHasVideoPass(v.allowVideoView);
        }
        settings.storePasswd(v.adminPass);
    } else {
        settings.schreibeHasVideoPass(v.allowVideoView);
    }
    std::string path = v.path;
    if (!path.empty() && path.back() != '/') path += '/';
    if (!path.empty()) config::TVideoConfig::generatePath(path);
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

void ServerPage::clear() {
    selectedIP_.clear();
    actObject_.reset();
}

bool ServerPage::deleteEnabled() const { return actObject_ && settings_.getConfigByName(actObject_->FName); }

const config::TText* ServerPage::check(ServerEdits& e, const std::vector<FoundDevice>& found) const {
    if (e.useUserName) {
        if (e.pass != e.passConfirm) return &config::txtEnterSamePasswordTwoTimes;
        if (e.user.empty()) return &config::txtUserAuthorizationNeedsUserName;
    }
    bool clash = false;
    for (const FoundDevice& device : found) {
        if (actObject_ && device.fields.FName == e.name && device.fields.FIpAdresse != actObject_->FIpAdresse) {
            e.name.clear();
            clash = true;
        }
    }
    if (!e.name.empty()) return nullptr;
    return clash ? &config::txtVideoserverNameInUse : &config::txtNameForVideoServerMustBeGiven;
}

}  // namespace oculon::settings
