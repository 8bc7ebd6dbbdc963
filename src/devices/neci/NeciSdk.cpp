// The gateway library itself: the `dsc_` entry points over the UDP protocol
// of NeciProtocol.h. Built as a shared library of its own with nothing but
// the C library and POSIX sockets; only the entry points are exported.

#include "devices/neci/NeciSdk.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "devices/neci/NeciProtocol.h"
#include "platform/UniqueFd.h"

#define NECI_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using namespace oculon::neci;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultSearchMs = 1000;
constexpr int kMaxSearchMs = 10000;
// A request goes out again after each of these waits while no answer came;
// an answer to any of the sends counts. A gateway busy with its serial side
// may take a second or two; one that has not answered within the sum (3 s)
// is told as not answering.
constexpr std::chrono::milliseconds kResendAfter[] = {std::chrono::milliseconds(250), std::chrono::milliseconds(500),
                                                      std::chrono::milliseconds(1000), std::chrono::milliseconds(1250)};
constexpr std::size_t kMaxDatagram = 512;  // every reply is far smaller
constexpr std::size_t kMaxGateways = 256;
// A gateway answers a search with its own hardware address; two may share
// an address while both keep their factory one. More from one address are
// invented: they would crowd the real gateways out of the list, and each
// read of one that never answers costs the search seconds.
constexpr std::size_t kMaxGatewaysPerAddress = 2;

class Socket {
public:
    Socket() : fd_(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)) {}

    bool ok() const { return static_cast<bool>(fd_); }
    int fd() const { return fd_.get(); }

    bool bindTo(std::uint32_t address) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = address;
        return ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    }
    bool sendTo(std::uint32_t address, const std::string& data) const {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = address;
        return ::sendto(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&to),
                        sizeof to) == static_cast<ssize_t>(data.size());
    }
    // One datagram from the gateway port, or nullopt when none is waiting.
    std::optional<std::pair<std::string, std::uint32_t>> take() const {
        std::string data(kMaxDatagram, '\0');
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(fd_.get(), data.data(), data.size(), MSG_DONTWAIT | MSG_TRUNC,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        if (n < 0 || static_cast<std::size_t>(n) > data.size() || ntohs(from.sin_port) != kPort) return std::nullopt;
        data.resize(static_cast<std::size_t>(n));
        return std::make_pair(std::move(data), from.sin_addr.s_addr);
    }

private:
    oculon::platform::UniqueFd fd_;
};

// Waits until one of the sockets is readable or the deadline passes.
bool waitReadable(std::vector<pollfd>& fds, Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    for (auto& p : fds) p.revents = 0;
    return ::poll(fds.data(), fds.size(), static_cast<int>(left)) > 0;
}

std::vector<std::uint32_t> localAddresses() {
    std::vector<std::uint32_t> addresses;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return addresses;
    for (const ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET) continue;
        if (!(i->ifa_flags & IFF_UP) || (i->ifa_flags & IFF_LOOPBACK)) continue;
        addresses.push_back(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
    }
    ::freeifaddrs(list);
    return addresses;
}

std::uint16_t nextSequence() {
    static std::atomic<std::uint16_t> sequence{static_cast<std::uint16_t>(::getpid())};
    return ++sequence;
}

struct Session {
    std::uint32_t address = 0;
    Mac mac{};
    std::string password;  // of the last successful login
    // The gateway answered from another address (it took a new one with a
    // save): nothing more goes to the address the session was made for.
    bool moved = false;
};

class Sessions {
public:
    int open(Session session) {
        std::lock_guard lock(mutex_);
        const int handle = next_++;
        sessions_.emplace(handle, std::move(session));
        return handle;
    }
    void close(int handle) {
        std::lock_guard lock(mutex_);
        sessions_.erase(handle);
    }
    std::optional<Session> find(int handle) const {
        std::lock_guard lock(mutex_);
        const auto it = sessions_.find(handle);
        if (it == sessions_.end()) return std::nullopt;
        return it->second;
    }
    void setPassword(int handle, std::string password) {
        std::lock_guard lock(mutex_);
        if (const auto it = sessions_.find(handle); it != sessions_.end()) it->second.password = std::move(password);
    }
    void setMoved(int handle) {
        std::lock_guard lock(mutex_);
        if (const auto it = sessions_.find(handle); it != sessions_.end()) it->second.moved = true;
    }

private:
    mutable std::mutex mutex_;
    std::map<int, Session> sessions_;
    int next_ = 1;
};

