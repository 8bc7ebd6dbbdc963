#pragma once
// UDP: a socket for sending (broadcast, from a chosen local address,
// multicast with a TTL) and receiving, and a listener that runs its read
// handler in a thread of its own.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Net.h"
#include "platform/UniqueFd.h"

namespace oculon::platform {

struct Datagram {
    std::string data;
    std::string peerAddress;  // sender's IPv4 as dotted text
    std::uint16_t peerPort = 0;
};

class UdpSocket {
public:
    UdpSocket();  // an unbound IPv4 datagram socket
    ~UdpSocket();
    UdpSocket(UdpSocket&& other) noexcept = default;
    UdpSocket& operator=(UdpSocket&& other) noexcept = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // Empty address or "0.0.0.0": all local addresses. Port 0: any free port.
    void bind(const std::string& localAddress, std::uint16_t port);
    void setReuseAddress(bool on);  // before bind(); lets several sockets share a port
    void setBroadcast(bool on);
    void setReceiveBufferSize(int bytes);

    // Multicast: the outgoing interface (by its address), the TTL of sent
    // datagrams, whether they loop back to this host, and group membership
    // on one local interface.
    void setMulticastInterface(const std::string& localAddress);
    void setMulticastTtl(int ttl);
    void setMulticastLoop(bool on);
    void joinGroup(const std::string& group, const std::string& localAddress);
    void leaveGroup(const std::string& group, const std::string& localAddress);

    // Waits a bounded while for room in a full send buffer, and looks up a
    // host name: for worker threads.
    void sendTo(const std::string& host, std::uint16_t port, std::string_view data);
    // For the main thread, which must never wait: to a dotted quad only (a
    // name is a NetError, never looked up), and false at once when the send
    // buffer has no room for the datagram now.
    bool sendNow(const std::string& address, std::uint16_t port, std::string_view data);
    // One datagram, cut to `maxSize` bytes; nullopt when none came within
    // `timeout`. InterruptedError once interrupt() was called.
    std::optional<Datagram> receive(std::size_t maxSize, Millis timeout);
    // Any thread: breaks off receive() now and later.
    void interrupt() noexcept { interrupter_->trigger(); }

    std::string localAddress() const;
    std::uint16_t localPort() const;

private:
    void setOption(int level, int name, const void* value, unsigned size, const char* what);
    // False when the send buffer is full.
    bool trySend(const sockaddr_in& to, std::string_view data, const std::string& host);
    void membership(int option, const std::string& group, const std::string& localAddress);

    UniqueFd fd_;
    std::unique_ptr<Interrupter> interrupter_;
};

// Receives datagrams on its socket and calls the handler for each in its own
// thread. stop() (or the destructor) ends that thread promptly from any
// other thread; called from inside the handler it only asks the thread to end
// (so the listener must not be destroyed from its own handler).
class UdpListener {
public:
    using Handler = std::function<void(const Datagram&)>;
    // Sees the datagrams that waited in the socket's queue together (after
    // the process was stopped, say) before any of them is handled, oldest
    // first, and may take some out: what a later one undoes.
    using BacklogFilter = std::function<void(std::vector<Datagram>& waiting)>;

    UdpListener(UdpSocket socket, Handler handler, std::string threadName = "UDPListener",
                std::size_t bufferSize = 8192, BacklogFilter filter = {});
    ~UdpListener();
    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    void stop();
    // The listening socket, for answers that must come from its port.
    UdpSocket& socket() { return socket_; }

private:
    void run();

    UdpSocket socket_;
    Handler handler_;
    BacklogFilter filter_;
    std::string threadName_;
    std::size_t bufferSize_;
    std::thread thread_;
};

}  // namespace oculon::platform
