#include "settings/GatewayPage.h"

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

bool GatewayPage::select(int row, const devices::TGatewayList& gateways, GatewayEdits& e,
                         config::TSprachenTyp language) {
    if (row < 0 || static_cast<std::size_t>(row) >= gateways.size()) {
        actGWObject_.reset();
        return false;
    }
    const devices::TGatewayObject& found = gateways[static_cast<std::size_t>(row)];
    // A gateway that answers at last shows its values in place of the address alone.
    if (found.IPAddress() != moxaSelectIP_ || !actGWObject_ || found.answered() != actGWObject_->answered()) {
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
        // a station of its name holds one.
        e.pass.clear();
        e.passConfirm.clear();
    }
    e.selected = true;
    showStation(e, language);
    return true;
}

void GatewayPage::showStation(GatewayEdits& e, config::TSprachenTyp language) const {
    if (const auto station = settings_.getConfigByName(e.name)) {
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

void GatewayPage::gatewayRestarted() {
    if (actGWObject_) actGWObject_->restarted();
}

void GatewayPage::clear() {
    actGWObject_.reset();
    moxaSelectIP_.clear();
}

}  // namespace oculon::settings
