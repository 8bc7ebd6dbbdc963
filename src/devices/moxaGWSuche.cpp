#include "devices/moxaGWSuche.h"

#include <algorithm>
#include <cstring>

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

template <typename Call>
bool TGatewayObject::changeSetting(Call call) {
    if (!FHasPwd) FPassword.clear();
    if (!api_ || !api_->Login || !api_->Logout) return false;
    Attachment attachment(*api_, gwInfo);
    if (!attachment || api_->Login(attachment.handle(), FPassword.c_str()) != 1) return false;
    const bool stored = call(attachment.handle()) == 1;
    if (stored && api_->SaveAndRestart) api_->SaveAndRestart(attachment.handle());
    api_->Logout(attachment.handle());
    return stored;
}

bool TGatewayObject::setAddress(PFN_dsc_SetIP entry, const std::string& text, std::string& field) {
    const auto value = strToIp(text);
    if (!value || !entry) return false;
    if (!changeSetting([&](int handle) { return entry(handle, FIFID, *value); })) return false;
    field = text;
    return true;
}

bool TGatewayObject::setIP(const std::string& address) { return api_ && setAddress(api_->SetIP, address, FIPAddress); }

bool TGatewayObject::setNetmask(const std::string& mask) {
    return api_ && setAddress(api_->SetNetmask, mask, FNetmask);
}

bool TGatewayObject::setGateway(const std::string& gateway) {
    return api_ && setAddress(api_->SetGateway, gateway, FGateway);
}

bool TGatewayObject::setDHCP(bool on) {
    if (!api_ || !api_->SetIPConfig) return false;
    if (!changeSetting([&](int handle) { return api_->SetIPConfig(handle, FIFID, on ? 1 : 0); })) return false;
    FDHCP = on;
    return true;
}

bool TGatewayObject::setName(const std::string& name) {
    if (!api_ || !api_->SetName) return false;
    if (!changeSetting([&](int handle) { return api_->SetName(handle, name.c_str()); })) return false;
    FName = name;
    return true;
}

bool TGatewayObject::setPassword(const std::string& password) {
    if (!api_ || !api_->SetPassword) return false;
    if (!changeSetting([&](int handle) { return api_->SetPassword(handle, password.c_str()); })) return false;
    FPassword = password;
    FHasPwd = !password.empty();
    return true;
}

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
