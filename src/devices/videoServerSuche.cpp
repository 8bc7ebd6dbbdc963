#include "devices/videoServerSuche.h"

#include <thread>

#include "config/CameraTypes.h"
#include "config/cfgUnit.h"
#include "devices/DiscoveryTelegrams.h"
#include "devices/MDNSAnnouncement.h"
#include "devices/MDNSResolver.h"
#include "devices/TAxisThread.h"
#include "devices/TelefonTelegram.h"
#include "devices/TickCount.h"
#include "devices/configureThread.h"
#include "devices/serverObjekt.h"
#include "devices/tcpClientThread.h"
#include "platform/Log.h"
#include "platform/Net.h"
#include "platform/TcpClient.h"
#include "platform/UdpSocket.h"

namespace oculon::devices {

namespace {

constexpr std::size_t kListenerBuffer = 8182;
constexpr std::chrono::milliseconds kPause{1};
constexpr const char* kServiceTypes[] = {"_http._tcp.local", "_axis-video._tcp.local", "_korvat-video._tcp.local"};

}  // namespace

suchThread::suchThread(Options options)
    : platform::Thread("serverSucher"),
      options_(std::move(options)),
      clock_(options_.clock ? options_.clock : RateLimiter::Clock(&tickCount)),
      // A probe learns what the list holds as it begins: it may outlive
      // this thread. Probes start from its listeners and its loop only,
      // never under the list's lock.
      startProbe_(options_.startProbe ? options_.startProbe
                                      : configureThread::starter(options_.winHandle,
                                                                 [this] {
                                                                     DeviceContext context = DeviceContext::process();
                                                                     context.listed = listedServers();
                                                                     context.listedComplete = passesBegun_ >= 2;
                                                                     return context;
                                                                 })),
      handlers_({options_.winHandle, options_.rebootLock ? options_.rebootLock : config::rebootSperre, &telefone_,
                 startProbe_, clock_}),
      puffer(searchTelegram()),
      puffer2(textQuery()) {}

suchThread::~suchThread() {
    Terminate();
    WaitFor(std::chrono::hours(1));  // every wait of the loop is bounded
    // A loop that never ran leaves nothing open; one that ran closed it all.
    deactivateIP();
    stopRelay();
    // Every monitor is told first, so they wind down together.
    DiscoveryLists lists;
    {
        std::lock_guard lock(kritischerAbschnitt);
        lists = std::move(lists_);
    }
    for (auto& [address, monitor] : lists.axisThreads) monitor->Terminate();
}

config::TVideoConfig* suchThread::settings() const {
    return options_.settings ? options_.settings : config::videoConfig;
}

bool suchThread::useServer() const {
    const auto* s = settings();
    return s && s->useServer();
}

void suchThread::cfgUseServer() { reactivate_ = true; }

void suchThread::suspendWork() {
    std::lock_guard lock(suspendMutex_);
    suspended_ = true;
}

void suchThread::resumeWork() {
    std::lock_guard lock(suspendMutex_);
    suspended_ = false;
    resumed_.notify_all();
}

void suchThread::interrupt() {
    {
        std::lock_guard lock(suspendMutex_);
        resumed_.notify_all();
    }
    std::lock_guard lock(connectMutex_);
    if (connecting_) connecting_->interrupt();
}

void suchThread::post(std::uint32_t message, std::uintptr_t wParam) {
    platform::MainLoop::instance().post(options_.winHandle, message, wParam);
}

void suchThread::Execute() {
    // Listening starts at once: a telephone tells its call only once.
    if (!useServer()) openListeners();
    if (sleepFor(options_.startDelay)) {
        while (!Terminated() && !ipActivated) {
            try {
                activateIP();
            } catch (const std::exception& e) {
                log::warning(log::Category::devices, "serverSucher: %s", e.what());
            }
            if (!ipActivated) sleepFor(std::chrono::milliseconds(1000));
        }
    }
    int tick = 0;
    int pass = 0;
    while (!Terminated()) {
        {
            std::unique_lock lock(suspendMutex_);
            resumed_.wait(lock, [this] { return !suspended_ || Terminated(); });
        }
        // A changed relay setting is picked up even without cfgUseServer.
        if (reactivate_.exchange(false) || (ipActivated && activatedForRelay_ != useServer())) deactivateIP();
        if (!ipActivated) {
            try {
                activateIP();
            } catch (const std::exception&) {
                // Tried again on the next tick.
            }
            sleepFor(std::chrono::milliseconds(100));
        } else {
            agingPass();
            // A port let go of is taken within a tick.
            if (!heldPorts_.empty()) openListeners();
            if (!activatedForRelay_ && addressWatch_.changed()) {
                // A new address is searched from at once, not a pass later.
                const auto added = fillBroadcastIPList();
                if (!added.empty()) tellReach(reach_.sentBetween(sendSearch(&added)));
            }
            if (tick == 0) {
                // Counted before anything goes out: an answer finds its pass counted.
                if (passesBegun_ < 2) ++passesBegun_;
                // A round asks every source once: multicast DNS and the
                // manual cameras are asked every other pass only, and a
                // device heard only there must not drop out between.
                if (pass == 0) handlers_.rounds().beginRound();
                if (activatedForRelay_) relayPass();
                else broadcastPass();
                if (pass == 0) dnsAndManualPass(!activatedForRelay_);
                pass = (pass + 1) % 2;
            }
        }
        sleepFor(kTick);
        tick = (tick + 1) % kTicksPerPass;
    }
    deactivateIP();
    stopRelay();
}

void suchThread::activateIP() {
    activatedForRelay_ = useServer();
    if (activatedForRelay_) {
        // Only the relay link: it is opened by the work pass.
        closeListeners();
        ipActivated = true;
        return;
    }
    if (!DNSResolver) {
        auto resolver = std::make_unique<TMIdDNSResolver>();
        resolver->setQueryRecords({TQueryRecordTypes::qtPTR});
        resolver->setAllowRecursiveQueries(false);
        resolver->setOnResolveRead(
            [this](TMIdDNSResolver&, const TMQueryResult& r, const std::string& from) { DNSResultRead(r, from); });
        DNSResolver = std::move(resolver);
    }
    fillBroadcastIPList();
    openListeners();
    ipActivated = true;
}

void suchThread::openListeners() {
    const auto dispatch = [this](void (DiscoveryHandlers::*read)(std::string_view, const std::string&)) {
        return [this, read](const platform::Datagram& d) { (handlers_.*read)(d.data, d.peerAddress); };
    };
    const std::pair<std::uint16_t, platform::UdpListener::Handler> listeners[] = {
        {kSearchPort2, dispatch(&DiscoveryHandlers::UDPEmpfaengerRead)},
        {kStatePort, dispatch(&DiscoveryHandlers::UDPEmpfaengerRead2)},
        {kSearchPort, dispatch(&DiscoveryHandlers::UDPEmpfaengerRead)},
        {kTextReplyPort, dispatch(&DiscoveryHandlers::UDPEmpfaengerReadKorvat)},
        {kTelefonPort, dispatch(&DiscoveryHandlers::UDPEmpfaengerReadTel)},
    };
    for (const auto& [port, handler] : listeners) {
        if (listeners_.contains(port)) continue;
        try {
            platform::UdpSocket socket;
            socket.bind("", port);
            // After a stop, a telephone's call and its end may wait together.
            listeners_[port] = std::make_unique<platform::UdpListener>(
                std::move(socket), handler, "UDP " + std::to_string(port), kListenerBuffer,
                port == kTelefonPort ? platform::UdpListener::BacklogFilter(&dropEndedCalls) : nullptr);
            if (heldPorts_.erase(port) > 0) post(platform::WM_LISTENERPORT, platform::listenerPortParam(port, false));
        } catch (const platform::NetError& e) {
            // Told once, not at every retry.
            if (!heldPorts_.insert(port).second) continue;
            log::warning(log::Category::devices, "serverSucher: no listener on port %u: %s", port, e.what());
            post(platform::WM_LISTENERPORT, platform::listenerPortParam(port, true));
        }
    }
}

void suchThread::deactivateIP() {
    ipActivated = false;
    DNSResolver.reset();
    UDPSenderList.clear();
    closeListeners();
    // A search that stopped no longer misses the network.
    tellReach(reach_.reset());
}

void suchThread::closeListeners() {
    listeners_.clear();
    // A port not listened on is no longer missed.
    for (const std::uint16_t port : heldPorts_)
        post(platform::WM_LISTENERPORT, platform::listenerPortParam(port, false));
    heldPorts_.clear();
}

std::vector<std::string> suchThread::fillBroadcastIPList() {
    const auto adapters = platform::localIpv4Adapters();
    if (DNSResolver) DNSResolver->followAdapters(adapters);
    return UDPSenderList.follow(adapters);
}

int suchThread::sendSearch(const std::vector<std::string>* only) {
    const SearchSenders::Telegram telegrams[] = {
        {kSearchPort, puffer}, {kSearchPort2, puffer}, {kTextQueryPort, puffer2}};
    return UDPSenderList.send(telegrams, only);
}

void suchThread::tellReach(std::optional<bool> blocked) {
    if (!blocked) return;
    if (*blocked) {
        const char* why = UDPSenderList.empty() ? "no local address" : "every send fails";
        log::warning(log::Category::devices, "serverSucher: the search reaches no network (%s) until it changes", why);
    } else {
        log::warning(log::Category::devices, "serverSucher: the search reaches the network again");
    }
    post(platform::WM_SEARCHREACH, *blocked);
}

void suchThread::agingPass() {
    const std::uint32_t now = clock_();
    const auto expired = [now](std::uint32_t stamp) { return static_cast<std::uint32_t>(now - stamp) > kMaxAgeMs; };
    std::vector<std::unique_ptr<TAxisThread>> stopped;
    int serversGone = 0;
    {
        std::lock_guard lock(kritischerAbschnitt);
        for (auto it = lists_.servers.begin(); it != lists_.servers.end();) {
            const serverObjekt& server = *it->second;
            if (!expired(server.timing())) {
                ++it;
                continue;
            }
            if (config::cameraTraits(server.typ()).monitorEndsWithEntry) {
                if (auto monitor = lists_.axisThreads.find(server.IPAdresse()); monitor != lists_.axisThreads.end()) {
                    monitor->second->Terminate();  // closes its connection
                    stopped.push_back(std::move(monitor->second));
                    lists_.axisThreads.erase(monitor);
                }
            }
            it = lists_.servers.erase(it);
            ++serversGone;
        }
    }
    // Joined outside the lock, which the main thread needs meanwhile.
    stopped.clear();
    for (int i = 0; i < serversGone; ++i) post(platform::WM_UPDATEEVENT);
    // Telephones are not aged: nothing asks them, and they speak only when
    // something happens at their door, so silence says nothing about
    // whether one is still there.
}

void suchThread::broadcastPass() {
    stopRelay();
    post(platform::WM_TCPUPDATEEVENT, 3);
    // Read again every pass too: where the kernel's notices do not come.
    fillBroadcastIPList();
    tellReach(reach_.roundEnded(sendSearch()));
}

void suchThread::relayPass() {
    const auto* s = settings();
    if (!s) return;
    const std::string host = s->serverIP();
    const std::int32_t port = s->serverPort();
    if (relay_ && relay_->connected() && (relay_->host() != host || relay_->port() != port)) stopRelay();
    if (!relay_ || !relay_->connected()) {
        stopRelay();  // the thread of a lost link has ended
        if (port > 0 && port <= 0xFFFF) {
            auto client = std::make_unique<platform::TcpClient>();
            {
                std::lock_guard lock(connectMutex_);
                connecting_ = client.get();
            }
            try {
                if (!Terminated()) client->connect(host, static_cast<std::uint16_t>(port), kRelayConnectTimeout);
            } catch (const platform::NetError&) {
                // Tried again on the next pass.
            }
            {
                std::lock_guard lock(connectMutex_);
                connecting_ = nullptr;
            }
            if (client->connected()) {
                relay_ = std::make_unique<tcpClientThread>(std::move(client), handlers_);
                relay_->Start();
            }
        }
    }
    post(platform::WM_TCPUPDATEEVENT, relay_ && relay_->connected() ? 2 : 1);
}

void suchThread::stopRelay() {
    // Its destructor breaks off the link and waits for the thread.
    relay_.reset();
}

void suchThread::dnsAndManualPass(bool withDns) {
    if (withDns && DNSResolver) {
        for (const char* type : kServiceTypes) {
            try {
                DNSResolver->Resolve(type);
            } catch (const std::exception& e) {
                log::warning(log::Category::devices, "serverSucher: %s", e.what());
            }
            std::this_thread::sleep_for(kPause);
        }
    }
    if (const auto* s = settings()) {
        for (const auto& [key, entry] : s->manualList()) {
            // The user says where a manual camera is: it answers there
            // whether it answers a search or not.
            handlers_.rounds().heard(entry->ipAddr + ":" + std::to_string(entry->port), entry->name);
            startProbe_(ProbeRequest::fromManual(*entry));
        }
    }
}

void suchThread::DNSResultRead(const TMQueryResult& answer, const std::string& fromAddress) {
    if (useServer()) return;
    const auto found = readAnnouncement(answer);
    if (!found) return;
    const bool admitted = handlers_.rateLimiter().admit(found->address, DiscoveryHandlers::kNamedAnswerInterval);
    const paket record = namedRecord(found->prefix, found->hostName);
    ProbeRequest request =
        config::cameraTraits(getType(record)).crops
            ? ProbeRequest::fromAnnouncement(found->reduction, found->path, record.name(), record, found->address)
            : ProbeRequest::fromName(record.name(), record, found->address);
    // The answer may name any address; the probe knows where it came from.
    request.sender = fromAddress;
    handlers_.rounds().heard(request);
    if (admitted) startProbe_(std::move(request));
}

std::vector<ListedDevice> suchThread::listedServers() const { return handlers_.rounds().answering(); }

bool suchThread::answers(const std::string& key, const std::string& name) const {
    return handlers_.rounds().answers(key, name);
}

void suchThread::updateServer(std::unique_ptr<serverObjekt> server, const config::TSingleConfig* station) {
    if (!server) return;
    const std::string address = server->IPAdresse();
    const std::string port = server->Port();
    std::lock_guard lock(kritischerAbschnitt);
    const bool credentials = server->credentialsAllowed();
    lists_.servers[server->listKey()] = std::move(server);
    const bool inputCamera = station && config::cameraTraits(station->typ).inputMonitor;
    if (!inputCamera || !station->telefonIP.empty() || lists_.axisThreads.count(address)) return;
    auto monitor =
        std::make_unique<TAxisThread>(station->Name, address, port, credentials ? station->UserName : std::string(),
                                      credentials ? station->Passwort : std::string(), station->typ);
    monitor->setWinHandle(options_.winHandle);
    monitor->Start();
    lists_.axisThreads.emplace(address, std::move(monitor));
}

}  // namespace oculon::devices
