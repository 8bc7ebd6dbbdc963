#pragma once
// What a probe thread is asked to look at: a manual camera entry, or a device
// record from an address, optionally with the name and the stream details
// that multicast DNS or the relay announced.

#include <functional>
#include <optional>
#include <string>

#include "config/ConfigEntries.h"
#include "devices/DiscoveryTelegrams.h"

namespace oculon::devices {

struct ProbeRequest {
    std::optional<config::TManualConfig> manual;  // a copy: the settings may change meanwhile
    paket record;
    std::string address;  // sender address of the device
    std::string name;     // empty: the record's own name
    int reduction = 0;    // width reduction in percent
    std::string path;     // announced stream path
    // Where the answer came from, when it named another address than its
    // own (multicast DNS); empty: from `address`.
    std::string sender;

    static ProbeRequest fromManual(const config::TManualConfig& entry) {
        ProbeRequest r;
        r.manual = entry;
        return r;
    }
    static ProbeRequest fromRecord(const paket& record, std::string address) {
        ProbeRequest r;
        r.record = record;
        r.address = std::move(address);
        return r;
    }
    static ProbeRequest fromName(std::string name, const paket& record, std::string address) {
        ProbeRequest r = fromRecord(record, std::move(address));
        r.name = std::move(name);
        return r;
    }
    static ProbeRequest fromAnnouncement(int reduction, std::string path, std::string name, const paket& record,
                                         std::string address) {
        ProbeRequest r = fromName(std::move(name), record, std::move(address));
        r.reduction = reduction;
        r.path = std::move(path);
        return r;
    }
};

// Starts a probe; the discovery side calls it from its listener threads.
using ProbeStarter = std::function<void(ProbeRequest)>;

}  // namespace oculon::devices
