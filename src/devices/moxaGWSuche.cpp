#include "devices/moxaGWSuche.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/Net.h"

namespace oculon::devices {

namespace {

// The search callback has no context argument; the searching thread finds
// its collection here.
thread_local std::vector<DS_INFO>* tlsFound = nullptr;

int searchCallback(DS_INFO* info) {
    if (!info) return 0;
    if (tlsFound && info->apid == kGatewayApplication) tlsFound->push_back(*info);
    return 1;
}

}  // namespace

std::string ipToStr(std::uint32_t address) {
    std::string text;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet) text += '.';
        text += std::to_string((address >> (8 * octet)) & 0xFF);
    }
    return text;
}

std::optional<std::uint32_t> strToIp(const std::string& text) {
    const auto parsed = platform::parseIpv4(text);
    if (!parsed) return std::nullopt;
    std::uint8_t octets[4];
    std::memcpy(octets, &parsed->s_addr, 4);  // network order: first octet first
    return static_cast<std::uint32_t>(octets[0]) | static_cast<std::uint32_t>(octets[1]) << 8 |
           static_cast<std::uint32_t>(octets[2]) << 16 | static_cast<std::uint32_t>(octets[3]) << 24;
}

// One attachment to a gateway, detached when it goes.
class TGatewayObject::Attachment {
public:
    Attachment(const NeciApi& api, const DS_INFO& info) : api_(api) {
        attached_ = api.Attach && api.Detach && api.Attach(&info, &handle_) == 1;
    }
    ~Attachment() {
        if (attached_) api_.Detach(handle_);
    }
    Attachment(const Attachment&) = delete;
    Attachment& operator=(const Attachment&) = delete;

    explicit operator bool() const { return attached_; }
    int handle() const { return handle_; }

private:
    const NeciApi& api_;
    int handle_ = 0;
    bool attached_ = false;
};

TGatewayObject::TGatewayObject(std::shared_ptr<const NeciApi> api, const DS_INFO& info)
    : api_(std::move(api)), gwInfo(info), FIPAddress(ipToStr(info.pseudo_ip_addr)) {
    getName();
}

void TGatewayObject::getName() {
    if (!api_ || !api_->GetName) return;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return;
    char name[NECI_NAME_SIZE + 1] = {};
    FName = api_->GetName(attachment.handle(), name) == 1 ? std::string(name, strnlen(name, NECI_NAME_SIZE)) : "";
}

void TGatewayObject::getIpConfig() {
    if (!api_ || !api_->GetIPConfig) return;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return;
    int mode = 0;
    FDHCP = api_->GetIPConfig(attachment.handle(), 255, &mode) == 1 && mode == 1;
}

void TGatewayObject::getIFConfig() {
    if (!api_ || !api_->GetIfConfig) return;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return;
    int count = 0;
    IFCONFIGINFO config{};
    if (api_->GetIfConfig(attachment.handle(), 1, &count, &config) != 1 || count < 1) return;
    FNetmask = ipToStr(config.netmask);
    FGateway = ipToStr(config.gateway);
    FIPAddress = ipToStr(gwInfo.pseudo_ip_addr);
    FIFID = config.ifid;
}

void TGatewayObject::getKrnlInfo() {
    if (!api_ || !api_->GetKernelInfo) return;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return;
    KERNELINFO kernel{};
    if (api_->GetKernelInfo(attachment.handle(), &kernel) != 1) return;
    FFirmware = kernel.firm_version;
    FBIOS = kernel.bios_version;
    FHasPwd = kernel.flag == 1;
}

bool TGatewayObject::checkPass() const {
    if (!api_ || !api_->Login || !api_->Logout) return false;
    Attachment attachment(*api_, gwInfo);
    if (!attachment || api_->Login(attachment.handle(), FPassword.c_str()) != 1) return false;
    api_->Logout(attachment.handle());
    return true;
}