Sessions& sessions() {
    // Never destroyed: a program may end while a call of one of its threads
    // still waits for a gateway's answer. In storage of the library's own,
    // not on the heap, so that nothing of it outlives an unloaded library.
    alignas(Sessions) static unsigned char storage[sizeof(Sessions)];
    static Sessions* instance = new (storage) Sessions;
    return *instance;
}

struct Answer {
    Reply reply;
    bool elsewhere = false;  // it came from another address than the one asked
};

// One request to one gateway and its matching reply; nullopt when none came.
// The request goes out again while no answer came, but never once the
// gateway answered from another address: a device that took the address it
// left must not hear the request (nor the password in it) again.
std::optional<Answer> exchange(const Session& session, Request request) {
    request.mac = session.mac;
    request.sequence = nextSequence();
    const auto datagram = encode(request);
    if (!datagram) return std::nullopt;
    Socket socket;
    if (!socket.ok() || !socket.bindTo(htonl(INADDR_ANY))) return std::nullopt;
    std::vector<pollfd> fds{{socket.fd(), POLLIN, 0}};
    for (const auto wait : kResendAfter) {
        if (!socket.sendTo(session.address, *datagram)) return std::nullopt;
        const auto deadline = Clock::now() + wait;
        while (waitReadable(fds, deadline)) {
            while (const auto received = socket.take()) {
                auto reply = decodeReply(received->first);
                if (reply && reply->op == request.op && reply->sequence == request.sequence &&
                    reply->mac == session.mac)
                    return Answer{std::move(*reply), received->second != session.address};
            }
        }
    }
    return std::nullopt;
}

// A request over the session of `handle`; nothing is sent once the gateway
// answered from elsewhere.
std::optional<Reply> askOver(int handle, Request request, bool withPassword) {
    const auto session = sessions().find(handle);
    if (!session || session->moved) return std::nullopt;
    if (withPassword) request.password = session->password;
    auto answer = exchange(*session, std::move(request));
    if (!answer) return std::nullopt;
    if (answer->elsewhere) sessions().setMoved(handle);
    return std::move(answer->reply);
}

std::optional<Settings> readSettings(int handle) {
    Request request;
    request.op = Op::get;
    const auto reply = askOver(handle, request, false);
    if (!reply) return std::nullopt;
    return reply->settings;
}

// The entry point's result for a status reply.
int statusResult(const std::optional<Reply>& reply) {
    if (!reply) return NECI_NO_ANSWER;
    return reply->status == Status::ok ? 1 : 0;
}

// A request that needs the session's password and is answered by a status.
int authorised(int handle, Request request) {
    if (!sessions().find(handle)) return 0;
    return statusResult(askOver(handle, std::move(request), true));
}

int setValue(int handle, Field field, int ifid, std::uint32_t value, const char* text) {
    if (ifid < 0 || ifid > 0xFFFF) return 0;
    Request request;
    request.op = Op::set;
    request.field = field;
    request.ifid = static_cast<std::uint16_t>(ifid);
    request.value = value;
    if (text) {
        request.text = text;
        if (request.text.size() >= kNameField) return 0;
    }
    return authorised(handle, std::move(request));
}

}  // namespace

