#include "config/CameraTypes.h"

#include <array>
#include <chrono>
#include <ctime>

#include "config/Helpers.h"

namespace oculon::config {

namespace {

using A = RecordAddress;
using P = RecordPort;
using S = StreamSuffix;

constexpr std::string_view kAxisStream = "/axis-cgi/mjpg/video.cgi";
constexpr std::string_view kAxisSnapshot = "/axis-cgi/jpg/image.cgi";
constexpr std::string_view kFactoryPass = "8516";

// clang-format off
constexpr std::array<CameraTraits, kVideoServerTypeCount> kTraits = {{
    // type, prefix, stream path, suffix, snapshot path,
    //   address, port, fixed port, admin pass (found, manual),
    //   probed on answer, picture at once, by snapshot, resolution query,
    //   calls by probe, calls by input, input monitor, monitor ends with entry, input port, token on every line,
    //   black test, every second part, crops, door by command, relay output, light, frame uses stored path
    {KorvatServer, "IPCam", "/GetData.cgi", S::none, "/Jpeg/CamImg.jpg",
     A::record, P::port1, "", kFactoryPass, kFactoryPass,
     true, true, false, false,
     true, false, false, false, "", false,
     true, true, false, true, "", false, false},
    {LindavorCam, "CPCam", "/mjpg/video.mjpg", S::none, "/jpg/image.jpg",
     A::record, P::port1NonZero, "", kFactoryPass, kFactoryPass,
     true, false, false, false,
     false, true, false, false, "", false,
     false, false, false, false, "", false, false},
    {MobotixCam, "MOBOT", "/control/faststream.jpg?stream=full&error=picture&fps=10&needlength", S::none,
     "/cgi-bin/image.jpg?size=160x120&quality=30",
     A::sender, P::fixed, "80", "pulvex", "pulvex",
     false, false, false, false,
     false, false, false, false, "", false,
     false, false, false, false, "", false, false},
    {KorvatCam, "T4615", "/ipcam/mjpeg.cgi", S::none, "/snapshot.cgi",
     A::sender, P::port1, "", "60392817", "60392817",
     false, false, false, false,
     false, false, false, false, "", false,
     false, false, false, false, "", false, false},
    {AxisCam, "AXIS_", kAxisStream, S::resolution, kAxisSnapshot,
     A::sender, P::fixed, "80", kFactoryPass, kFactoryPass,
     false, false, false, true,
     false, true, true, true, "1", false,
     false, false, false, false, "3", true, false},
    {KorvatServer2, "", "/cgi-bin/video.cgi?msubmenu=mjpg", S::none, "/cgi-bin/video.cgi?msubmenu=jpg",
     A::record, P::none, "", kFactoryPass, kFactoryPass,
     false, true, false, false,
     true, false, false, false, "", false,
     true, true, false, false, "", false, true},
    {KorvatCamQuorix, "KORVA", "/axis-cgi/mjpg/video.cgi?appid=", S::appId, kAxisSnapshot,
     A::sender, P::fixed, "80", "tenzi", kFactoryPass,
     false, false, true, false,
     false, true, true, true, "0", true,
     false, false, false, false, "4", false, false},
    {HikVision, "HIKVI", "/ISAPI/streaming/channels/101/httppreview", S::none,
     "/ISAPI/streaming/channels/101/picture?videoResolutionWidth=1920&videoResolutionHeight=1080",
     A::sender, P::fixed, "80", kFactoryPass, kFactoryPass,
     false, false, true, false,
     true, false, false, false, "", false,
     false, false, false, false, "", false, false},
    {MirabCam, "MIRAB", "/?mjpg&key=", S::key, "/?jpg&key=",
     A::sender, P::fixed, "8080", kFactoryPass, kFactoryPass,
     false, false, false, false,
     true, false, false, true, "", false,
     false, false, true, false, "", false, false},
    {unknown, "", "", S::none, "",
     A::record, P::none, "", kFactoryPass, kFactoryPass,
     false, false, false, false,
     true, false, false, false, "", false,
     false, false, false, false, "", false, true},
}};
// clang-format on

constexpr bool tableInTypeOrder() {
    for (std::size_t i = 0; i < kTraits.size(); ++i)
        if (kTraits[i].type != static_cast<TVideoServerType>(i)) return false;
    return true;
}
static_assert(tableInTypeOrder(), "one row per type, in the order of the codes");

}  // namespace

const CameraTraits& cameraTraits(TVideoServerType type) {
    const auto index = static_cast<std::size_t>(type);
    return index < kTraits.size() ? kTraits[index] : kTraits[unknown];
}

TVideoServerType typeOfPrefix(std::string_view prefix) {
    for (const CameraTraits& t : kTraits)
        if (!t.prefix.empty() && t.prefix == prefix) return t.type;
    return unknown;
}

std::optional<std::string> builtInStreamPath(TVideoServerType type, std::string_view resolution,
                                             std::string_view appId) {
    const CameraTraits& t = cameraTraits(type);
    if (t.streamPath.empty()) return std::nullopt;
    std::string path(t.streamPath);
    if (t.suffix == StreamSuffix::resolution) path += resolution;
    if (t.suffix == StreamSuffix::appId) path += appId;
    return path;
}

std::string withStreamKey(TVideoServerType type, std::string path, std::string_view password) {
    if (cameraTraits(type).suffix == StreamSuffix::key) path += EncodeURIComponent(password);
    return path;
}

std::string_view defaultAdminPass(TVideoServerType type, bool manualEntry) {
    const CameraTraits& t = cameraTraits(type);
    return manualEntry ? t.adminPassManual : t.adminPass;
}

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

}  // namespace oculon::config
