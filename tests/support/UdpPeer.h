#pragma once
// A UDP peer for tests: bound to an address and port, it collects every
// datagram it receives (in a thread of its own) and can answer through a
// responder. Plain POSIX sockets, independent of the code under test.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace oculon::testsupport {

struct ReceivedDatagram {
    std::string data;
    std::string from;  // sender's dotted address
    std::uint16_t fromPort = 0;
};

class UdpPeer {
public:
    // Port 0 picks a free one. With `broadcast` the socket may send to
    // broadcast addresses.
    explicit UdpPeer(std::string address = "127.0.0.1", std::uint16_t port = 0, bool broadcast = false);
    ~UdpPeer();
    UdpPeer(const UdpPeer&) = delete;
    UdpPeer& operator=(const UdpPeer&) = delete;

    std::uint16_t port() const { return port_; }
    const std::string& address() const { return address_; }

    void sendTo(const std::string& host, std::uint16_t port, const std::string& data);
    // Joins a multicast group on the interface with this local address.
    void joinGroup(const std::string& group, const std::string& interfaceAddress);
    // Called in the receiving thread for each datagram; a returned text is
    // sent back to the sender.
    void setResponder(std::function<std::optional<std::string>(const ReceivedDatagram&)> responder);

    // The oldest datagram not yet taken, waiting up to `timeout`.
    std::optional<ReceivedDatagram> next(std::chrono::milliseconds timeout);
    std::size_t receivedCount() const;

private:
    void run();

    std::string address_;
    std::uint16_t port_ = 0;
    int fd_ = -1;
    int stopFd_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<ReceivedDatagram> queue_;
    std::size_t received_ = 0;
    std::function<std::optional<std::string>(const ReceivedDatagram&)> responder_;
    std::thread thread_;
};

}  // namespace oculon::testsupport
