#pragma once
// The seams of KonfigSeams.h on the real devices: the discovery thread's
// list, a gateway through the gateway library, and CGI requests over the
// program's HTTP client with connect and read time-outs.

#include <chrono>

#include "devices/moxaGWSuche.h"
#include "platform/HttpClient.h"
#include "settings/KonfigSeams.h"

namespace oculon::devices {
class suchThread;
}

namespace oculon::settings {

class SuchThreadSource : public DiscoverySource {
public:
    explicit SuchThreadSource(devices::suchThread& thread) : thread_(thread) {}
    std::vector<FoundDevice> snapshot() const override;
    bool change(const std::string& key, const std::function<void(devices::ServerFields&)>& edit) override;
    std::vector<devices::telefonObjekt> telephones() const override;

private:
    devices::suchThread& thread_;
};

// A copy of a found gateway; its setters reach the device.
class GatewayObjectSettings : public GatewaySettings {
public:
    explicit GatewayObjectSettings(devices::TGatewayObject gateway) : gateway_(std::move(gateway)) {}
    std::string name() const override { return gateway_.name(); }
    std::string hardwareAddress() const override { return gateway_.hardwareAddress(); }
    std::vector<std::string> claimedFrom() const override { return gateway_.claimedFrom(); }
    bool fromHere() const override { return gateway_.fromHere(); }
    std::string address() const override { return gateway_.IPAddress(); }
    std::string gateway() const override { return gateway_.gateway(); }
    std::string netmask() const override { return gateway_.netmask(); }
    bool dhcp() const override { return gateway_.dhcp(); }
    bool hasPassword() const override { return gateway_.needPass(); }
    std::string password() const override { return gateway_.Password(); }
    void setLoginPassword(const std::string& password) override { gateway_.Password(password); }
    devices::GatewayLogin checkPassword() override { return gateway_.checkPass(); }
    devices::GatewayOutcome change(const devices::GatewayChange& wanted) override { return gateway_.change(wanted); }
    bool readBack() override { return gateway_.readBack(); }

    // The gateway as the run left it: where it is and what it holds.
    const devices::TGatewayObject& object() const { return gateway_; }

private:
    devices::TGatewayObject gateway_;
};

class HttpCgiClient : public CgiClient {
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{5000};
    static constexpr std::chrono::milliseconds kReadTimeout{15000};

    explicit HttpCgiClient(std::chrono::milliseconds connectTimeout = kConnectTimeout,
                           std::chrono::milliseconds readTimeout = kReadTimeout);
    CgiAnswer get(const CgiRequest& request) override;
    void interrupt() override { client_.interrupt(); }

private:
    platform::HttpClient client_;
};

}  // namespace oculon::settings