NECI_EXPORT int dsc_EnumSearch(int timeout_ms, DSC_SEARCH_CALLBACK callback) {
    if (!callback) return 0;
    const int window = timeout_ms < 0 ? kDefaultSearchMs : std::min(timeout_ms, kMaxSearchMs);
    Request request;
    request.op = Op::search;
    request.sequence = nextSequence();
    const auto datagram = encode(request);

    // One socket per local address, so each network hears the broadcast.
    std::vector<Socket> sockets;
    std::vector<std::uint32_t> hosts;
    std::vector<pollfd> fds;
    for (const std::uint32_t address : localAddresses()) {
        Socket socket;
        const int on = 1;
        if (!socket.ok() || ::setsockopt(socket.fd(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0 ||
            !socket.bindTo(address) || !socket.sendTo(htonl(INADDR_BROADCAST), *datagram))
            continue;
        fds.push_back({socket.fd(), POLLIN, 0});
        sockets.push_back(std::move(socket));
        hosts.push_back(address);
    }
    if (sockets.empty()) return 0;

    // Each answer with the socket (the local network) that heard it.
    struct Heard {
        DS_INFO info;
        std::size_t socket;
    };
    std::vector<Heard> heard;
    const auto sameMac = [](const DS_INFO& a, const DS_INFO& b) { return std::memcmp(a.mac, b.mac, 6) == 0; };
    const auto deadline = Clock::now() + std::chrono::milliseconds(window);
    while (waitReadable(fds, deadline)) {
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            while (const auto received = sockets[i].take()) {
                const auto reply = decodeReply(received->first);
                if (!reply || reply->op != Op::search || reply->sequence != request.sequence) continue;
                DS_INFO info{};
                info.apid = reply->settings.apid;
                info.hwid = reply->settings.hwid;
                info.real_ip_addr = received->second;
                info.pseudo_ip_addr = reply->settings.ip;
                info.host_ip_addr = hosts[i];
                std::memcpy(info.mac, reply->mac.data(), 6);
                bool known = false;
                std::vector<const DS_INFO*> fromThere;  // other hardware addresses from that address
                for (const Heard& h : heard) {
                    if (h.info.real_ip_addr != info.real_ip_addr) continue;
                    known = known || (h.socket == i && sameMac(h.info, info));
                    const bool counted = std::any_of(fromThere.begin(), fromThere.end(),
                                                     [&](const DS_INFO* o) { return sameMac(*o, h.info); });
                    if (!counted && !sameMac(h.info, info)) fromThere.push_back(&h.info);
                }
                if (known || fromThere.size() >= kMaxGatewaysPerAddress || heard.size() >= kMaxGateways) continue;
                heard.push_back({info, i});
            }
        }
    }
    // A gateway heard on two local networks may answer each from another
    // of its addresses: one gateway. One hardware address from two
    // addresses on one network is two devices, and each is reported, so
    // the caller can name them and trust neither.
    std::vector<bool> disputed(heard.size(), false);
    for (std::size_t a = 0; a < heard.size(); ++a) {
        for (std::size_t b = a + 1; b < heard.size(); ++b) {
            if (heard[a].socket != heard[b].socket || !sameMac(heard[a].info, heard[b].info) ||
                heard[a].info.real_ip_addr == heard[b].info.real_ip_addr)
                continue;
            disputed[a] = disputed[b] = true;
        }
    }
    std::vector<DS_INFO> found;
    for (std::size_t h = 0; h < heard.size(); ++h) {
        const DS_INFO& info = heard[h].info;
        const bool listed = std::any_of(found.begin(), found.end(), [&](const DS_INFO& f) {
            return sameMac(f, info) && (f.real_ip_addr == info.real_ip_addr || !disputed[h]);
        });
        if (!listed) found.push_back(info);
    }
    for (auto& info : found) callback(&info);
    return 1;
}

NECI_EXPORT int dsc_Attach(const DS_INFO* info, int* handle) {
    if (!info || !handle) return 0;
    Session session;
    session.address = info->real_ip_addr;
    std::memcpy(session.mac.data(), info->mac, 6);
    Request request;
    request.op = Op::get;
    // Attached only where the gateway answers.
    const auto answer = exchange(session, request);
    if (!answer || answer->elsewhere) return NECI_NO_ANSWER;
    *handle = sessions().open(std::move(session));
    return 1;
}

NECI_EXPORT int dsc_Detach(int handle) {
    sessions().close(handle);
    return 1;
}

NECI_EXPORT int dsc_Login(int handle, const char* password) {
    if (!password || std::strlen(password) >= kPasswordField) return 0;
    if (!sessions().find(handle)) return 0;
    Request request;
    request.op = Op::login;
    request.password = password;
    const int result = statusResult(askOver(handle, request, false));
    if (result == 1) sessions().setPassword(handle, password);
    return result;
}

NECI_EXPORT int dsc_Logout(int handle) {
    if (!sessions().find(handle)) return 0;
    sessions().setPassword(handle, {});
    return 1;
}

NECI_EXPORT int dsc_GetName(int handle, char* name) {
    if (!name) return 0;
    const auto settings = readSettings(handle);
    if (!settings) return 0;
    const std::size_t length = std::min(settings->name.size(), std::size_t{NECI_NAME_SIZE - 1});
    std::memcpy(name, settings->name.data(), length);
    name[length] = '\0';
    return 1;
}

NECI_EXPORT int dsc_GetIPConfig(int handle, int ifid, int* mode) {
    if (!mode) return 0;
    const auto settings = readSettings(handle);
    if (!settings || (ifid != 255 && ifid != settings->ifid)) return 0;
    *mode = settings->dhcp ? 1 : 0;
    return 1;
}

NECI_EXPORT int dsc_GetIfConfig(int handle, int max_count, int* count, IFCONFIGINFO* info) {
    if (max_count < 1 || !count || !info) return 0;
    const auto settings = readSettings(handle);
    if (!settings) return 0;
    *info = IFCONFIGINFO{};
    info->ifid = settings->ifid;
    info->ipaddr = settings->ip;
    info->netmask = settings->netmask;
    info->gateway = settings->gateway;
    *count = 1;
    return 1;
}

NECI_EXPORT int dsc_GetKernelInfo(int handle, KERNELINFO* info) {
    if (!info) return 0;
    const auto settings = readSettings(handle);
    if (!settings) return 0;
    *info = KERNELINFO{};
    info->firm_version = settings->firmware;
    info->bios_version = settings->bios;
    info->serial_no = settings->serial;
    info->flag = settings->hasPassword ? 1 : 0;
    info->DSCI_Ver = 1;
    return 1;
}

NECI_EXPORT int dsc_SetIP(int handle, int ifid, uint32_t address) {
    return setValue(handle, Field::ip, ifid, address, nullptr);
}

NECI_EXPORT int dsc_SetNetmask(int handle, int ifid, uint32_t mask) {
    return setValue(handle, Field::netmask, ifid, mask, nullptr);
}

NECI_EXPORT int dsc_SetGateway(int handle, int ifid, uint32_t gateway) {
    return setValue(handle, Field::gateway, ifid, gateway, nullptr);
}

NECI_EXPORT int dsc_SetIPConfig(int handle, int ifid, int mode) {
    if (mode != 0 && mode != 1) return 0;
    return setValue(handle, Field::ipConfig, ifid, static_cast<std::uint32_t>(mode), nullptr);
}

NECI_EXPORT int dsc_SetName(int handle, const char* name) {
    if (!name) return 0;
    return setValue(handle, Field::name, 0, 0, name);
}

NECI_EXPORT int dsc_SetPassword(int handle, const char* password) {
    if (!password || std::strlen(password) >= kPasswordField) return 0;
    return setValue(handle, Field::password, 0, 0, password);
}

NECI_EXPORT int dsc_SaveAndRestart(int handle) {
    Request request;
    request.op = Op::saveAndRestart;
    return authorised(handle, std::move(request));
}

// Services our gateways do not offer; the program never calls them.
#define NECI_NOT_OFFERED(name) \
    NECI_EXPORT int dsc_##name(int, void*) { return 0; }
NECI_UNCALLED_ENTRY_POINTS(NECI_NOT_OFFERED)
#undef NECI_NOT_OFFERED
