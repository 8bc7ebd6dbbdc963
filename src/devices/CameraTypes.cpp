#include "devices/CameraTypes.h"

#include <chrono>
#include <ctime>

#include "config/Helpers.h"

namespace oculon::devices {

std::int64_t localUnixMillisNow() {
    using namespace std::chrono;
    const auto now = system_clock::now();
    const std::time_t seconds = system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    // timegm reads the broken-down local time as if it were UTC: local
    // milliseconds, no conversion.
    const std::int64_t localSeconds = timegm(&local);
    const auto millis = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
    return localSeconds * 1000 + millis;
}

std::string baseStreamPath(TVideoServerType type) {
    switch (type) {
        case config::KorvatServer: return "/GetData.cgi";
        case config::LindavorCam: return "/mjpg/video.mjpg";
        case config::MobotixCam: return "/control/faststream.jpg?stream=full&error=picture&fps=10&needlength";
        case config::KorvatCam: return "/ipcam/mjpeg.cgi";
        case config::AxisCam: return "/axis-cgi/mjpg/video.cgi";
        case config::KorvatServer2: return "/cgi-bin/video.cgi?msubmenu=mjpg";
        case config::KorvatCamQuorix: return "/axis-cgi/mjpg/video.cgi?appid=";
        case config::HikVision: return "/ISAPI/streaming/channels/101/httppreview";
        case config::MirabCam: return "/?mjpg&key=";
        case config::unknown: break;
    }
    return {};
}

std::string streamPath(TVideoServerType type, const std::string& password, std::int64_t nowMillis) {
    std::string path = baseStreamPath(type);
    if (type == config::KorvatCamQuorix) path += std::to_string(nowMillis);
    if (type == config::MirabCam) path += config::EncodeURIComponent(password);
    return path;
}

std::string snapshotPath(TVideoServerType type) {
    switch (type) {
        case config::KorvatServer: return "/Jpeg/CamImg.jpg";
        case config::LindavorCam: return "/jpg/image.jpg";
        case config::MobotixCam: return "/cgi-bin/image.jpg?size=160x120&quality=30";
        case config::KorvatCam: return "/snapshot.cgi";
        case config::AxisCam:
        case config::KorvatCamQuorix: return "/axis-cgi/jpg/image.cgi";
        case config::KorvatServer2: return "/cgi-bin/video.cgi?msubmenu=jpg";
        case config::HikVision:
            return "/ISAPI/streaming/channels/101/picture?videoResolutionWidth=1920&videoResolutionHeight=1080";
        case config::MirabCam: return "/?jpg&key=";
        case config::unknown: break;
    }
    return {};
}

std::string defaultAdminPass(TVideoServerType type, bool manualEntry) {
    switch (type) {
        case config::MobotixCam: return "pulvex";
        case config::KorvatCam: return "60392817";
        case config::KorvatCamQuorix: return manualEntry ? "8516" : "tenzi";
        default: return "8516";
    }
}

}  // namespace oculon::devices
