#include "app/CommandChannel.h"

#include <algorithm>
#include <random>

#include "app/CommandFrames.h"
#include "platform/Log.h"
#include "platform/Net.h"

namespace oculon::app {

namespace {

// Carries a datagram from the listener thread to the main thread.
struct DatagramPayload : platform::MessagePayload {
    explicit DatagramPayload(platform::Datagram d) : datagram(std::move(d)) {}
    platform::Datagram datagram;
};

}  // namespace
}  // namespace oculon::app

template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_COMMANDDATAGRAM> {
    using type = oculon::app::DatagramPayload;
};

namespace oculon::app {
namespace {

// Addresses whose echo may still come back, at most; beyond it the oldest goes.
constexpr std::size_t kEchoesRemembered = 64;
// Datagrams waiting for the main thread, at most: the rest of a burst is
// dropped by the listener thread, as a full receive buffer would drop it, so
// the main thread never falls further behind than this. It holds what a
// flood brings while the main thread does something else for a while (a
// window coming up, a probe's picture): a tenth of a second or more.
constexpr int kMaxWaitingDatagrams = 4096;

int randomSequence() {
    std::random_device seed;
    std::mt19937 random(seed());
    return std::uniform_int_distribution<int>(0, 254)(random);
}

}  // namespace

std::string ownAddressTowards(const std::string& peer) {
    std::string address = platform::addressTowards(peer);
    if (!address.empty()) return address;
    const auto adapters = platform::localIpv4Adapters();
    return adapters.empty() ? std::string() : adapters.front().address;
}

CommandChannel::CommandChannel(Handlers handlers) : CommandChannel(std::move(handlers), Options{}) {}

CommandChannel::CommandChannel(Handlers handlers, Options options)
    : handlers_(std::move(handlers)),
      options_(std::move(options)),
      command_({options_.commandPort, options_.commandInterval, 11, options_.lateEchoWindow, {}}),
      partner_({options_.partnerPort, options_.partnerInterval, 11, options_.lateEchoWindow, {}}),
      sequence_(options_.sequenceSeed ? *options_.sequenceSeed : randomSequence()),
      target_([this](platform::Message& m) {
          if (auto p = m.take<platform::WM_COMMANDDATAGRAM>()) {
              if (--handOff_.waiting == 0) handOff_.dropping = false;
              receive(p->datagram);
          }
      }) {
    listenRetry_.setInterval(options_.listenRetry);
    listenRetry_.setOnTimer([this] {
        if (!openListener()) return;
        listenRetry_.setEnabled(false);
        reportHeld(false);
    });
}

CommandChannel::~CommandChannel() {
    // The listener thread posts to target_: end it first.
    listener_.reset();
}

void CommandChannel::sendeString(const std::string& frame, const std::string& host) { command_.send(frame, host); }

void CommandChannel::sendeStringLindavor(const std::string& payload, const std::string& host) {
    sequence_ = (sequence_ + 1) % 256;
    const std::string own = options_.ownAddress ? options_.ownAddress(host) : ownAddressTowards(host);
    partner_.send(partnerFrame(own, sequence_, payload), host);
}

void CommandChannel::telephoneAcknowledge(const std::string& text) {
    // The text carries our address and sequence number, which tells the
    // answer apart well enough; the telephone may answer from another address.
    partner_.acknowledge(text, {}, true);
}

SendFunction CommandChannel::sendFunction() {
    return [this](const std::string& frame, const std::string& host) { sendeString(frame, host); };
}

SendFunction CommandChannel::sendFunctionLindavor() {
    return [this](const std::string& payload, const std::string& host) { sendeStringLindavor(payload, host); };
}

bool CommandChannel::setListening(bool on) {
    if (!on) {
        listenRetry_.setEnabled(false);
        listener_.reset();
        reportHeld(false);
        return false;
    }
    if (listener_) return true;
    const bool opened = openListener();
    listenRetry_.setEnabled(!opened);
    reportHeld(!opened);
    return opened;
}

bool CommandChannel::openListener() {
    try {
        platform::UdpSocket socket;
        socket.bind(options_.listenAddress, options_.listenPort);
        const platform::TargetId target = target_.id();
        listener_ = std::make_unique<platform::UdpListener>(
            std::move(socket),
            [target, handOff = &handOff_, port = options_.listenPort](const platform::Datagram& d) {
                if (++handOff->waiting > kMaxWaitingDatagrams) {
                    --handOff->waiting;
                    if (!handOff->dropping.exchange(true))
                        log::warning(log::Category::app, "port %u: more datagrams than can be handled; some dropped",
                                     port);
                    return;
                }
                platform::MainLoop::instance().post<platform::WM_COMMANDDATAGRAM>(target,
                                                                                  std::make_unique<DatagramPayload>(d));
            },
            "moxaRecvSrvr", kMaxCommandFrame);
        return true;
    } catch (const platform::NetError& e) {
        // Once, not at every retry.
        if (!portHeld_)
            log::warning(log::Category::app, "no command listener on port %u: %s", options_.listenPort, e.what());
        return false;
    }
}

void CommandChannel::reportHeld(bool held) {
    if (held == portHeld_) return;
    portHeld_ = held;
    if (handlers_.portHeld) handlers_.portHeld(options_.listenPort, held);
}

bool CommandChannel::takeEchoReturned(const platform::Datagram& datagram) {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(echoed_, [&](const auto& entry) { return now - entry.second.at > options_.echoReturnWindow; });
    const auto it = echoed_.find(datagram.peerAddress);
    if (it == echoed_.end() || it->second.frame != datagram.data) return false;
    echoed_.erase(it);
    return true;
}

void CommandChannel::echo(const platform::Datagram& datagram) {
    if (!echoed_.contains(datagram.peerAddress) && echoed_.size() >= kEchoesRemembered) {
        echoed_.erase(std::min_element(echoed_.begin(), echoed_.end(),
                                       [](const auto& a, const auto& b) { return a.second.at < b.second.at; }));
    }
    echoed_[datagram.peerAddress] = {datagram.data, std::chrono::steady_clock::now()};
    bool sent = false;
    try {
        if (listener_) {
            sent = listener_->socket().sendNow(datagram.peerAddress, options_.commandPort, datagram.data);
        } else {
            platform::UdpSocket socket;
            sent = socket.sendNow(datagram.peerAddress, options_.commandPort, datagram.data);
        }
    } catch (const platform::NetError&) {
        // The device repeats what is not echoed.
        return;
    }
    // A full buffer (echoes to addresses that never answer wait in it for
    // seconds) drops the echo: the device repeats its frame.
    if (!sent) {
        if (echoesDropped_++ == 0) log::warning(log::Category::app, "send buffer full: echoes are dropped");
    } else if (echoesDropped_ > 0) {
        log::info(log::Category::app, "send buffer has room again; %zu echoes were dropped", echoesDropped_);
        echoesDropped_ = 0;
    }
}

void CommandChannel::receive(const platform::Datagram& received) {
    platform::Datagram datagram = received;
    if (datagram.data.size() > kMaxCommandFrame) datagram.data.resize(kMaxCommandFrame);
    if (!commandChecksumValid(datagram.data)) return;

    if (command_.pending()) {
        // While a command waits for its echo the device hears nothing else.
        command_.acknowledge(datagram.data, datagram.peerAddress);
        return;
    }
    // A late copy of our own command is no news from the device: echoing it
    // would reach the device as a fresh command (a second door opening) and
    // start an endless exchange.
    if (command_.isOwnEcho(datagram.data, datagram.peerAddress)) return;
    // Nor is our echo of a device's frame that the device echoed: taken as a
    // new call, it would be echoed again, and so on for ever. Only one copy
    // is taken, so a device that repeats a frame whose echo it missed is
    // heard on its next repeat.
    if (takeEchoReturned(datagram)) return;

    echo(datagram);
    const ReceivedCommand command = classifyCommand(datagram.data);
    switch (command.kind) {
        case ReceivedCommand::inputState:
            if (handlers_.inputState) handlers_.inputState(datagram.peerAddress, command.inputOn);
            break;
        case ReceivedCommand::gatewayCall:
            if (handlers_.gatewayCall) handlers_.gatewayCall(datagram.peerAddress, command.callId);
            break;
        case ReceivedCommand::other: break;
    }
}

}  // namespace oculon::app
