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

struct SearchResult {
    bool ran = false;  // the library's search went through
    std::vector<DS_INFO> found;
};

// How long the search listens: -1 is the library's own time.
SearchResult searchGateways(const NeciApi& api, int time = -1) {
    SearchResult result;
    if (!api.EnumSearch) return result;
    tlsFound = &result.found;
    result.ran = api.EnumSearch(time, searchCallback) == 1;
    tlsFound = nullptr;
    return result;
}

// A gateway that answers at all answers a search at once; the wait for one
// that restarts asks again and again.
constexpr int kFindAgainMs = 500;

bool sameHardware(const DS_INFO& a, const DS_INFO& b) { return std::memcmp(a.mac, b.mac, sizeof a.mac) == 0; }

// The one of the same hardware address at the same address first: two
// devices may claim one hardware address.
const TGatewayObject* answeredBefore(const TGatewayList& earlier, const DS_INFO& info) {
    const TGatewayObject* found = nullptr;
    for (const TGatewayObject& gateway : earlier) {
        if (!gateway.answered() || !sameHardware(gateway.info(), info)) continue;
        if (gateway.info().real_ip_addr == info.real_ip_addr) return &gateway;
        if (!found) found = &gateway;
    }
    return found;
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

std::string macToStr(const std::uint8_t (&mac)[6]) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t byte : mac) {
        if (!text.empty()) text += ':';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
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
    : TGatewayObject(std::move(api), info, Unread{}) {
    getName();
}

TGatewayObject::TGatewayObject(std::shared_ptr<const NeciApi> api, const DS_INFO& info, Unread)
    : api_(std::move(api)), gwInfo(info), FIPAddress(ipToStr(info.pseudo_ip_addr)) {}

void TGatewayObject::foundAt(const DS_INFO& info) {
    gwInfo = info;
    FIPAddress = ipToStr(info.pseudo_ip_addr);
    FRestarted = false;
    FClaimedFrom.clear();
}

bool TGatewayObject::located() {
    if (!FRestarted && !disputed()) return true;
    // A device that took the address the gateway left must not hear its
    // password: only the hardware address tells the gateway, and only when
    // one address alone answers with it.
    std::vector<DS_INFO> claims;
    for (const DS_INFO& info : searchGateways(*api_, kFindAgainMs).found) {
        const bool known = std::any_of(claims.begin(), claims.end(),
                                       [&](const DS_INFO& c) { return c.real_ip_addr == info.real_ip_addr; });
        if (sameHardware(info, gwInfo) && !known) claims.push_back(info);
    }
    if (claims.size() == 1) {
        foundAt(claims.front());
        return true;
    }
    if (claims.size() > 1) {
        FClaimedFrom.clear();
        for (const DS_INFO& info : claims) FClaimedFrom.push_back(ipToStr(info.real_ip_addr));
        std::sort(FClaimedFrom.begin(), FClaimedFrom.end());
    }
    return false;
}

bool TGatewayObject::attached(bool bound, const std::function<void(int handle)>& read) {
    if (!api_ || !bound) return true;
    if (!located()) return false;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return false;
    FAnswered = true;
    read(attachment.handle());
    return true;
}

bool TGatewayObject::getName() {
    return attached(api_ && api_->GetName, [this](int h) { readName(h); });
}

bool TGatewayObject::getIpConfig() {
    return attached(api_ && api_->GetIPConfig, [this](int h) { readIpConfig(h); });
}

bool TGatewayObject::getIFConfig() {
    return attached(api_ && api_->GetIfConfig, [this](int h) { readIFConfig(h, false); });
}

bool TGatewayObject::getKrnlInfo() {
    return attached(api_ && api_->GetKernelInfo, [this](int h) { readKrnlInfo(h); });
}

bool TGatewayObject::readBack() {
    if (!api_ || !located()) return false;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return false;
    FAnswered = true;
    if (api_->GetName) readName(attachment.handle());
    if (api_->GetIfConfig) readIFConfig(attachment.handle(), true);
    if (api_->GetIPConfig) readIpConfig(attachment.handle());
    if (api_->GetKernelInfo) readKrnlInfo(attachment.handle());
    return true;
}

void TGatewayObject::readName(int handle) {
    char name[NECI_NAME_SIZE + 1] = {};
    FName = api_->GetName(handle, name) == 1 ? std::string(name, strnlen(name, NECI_NAME_SIZE)) : "";
}

void TGatewayObject::readIpConfig(int handle) {
    int mode = 0;
    FDHCP = api_->GetIPConfig(handle, 255, &mode) == 1 && mode == 1;
}

void TGatewayObject::readIFConfig(int handle, bool withAddress) {
    int count = 0;
    IFCONFIGINFO config{};
    if (api_->GetIfConfig(handle, 1, &count, &config) != 1 || count < 1) return;
    FNetmask = ipToStr(config.netmask);
    FGateway = ipToStr(config.gateway);
    FIPAddress = ipToStr(withAddress ? config.ipaddr : gwInfo.pseudo_ip_addr);
    FIFID = config.ifid;
}

void TGatewayObject::readKrnlInfo(int handle) {
    KERNELINFO kernel{};
    if (api_->GetKernelInfo(handle, &kernel) != 1) return;
    FFirmware = kernel.firm_version;
    FBIOS = kernel.bios_version;
    FHasPwd = kernel.flag == 1;
}

GatewayLogin TGatewayObject::checkPass() {
    if (!api_ || !api_->Login || !api_->Logout) return GatewayLogin::refused;
    if (!located()) return disputed() ? GatewayLogin::disputed : GatewayLogin::silent;
    Attachment attachment(*api_, gwInfo);
    if (!attachment) return GatewayLogin::silent;
    const int login = api_->Login(attachment.handle(), FPassword.c_str());
    if (login != 1) return login == NECI_NO_ANSWER ? GatewayLogin::silent : GatewayLogin::refused;
    api_->Logout(attachment.handle());
    return GatewayLogin::accepted;
}

GatewayOutcome TGatewayObject::change(const GatewayChange& wanted) {
    GatewayOutcome outcome{.notTaken = wanted};
    GatewayChange& notTaken = outcome.notTaken;
    // One per value to set: the call, what the object keeps once the gateway
    // saved it, and its removal from those not taken.
    struct Step {
        std::function<int(int handle)> set;
        std::function<void()> keep;
        std::function<void()> sent;
    };
    std::vector<Step> steps;
    if (api_) {
        const auto text = [&](std::optional<std::string> GatewayChange::*value, auto entry, auto keep) {
            if (!(wanted.*value) || !entry) return;
            const std::string v = *(wanted.*value);
            steps.push_back({[entry, v](int h) { return entry(h, v.c_str()); }, [keep, v] { keep(v); },
                             [&notTaken, value] { (notTaken.*value).reset(); }});
        };
        text(&GatewayChange::name, api_->SetName, [this](const std::string& v) { FName = v; });
        text(&GatewayChange::password, api_->SetPassword, [this](const std::string& v) {
            FPassword = v;
            FHasPwd = !v.empty();
        });
        // The address setters share one signature; a text that is no address
        // never reaches the library.
        const auto address = [&](std::optional<std::string> GatewayChange::*value, PFN_dsc_SetIP entry,
                                 std::string& field) {
            const auto& wantedText = wanted.*value;
            const auto parsed = wantedText ? strToIp(*wantedText) : std::nullopt;
            if (!parsed || !entry) return;
            steps.push_back({[this, entry, ip = *parsed](int h) { return entry(h, FIFID, ip); },
                             [&field, v = *wantedText] { field = v; },
                             [&notTaken, value] { (notTaken.*value).reset(); }});
        };
        address(&GatewayChange::address, api_->SetIP, FIPAddress);
        address(&GatewayChange::gateway, api_->SetGateway, FGateway);
        address(&GatewayChange::netmask, api_->SetNetmask, FNetmask);
        if (wanted.dhcp && api_->SetIPConfig) {
            const bool on = *wanted.dhcp;
            steps.push_back({[this, on](int h) { return api_->SetIPConfig(h, FIFID, on ? 1 : 0); },
                             [this, on] { FDHCP = on; }, [&notTaken] { notTaken.dhcp.reset(); }});
        }
    }
    if (steps.empty() || !api_->Login || !api_->Logout || !api_->SaveAndRestart) return outcome;
    if (!FHasPwd) FPassword.clear();
    if (!located()) {
        outcome.disputed = disputed();
        outcome.silent = !outcome.disputed;
        return outcome;
    }
    Attachment attachment(*api_, gwInfo);
    if (!attachment) {
        outcome.silent = true;
        return outcome;
    }
    const int login = api_->Login(attachment.handle(), FPassword.c_str());
    if (login != 1) {
        outcome.silent = login == NECI_NO_ANSWER;
        return outcome;
    }
    std::vector<const Step*> taken;
    for (const Step& step : steps) {
        const int set = step.set(attachment.handle());
        // Nothing more goes to a gateway that stopped answering; what it
        // took so far is lost with its next restart, as it was never saved.
        outcome.silent = set == NECI_NO_ANSWER;
        if (outcome.silent) break;
        if (set == 1) taken.push_back(&step);
    }
    // The password the session logged in with holds until the restart.
    const int saved = outcome.silent || taken.empty() ? 0 : api_->SaveAndRestart(attachment.handle());
    api_->Logout(attachment.handle());
    outcome.unconfirmed = saved == NECI_NO_ANSWER;
    if (saved == 1 || outcome.unconfirmed) {
        restarted();
        for (const Step* step : taken) {
            // An unconfirmed value is neither kept nor counted as refused.
            if (saved == 1) step->keep();
            step->sent();
        }
    }
    return outcome;
}

bool TGatewayObject::setIP(const std::string& address) { return change({.address = address}).taken(); }

bool TGatewayObject::setNetmask(const std::string& mask) { return change({.netmask = mask}).taken(); }

bool TGatewayObject::setGateway(const std::string& gateway) { return change({.gateway = gateway}).taken(); }

bool TGatewayObject::setDHCP(bool on) { return change({.dhcp = on}).taken(); }

bool TGatewayObject::setName(const std::string& name) { return change({.name = name}).taken(); }

bool TGatewayObject::setPassword(const std::string& password) { return change({.password = password}).taken(); }

void sortByAddress(TGatewayList& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const TGatewayObject& a, const TGatewayObject& b) { return a.IPAddress() < b.IPAddress(); });
}

