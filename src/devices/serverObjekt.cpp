#include "devices/serverObjekt.h"

#include <atomic>
#include <span>
#include <tuple>

#include "config/CameraTypes.h"
#include "config/cfgUnit.h"
#include "devices/DeviceStations.h"
#include "devices/ProbePicture.h"
#include "devices/RebootLockGuard.h"
#include "devices/Thumbnail.h"
#include "devices/TickCount.h"
#include "video/BlackTest.h"
#include "video/MultipartParser.h"

namespace oculon::devices {

namespace {

constexpr const char* kNoAddress = "0.0.0.0";
constexpr int kPreviewWidth = 128;
constexpr int kPreviewWidthWine = 93;
constexpr int kDefaultBlackLevel = 45;
// A preview is decoded whole on the main thread; larger pictures are refused.
constexpr std::int64_t kMaxProbePixels = 4096LL * 4096;

std::atomic<bool> dialogOpen{false};

std::pair<std::string, std::string> addressAndPort(const paket& record, const std::string& address) {
    const config::CameraTraits& traits = config::cameraTraits(getType(record));
    std::pair<std::string, std::string> found{
        traits.address == config::RecordAddress::record ? record.ipAddr() : address, {}};
    switch (traits.port) {
        case config::RecordPort::port1: found.second = record.port1(); break;
        case config::RecordPort::port1NonZero: found.second = record.port1NonZero(); break;
        case config::RecordPort::fixed: found.second = traits.fixedPort; break;
        case config::RecordPort::none: break;
    }
    return found;
}

}  // namespace

std::string listKeyOf(const paket& record, const std::string& address) {
    const auto [ip, port] = addressAndPort(record, address);
    return ip + ":" + port;
}

void setSettingsDialogOpen(bool open) { dialogOpen = open; }
bool settingsDialogOpen() { return dialogOpen; }

serverObjekt::serverObjekt() = default;

serverObjekt::serverObjekt(const config::TManualConfig& entry, const DeviceContext& context) {
    FManuell = true;
    FMilliseconds = tickCount();
    FIpAdresseNAT = entry.ipAddr;
    FIpAdresse = entry.ipAddr;
    FSender = entry.ipAddr;
    FTyp = entry.typ;
    FPort = std::to_string(entry.port);
    FSubnet = kNoAddress;
    FGateway = kNoAddress;
    FDhcp = false;
    FName = entry.name;
    FVideoPath = entry.path;
    FcommonName = entry.commonName;
    takeStation(context);
    probePicture(context);
}

serverObjekt::serverObjekt(const std::string& address, const paket& record, const DeviceContext& context,
                           const std::string& sender) {
    fromRecord(address, record, nullptr, sender, context);
}

serverObjekt::serverObjekt(const std::string& address, const std::string& name, const paket& record,
                           const DeviceContext& context, const std::string& sender) {
    fromRecord(address, record, &name, sender, context);
}

serverObjekt::serverObjekt(const std::string& address, int reduction, const std::string& path, const std::string& name,
                           const paket& record, const DeviceContext& context, const std::string& sender) {
    fromRecord(address, record, &name, sender, context);
    FPfad = path;
    FReduktion = reduction;
}

void serverObjekt::fromRecord(const std::string& address, const paket& record, const std::string* name,
                              const std::string& sender, const DeviceContext& context) {
    FManuell = false;
    FMilliseconds = tickCount();
    FIpAdresseNAT = address;
    FSender = sender.empty() ? address : sender;
    FTyp = getType(record);
    FresString.clear();

    const config::CameraTraits& traits = config::cameraTraits(FTyp);
    std::tie(FIpAdresse, FPort) = addressAndPort(record, address);
    if (traits.address == config::RecordAddress::record) {
        FSubnet = record.subnet();
        FGateway = record.stdgat();
        FDhcp = record.dhcp();
    } else {
        FSubnet = kNoAddress;
        FGateway = kNoAddress;
        FDhcp = false;
    }
    FName = name ? *name : record.name();
    takeStation(context);
    probePicture(context);
}

void serverObjekt::takeStation(const DeviceContext& context) {
    // Another device of a station's name (two of one model keep their
    // factory name) is no station's: neither its label nor its credentials.
    config::TVideoConfig::StationPtr station;
    if (context.settings && context.listedComplete) {
        station = knownStationOf(*context.settings, FIpAdresse, FPort, FName, context.listed);
    } else if (context.settings) {
        station = stationAtItsAddress(*context.settings, FIpAdresse, FPort, FName);
    }
    // Stored credentials go only to the address the answer came from or to
    // the station's own: a record that names a third host must not draw the
    // station's password there.
    FCredentialsAllowed = FManuell || FIpAdresse == FSender || (station && FIpAdresse == station->Ip);
    if (!station || !FCredentialsAllowed) FAdminPass = config::defaultAdminPass(FTyp, FManuell);
    if (!station) {
        FIsConfigured = false;
        FHasMoxa = false;
        FcamAusgang = false;
        FcamAusgangSchrift.clear();
        return;
    }
    const config::TSingleConfig& s = *station;
    FIpTelefon = s.telefonIP;
    if (FCredentialsAllowed) {
        FUserName = s.UserName;
        FPasswort = s.Passwort;
        FAdminPass = s.AdminPass;
    }
    FAuthorization = s.NeedCredentials;
    FIsConfigured = true;
    FHasMoxa = s.moxa;
    FcamAusgang = s.camAusgang;
    FcamAusgangSchrift = s.camAusgangSchrift;
    FdauerAusgang = s.tuerDauer;
    FOhneBT = s.ohneBT;
    if (config::cameraTraits(FTyp).resolutionQuery) {
        if (const auto port = parsePort(FPort))
            FresString = axisResolution(
                {FIpAdresse, *port, FUserName, FPasswort, true, std::chrono::milliseconds(10000), context.cancel});
    }
    if (context.storeResString) context.storeResString(s.Name, FresString);
    FcommonName = s.commonName;
    FVideoPath = s.videoPath;
    FAnalogMulti = s.analog_multi;
    FAnalogEins = s.analog_eins;
    FAnalogZwei = s.analog_zwei;
    FAnalogDrei = s.analog_drei;
    FAnalogVier = s.analog_vier;
    FAnalogFuenf = s.analog_fuenf;
    FAnalogSechs = s.analog_sechs;
    FAnalogSieben = s.analog_sieben;
    FAnalogAcht = s.analog_acht;
    FAnalogNeun = s.analog_neun;
}

void serverObjekt::probePicture(const DeviceContext& context) {
    strom.clear();
    if (config::cameraTraits(FTyp).probePictureAtOnce || dialogOpen) {
        nimmBild(FIpAdresse, FPort, FAuthorization, context);
        FWhileConfig = true;
    } else {
        FBild.reset();
        FWhileConfig = false;
    }
}

void serverObjekt::Copy(const serverObjekt& source) {
    if (&source == this) return;
    static_cast<ServerFields&>(*this) = source;
}

void serverObjekt::Assign(const serverObjekt& source) {
    if (&source == this) return;
    Copy(source);
    FBild = source.FBild ? std::make_unique<video::Image>(*source.FBild) : nullptr;
}

std::string serverObjekt::streamPath() const {
    if (!FVideoPath.empty()) return FVideoPath;
    const std::string appId = std::to_string(config::localUnixMillisNow());
    return config::withStreamKey(FTyp, config::builtInStreamPath(FTyp, "", appId).value_or(""), FPasswort);
}

void serverObjekt::nimmBild(const std::string& host, const std::string& port, bool& authorization,
                            const DeviceContext& context) {
    const RebootLockGuard guard(context.rebootLock, "serverObjekt");
    if (!guard.entered()) return;
    const config::CameraTraits& traits = config::cameraTraits(FTyp);
    if (!traits.probeBySnapshot) {
        const std::string path = FVideoPath.empty() ? std::string(traits.streamPath) : FVideoPath;
        success = nimmMJPGBild(host, port, authorization, path, context);
        return;
    }
    if (FUserName.empty() && FPasswort.empty()) authorization = false;
    const auto portNumber = parsePort(port);
    if (!portNumber) {
        success = false;
        return;
    }
    const FetchResult result = fetchSnapshot(
        {host, *portNumber, FUserName, FPasswort, authorization, std::chrono::milliseconds(15000), context.cancel},
        std::string(traits.snapshotPath));
    if (result.unauthorized) authorization = true;
    success = result.success;
    strom = result.success ? result.jpeg : std::string();
}

bool serverObjekt::nimmMJPGBild(const std::string& host, const std::string& port, bool& authorization,
                                const std::string& path, const DeviceContext& context) {
    const auto portNumber = parsePort(port);
    if (!portNumber) return false;
    // A type whose key is its credential has it in the path and sends no
    // Authorization line; without a password it cannot get in.
    const bool keyInPath = config::cameraTraits(FTyp).suffix == config::StreamSuffix::key;
    if (keyInPath && FPasswort.empty()) authorization = true;
    const FetchResult result = fetchStreamFrame(
        {host, *portNumber, FUserName, FPasswort, !keyInPath, std::chrono::milliseconds(15000), context.cancel},
        config::withStreamKey(FTyp, path, FPasswort));
    if (result.unauthorized) authorization = true;
    if (!result.boundary.empty()) boundary = result.boundary;
    strom = result.success ? result.jpeg : std::string();
    return result.success;
}

void serverObjekt::setBoundary(const std::string& headerLine) {
    boundary = video::parseStreamContentType(headerLine).boundary;
}

bool serverObjekt::isBlack(int r, int g, int b, int blackLevel) { return video::isDark(r, g, b, blackLevel); }

bool serverObjekt::checkPict(const video::Image& picture, int blackLevel) {
    return video::isBlackPicture(video::viewOf(picture), blackLevel, video::kPreviewGridMargin);
}

video::Image serverObjekt::resizeBmp(const video::Image& picture, int width) const {
    video::Image thumbnail = makeThumbnail(picture, width, config::cameraTraits(FTyp).crops ? FReduktion : 0);
    if (FIsConfigured) drawMarks(thumbnail, FHasMoxa);
    return thumbnail;
}

void serverObjekt::verarbeiteBild(int blackLevel, bool wine) {
    FBild.reset();
    if (!success) {
        FHasPict = false;
        return;
    }
    video::Image picture;
    try {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(strom.data());
        video::DecodeOptions options;
        options.maxPixels = kMaxProbePixels;
        picture = video::decodeJpeg(std::span(bytes, strom.size()), options);
    } catch (const video::JpegError&) {
        picture = {};
    }
    if (picture.width <= 0 || picture.height <= 0) {
        // Whatever the device sent was no picture: a failed probe.
        success = false;
        FHasPict = false;
        return;
    }
    FHasPict = !checkPict(picture, blackLevel);
    FBild = std::make_unique<video::Image>(resizeBmp(picture, wine ? kPreviewWidthWine : kPreviewWidth));
}

void serverObjekt::verarbeiteBild() {
    const config::TVideoConfig* settings = config::videoConfig;
    verarbeiteBild(settings ? settings->blackValue() : kDefaultBlackLevel, settings && settings->isWine());
}

}  // namespace oculon::devices
