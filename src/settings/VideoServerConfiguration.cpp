#include "settings/VideoServerConfiguration.h"

#include <algorithm>
#include <utility>

#include "config/Helpers.h"
#include "platform/ShownText.h"
#include "settings/InputRules.h"

namespace oculon::settings {

namespace {

constexpr const char* kAdministrator = "administrator";

// The parts of a manual network setting that switch off the wireless
// interface and mail and dial-up, as the device's own network page sends
// them; the device answers with a redirect to that page.
constexpr const char* kWlanDhcp =
    "Cmd=SetIP.cgi&Interface=wlan0&IPWay=dhcp&IP=0.0.0.0&Netmask=0.0.0.0&Gateway=0.0.0.0&IPWay1=dhcp";
constexpr const char* kWlanManual =
    "Cmd=SetIP.cgi&Interface=wlan0&IPWay=manually&IP=0.0.0.0&Netmask=0.0.0.0&Gateway=0.0.0.0&IPWay1=manually";
constexpr const char* kNoMail =
    "&MailOnDhcp=off&MailOnDhcp0=off&DhcpMailSubject=videoDorvik&DNS0=0.0.0.0&DNS1=0.0.0.0&DNS2=0.0.0.0";
constexpr const char* kNoDialUp =
    "&Cmd=PPPoE.cgi&User=&Pass=&MailServer=&MailUser=&MailPassWord=&Sender=&Receiver=&Receiver_Cc=&Receiver_Bcc="
    "&Subject=Oculon+PPP+Dialed%21&Action=Set&RedirectUrl="
    "http%3A%2F%2F192.168.1.100%2FNetwork.htm%3Fhttp%3A%2F%2F192.168.1.100%2F";

// The gateway page's addresses that are none, each on a line with its
// caption after the general message; empty when all are valid.
std::string invalidAddresses(const GatewayEdits& g, config::TSprachenTyp language) {
    std::string lines;
    const std::pair<const config::TText*, const std::string*> fields[] = {
        {&config::txtIPAddress, &g.ip}, {&config::txtStandardGateway, &g.gateway}, {&config::txtSubnetMask, &g.subnet}};
    for (const auto& [caption, value] : fields) {
        if (!isValidIP(*value)) lines += "\r\n" + config::text(*caption, language) + ": " + *value;
    }
    return lines.empty() ? lines : config::text(config::txtInvalidIPAddresses, language) + "\r\n" + lines;
}

// What a station keeps of the gateway in front of it and of the door
// output and input that the gateway page edits.
void copyGatewayGroup(const config::TSingleConfig& from, config::TSingleConfig& to) {
    to.moxa = from.moxa;
    to.moxaPass = from.moxaPass;
    to.moxaPassBefore = from.moxaPassBefore;
    to.moxaMac = from.moxaMac;
    to.moxaNeedCred = from.moxaNeedCred;
    to.moxaDhcp = from.moxaDhcp;
    to.eingang = from.eingang;
    to.ausgang = from.ausgang;
    to.ausgangSchrift = from.ausgangSchrift;
    to.eingangSchriftEin = from.eingangSchriftEin;
    to.eingangSchriftAus = from.eingangSchriftAus;
    to.eingangBildEin = from.eingangBildEin;
    to.eingangBildAus = from.eingangBildAus;
}

// The gateway's text values: their captions, the page's edits and what the
// gateway holds.
struct GatewayText {
    std::optional<std::string> devices::GatewayChange::*value;
    const config::TText* caption;
    std::string GatewayEdits::*edit;
    std::string (GatewaySettings::*has)() const;
};
const GatewayText kGatewayTexts[] = {
    {&devices::GatewayChange::name, &config::txtNameOfIPAdapter, &GatewayEdits::name, &GatewaySettings::name},
    {&devices::GatewayChange::address, &config::txtIPAddress, &GatewayEdits::ip, &GatewaySettings::address},
    {&devices::GatewayChange::gateway, &config::txtStandardGateway, &GatewayEdits::gateway, &GatewaySettings::gateway},
    {&devices::GatewayChange::netmask, &config::txtSubnetMask, &GatewayEdits::subnet, &GatewaySettings::netmask}};

// The captions of the values `values` holds, each on a line of its own.
std::string captionLines(const devices::GatewayChange& values, config::TSprachenTyp language) {
    std::string lines;
    for (const GatewayText& t : kGatewayTexts) {
        if (values.*t.value) lines += "\r\n" + config::text(*t.caption, language);
    }
    if (values.password) lines += "\r\n" + config::text(config::txtPassword, language);
    if (values.dhcp) lines += "\r\n" + config::text(config::txtIPConfigurationByDHCP, language);
    return lines;
}

// The values of `values` that `without` does not hold.
devices::GatewayChange without(devices::GatewayChange values, const devices::GatewayChange& without) {
    for (const GatewayText& t : kGatewayTexts) {
        if (without.*t.value) (values.*t.value).reset();
    }
    if (without.password) values.password.reset();
    if (without.dhcp) values.dhcp.reset();
    return values;
}

// A name as the page shows it (in UTF-8) and as a device or a station keeps
// it (often in Latin-1 bytes) name one device: no rename goes out for it.
bool sameName(const std::string& a, const std::string& b) { return config::sameStationName(a, b); }

// A text followed by the gateway's name and address.
std::string aboutGateway(const config::TText& text, const GatewaySettings& gw, config::TSprachenTyp language) {
    return config::text(text, language) + platform::shownText(gw.name()) + " (" + gw.address() + ")";
}

// The gateway's address, gateway, netmask and DHCP as the page has them,
// when they differ from what it holds.
void addressChange(const GatewayEdits& g, const GatewaySettings& gw, devices::GatewayChange& change) {
    if (g.dhcp == gw.dhcp() && g.ip == gw.address() && g.gateway == gw.gateway() && g.subnet == gw.netmask()) return;
    if (!g.dhcp) {
        change.address = g.ip;
        change.gateway = g.gateway;
        change.netmask = g.subnet;
    }
    change.dhcp = g.dhcp;
}

// The password the gateway is to take, when the user changed the page and
// its password differs from the one the gateway is logged in with: the
// page's, or none with "Use Password" cleared. An empty edit keeps the
// gateway's password; one the page shows unchanged is a station's, not one
// the user gave.
std::optional<std::string> passwordChange(const GatewayEdits& g, const GatewaySettings& gw) {
    if (!g.edited || g.pass == gw.password() || (g.pass.empty() && gw.hasPassword())) return std::nullopt;
    if (g.usePass) return g.pass;
    if (gw.hasPassword()) return std::string();
    return std::nullopt;
}

constexpr std::chrono::milliseconds kGatewayPoll{1000};

// Characters, not bytes: the edits hold UTF-8.
std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

}  // namespace

const config::TText* checkServerEdits(const ServerEdits& e, const devices::ServerFields& s) {
    if (e.port != s.FPort && !parsePort(e.port)) return &config::txtPortNumberRange;
    const bool networkSame =
        e.dhcp == s.FDhcp && e.ip == s.FIpAdresse && e.subnet == s.FSubnet && e.gateway == s.FGateway;
    if (!networkSame && !e.dhcp && (!isValidIP(e.ip) || !isValidIP(e.subnet) || !isValidIP(e.gateway)))
        return &config::txtInvalidIPAddresses;
    if (e.useUserName && (characters(e.user) > kServerCredentialLength || characters(e.pass) > kServerCredentialLength))
        return &config::txtUserOrPasswordTooLong;
    return nullptr;
}

void VideoServerConfiguration::fail(const config::TText& message, ApplyReport::Part page) {
    fail(config::text(message, p_.language), page);
}

void VideoServerConfiguration::fail(const std::string& message, ApplyReport::Part page) {
    // Nothing is stored after a refusal: the lines after it say so.
    p_.prompts.report(refusal(page, message, p_.language), false);
    error_ = true;
}

bool VideoServerConfiguration::send(const std::string& cgi, const std::string& parameters, bool basic,
                                    const config::TText* failed) {
    CgiRequest request{server_->FIpAdresse, port_, "/" + cgi + "?" + parameters, basic, {}, {}};
    if (basic) {
        request.user = kAdministrator;
        request.password = working_;
    }
    const CgiAnswer answer = p_.http.get(request);
    if (answer.ok) return true;
    allOk_ = false;
    error_ = true;
    // The reason in words, then the device's own status and text, or the
    // network's reason: shown as text, never as markup.
    std::string message = platform::shownText(answer.message);
    if (answer.unauthorized) {
        message = config::text(config::txtAccessDenied, p_.language);
    } else if (answer.status >= 400) {
        const config::TText& words =
            answer.status < 500 ? config::txtServerRefusedRequest : config::txtServerFailedRequest;
        message = config::text(words, p_.language) + "\r\n" + message;
    }
    if (failed) message = config::text(*failed, p_.language) + "\r\n" + message;
    p_.prompts.error(message);
    return false;
}

VideoServerConfiguration::Result VideoServerConfiguration::run(const devices::ServerFields& s, ServerEdits e,
                                                               GatewayEdits g, bool modified) {
    server_ = &s;
    device_ = s;
    allOk_ = true;
    error_ = false;
    stored_ = false;
    gatewayRestarted_ = false;
    gatewayPassBefore_.reset();
    restartDeclined_ = false;
    gatewayWanted_ = false;
    Result result;
    const auto finish = [&](bool finished) {
        result.error = error_;
        result.finished = finished;
        result.gatewayRestarted = gatewayRestarted_;
        result.server = e;
        result.gateway = g;
        result.device = device_;
        result.device.FAdminPass = working_;
        return result;
    };
    const auto serverPort = parsePort(s.FPort);
    if (!serverPort) {
        fail(config::txtPortNumberRange, ApplyReport::server);
        return finish(false);
    }
    port_ = *serverPort;
    const bool basic = s.FAuthorization;

    // What the user can mend is checked before anyone is asked or anything sent.
    StationChoice choice = stationOfServer(p_.settings, s, p_.listed);
    if (!checkServerPage(e, choice.station) || !checkGatewayPage(g)) return finish(false);
    if (choice.ask) {
        const config::TSingleConfig& other = *choice.station;
        const std::string here = s.FIpAdresse + ":" + s.FPort;
        const std::string question =
            choice.atStoredAddress ? filledIn(config::text(config::txtSameDeviceRenamed, p_.language),
                                              {here, platform::shownText(other.Name), platform::shownText(s.FName)})
                                   : filledIn(config::text(config::txtSameDeviceQuestion, p_.language),
                                              {here, platform::shownText(other.Name), other.Ip + ":" + other.Port});
        if (!p_.prompts.confirmSameDevice(question)) {
            choice.station = nullptr;
            // A station of its own: it must not take the other one's name.
            if (!checkServerPage(e, nullptr)) return finish(false);
        }
    }
    const config::TVideoConfig::StationPtr stored = choice.station;
    std::optional<config::TSingleConfig> station;
    if (stored) station = *stored;
    findGatewayOwner(g, e, stored);
    // The gateway in front of a station takes the station's new name.
    const bool renameFollows = !sameName(e.name, s.FName) && stored && stored->moxa && ownGateway_ && p_.gateway;
    if (!prepareGateway(g, station ? &*station : nullptr, renameFollows)) return finish(false);
    working_ = s.FAdminPass;
    if ((s.FAuthorization && !stored) || (e.useUserName && s.FAdminPass.empty())) {
        const auto answer = p_.prompts.askPassword(s.FName, true);
        if (!answer) {
            cancelled();
            return finish(false);
        }
        working_ = *answer;
    }

    for (const auto& [cgi, parameters] :
         {std::pair{"SetChannel.cgi", "Channel=0"}, std::pair{"ChangeCompressRatio.cgi", "Ratio=1"},
          std::pair{"ChangeResolution.cgi", "ResType=3"}}) {
        if (!send(cgi, parameters, basic)) return finish(false);
        p_.prompts.progress(10);
    }
    // From here on a failed request is shown and the run goes on; whether
    // the station is stored depends on all of them.
    bool changed = false;
    std::unique_ptr<RebootHold> hold;
    if (e.port != s.FPort) {
        if (p_.prompts.confirmReboot()) {
            hold = std::make_unique<RebootHold>(p_.rebootLock);
            e.port = std::to_string(*parsePort(e.port));  // checked above
            // Still to the old port: the new one holds after the restart.
            send("Cmd.cgi", "Cmd=SetHttp.cgi&Port0=" + e.port + "&Port1=0", basic);
        } else {
            e.port = s.FPort;
            restartDeclined_ = true;
        }
    }

    p_.prompts.progress(10);
    devices::GatewayChange forGateway;
    if (!gatewayStep(g, station ? &*station : nullptr, forGateway)) return finish(false);

    const bool networkSame =
        e.dhcp == s.FDhcp && e.ip == s.FIpAdresse && e.subnet == s.FSubnet && e.gateway == s.FGateway;
    if (!networkSame && !p_.prompts.confirmReboot()) {
        // Nothing went to the device: the station keeps what the device has.
        restartDeclined_ = true;
        e.dhcp = s.FDhcp;
        e.ip = s.FIpAdresse;
        e.subnet = s.FSubnet;
        e.gateway = s.FGateway;
    } else if (!networkSame) {
        changed = true;
        if (!hold) hold = std::make_unique<RebootHold>(p_.rebootLock);
        std::string parameters;
        if (e.dhcp) {
            parameters = "Cmd=SetIP.cgi&Interface=eth1&Enable=true&IPWay=dhcp&IP=" + s.FIpAdresse +
                         "&Netmask=" + s.FSubnet + "&Gateway=" + s.FGateway + "&IPWay0=dhcp&" + kWlanDhcp;
        } else {
            parameters = "Cmd=SetIP.cgi&Interface=eth1&Enable=true&IPWay=manually&IP=" + e.ip + "&Netmask=" + e.subnet +
                         "&Gateway=" + e.gateway + "&IPWay0=manually&" + kWlanManual;
        }
        send("Cmd.cgi", parameters + kNoMail + kNoDialUp, basic);
    }

    p_.prompts.progress(10);
    if (!sameName(e.name, s.FName)) {
        changed = true;
        const bool renamed = send("SetIP.cgi", "CameraName=" + config::EncodeURIComponent(e.name), basic);
        if (renamed) device_.FName = e.name;
        if (renamed && renameFollows) {
            forGateway.name = e.name;
            g.name = e.name;
        }
    }
    p_.prompts.progress(10);
    // All the gateway's new values at once: it restarts once per run.
    const std::string aboutGatewayChange = giveGateway(forGateway, g, station ? &*station : nullptr);

    changed = sendUser(e, basic) || changed;

    // Unsaved page edits are stored even when the device refused a request.
    if (!changed || allOk_ || modified) store(e, g, stored, station ? &*station : nullptr);
    if (!aboutGatewayChange.empty()) p_.prompts.report(aboutGatewayChange, stored_);
    // The page's changes are not all in force: its summary says not saved.
    if (restartDeclined_) p_.prompts.report(config::text(config::txtRestartDeclined, p_.language), false);
    // The page shows the password fields empty, as after a selection: an
    // empty field keeps the password the server has.
    e.pass.clear();
    e.passConfirm.clear();

    if (hold) {
        send("Reboot.cgi", "RebootNow=1", basic);
        p_.prompts.rebootCountdown(std::move(hold));
    }
    p_.prompts.pause(p_.settleTime);
    return finish(true);
}

bool VideoServerConfiguration::sendUser(ServerEdits& e, bool basic) {
    const devices::ServerFields& s = *server_;
    // An empty field stands for what the server holds.
    const bool administrator = e.user == kAdministrator;
    if (e.user.empty()) e.user = s.FUserName;
    if (e.pass.empty()) e.pass = administrator ? working_ : s.FPasswort;
    // The user and password go to the server when either of them differs
    // from what it holds, not only when both do: a new password alone must
    // reach it, or the station would be stored with a password the server
    // refuses.
    const bool same = e.useUserName == s.FAuthorization &&
                      (!e.useUserName || (e.user == s.FUserName && e.pass == (administrator ? working_ : s.FPasswort)));
    if (same) return false;
    const config::TText* notTaken = &config::txtServerKeepsItsUser;
    const bool checkTaken = send("SetUserCheck.cgi", e.useUserName ? "Check=true" : "Check=false", basic, notTaken);
    const bool userTaken =
        checkTaken && (!e.useUserName || send("SetUser.cgi",
                                              "User=" + config::EncodeURIComponent(e.user) +
                                                  "&Pass=" + config::EncodeURIComponent(e.pass) +
                                                  "&PassConfirm=" + config::EncodeURIComponent(e.pass),
                                              true, notTaken));
    if (checkTaken) device_.FAuthorization = e.useUserName;
    if (userTaken && e.useUserName && administrator) {
        working_ = e.pass;
    } else if (userTaken && e.useUserName) {
        device_.FUserName = e.user;
        device_.FPasswort = e.pass;
    } else if (!userTaken) {
        // What the server did not take is stored as it holds it: the
        // station keeps the user and password that work.
        e.useUserName = device_.FAuthorization;
        e.user = s.FUserName;
        e.pass = s.FPasswort;
    }
    return true;
}

bool VideoServerConfiguration::checkServerPage(const ServerEdits& e, const config::TVideoConfig::StationPtr& station) {
    const config::TText* problem = checkServerEdits(e, *server_);
    // A name another station carries stays refused: two stations of one
    // name could not be told apart.
    const auto named = p_.settings.getConfigByName(e.name);
    if (!problem && named && named != station) {
        // Said as it is when that station's own device reports another name now.
        const std::string stored = named->Ip + ":" + named->Port;
        std::string reports;
        if (stored == server_->FIpAdresse + ":" + server_->FPort) {
            reports = server_->FName;
        } else if (const auto there = std::find_if(p_.listed.begin(), p_.listed.end(),
                                                   [&](const ListedDevice& d) { return d.key == stored; });
                   there != p_.listed.end()) {
            reports = there->name;
        }
        if (!reports.empty() && !config::sameStationName(reports, named->Name)) {
            fail(filledIn(config::text(config::txtNameOfRenamedStation, p_.language),
                          {platform::shownText(named->Name), stored, platform::shownText(reports)}),
                 ApplyReport::server);
            return false;
        }
        problem = &config::txtVideoserverNameInUse;
    }
    if (!problem) return true;
    fail(*problem, ApplyReport::server);
    return false;
}

bool VideoServerConfiguration::checkGatewayPage(const GatewayEdits& g) {
    if (g.name.empty() || !p_.gateway) return true;
    if (g.pass != g.passConfirm) {
        fail(config::txtEnterSamePasswordTwoTimes, ApplyReport::gateway);
        return false;
    }
    if (g.dhcp) return true;
    const std::string invalid = invalidAddresses(g, p_.language);
    if (invalid.empty()) return true;
    p_.prompts.report(refusal(ApplyReport::gateway, invalid, p_.language), false);
    error_ = true;
    return false;
}

void VideoServerConfiguration::findGatewayOwner(const GatewayEdits& g, const ServerEdits& e,
                                                const config::TVideoConfig::StationPtr& stored) {
    const devices::ServerFields& s = *server_;
    ownGateway_ = ownByHardware_ = false;
    gatewayOwner_ = nullptr;
    if (g.name.empty()) return;
    if (!g.selected || !p_.gateway) {
        // No gateway selected: the page names the gateway of a station not
        // stored yet.
        ownGateway_ = !g.selected && !stored && sameName(g.name, e.name);
        return;
    }
    const GatewaySettings& gw = *p_.gateway;
    // Whatever answers from the workstation itself is no station's gateway.
    if (gw.fromHere()) return;
    if (const auto keeper = stationKeeping(p_.settings, gw.hardwareAddress())) {
        ownGateway_ = ownByHardware_ = keeper == stored;
        if (!ownGateway_) gatewayOwner_ = keeper;
        return;
    }
    // No station keeps its hardware address yet: the gateway is the
    // station's while the page gives it the station's name (the user's
    // word), unless the station keeps another one's, or another gateway
    // carries its name too (devices/DeviceStations.h counts them).
    const std::size_t ofName = p_.gatewaysNamed ? p_.gatewaysNamed(gw.name()) : 1;
    ownGateway_ = ofName <= 1 && (sameName(g.name, s.FName) || (!stored && sameName(g.name, e.name))) &&
                  (!stored || stored->moxaMac.empty());
    if (!ownGateway_) gatewayOwner_ = stationBehindGateway(p_.settings, {}, gw.name(), ofName);
}

bool VideoServerConfiguration::prepareGateway(const GatewayEdits& g, const config::TSingleConfig* station,
                                              bool renameFollows) {
    GatewaySettings* gw = p_.gateway;
    if (g.name.empty() || !gw) return true;
    // The password stored with the gateway's own station is the one to try:
    // another station's belongs to another gateway.
    const config::TSingleConfig* owner = ownGateway_ ? station : gatewayOwner_.get();
    if (owner && owner->moxaNeedCred) gw->setLoginPassword(owner->moxaPass);
    // A gateway that is not this station's is given only what the user
    // changed on its page.
    if (!ownGateway_ && !g.edited) return true;
    devices::GatewayChange change;
    if (!sameName(g.name, gw->name())) change.name = g.name;
    addressChange(g, *gw, change);
    gatewayWanted_ = !change.empty() || renameFollows || passwordChange(g, *gw);
    if (!gatewayWanted_ || gw->claimedFrom().empty()) return true;
    p_.prompts.report(disputed(*gw), false);
    error_ = true;
    return false;
}

std::string VideoServerConfiguration::disputed(const GatewaySettings& gw) const {
    return filledIn(config::text(config::txtGatewayDisputed, p_.language),
                    {platform::shownText(gw.name()), gw.hardwareAddress(), joined(gw.claimedFrom())});
}

void VideoServerConfiguration::cancelled() {
    error_ = true;
    p_.prompts.report(config::text(config::txtRunCancelled, p_.language), stored_);
}

bool VideoServerConfiguration::gatewayStep(GatewayEdits& g, config::TSingleConfig* station,
                                           devices::GatewayChange& change) {
    GatewaySettings* gw = p_.gateway;
    if (g.name.empty() || !gw) {
        p_.prompts.progress(40);
        return true;
    }
    // Only a gateway that is to be given something is logged in to, and
    // so asked for its password.
    if (gatewayWanted_) {
        if (!sameName(g.name, gw->name())) change.name = g.name;
        addressChange(g, *gw, change);
    }
    p_.prompts.progress(10);
    if (gatewayWanted_ && !logIn(*gw, ownGateway_ ? station : nullptr)) return false;
    // An empty edit keeps the password the gateway has.
    if (gw->hasPassword() && g.pass.empty()) g.pass = gw->password();

    if (station) {
        station->moxaNeedCred = g.usePass;
        station->moxaPass = g.usePass ? g.pass : std::string();
        station->moxa = true;
    }
    p_.prompts.progress(10);
    if (gatewayWanted_) change.password = passwordChange(g, *gw);
    p_.prompts.progress(20);
    return true;
}

bool VideoServerConfiguration::logIn(GatewaySettings& gw, config::TSingleConfig* station) {
    // After a save it never confirmed the gateway may still hold the password
    // from before: that one is tried before the user is asked. Only a
    // refusal asks; a gateway that does not answer ends the run.
    std::optional<std::string> before = station ? station->moxaPassBefore : std::nullopt;
    for (;;) {
        const devices::GatewayLogin login = gw.checkPassword();
        if (login == devices::GatewayLogin::accepted) break;
        if (login == devices::GatewayLogin::silent || login == devices::GatewayLogin::disputed) {
            p_.prompts.report(login == devices::GatewayLogin::silent
                                  ? aboutGateway(config::txtGatewayNotAnswering, gw, p_.language)
                                  : disputed(gw),
                              false);
            error_ = true;
            return false;
        }
        if (before) {
            gw.setLoginPassword(*std::exchange(before, std::nullopt));
            continue;
        }
        const auto answer = p_.prompts.askPassword("Gateway " + gw.name(), false);
        if (!answer) {
            cancelled();
            return false;
        }
        gw.setLoginPassword(*answer);
    }
    if (station) station->moxaPassBefore.reset();  // the login told which it holds
    return true;
}

std::string VideoServerConfiguration::giveGateway(const devices::GatewayChange& change, GatewayEdits& g,
                                                  config::TSingleConfig* station) {
    GatewaySettings* gw = p_.gateway;
    if (change.empty() || !gw) return {};
    const std::string passwordBefore = gw->hasPassword() ? gw->password() : std::string();
    devices::GatewayOutcome outcome = gw->change(change);
    gatewayRestarted_ = !outcome.silent && !outcome.disputed;
    devices::GatewayChange unknown;
    bool answered = gatewayRestarted_;
    if (outcome.unconfirmed)
        unknown = confirmSave(without(change, outcome.notTaken), outcome.notTaken, passwordBefore, answered);
    const devices::GatewayChange& notTaken = outcome.notTaken;
    if (notTaken.empty() && unknown.empty()) return {};

    // The page and the station show what the gateway has, not what it refused.
    for (const GatewayText& t : kGatewayTexts) {
        if (notTaken.*t.value) g.*t.edit = (gw->*t.has)();
    }
    if (notTaken.password) {
        g.usePass = gw->hasPassword();
        g.pass = g.passConfirm = g.usePass ? gw->password() : std::string();
        if (station) {
            station->moxaNeedCred = g.usePass;
            station->moxaPass = g.pass;
        }
    }
    if (notTaken.dhcp) g.dhcp = gw->dhcp();
    // The station keeps the password asked for, and the one from before for
    // the next login to try.
    if (unknown.password) {
        gatewayPassBefore_ = passwordBefore;
        if (station) station->moxaPassBefore = passwordBefore;
    }

    std::string message;
    if (!gw->claimedFrom().empty()) {
        message = disputed(*gw);
    } else if (!answered) {
        message = aboutGateway(config::txtGatewayNotAnswering, *gw, p_.language);
    }
    const auto add = [&](const config::TText& heading, const devices::GatewayChange& values) {
        if (values.empty()) return;
        if (!message.empty()) message += "\r\n";
        message += config::text(heading, p_.language) + captionLines(values, p_.language);
    };
    add(config::txtGatewayDidNotTake, notTaken);
    add(config::txtGatewaySaveUnconfirmed, unknown);
    if (unknown.password) message += "\r\n" + config::text(config::txtGatewayTriesBothPasswords, p_.language);
    error_ = true;
    return message;
}

devices::GatewayChange VideoServerConfiguration::confirmSave(const devices::GatewayChange& sent,
                                                             devices::GatewayChange& notTaken,
                                                             const std::string& passwordBefore, bool& answered) {
    GatewaySettings& gw = *p_.gateway;
    const auto until = std::chrono::steady_clock::now() + p_.gatewayRestartTime;
    answered = false;
    // The read finds the gateway again by its hardware address first: it may
    // have come back elsewhere, and a device that took its old address must
    // neither be read as the gateway nor hear its passwords.
    p_.prompts.gatewayWait(aboutGateway(config::txtWaitingForGateway, gw, p_.language));
    do {
        if (!p_.prompts.pause(kGatewayPoll)) break;
        answered = gw.readBack();
        // Two devices claim it: which is the gateway no wait tells.
    } while (!answered && gw.claimedFrom().empty() && std::chrono::steady_clock::now() < until);
    p_.prompts.gatewayWait({});
    if (!answered) return sent;

    for (const GatewayText& t : kGatewayTexts) {
        if (sent.*t.value && (gw.*t.has)() != *(sent.*t.value)) notTaken.*t.value = sent.*t.value;
    }
    if (sent.dhcp && gw.dhcp() != *sent.dhcp) notTaken.dhcp = sent.dhcp;
    devices::GatewayChange unknown;
    if (sent.password) {
        // Which of the two it holds, a login tells.
        gw.setLoginPassword(*sent.password);
        if (gw.checkPassword() != devices::GatewayLogin::accepted) {
            gw.setLoginPassword(passwordBefore);
            if (gw.checkPassword() == devices::GatewayLogin::accepted) {
                notTaken.password = sent.password;
            } else {
                unknown.password = sent.password;
            }
        }
    }
    return unknown;
}

void VideoServerConfiguration::store(const ServerEdits& e, const GatewayEdits& g,
                                     const config::TVideoConfig::StationPtr& stored,
                                     const config::TSingleConfig* station) {
    stored_ = true;
    const devices::ServerFields& s = *server_;
    // A stored station keeps what the other pages gave it (common name,
    // intercom, door code, second camera, ...); the run sets only its own.
    config::TSingleConfig n;
    if (station) {
        n.Assign(*station);
    } else {
        n.typ = config::KorvatServer;
    }
    n.IsDhcp = e.dhcp;
    n.Ip = e.ip;
    n.Net = e.subnet;
    n.gateway = e.gateway;
    n.Name = e.name;
    n.Port = e.port;
    n.NeedCredentials = e.useUserName;
    if (ownGateway_) {
        if (!station) {
            n.moxaPass = g.pass;
            n.moxaPassBefore = gatewayPassBefore_;
        }
        n.moxaNeedCred = g.usePass;
        n.moxaDhcp = g.dhcp;
        n.eingang = g.input;
        n.ausgang = g.output;
        n.ausgangSchrift = g.outputText;
        n.eingangSchriftEin = g.inputOnText;
        n.eingangSchriftAus = g.inputOffText;
        n.eingangBildEin = g.pictureOn;
        n.eingangBildAus = g.pictureOff;
        // Behind the gateway it is known to be behind by its hardware
        // address; else while the gateway carries the station's name, the
        // new one after a rename, and from now on known by its hardware
        // address too.
        const bool selected = g.selected && p_.gateway;
        n.moxa = ownByHardware_ || sameName(selected ? p_.gateway->name() : g.name, e.name);
        n.moxaMac = n.moxa && selected ? p_.gateway->hardwareAddress() : std::string();
    } else if (stored) {
        // The page shows no gateway of this station's, or another station's:
        // its door output, input and gateway stay as stored (a station
        // without a gateway opens its door through the server itself).
        copyGatewayGroup(*stored, n);
    }
    // The administrator password is the one the device took in this run.
    n.AdminPass = working_;
    n.UserName.clear();
    n.Passwort.clear();
    if (e.useUserName && e.user == kAdministrator) {
        n.AdminPass = e.pass;
        n.UserName = s.FUserName;
        if (station) n.Passwort = s.FPasswort;
    } else if (e.useUserName) {
        n.UserName = e.user;
        n.Passwort = e.pass;
    }
    if (stored) {
        p_.settings.updateConfig(stored, std::move(n));
    } else {
        p_.settings.addConfig(std::move(n));
    }
}

}  // namespace oculon::settings
