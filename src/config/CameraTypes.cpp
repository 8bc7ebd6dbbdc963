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

// One row per type, in the order of the codes; what a row leaves out takes
// the defaults of CameraTraits.
constexpr std::array<CameraTraits, kVideoServerTypeCount> kTraits = {{
    {.type = KorvatServer,
     .prefix = "IPCam",
     .streamPath = "/GetData.cgi",
     .snapshotPath = "/Jpeg/CamImg.jpg",
     .address = A::record,
     .port = P::port1,
     .probedOnSearchAnswer = true,
     .probePictureAtOnce = true,
     .callsByProbe = true,
     .blackTest = true,
     .popupShowsEverySecond = true,
     .doorByCommand = true},
    {.type = LindavorCam,
     .prefix = "CPCam",
     .streamPath = "/mjpg/video.mjpg",
     .snapshotPath = "/jpg/image.jpg",
     .address = A::record,
     .port = P::port1NonZero,
     .probedOnSearchAnswer = true,
     .callsByInput = true},
    {.type = MobotixCam,
     .prefix = "MOBOT",
     .streamPath = "/control/faststream.jpg?stream=full&error=picture&fps=10&needlength",
     .snapshotPath = "/cgi-bin/image.jpg?size=160x120&quality=30",
     .adminPass = "pulvex",
     .adminPassManual = "pulvex"},
    {.type = KorvatCam,
     .prefix = "T4615",
     .streamPath = "/ipcam/mjpeg.cgi",
     .snapshotPath = "/snapshot.cgi",
     .port = P::port1,
     .adminPass = "60392817",
     .adminPassManual = "60392817"},
    {.type = AxisCam,
     .prefix = "AXIS_",
     .streamPath = kAxisStream,
     .suffix = S::resolution,
     .snapshotPath = kAxisSnapshot,
     .resolutionQuery = true,
     .callsByInput = true,
     .inputMonitor = true,
     .monitorEndsWithEntry = true,
     .relayOutput = "3",
     .light = true},
    {.type = KorvatServer2,
     .streamPath = "/cgi-bin/video.cgi?msubmenu=mjpg",
     .snapshotPath = "/cgi-bin/video.cgi?msubmenu=jpg",
     .address = A::record,
     .port = P::none,
     .probePictureAtOnce = true,
     .callsByProbe = true,
     .blackTest = true,
     .popupShowsEverySecond = true,
     .frameUsesStoredPath = true},
    {.type = KorvatCamQuorix,
     .prefix = "KORVA",
     .streamPath = "/axis-cgi/mjpg/video.cgi?appid=",
     .suffix = S::appId,
     .snapshotPath = kAxisSnapshot,
     .adminPass = "tenzi",
     .probeBySnapshot = true,
     .callsByInput = true,
     .inputMonitor = true,
     .monitorEndsWithEntry = true,
     .inputPort = "0",
     .inputTokenOnEveryLine = true,
     .relayOutput = "4"},
    {.type = HikVision,
     .prefix = "HIKVI",
     .streamPath = "/ISAPI/streaming/channels/101/httppreview",
     .snapshotPath = "/ISAPI/streaming/channels/101/picture?videoResolutionWidth=1920&videoResolutionHeight=1080",
     .probeBySnapshot = true,
     .callsByProbe = true},
    {.type = MirabCam,
     .prefix = "MIRAB",
     .streamPath = "/?mjpg&key=",
     .suffix = S::key,
     .snapshotPath = "/?jpg&key=",
     .fixedPort = "8080",
     .callsByProbe = true,
     .monitorEndsWithEntry = true,
     .crops = true},
    {.type = unknown, .address = A::record, .port = P::none, .callsByProbe = true, .frameUsesStoredPath = true},
}};

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
