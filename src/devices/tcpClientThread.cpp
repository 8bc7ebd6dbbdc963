#include "devices/tcpClientThread.h"

#include "devices/DiscoveryHandlers.h"
#include "devices/RelayFraming.h"

namespace oculon::devices {

tcpClientThread::tcpClientThread(std::unique_ptr<platform::TcpClient> connection, DiscoveryHandlers& handlers)
    : platform::Thread("tcpClientThread"),
      connection_(std::move(connection)),
      handlers_(handlers),
      host_(connection_->host()),
      port_(connection_->port()) {
    connection_->setReadTimeout(kReadTimeout);
}

tcpClientThread::~tcpClientThread() {
    Terminate();
    WaitFor(std::chrono::milliseconds(kReadTimeout));
}

void tcpClientThread::Execute() {
    while (!Terminated() && connection_->connected()) {
        try {
            ergebnis_ = connection_->readLn(kMaxLineLength);
        } catch (const platform::TimeoutError&) {
            continue;  // a quiet relay server keeps the link
        } catch (const platform::NetError&) {
            break;  // closed, broken or interrupted
        }
        if (const auto telegram = parseRelayLine(ergebnis_)) {
            try {
                handlers_.dispatchRelayed(*telegram);
            } catch (const std::exception&) {
                break;
            }
        }
    }
    connection_->disconnect();
    connected_ = false;
}

}  // namespace oculon::devices