void markDisputes(TGatewayList& list) {
    for (TGatewayObject& gateway : list) {
        std::vector<std::string> from;
        for (const TGatewayObject& other : list) {
            const std::string address = ipToStr(other.info().real_ip_addr);
            if (sameHardware(other.info(), gateway.info()) &&
                std::find(from.begin(), from.end(), address) == from.end())
                from.push_back(address);
        }
        // In the order the list shows them, whichever answered first.
        std::sort(from.begin(), from.end());
        gateway.claimedFrom(from.size() > 1 ? std::move(from) : std::vector<std::string>{});
    }
}

std::vector<FoundGateway> foundGateways(const TGatewayList& list) {
    std::vector<FoundGateway> found;
    found.reserve(list.size());
    for (const TGatewayObject& g : list)
        found.push_back({g.name(), ipToStr(g.info().real_ip_addr), g.hardwareAddress(), g.claimedFrom(), g.fromHere()});
    return found;
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

void moxaThread::readSettings(TGatewayObject& gateway) const {
    // Each unanswered request costs seconds: one that stops answering is
    // asked nothing more until the next round.
    if (Terminated() || !gateway.getIFConfig() || Terminated() || !gateway.getIpConfig() || Terminated()) return;
    gateway.getKrnlInfo();
}

TGatewayList moxaThread::search(const TGatewayList& earlier) {
    TGatewayList dsList;
    if (!api_) return dsList;
    const SearchResult searched = searchGateways(*api_);
    std::vector<std::string> here;
    for (const platform::LocalAdapter& adapter : platform::localIpv4Adapters()) here.push_back(adapter.address);
    const auto silentKey = [](const DS_INFO& info) { return macToStr(info.mac) + "@" + ipToStr(info.real_ip_addr); };
    // Read order: 0 answered before, 1 never asked, 2 never asked from an
    // address that answered with several hardware addresses (invented ones
    // come so), 3 silent when asked.
    const auto shared = [&](const DS_INFO& info) {
        return std::count_if(searched.found.begin(), searched.found.end(),
                             [&](const DS_INFO& other) { return other.real_ip_addr == info.real_ip_addr; }) > 1;
    };
    std::vector<std::pair<int, std::size_t>> order;
    for (const DS_INFO& info : searched.found) {
        const TGatewayObject* before = answeredBefore(earlier, info);
        TGatewayObject gateway = before ? *before : TGatewayObject(api_, info, TGatewayObject::Unread{});
        // What answered before shows its values at the address it answered
        // the search from.
        if (before) gateway.foundAt(info);
        gateway.answeredFromHere(std::find(here.begin(), here.end(), ipToStr(info.real_ip_addr)) != here.end());
        const bool silent = std::find(silent_.begin(), silent_.end(), silentKey(info)) != silent_.end();
        order.emplace_back(before ? 0 : silent ? 3 : shared(info) ? 2 : 1, dsList.size());
        dsList.push_back(std::move(gateway));
    }
    markDisputes(dsList);
    // No lock while reading: the list is this thread's own until it is
    // handed over, so the main thread never waits for a gateway's answers;
    // and what the search heard is known before any read.
    handOver(dsList, false);
    if (!searched.ran) return dsList;
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    const auto deadline = std::chrono::steady_clock::now() + kReadBudget;
    for (const auto& [rank, index] : order) {
        if (Terminated() || std::chrono::steady_clock::now() >= deadline) break;
        TGatewayObject& listed = dsList[index];
        TGatewayObject gateway(api_, listed.info());
        const std::string key = silentKey(listed.info());
        std::erase(silent_, key);
        if (!gateway.answered()) {
            // Asked last from now on; a list of its own size at most.
            if (silent_.size() < 4 * searched.found.size() + 16) silent_.push_back(key);
            continue;
        }
        readSettings(gateway);
        gateway.answeredFromHere(listed.fromHere());
        listed = std::move(gateway);
    }
    markDisputes(dsList);
    return dsList;
}

void moxaThread::handOver(TGatewayList list, bool tell) {
    sortByAddress(list);
    {
        std::lock_guard lock(kritischerAbschnitt);
        openList = std::move(list);
    }
    if (tell) platform::MainLoop::instance().post(winHandle_, platform::WM_MOXAEVENT);
}

void moxaThread::Execute() {
    TGatewayList earlier;
    while (!Terminated()) {
        TGatewayList dsList = search(earlier);
        if (Terminated()) break;
        earlier = dsList;
        handOver(std::move(dsList), true);
        sleepFor(interval_);
    }
}

}  // namespace oculon::devices
