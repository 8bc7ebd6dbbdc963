#pragma once
// The light request: one authenticated HTTP GET to a camera (light switch,
// door relay of Axis-type cameras) in a short-lived thread of its own, so the
// video window does not wait for the camera. Also the user name that
// snapshot comments carry.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/HttpClient.h"
#include "platform/Thread.h"

namespace oculon::video {

class TLichtThread : public platform::Thread {
public:
    static constexpr int kConnectTimeoutMs = 5000;
    // The read time-out exceeds the duration the camera is asked to hold the
    // output by this much, so its late answer still arrives.
    static constexpr int kExtraReadMs = 5000;

    TLichtThread(std::string address, std::string port, std::string user, std::string password, std::string getString,
                 int durationMs);
    ~TLichtThread() override;

    // Sends the request in a self-freeing thread; the caller never touches it
    // again. Shut-down stops it through Thread::terminateDetached().
    static void start(std::string address, std::string port, std::string user, std::string password,
                      std::string getString, int durationMs);

    int duration() const { return FDuration; }

protected:
    void Execute() override;
    void interrupt() override;

private:
    std::string FIpAdresse;
    std::string FPort;
    std::string FUser;
    std::string FPass;
    std::string FGetString;
    std::int32_t FDuration;
    platform::HttpClient client_;
};

// The name of the user the program runs as; empty when the system cannot tell.
std::string GetUserName();

}  // namespace oculon::video
