#pragma once
// Stand-ins for the settings dialog's seams: a discovery list held in a
// vector and the way to put found devices and heard intercoms into it, and
// a video server that takes every configuration request.

#include <algorithm>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "platform/Registry.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings::test {

inline config::TVideoConfig memorySettings() {
    return config::TVideoConfig{std::make_shared<platform::MemoryRegistryStore>()};
}

// The station of a video server or camera.
inline config::TSingleConfig station(const std::string& name, config::TVideoServerType type, const std::string& address,
                                     const std::string& port = "80") {
    config::TSingleConfig s;
    s.Name = name;
    s.typ = type;
    s.Ip = address;
    s.Port = port;
    return s;
}

class FakeDiscovery : public DiscoverySource {
public:
    std::vector<FoundDevice> snapshot() const override { return devices; }
    bool change(const std::string& key, const std::function<void(devices::ServerFields&)>& edit) override {
        const auto it =
            std::find_if(devices.begin(), devices.end(), [&](const FoundDevice& d) { return d.key == key; });
        if (it == devices.end()) return false;
        edit(it->fields);
        return true;
    }
    std::vector<devices::telefonObjekt> telephones() const override { return phones; }

    // A device that fetched its probe picture.
    devices::ServerFields& add(const std::string& address, const std::string& port, const std::string& name,
                               config::TVideoServerType type = config::KorvatServer) {
        FoundDevice d;
        d.key = address + ":" + port;
        d.fields.FTyp = type;
        d.fields.FIpAdresse = address;
        d.fields.FPort = port;
        d.fields.FName = name;
        d.fields.FSubnet = "255.255.255.0";
        d.fields.FGateway = "10.77.0.254";
        d.fields.FAdminPass = "8516";
        d.fields.FWhileConfig = true;
        devices.push_back(std::move(d));
        return devices.back().fields;
    }

    devices::telefonObjekt& addPhone(const std::string& address, const std::string& name,
                                     config::TTelefonTyp type = config::KorvatV1) {
        devices::telefonObjekt& t = phones.emplace_back();
        t.FIpAdresse = address;
        t.FName = name;
        t.FTyp = type;
        return t;
    }

    std::vector<FoundDevice> devices;
    std::vector<devices::telefonObjekt> phones;
};

// Keeps the targets of the requests; the configuration run sends them from
// its worker.
class RecordingCgi : public CgiClient {
public:
    explicit RecordingCgi(std::shared_ptr<std::vector<std::string>> targets) : targets_(std::move(targets)) {}
    CgiAnswer get(const CgiRequest& request) override {
        static std::mutex mutex;
        std::lock_guard lock(mutex);
        targets_->push_back(request.target);
        return {true, false, {}};
    }
    void interrupt() override {}

private:
    std::shared_ptr<std::vector<std::string>> targets_;
};

}  // namespace oculon::settings::test
