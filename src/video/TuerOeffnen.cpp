#include "video/TuerOeffnen.h"

#include <cstdio>

#include "config/CameraTypes.h"
#include "config/Helpers.h"
#include "config/sprachen.h"
#include "platform/Base64.h"
#include "video/LichtThread.h"

namespace oculon::video {

using namespace config;

std::string tuerKommando() {
    std::string frame =
        "\x1F"
        "T";
    frame += static_cast<char>(checksum(frame));
    return frame;
}

std::string padDoorCode(std::string code, CodePadding padding) {
    if (code.size() < 4) code.resize(4, 'F');
    else if (padding == CodePadding::fourThenEight && code.size() > 4 && code.size() < 8) code.resize(8, 'F');
    return code;
}

std::string telephonePayload(std::int32_t durationSeconds, const std::string& paddedCode) {
    char duration[16];
    std::snprintf(duration, sizeof duration, "%.2d", static_cast<int>(durationSeconds));
    return "1" + std::string(duration) + paddedCode;
}

LightRequest lightRequest(const DoorTarget& t) {
    return {t.videoIP,
            std::to_string(t.videoPort),
            t.userName,
            t.password,
            "/axis-cgi/io/lightcontrol.cgi?action=L1:-100,w15000,-0",
            20000};
}

LightRequest relayRequest(const DoorTarget& t) {
    const std::int64_t ms = static_cast<std::int64_t>(t.doorDuration) * 1000;
    return {t.videoIP,
            std::to_string(t.videoPort),
            t.userName,
            t.password,
            "/axis-cgi/io/port.cgi?action=" + std::string(cameraTraits(t.typ).relayOutput) + ":/" + std::to_string(ms) +
                "%5C",
            static_cast<int>(ms)};
}

std::string relayPostRequest(const RelayPost& post) {
    const std::string body = "CAM_IOSET1=0&CAM_IOSET2=" + std::to_string(post.durationSeconds);
    std::string request;
    request += "POST /remote.cgi HTTP/1.1\r\n";
    request += "Host: " + post.host + "\r\n";
    request += "Authorization: Basic " + platform::base64Encode(post.user + ":" + post.password) + "\r\n";
    request += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    request += "Content-Type: application/x-www-form-urlencoded\r\n";
    request += "\r\n";
    // The line end after the body is outside its length; servers skip an
    // empty line before the next request.
    request += body + "\r\n";
    return request;
}

TRelayPostThread::TRelayPostThread(RelayPost post) : platform::Thread("TRelayPost"), post_(std::move(post)) {}

TRelayPostThread::~TRelayPostThread() = default;

void TRelayPostThread::start(RelayPost post) {
    platform::Thread::startDetached(std::make_unique<TRelayPostThread>(std::move(post)));
}

void TRelayPostThread::interrupt() { client_.interrupt(); }

void TRelayPostThread::Execute() {
    if (post_.port <= 0 || post_.port > 65535 || post_.host.empty()) return;
    try {
        // However slowly the camera takes the request in.
        client_.setDeadline(platform::deadlineAfter(platform::Millis(2 * kConnectTimeoutMs)));
        client_.connect(post_.host, static_cast<std::uint16_t>(post_.port), platform::Millis(kConnectTimeoutMs));
        client_.setReadTimeout(platform::Millis(kConnectTimeoutMs));
        client_.write(relayPostRequest(post_));
    } catch (const std::exception&) {
        // A camera that cannot be reached gets nothing; the user sees the
        // door stay shut.
    }
    client_.disconnect();
}

std::string doorSnapshotComment(const std::string& user, const std::optional<std::string>& comment) {
    std::string text = tr(txtUser) + user;
    if (comment) text += ", " + tr(txtComment) + *comment;
    return text;
}

DoorResult tuerOeffnen(const DoorTarget& t, const DoorOptions& o, const DoorEffects& fx) {
    if (cameraTraits(t.typ).doorByCommand && !t.hasTelephone) {
        if (!fx.sendFunction || t.moxaIP.empty()) return DoorResult::nothingToSend;
        fx.sendFunction(tuerKommando(), t.moxaIP);
        return DoorResult::udpCommand;
    }

    std::string payload;
    if (!t.camAusgang) {
        std::string code = t.doorCode;
        if (o.codeTuerOffen) {
            std::optional<std::string> typed = fx.askCode ? fx.askCode() : std::nullopt;
            if (!typed) return DoorResult::cancelled;
            code = *typed;
        }
        payload = telephonePayload(t.doorDuration, padDoorCode(code, o.padding));
    }

    if (o.protTuerOffen) {
        // The snapshot always goes into the dated picture folder.
        const std::string file = (o.snapshotBaseName ? o.snapshotBaseName() : std::string()) + ".jpg";
        const std::string user = o.userName ? o.userName() : std::string();
        std::optional<std::string> comment;
        if (o.kommentarTuerOffen) {
            comment = fx.askComment ? fx.askComment() : std::nullopt;
            if (!comment) return DoorResult::cancelled;
        }
        if (fx.saveImage) fx.saveImage(file, doorSnapshotComment(user, comment));
    }

    if (!t.camAusgang) {
        if (!fx.sendFunctionLindavor || t.moxaIP.empty()) return DoorResult::nothingToSend;
        fx.sendFunctionLindavor(payload, t.moxaIP);
        return DoorResult::telephone;
    }

    if (!cameraTraits(t.typ).relayOutput.empty()) {
        if (fx.startLight) fx.startLight(relayRequest(t));
        if (t.ohneBT && !t.preview && fx.close) fx.close();
        return DoorResult::cameraRelay;
    }
    if (fx.sendRelay) fx.sendRelay({t.videoIP, t.videoPort, t.userName, t.password, t.doorDuration});
    return DoorResult::relayPost;
}

}  // namespace oculon::video
