#include "settings/GatewayPage.h"

#include <algorithm>

namespace oculon::settings {

using config::text;

GridRows gatewayRows(const devices::TGatewayList& gateways, config::TSprachenTyp language) {
    const auto flag = [language](bool on) { return text(on ? config::txtTrue : config::txtFalse, language); };
    GridRows rows;
    for (const devices::TGatewayObject& g : gateways) {
        if (g.answered()) {
            rows.push_back({g.IPAddress(), g.name(), g.gateway(), g.netmask(), flag(g.dhcp()), flag(g.needPass())});
        } else {
            // Nothing but its address is known: empty values would pass for its own.
            rows.push_back({g.IPAddress(), text(config::txtGatewayNoAnswer, language), "", "", "", ""});
        }
    }
    return rows;
}

GridRow gatewayHeader(config::TSprachenTyp language) {
    return {text(config::txtIPAddress, language),
            text(config::txtName, language),
            text(config::txtStandardGateway, language),
            text(config::txtSubnetMask, language),
            "DHCP",
            text(config::txtPwd, language)};
}

std::string imageMarker(config::TSprachenTyp language) { return "<" + text(config::txtImage, language) + ">"; }

std::string commandFrame(const std::string& payload) {
    std::string frame = "\x1F" + payload;
    return frame + static_cast<char>(config::checksum(frame));
}

std::string videoStatus(int n) { return commandFrame(std::string("V") + static_cast<char>(n)); }
std::string videoOnConfig(int n) { return commandFrame(std::string("v") + static_cast<char>(n)); }

std::size_t gatewaysNamed(const devices::TGatewayList& gateways, const std::string& name) {
    return devices::gatewaysOfName(devices::foundGateways(gateways), name);
}

bool GatewayPage::select(int row, const devices::TGatewayList& gateways, GatewayEdits& e,
                         config::TSprachenTyp language) {
    if (row < 0 || static_cast<std::size_t>(row) >= gateways.size()) {
        actGWObject_.reset();
        return false;
    }
    const devices::TGatewayObject& found = gateways[static_cast<std::size_t>(row)];
    // The same gateway at another address is another claimant of its
    // hardware address, or the gateway moved: after a save of ours that
    // restarted it, the page goes on with what the save left until it is
    // found again, whatever a search begun before the restart still lists.
    const bool sameGateway = actGWObject_ && found.hardwareAddress() == actGWObject_->hardwareAddress();
    const bool another = !sameGateway || (found.IPAddress() != moxaSelectIP_ && !actGWObject_->restartedSinceFound());
    // A gateway that answers at last shows its values in place of the address alone.
    if (another || (found.answered() && !actGWObject_->answered())) {
        moxaSelectIP_ = found.IPAddress();
        actGWObject_ = found;
        e.name = found.name();
        e.ip = found.IPAddress();
        e.gateway = found.gateway();
        e.subnet = found.netmask();
        e.usePass = found.needPass();
        e.dhcp = found.dhcp();
        // Another gateway's password must not stay in the fields: a save
        // would give it to this one. Empty keeps the gateway's own, unless
        // the station behind it holds one.
        e.pass.clear();
        e.passConfirm.clear();
    } else if (!actGWObject_->restartedSinceFound()) {
        // The search's copy is the newer one (who else claims it, what it
        // holds); one restarted since finds itself again before anything
        // goes to it, and a search begun before its restart would not.
        actGWObject_ = found;
    }
    e.selected = true;
    showStation(e, stationBehind(found, e.name, gateways), language);
    return true;
}

config::TVideoConfig::StationPtr GatewayPage::stationBehind(const devices::TGatewayObject& gateway,
                                                            const std::string& name,
                                                            const devices::TGatewayList& gateways) const {
    return stationBehindGateway(settings_, gateway.hardwareAddress(), name, gatewaysNamed(gateways, name));
}

void GatewayPage::showStation(GatewayEdits& e, const config::TVideoConfig::StationPtr& station,
                              config::TSprachenTyp language) const {
    if (station) {
        e.input = station->eingang;
        e.output = station->ausgang;
        e.pass = e.passConfirm = station->moxaPass;
        if (!station->eingangBildEin.empty()) {
            e.pictureOn = station->eingangBildEin;
            e.pictureOff = station->eingangBildAus;
            e.inputOnText = e.inputOffText = imageMarker(language);
        } else {
            e.pictureOn.clear();
            e.pictureOff.clear();
            e.inputOnText = station->eingangSchriftEin;
            e.inputOffText = station->eingangSchriftAus;
        }
        e.outputText = station->ausgangSchrift;
    } else {
        e.input = e.output = false;
        e.pictureOn.clear();
        e.pictureOff.clear();
        e.inputOnText.clear();
        e.inputOffText.clear();
        e.outputText.clear();
    }
}

void GatewayPage::ranWith(const devices::TGatewayObject& gateway) {
    actGWObject_ = gateway;
    moxaSelectIP_ = gateway.IPAddress();
}

void GatewayPage::clear() {
    actGWObject_.reset();
    moxaSelectIP_.clear();
}

std::optional<std::size_t> GatewayPage::rowOfSelected(const devices::TGatewayList& gateways) const {
    if (!actGWObject_) return std::nullopt;
    std::optional<std::size_t> row;
    for (std::size_t r = 0; r < gateways.size(); ++r) {
        const devices::TGatewayObject& g = gateways[r];
        if (g.hardwareAddress() != actGWObject_->hardwareAddress()) continue;
        if (g.info().real_ip_addr == actGWObject_->info().real_ip_addr) return r;
        if (!row) row = r;
    }
    return row;
}

std::optional<std::size_t> GatewayPage::rowOfServer(const devices::TGatewayList& gateways,
                                                    const devices::ServerFields& server,
                                                    const std::vector<ListedDevice>& listed) const {
    const auto station = knownStationOf(settings_, server, listed);
    const std::vector<devices::FoundGateway> found = devices::foundGateways(gateways);
    if (!station) {
        // A device not stored yet: the one gateway of its name that is no
        // station's.
        if (devices::gatewaysOfName(found, server.FName) != 1) return std::nullopt;
        for (std::size_t r = 0; r < found.size(); ++r) {
            if (!found[r].fromHere && config::sameStationName(found[r].name, server.FName) &&
                !stationKeeping(settings_, found[r].hardwareAddress))
                return r;
        }
        return std::nullopt;
    }
    // The first row whose gateway the rule gives the station; of two rows
    // that claim its hardware address, the one at the address it was
    // confirmed at, as the dialog refuses to give either anything.
    std::optional<std::size_t> row;
    for (std::size_t r = 0; r < found.size(); ++r) {
        if (stationBehindGateway(settings_, found[r], found) != station) continue;
        if (found[r].address == station->moxaIP) return r;
        if (!row) row = r;
    }
    return row;
}

}  // namespace oculon::settings
