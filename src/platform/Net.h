#pragma once
// Shared pieces of the socket layer: the error types every network call
// raises, the interrupter that lets another thread break off a blocking wait,
// IPv4 address helpers and the list of local adapters.

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/UniqueFd.h"

namespace oculon::platform {

using Millis = std::chrono::milliseconds;
// A time-out that never ends.
inline constexpr Millis kInfinite{-1};

class NetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TimeoutError : public NetError {
public:
    using NetError::NetError;
};

// The peer closed the connection before the data the caller asked for.
class ConnectionClosedError : public NetError {
public:
    ConnectionClosedError() : NetError("Connection closed by peer.") {}
    using NetError::NetError;
};

// A line or a delimited block grew beyond the caller's maximum.
class LineTooLongError : public NetError {
public:
    LineTooLongError() : NetError("Max line length exceeded.") {}
};

// Another thread interrupted the wait (shut-down).
class InterruptedError : public NetError {
public:
    InterruptedError() : NetError("Operation interrupted.") {}
};

// Breaks off socket waits from another thread. Once triggered it stays
// triggered until reset(), so an interrupt that arrives between two waits
// still stops the next one.
class Interrupter {
public:
    Interrupter();
    ~Interrupter();
    Interrupter(const Interrupter&) = delete;
    Interrupter& operator=(const Interrupter&) = delete;

    void trigger() noexcept;  // any thread
    void reset();
    bool triggered() const noexcept { return triggered_.load(); }
    int fd() const noexcept { return fd_.get(); }

private:
    UniqueFd fd_;
    std::atomic<bool> triggered_{false};
};

// Waits until `fd` is ready for `events` (poll flags). False on time-out;
// InterruptedError when `interrupter` fires first.
bool waitForSocket(int fd, short events, Millis timeout, const Interrupter* interrupter);

// Strict dotted-quad parse ("10.0.0.1"); no host names, no short forms.
std::optional<in_addr> parseIpv4(std::string_view text);
std::string formatIpv4(in_addr address);
// An address for `host` (dotted quad or name) and `port`. NetError when the
// name does not resolve to an IPv4 address.
sockaddr_in resolveIpv4(const std::string& host, std::uint16_t port);

struct LocalAdapter {
    std::string name;     // interface name, e.g. "eth0"
    std::string address;  // its IPv4 address
    std::string netmask;
    std::string broadcast;  // directed broadcast address of its subnet
    unsigned index = 0;     // the interface's index: a link made anew under the same name has another

    bool operator==(const LocalAdapter&) const = default;
};

// The IPv4 addresses of the interfaces that are up, in the system's order,
// without loopback (like the adapter list the search broadcasts from).
std::vector<LocalAdapter> localIpv4Adapters();

// Tells that the kernel reported a change of the local addresses or links
// (rtnetlink), without waiting. What changed is read again from the adapter
// list: the notices only say when. Where no such socket can be opened it
// reports nothing, so its users read the adapters again now and then as well.
class AddressWatch {
public:
    AddressWatch();
    // True when a notice came since the last call (or notices were lost).
    bool changed();

private:
    UniqueFd fd_;
};

// The first IPv4 address that the local host name resolves to; empty when
// the look-up fails.
std::string hostNameAddress();

// The local address the system would send from to reach `peer`; empty when
// there is no route. Nothing is sent.
std::string addressTowards(const std::string& peer);

// Renders errno as "<what>: <system text>".
NetError systemError(const std::string& what, int error);

}  // namespace oculon::platform
