#pragma once
// The relay-server link: reads the relay server's Base64 lines and hands each
// relayed telegram to the read handler of its kind, as if it had come by UDP.
// The thread owns the connected client; a broken link ends the thread, and
// the discovery thread notices (connected() false) and builds a new one.

#include <atomic>
#include <memory>
#include <string>

#include "platform/TcpClient.h"
#include "platform/Thread.h"

namespace oculon::devices {

class DiscoveryHandlers;

class tcpClientThread : public platform::Thread {
public:
    static constexpr std::chrono::milliseconds kReadTimeout{11000};
    // Relay lines are short; a longer one breaks the link.
    static constexpr std::size_t kMaxLineLength = 64 * 1024;

    // `connection` is connected to the relay server; `handlers` outlive the thread.
    tcpClientThread(std::unique_ptr<platform::TcpClient> connection, DiscoveryHandlers& handlers);
    ~tcpClientThread() override;

    // Any thread: the link is up (false once the loop has ended).
    bool connected() const { return connected_.load(); }
    // The relay server this link goes to.
    const std::string& host() const { return host_; }
    std::uint16_t port() const { return port_; }

protected:
    void Execute() override;
    void interrupt() override { connection_->interrupt(); }

private:
    std::unique_ptr<platform::TcpClient> connection_;
    DiscoveryHandlers& handlers_;
    const std::string host_;
    const std::uint16_t port_;
    std::atomic<bool> connected_{true};
    std::string ergebnis_;  // the line being handled
};

}  // namespace oculon::devices
