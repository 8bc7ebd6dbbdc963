#pragma once
// Which stored station a device is: the one rule for the probes, the call
// dispatch, the settings dialog and its gateway page.
//
// A video server is its station's when it reports the station's name at the
// station's stored address and port. When that address answers with another
// name or not at all, and exactly one device answers with the station's name
// elsewhere, the station follows that device at once (a new lease from DHCP,
// or two devices that swapped leases). A device of another name at a
// station's address is not that station. "Answers" means: answered the
// latest search round; a list entry that went silent does not count.
//
// A gateway is its station's by the hardware address kept with the station;
// a station stored before that was kept goes by the name of the one gateway
// that carries it. A hardware address that two devices claim is trusted by
// nobody, and an answer from one of the workstation's own addresses is no
// gateway. Where the rule cannot tell, the dialog asks (`ask`) and the call
// dispatch tells the user; neither hands over credentials or a door command
// on a guess.

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "config/cfgUnit.h"

namespace oculon::devices {

struct ServerFields;

// A video server that answered the latest search round: "address:port" and
// the name it answered with.
struct ListedDevice {
    std::string key;
    std::string name;
};

struct StationChoice {
    config::TVideoConfig::StationPtr station;  // none: the device is a station of its own
    // The rule cannot tell whether the device is `station`'s: the dialog
    // asks the user, everything else gives it nothing of the station.
    bool ask = false;
    // What makes it doubtful: the device answers at the station's stored
    // address with another name (it may have been renamed elsewhere);
    // otherwise another device answers at that address, or a second device
    // answers with the station's name.
    bool atStoredAddress = false;
    // The station has no device the rule can tell: its address does not
    // answer with its name, and several devices answer with it elsewhere.
    bool unclaimed = false;
};

// The station of the video server at `address`:`port` called `name`, with
// `listed` the devices that answered the latest round (the device itself
// counts whether listed or not).
StationChoice stationOfServer(const config::TVideoConfig& settings, const std::string& address, const std::string& port,
                              const std::string& name, const std::vector<ListedDevice>& listed);
StationChoice stationOfServer(const config::TVideoConfig& settings, const ServerFields& server,
                              const std::vector<ListedDevice>& listed);

// The station stored for `address`:`port` under `name`, if any: all the
// rule grants before a search round has shown what else answers.
config::TVideoConfig::StationPtr stationAtItsAddress(const config::TVideoConfig& settings, const std::string& address,
                                                     const std::string& port, const std::string& name);

// The same without a question: none where the user would be asked.
config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings, const std::string& address,
                                                const std::string& port, const std::string& name,
                                                const std::vector<ListedDevice>& listed);
config::TVideoConfig::StationPtr knownStationOf(const config::TVideoConfig& settings, const ServerFields& server,
                                                const std::vector<ListedDevice>& listed);

// Whether `station` (a stored one, or a copy of it such as a window holds)
// is the stored station `stored`.
bool isStation(const config::TSingleConfig* stored, const config::TSingleConfig& station);

// A gateway as the latest gateway search found it.
struct FoundGateway {
    std::string name;
    std::string address;  // where it answered from
    std::string hardwareAddress;
    // Its hardware address answered from these addresses too: one of them
    // is not the gateway.
    std::vector<std::string> claimedFrom{};
    bool fromHere = false;  // it answered from one of the workstation's own addresses
    bool disputed() const { return claimedFrom.size() > 1; }
};

// The station that keeps the gateway hardware address `mac`, if any.
config::TVideoConfig::StationPtr stationKeeping(const config::TVideoConfig& settings, const std::string& mac);

// How many gateways of `found` carry `name` (each hardware address once;
// none that answered from the workstation itself).
std::size_t gatewaysOfName(const std::vector<FoundGateway>& found, const std::string& name);

// The station behind the gateway of hardware address `mac`: the one that
// keeps it; for settings stored without it, the station of the gateway's
// name, while that name is no other gateway's too (`gatewaysOfName`: how
// many carry it) and the station keeps no hardware address of another.
config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const std::string& mac,
                                                      const std::string& name, std::size_t gatewaysOfName);
config::TVideoConfig::StationPtr stationBehindGateway(const config::TVideoConfig& settings, const FoundGateway& gateway,
                                                      const std::vector<FoundGateway>& found);

// Whose call a gateway call from `sender` is, and where its door commands go.
struct GatewayCaller {
    enum class Doubt {
        none,
        unknown,     // no gateway of a station answered from there
        disputed,    // two devices claim the station's gateway hardware address
        anotherMac,  // a gateway of the station's name with another hardware address
        twoOfName,   // the station keeps no hardware address and two gateways carry its name
    };
    config::TVideoConfig::StationPtr station;  // the call's; none: it is not shown
    std::string doorAddress;                   // where its door commands go
    Doubt doubt = Doubt::unknown;
    // For the user: the calling gateway and, where it is doubtful, the
    // station it concerns.
    FoundGateway gateway;
    config::TVideoConfig::StationPtr concerned;
    std::string confirmedAt;  // disputed: where the station's gateway was confirmed before
};
// Where each station's gateway (by hardware address) last answered a search
// alone, or called: where it was confirmed.
using ConfirmedGateways = std::map<std::string, std::string>;

// A claimed hardware address is trusted only at the address the station's
// gateway was confirmed at before (`confirmed`, else the one stored with
// the station).
GatewayCaller gatewayCaller(const config::TVideoConfig& settings, const std::string& sender,
                            const std::vector<FoundGateway>& found, const ConfirmedGateways& confirmed = {});
// Notes in `confirmed` the gateways of stations that answered the search
// from one address alone, and not from the workstation itself.
void confirmGateways(const config::TVideoConfig& settings, const std::vector<FoundGateway>& found,
                     ConfirmedGateways& confirmed);

}  // namespace oculon::devices
