#pragma once
// The program's UDP command channel: commands to video servers and gateways
// (port 4002, repeated every 50 ms until echoed), the door-opener frame to
// door telephones (port 8113, repeated every 100 ms until acknowledged), and
// the listener on port 4001, which echoes what devices send and reports
// input states and gateway calls. Everything but the listener's socket
// thread runs on the main thread, and nothing there waits for the network:
// a frame or an echo that finds no room in the send buffer is dropped (the
// devices repeat what is not answered), and a listening port that another
// program holds is tried again every few seconds.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "app/RepeatingSender.h"
#include "platform/MainLoop.h"
#include "platform/UdpSocket.h"

namespace oculon::app {

// How the windows reach the senders: (frame or payload, host).
using SendFunction = std::function<void(const std::string&, const std::string&)>;

class CommandChannel {
public:
    struct Handlers {
        // 0x1F "D" s from `sender`.
        std::function<void(const std::string& sender, bool on)> inputState;
        // 0x04 id 0x05 from `sender`; an empty id ends the call.
        std::function<void(const std::string& sender, const std::string& id)> gatewayCall;
        // The listening port cannot be taken (true), told once until it is
        // taken after all or no longer wanted (false).
        std::function<void(std::uint16_t port, bool held)> portHeld;
    };

    struct Options {
        std::uint16_t commandPort = 4002;
        std::uint16_t partnerPort = 8113;
        std::uint16_t listenPort = 4001;
        std::string listenAddress = "0.0.0.0";
        std::chrono::milliseconds commandInterval{50};
        std::chrono::milliseconds partnerInterval{100};
        std::chrono::milliseconds lateEchoWindow{2000};
        // A device that echoes what it gets sends our echo of its frame
        // back within this time.
        std::chrono::milliseconds echoReturnWindow{500};
        // How often a listening port that could not be taken is tried again:
        // a gateway's call in the moment after the port came free is lost.
        std::chrono::milliseconds listenRetry{200};
        // First door-opener sequence number minus one; none: random 0..254.
        std::optional<int> sequenceSeed;
        // The own address put into door-opener frames for a telephone; none:
        // the local address that reaches it.
        std::function<std::string(const std::string& telephone)> ownAddress;
    };

    explicit CommandChannel(Handlers handlers);
    CommandChannel(Handlers handlers, Options options);
    ~CommandChannel();
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;

    // `sendeString`: a complete command frame to host:4002.
    void sendeString(const std::string& frame, const std::string& host);
    // `sendeStringLindavor`: the door-opener frame around `payload` to host:8113.
    void sendeStringLindavor(const std::string& payload, const std::string& host);
    // A telephone acknowledge (1029, ACK) with this text stops the door-opener
    // repeats when it is the frame being repeated.
    void telephoneAcknowledge(const std::string& text);

    // Callbacks for the windows; they stay valid as long as the channel.
    SendFunction sendFunction();
    SendFunction sendFunctionLindavor();

    // Opens or closes the port-4001 listener; false when it cannot be opened
    // now: it is then tried again until it opens or is closed.
    bool setListening(bool on);
    bool listening() const { return listener_ != nullptr; }

    // A datagram heard on the listener, on the main thread.
    void receive(const platform::Datagram& datagram);

    const RepeatingSender& commandSender() const { return command_; }
    const RepeatingSender& partnerSender() const { return partner_; }
    int partnerSequence() const { return sequence_; }

private:
    // The last frame echoed to each address, and when.
    struct Echoed {
        std::string frame;
        std::chrono::steady_clock::time_point at;
    };

    bool openListener();
    // Tells the port's state once per change.
    void reportHeld(bool held);
    void echo(const platform::Datagram& datagram);
    // `datagram` is our echo coming back from a device that echoes what it
    // gets: it is taken (once) and goes no further.
    bool takeEchoReturned(const platform::Datagram& datagram);

    Handlers handlers_;
    Options options_;
    RepeatingSender command_;
    RepeatingSender partner_;
    int sequence_ = 0;
    platform::MessageTarget target_;
    std::unique_ptr<platform::UdpListener> listener_;
    platform::Timer listenRetry_;
    bool portHeld_ = false;
    // Between the listener thread and the main thread: datagrams handed
    // over and not handled yet, and whether some were dropped since the main
    // thread last caught up.
    struct HandOff {
        std::atomic<int> waiting{0};
        std::atomic<bool> dropping{false};
    };
    HandOff handOff_;
    std::map<std::string, Echoed> echoed_;
    // Echoes dropped since the send buffer was last found full.
    std::size_t echoesDropped_ = 0;
};

// The local address the system sends from to reach `peer`; the first
// adapter's address when there is no route; empty when there is none.
std::string ownAddressTowards(const std::string& peer);

}  // namespace oculon::app