GatewayChange TGatewayObject::change(const GatewayChange& wanted) {
    GatewayChange refused = wanted;
    // One per value to set: the call, and what follows once the gateway saved it.
    struct Step {
        std::function<int(int handle)> set;
        std::function<void()> keep;
    };
    std::vector<Step> steps;
    if (api_) {
        const auto text = [&](const std::optional<std::string>& value, auto entry, auto keep) {
            if (value && entry)
                steps.push_back(
                    {[entry, v = *value](int h) { return entry(h, v.c_str()); }, [keep, v = *value] { keep(v); }});
        };
        text(wanted.name, api_->SetName, [this, &refused](const std::string& v) {
            FName = v;
            refused.name.reset();
        });
        text(wanted.password, api_->SetPassword, [this, &refused](const std::string& v) {
            FPassword = v;
            FHasPwd = !v.empty();
            refused.password.reset();
        });
        // The address setters share one signature; a text that is no address
        // never reaches the library.
        const auto address = [&](std::optional<std::string> GatewayChange::*value, PFN_dsc_SetIP entry,
                                 std::string& field) {
            const auto& wantedText = wanted.*value;
            const auto parsed = wantedText ? strToIp(*wantedText) : std::nullopt;
            if (!parsed || !entry) return;
            steps.push_back({[this, entry, ip = *parsed](int h) { return entry(h, FIFID, ip); },
                             [&refused, &field, value, v = *wantedText] {
                                 field = v;
                                 (refused.*value).reset();
                             }});
        };
        address(&GatewayChange::address, api_->SetIP, FIPAddress);
        address(&GatewayChange::gateway, api_->SetGateway, FGateway);
        address(&GatewayChange::netmask, api_->SetNetmask, FNetmask);
        if (wanted.dhcp && api_->SetIPConfig) {
            const bool on = *wanted.dhcp;
            steps.push_back({[this, on](int h) { return api_->SetIPConfig(h, FIFID, on ? 1 : 0); },
                             [this, &refused, on] {
                                 FDHCP = on;
                                 refused.dhcp.reset();
                             }});
        }
    }
    if (steps.empty() || !api_->Login || !api_->Logout || !api_->SaveAndRestart) return refused;
    if (!FHasPwd) FPassword.clear();
    Attachment attachment(*api_, gwInfo);
    if (!attachment || api_->Login(attachment.handle(), FPassword.c_str()) != 1) return refused;
    std::vector<const Step*> taken;
    for (const Step& step : steps) {
        if (step.set(attachment.handle()) == 1) taken.push_back(&step);
    }
    // The password the session logged in with holds until the restart.
    const bool saved = !taken.empty() && api_->SaveAndRestart(attachment.handle()) == 1;
    api_->Logout(attachment.handle());
    if (saved) {
        for (const Step* step : taken) step->keep();
    }
    return refused;
}

bool TGatewayObject::setIP(const std::string& address) { return change({.address = address}).empty(); }

bool TGatewayObject::setNetmask(const std::string& mask) { return change({.netmask = mask}).empty(); }

bool TGatewayObject::setGateway(const std::string& gateway) { return change({.gateway = gateway}).empty(); }

bool TGatewayObject::setDHCP(bool on) { return change({.dhcp = on}).empty(); }

bool TGatewayObject::setName(const std::string& name) { return change({.name = name}).empty(); }

bool TGatewayObject::setPassword(const std::string& password) { return change({.password = password}).empty(); }

void sortByAddress(TGatewayList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const TGatewayObject& a, const TGatewayObject& b) { return a.IPAddress() < b.IPAddress(); });
}

moxaThread::moxaThread(platform::TargetId winHandle) : moxaThread(winHandle, NeciLibrary::load()) {}

moxaThread::moxaThread(platform::TargetId winHandle, std::shared_ptr<const NeciApi> api,
                       std::chrono::milliseconds interval)
    : Thread("moxaSucher"), winHandle_(winHandle), api_(std::move(api)), interval_(interval) {}

moxaThread::~moxaThread() {
    // Every library call ends within its own time-outs, so this wait is
    // bounded.
    Terminate();
    WaitFor(std::chrono::hours(1));
}

TGatewayList moxaThread::gateways() const {
    std::lock_guard lock(kritischerAbschnitt);
    return openList;
}

TGatewayList moxaThread::search() {
    TGatewayList dsList;
    if (!api_ || !api_->EnumSearch) return dsList;
    std::vector<DS_INFO> found;
    tlsFound = &found;
    const int searched = api_->EnumSearch(-1, searchCallback);
    tlsFound = nullptr;
    for (const auto& info : found) dsList.emplace_back(api_, info);
    if (searched != 1) return dsList;
    // No lock here: the list is this thread's own until it is handed over,
    // so the main thread never waits for a gateway's answers.
    for (auto& gateway : dsList) {
        if (Terminated()) break;
        gateway.getName();
        gateway.getIFConfig();
        gateway.getIpConfig();
        gateway.getKrnlInfo();
    }
    return dsList;
}

void moxaThread::Execute() {
    while (!Terminated()) {
        TGatewayList dsList = search();
        if (Terminated()) break;
        sortByAddress(dsList);
        {
            std::lock_guard lock(kritischerAbschnitt);
            openList = std::move(dsList);
        }
        platform::MainLoop::instance().post(winHandle_, platform::WM_MOXAEVENT);
        sleepFor(interval_);
    }
}

}  // namespace oculon::devices
