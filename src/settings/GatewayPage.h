#pragma once
// The gateway page: the grid of the gateways that the gateway search found,
// what a selected row shows (the gateway's own settings and the input and
// output texts of the station that carries its name), and the command
// frames with which the page sets the video output of the server behind it.

#include <optional>
#include <string>

#include "config/cfgUnit.h"
#include "devices/moxaGWSuche.h"
#include "settings/GridRows.h"
#include "settings/VideoServerConfiguration.h"

namespace oculon::settings {

// Address, name, gateway, netmask, DHCP and has-password ("True"/"False")
// per gateway, without the header; for one that never answered, its
// address and that it does not answer.
GridRows gatewayRows(const devices::TGatewayList& gateways, config::TSprachenTyp language);
// The header row.
GridRow gatewayHeader(config::TSprachenTyp language);

// "<Image>": what an input edit shows when the station has a picture for it.
std::string imageMarker(config::TSprachenTyp language);

// A frame of the command channel: 0x1F, the payload and the XOR of both.
std::string commandFrame(const std::string& payload);
// "V" n asks the video server behind the gateway to switch its output for
// the wiring test; "v" n (2 always, 3 during a voice connection) sets how
// it outputs video.
std::string videoStatus(int n);
std::string videoOnConfig(int n);

class GatewayPage {
public:
    explicit GatewayPage(const config::TVideoConfig& settings) : settings_(settings) {}

    // The row (from 0) of `gateways` became the selection. False for a row
    // beyond the list: the gateway is forgotten and `edits` stay as they
    // are. The gateway's own values are loaded only when its address
    // differs from the one loaded before; the station's inputs and outputs
    // always.
    bool select(int row, const devices::TGatewayList& gateways, GatewayEdits& edits, config::TSprachenTyp language);
    // The inputs and outputs (and the gateway password) of the station that
    // carries the name in `edits`: what the page edits goes to that station.
    void showStation(GatewayEdits& edits, config::TSprachenTyp language) const;
    // A save restarted the selected gateway: it is found again before
    // anything more goes to it.
    void gatewayRestarted();
    void clear();

    const std::optional<devices::TGatewayObject>& gateway() const { return actGWObject_; }
    const std::string& selectedAddress() const { return moxaSelectIP_; }

private:
    const config::TVideoConfig& settings_;
    std::optional<devices::TGatewayObject> actGWObject_;
    std::string moxaSelectIP_;
};

}  // namespace oculon::settings
