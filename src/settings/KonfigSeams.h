#pragma once
// What the settings dialog's logic works with, seen through small
// interfaces: the discovery list, the gateway in front of a video server,
// and the HTTP client that sends a video server its configuration. The
// program fills them with the discovery thread, the gateway library and the
// network; tests with fakes and a loopback server.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "devices/GatewayChange.h"
#include "devices/TelefonTelegram.h"
#include "devices/serverObjekt.h"

namespace oculon::settings {

// A copy of one entry of the discovery list.
struct FoundDevice {
    std::string key;  // address ":" port
    devices::ServerFields fields;
    std::shared_ptr<const video::Image> picture;  // the probe picture's preview; none without one
};

class DiscoverySource {
public:
    virtual ~DiscoverySource() = default;
    // Copies of the entries, in list order, taken under the list's lock.
    virtual std::vector<FoundDevice> snapshot() const = 0;
    // Changes the listed object of `key` under the lock; false when none is.
    virtual bool change(const std::string& key, const std::function<void(devices::ServerFields&)>& edit) = 0;

    // Copies of the door intercoms heard, in address order.
    virtual std::vector<devices::telefonObjekt> telephones() const { return {}; }

    std::optional<FoundDevice> find(const std::string& key) const;
};

// The gateway that sits in front of the selected video server.
class GatewaySettings {
public:
    virtual ~GatewaySettings() = default;
    virtual std::string name() const = 0;
    // What the gateway is known by: its hardware address, "00:90:e8:00:00:01".
    virtual std::string hardwareAddress() const = 0;
    // The addresses that answered with its hardware address, when more than
    // one did: nothing with a password goes to either.
    virtual std::vector<std::string> claimedFrom() const = 0;
    // It answered from one of the workstation's own addresses: no station's.
    virtual bool fromHere() const { return false; }
    virtual std::string address() const = 0;
    virtual std::string gateway() const = 0;
    virtual std::string netmask() const = 0;
    virtual bool dhcp() const = 0;
    virtual bool hasPassword() const = 0;
    // The password the program logs in with, and whether the device takes it.
    virtual std::string password() const = 0;
    virtual void setLoginPassword(const std::string& password) = 0;
    virtual devices::GatewayLogin checkPassword() = 0;

    // Gives the device the values, which it saves with one restart; the
    // outcome holds those it did not take and whether it confirmed the save.
    virtual devices::GatewayOutcome change(const devices::GatewayChange& wanted) = 0;
    // Reads again what the device holds; false when it does not answer.
    virtual bool readBack() = 0;
};

// One GET to a CGI program of a video server.
struct CgiRequest {
    std::string host;
    std::uint16_t port = 80;
    std::string target;  // "/" cgi "?" parameters
    bool basic = false;  // Basic credentials with the request
    std::string user;
    std::string password;
};

struct CgiAnswer {
    bool ok = false;  // 2xx, or the device's 302
    bool unauthorized = false;
    std::string message;  // what went wrong: the status line or the network's reason
    int status = 0;       // the HTTP status; 0 when none came
};

class CgiClient {
public:
    virtual ~CgiClient() = default;
    virtual CgiAnswer get(const CgiRequest& request) = 0;
    // Any thread: breaks off the running request and every later one.
    virtual void interrupt() = 0;
};

// Milliseconds of a monotonic clock, differences modulo 2^32.
using TickClock = std::function<std::uint32_t()>;

}  // namespace oculon::settings
