#pragma once
// Configuration client of one door-intercom telephone: reads and writes single
// bytes of its memory ("LSRCMD") and restarts it ("LSREM" reset), each
// exchange sent to port 8113 and repeated until the telephone's reply comes
// back through the port-8112 listener. The commands block while they wait,
// so they run on a worker thread, never on the main thread.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "devices/TelefonTelegram.h"
#include "platform/UdpSocket.h"

namespace oculon::devices {

class telefonKonfig {
public:
    static constexpr std::uint16_t kDevicePort = 8113;

    struct Timing {
        std::chrono::milliseconds replyWait{1000};     // per send
        int resends = 6;                               // after the first send
        std::chrono::milliseconds restartWait{20000};  // after a reset
        // After an exchange that needed resends, the telephone may still answer
        // the extra sends; such answers are let pass unused for this long so
        // they cannot confirm the next exchange.
        std::chrono::milliseconds strayReplyGrace{300};
    };

    // `address` as dotted text; the client is usable (isInit) only when it is
    // four numbers from 0 to 255.
    telefonKonfig(const std::string& address, const std::string& accessCode);
    ~telefonKonfig();  // no longer current
    telefonKonfig(const telefonKonfig&) = delete;
    telefonKonfig& operator=(const telefonKonfig&) = delete;

    bool isInit() const { return inited_; }
    void setTiming(const Timing& timing) { timing_ = timing; }
    // The access code padded with "F" to four characters.
    void setCode(const std::string& accessCode);

    // The value text of one memory location; empty when no answer came.
    std::string leseAdresse(int memoryAddress);
    // Writes `value` (0..255) in three confirmed steps; true when all three
    // were confirmed.
    bool schreibeDaten(int memoryAddress, int value);
    // Restarts the telephone and waits for it; true when it confirmed.
    bool reset();
    // The two halves of reset(): the restart, true when the telephone
    // confirmed it, and the wait while it comes back.
    bool sendReset();
    void awaitRestart();

    // Makes this the client that replies from the listener reach.
    void makeCurrent();
    // Listener thread: a telegram of code 0x1E or 0x32 for the current client.
    static void handToCurrent(const TelefonTelegram& telegram);
    void checkPacket(const TelefonTelegram& telegram);

    // Any thread: the waiting command gives up (as failed) and so do later ones.
    void cancel();

    // Inspection, mostly for tests.
    int sendTrials() const { return sendTrials_; }
    bool timedOut() const { return timeout_; }
    const std::string& lastTelegram() const { return paket_; }
    int sequence() const { return lindavorSequenz_; }

private:
    enum class Awaiting { Nothing, ReadValue, WriteStep, Reset };

    // Sends `paket_` until the awaited reply came or the tries ran out.
    bool sendePaket(Awaiting what);
    bool command(char letter, const std::string& data);
    void waitOrCancel(std::chrono::milliseconds d);

    bool inited_ = false;
    std::string deviceIPString_;
    std::string deviceIPHex_;
    std::string code_;
    int lindavorSequenz_ = 0;
    std::string paket_;
    int sendTrials_ = 0;
    bool timeout_ = false;
    Timing timing_;
    std::optional<platform::UdpSocket> client_;

    // Shared with the listener thread.
    std::mutex mutex_;
    std::condition_variable replied_;
    Awaiting awaiting_ = Awaiting::Nothing;
    char question_ = '\0';
    std::string daten_;  // data of the command, or the reset telegram
    bool gotReply_ = false;
    std::string myRes_;
    bool cancelled_ = false;
};

}  // namespace oculon::devices
