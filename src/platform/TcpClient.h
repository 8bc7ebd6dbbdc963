#pragma once
// A TCP client connection with a connect time-out, a read time-out, an
// optional deadline for all its waits, and bounded reads. A blocked connect,
// read or write can be broken off from another thread with interrupt(),
// which shut-down uses.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/ByteReader.h"
#include "platform/Net.h"
#include "platform/UniqueFd.h"

namespace oculon::platform {

using Deadline = std::chrono::steady_clock::time_point;
inline constexpr Deadline kNoDeadline = Deadline::max();
// The deadline `timeout` from now; kInfinite: none.
Deadline deadlineAfter(Millis timeout);

class TcpClient {
public:
    // Every wait also watches `interrupter`; clients of one owner may share one.
    explicit TcpClient(std::shared_ptr<Interrupter> interrupter = std::make_shared<Interrupter>());
    ~TcpClient();
    TcpClient(const TcpClient&) = delete;
    TcpClient& operator=(const TcpClient&) = delete;

    // Replaces any earlier connection. NetError, TimeoutError or
    // InterruptedError when it fails.
    void connect(const std::string& host, std::uint16_t port, Millis timeout);
    // Open and not yet known to be closed by the peer with nothing left to read.
    bool connected() const;
    // Owner thread only; other threads use interrupt().
    void disconnect();
    // Any thread: breaks off the current and every later wait until
    // resetInterrupt().
    void interrupt() noexcept { interrupter_->trigger(); }
    void resetInterrupt() { interrupter_->reset(); }

    // Longest silence a read waits through (kInfinite: no limit); a read
    // that gets nothing for that long raises TimeoutError. Writes use it too.
    void setReadTimeout(Millis timeout) { readTimeout_ = timeout; }
    Millis readTimeout() const { return readTimeout_; }
    // No connect, read or write waits past `deadline`, however often the
    // peer sends: past it they raise TimeoutError. kNoDeadline by default.
    void setDeadline(Deadline deadline) { deadline_ = deadline; }

    void write(std::string_view data);
    void writeLn(std::string_view line);  // appends CR LF

    // Bounded reads; see BufferedReader. Raise NetError subclasses.
    std::string readLn(std::size_t maxLength) { return reader_->readLn(maxLength); }
    std::string readUntil(std::string_view terminator, std::size_t maxLength) {
        return reader_->readUntil(terminator, maxLength);
    }
    std::string readExact(std::size_t count) { return reader_->readExact(count); }
    std::size_t readSome(char* destination, std::size_t capacity) { return reader_->readSome(destination, capacity); }
    // Valid until the next connect() or disconnect().
    BufferedReader& reader() { return *reader_; }

    const std::string& host() const { return host_; }
    std::uint16_t port() const { return port_; }
    std::string localAddress() const;

private:
    class SocketSource : public ByteSource {
    public:
        explicit SocketSource(TcpClient& owner) : owner_(owner) {}
        std::size_t readSome(char* destination, std::size_t capacity) override;

    private:
        TcpClient& owner_;
    };
    friend class SocketSource;

    void closeSocket();
    // Waits for `events` up to `timeout`, cut to the deadline; raises
    // TimeoutError with `what` when nothing came in time.
    void wait(int fd, short events, Millis timeout, const char* what) const;

    std::shared_ptr<Interrupter> interrupter_;
    UniqueFd fd_;
    mutable bool peerClosed_ = false;  // learnt lazily, also by connected()
    Millis readTimeout_ = kInfinite;
    Deadline deadline_ = kNoDeadline;
    std::string host_;
    std::uint16_t port_ = 0;
    SocketSource source_{*this};
    std::unique_ptr<BufferedReader> reader_ = std::make_unique<BufferedReader>(source_);
};

}  // namespace oculon::platform
