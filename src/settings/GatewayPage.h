#pragma once
// The gateway page: the grid of the gateways that the gateway search found,
// what a selected row shows (the gateway's own settings and the input and
// output texts of the station that carries its name), and the command
// frames with which the page sets the video output of the server behind it.

#include <optional>
#include <string>

#include "config/cfgUnit.h"
#include "devices/moxaGWSuche.h"
#include "settings/DeviceStations.h"
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

// How many gateways of `gateways` carry `name`.
std::size_t gatewaysNamed(const devices::TGatewayList& gateways, const std::string& name);

class GatewayPage {
public:
    explicit GatewayPage(const config::TVideoConfig& settings) : settings_(settings) {}

    // The row (from 0) of `gateways` became the selection. False for a row
    // beyond the list: the gateway is forgotten and `edits` stay as they
    // are. The gateway's own values are loaded only when it is another
    // gateway than the one loaded before (another hardware address or
    // address); the station's inputs and outputs always.
    bool select(int row, const devices::TGatewayList& gateways, GatewayEdits& edits, config::TSprachenTyp language);
    // The inputs and outputs (and the gateway password) of `station` (none:
    // empty): what the page edits goes to that station.
    void showStation(GatewayEdits& edits, const config::TVideoConfig::StationPtr& station,
                     config::TSprachenTyp language) const;
    // The station behind the gateway `gateway` of `gateways`, which the page
    // names `name` (for settings stored without its hardware address).
    config::TVideoConfig::StationPtr stationBehind(const devices::TGatewayObject& gateway, const std::string& name,
                                                   const devices::TGatewayList& gateways) const;
    // A configuration run gave the selected gateway new values (and
    // restarted it): the page goes on with the run's copy, which knows
    // where the gateway went and finds it again before anything more goes
    // to it.
    void ranWith(const devices::TGatewayObject& gateway);
    void clear();

    // The row of `gateways` that is the selected gateway (by its hardware
    // address; at the same address first, where two claim it); none when
    // no gateway is selected or it is not listed.
    std::optional<std::size_t> rowOfSelected(const devices::TGatewayList& gateways) const;
    // The row of the gateway in front of `server`, by the rule of
    // devices/DeviceStations.h: the one whose hardware address its station
    // keeps (of two rows that claim it, the one where it was confirmed);
    // for a station stored without it, or a device not stored yet, the one
    // gateway of the name. None when there is no such gateway, or two of
    // the name.
    std::optional<std::size_t> rowOfServer(const devices::TGatewayList& gateways, const devices::ServerFields& server,
                                           const std::vector<ListedDevice>& listed) const;

    const std::optional<devices::TGatewayObject>& gateway() const { return actGWObject_; }
    const config::TVideoConfig& settings() const { return settings_; }

private:
    const config::TVideoConfig& settings_;
    std::optional<devices::TGatewayObject> actGWObject_;
    std::string moxaSelectIP_;
};

}  // namespace oculon::settings
