#include "video/LichtThread.h"

#include <pwd.h>
#include <unistd.h>

#include <charconv>
#include <vector>

namespace oculon::video {

TLichtThread::TLichtThread(std::string address, std::string port, std::string user, std::string password,
                           std::string getString, int durationMs)
    : platform::Thread("TLichtThread"),
      FIpAdresse(std::move(address)),
      FPort(std::move(port)),
      FUser(std::move(user)),
      FPass(std::move(password)),
      FGetString(std::move(getString)),
      FDuration(durationMs + kExtraReadMs) {}

TLichtThread::~TLichtThread() = default;

void TLichtThread::start(std::string address, std::string port, std::string user, std::string password,
                         std::string getString, int durationMs) {
    platform::Thread::startDetached(std::make_unique<TLichtThread>(
        std::move(address), std::move(port), std::move(user), std::move(password), std::move(getString), durationMs));
}

void TLichtThread::interrupt() { client_.interrupt(); }

void TLichtThread::Execute() {
    unsigned port = 0;
    const auto [end, error] = std::from_chars(FPort.data(), FPort.data() + FPort.size(), port);
    if (error != std::errc() || end != FPort.data() + FPort.size() || port == 0 || port > 65535) return;
    client_.setHost(FIpAdresse);
    client_.setPort(static_cast<std::uint16_t>(port));
    client_.setBasicAuthentication(true);
    client_.setCredentials(FUser, FPass);
    client_.setConnectTimeout(platform::Millis(kConnectTimeoutMs));
    client_.setReadTimeout(platform::Millis(FDuration));
    // The camera may answer only once the light is out.
    client_.setRequestTimeout(platform::Millis(kConnectTimeoutMs) + platform::Millis(FDuration));
    try {
        // Only the camera's action matters; its answer is dropped, and any
        // failure ends the request silently. The connection closes with the
        // request.
        client_.request("GET", FGetString);
    } catch (const std::exception&) {}
}

std::string GetUserName() {
    std::string name;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name)
        name = found->pw_name;
    if (name.empty()) {
        char login[256] = {};
        if (::getlogin_r(login, sizeof login) == 0) name = login;
    }
    return name;
}

}  // namespace oculon::video
