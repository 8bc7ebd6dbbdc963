#include "devices/TAxisThread.h"

#include <algorithm>
#include <atomic>

#include "config/CameraTypes.h"
#include "devices/ProbePicture.h"
#include "devices/stateChangeObjekt.h"
#include "platform/Base64.h"
#include "platform/HttpResponseParser.h"

namespace oculon::devices {

namespace {

std::atomic<int> threadCounter{0};

}  // namespace

AxisInputParser::AxisInputParser(config::TVideoServerType type)
    : tokenOnEveryLine_(config::cameraTraits(type).inputTokenOnEveryLine) {
    const std::string input(config::cameraTraits(type).inputPort);
    highToken_ = input + "I:H";
    lowToken_ = input + "I:L";
}

std::string AxisInputParser::requestLine(config::TVideoServerType type) {
    return "GET /axis-cgi/io/port.cgi?monitor=" + std::string(config::cameraTraits(type).inputPort) + " HTTP/1.1";
}

std::optional<bool> AxisInputParser::token(std::string_view line) {
    contentType_.clear();
    if (line == highToken_) return true;
    if (line == lowToken_) return false;
    return std::nullopt;
}

std::optional<bool> AxisInputParser::feedLine(std::string_view line) {
    if (tokenNext_) {
        tokenNext_ = false;
        return token(line);
    }
    const auto colon = line.find(": ");
    if (colon != std::string_view::npos && platform::equalsIgnoreCase(line.substr(0, colon + 1), "Content-Type:")) {
        const std::string_view value = line.substr(colon + 2);
        contentType_ = std::string(platform::trimView(value.substr(0, value.find(';'))));
    }
    if (tokenOnEveryLine_) return token(line);
    if (!line.empty()) return std::nullopt;
    // An empty line ends a part's header; the token follows a text part's.
    tokenNext_ = platform::equalsIgnoreCase(contentType_, "text/plain");
    contentType_.clear();
    return std::nullopt;
}

std::string TAxisThread::nextThreadName() { return "TAxisThread " + std::to_string(threadCounter.fetch_add(1)); }

TAxisThread::TAxisThread(std::string name, std::string host, const std::string& port, std::string user,
                         std::string pass, config::TVideoServerType type)
    : platform::Thread(nextThreadName()),
      FUser(std::move(user)),
      FPass(std::move(pass)),
      FName(std::move(name)),
      FType(type),
      host_(std::move(host)),
      port_(parsePort(port).value_or(0)) {
    httpClient_.setReadTimeout(kReadTimeout);
}

TAxisThread::~TAxisThread() {
    Terminate();
    WaitFor(kConnectTimeout + kReadTimeout);
}

bool TAxisThread::open() {
    ++connections_;
    // The request up to its status line has a bound of its own, however
    // slowly the camera sends; the event stream after it has none.
    httpClient_.setDeadline(platform::deadlineAfter(kConnectTimeout + kReadTimeout));
    httpClient_.connect(host_, port_, kConnectTimeout);
    std::string request = AxisInputParser::requestLine(FType) + "\r\n";
    request += "Host: " + host_ + "\r\n";
    request += "Authorization: Basic " + platform::base64Encode(FUser + ":" + FPass) + "\r\n\r\n";
    httpClient_.write(request);
    const std::string status = httpClient_.readLn(kMaxLineLength);
    httpClient_.setDeadline(platform::kNoDeadline);
    return status == "HTTP/1.0 200 OK" || status == "HTTP/1.1 200 OK";
}

void TAxisThread::monitor() {
    AxisInputParser parser(FType);
    while (!Terminated()) {
        std::string line;
        try {
            line = httpClient_.readLn(kMaxLineLength);
        } catch (const platform::TimeoutError&) {
            continue;  // a quiet camera keeps its connection
        }
        if (const auto high = parser.feedLine(line)) post(*high);
    }
}

void TAxisThread::post(bool high) {
    auto event = std::make_unique<stateChangeObjekt>();
    event->FName = FName;
    event->FIpAdresse = host_;
    event->FPort = std::to_string(port_);
    event->FStatus1 = high;
    event->FStatus2 = false;
    platform::MainLoop::instance().post<platform::WM_STATECHANGEDEVENT>(FWindowHandle, std::move(event));
}

void TAxisThread::Execute() {
    auto backoff = firstBackoff_;
    while (!Terminated()) {
        bool monitored = false;
        try {
            if (port_ != 0 && open()) {
                monitored = true;
                backoff = firstBackoff_;
                monitor();
            }
        } catch (const platform::NetError&) {
            // Refused, cut or broken: connect again after a pause.
        }
        httpClient_.disconnect();
        if (Terminated()) break;
        // A failing camera gets a pause that grows up to the longest one; a
        // link that was up and then dropped gets the shortest, so a camera
        // that answers and hangs up at once cannot make this loop spin.
        sleepFor(monitored ? firstBackoff_ : backoff);
        if (!monitored) backoff = std::min(backoff * 2, longestBackoff_);
    }
    httpClient_.disconnect();
}

}  // namespace oculon::devices
