#pragma once
// The value types the whole program passes around for a configured station or
// camera: one station (TSingleConfig), a camera added by hand (TManualConfig),
// a wall camera (TSurveillanceConfig), the stream description a window hands
// to the decoder (TServerAttributes), the wall's change message (TSurvChange)
// and a window rectangle (TWindowSettings).

#include <cstdint>
#include <optional>
#include <string>

#include "config/sprachen.h"
#include "platform/MainLoop.h"

namespace oculon::config {

// Base of the entries that copy themselves from another entry. Assign from an
// object of a different class leaves the target unchanged.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    virtual void Assign(const TPersistent& source) = 0;

protected:
    TPersistent() = default;
    TPersistent(const TPersistent&) = default;
    TPersistent& operator=(const TPersistent&) = default;
};

// One configured door station, video server or camera.
class TSingleConfig : public TPersistent {
public:
    // Copies every field except videoOnly, which belongs to the popup showing
    // this copy.
    void Assign(const TPersistent& source) override;

    TVideoServerType typ = KorvatServer;
    TTelefonTyp teltyp = telUnknown;
    bool videoOnly = false;  // run time only
    std::string moxaIP;      // run time only
    std::string telefonIP;
    std::string telefonName;
    std::string Ip;
    std::string Net;
    std::string gateway;
    std::string Name;
    std::string UserName;
    std::string AdminPass;
    std::string Passwort;
    std::string Port;
    bool NeedCredentials = false;
    bool IsDhcp = false;
    bool moxa = false;
    bool video = false;
    bool moxaNeedCred = false;
    std::string moxaPass;
    // The gateway's password before a save it never confirmed: it may hold
    // this one instead of moxaPass until a login tells which.
    std::optional<std::string> moxaPassBefore;
    // The hardware address of the gateway in front ("00:90:e8:00:00:01"):
    // a name may be another gateway's too. Empty in settings stored before
    // it was kept, where the gateway is the one that carries the station's name.
    std::string moxaMac;
    bool moxaDhcp = false;
    bool eingang = false;
    bool ausgang = false;
    std::string ausgangSchrift;
    std::string eingangSchriftEin;
    std::string eingangBildEin;
    std::string eingangSchriftAus;
    std::string eingangBildAus;
    std::string tuerCode;
    std::int32_t tuerDauer = 5;
    bool camAusgang = false;
    std::string camAusgangSchrift;
    bool ohneBT = false;
    std::string resString;  // run time only
    std::string videoPath;
    bool analog_multi = false;
    bool analog_eins = false;
    bool analog_zwei = false;
    bool analog_drei = false;
    bool analog_vier = false;
    bool analog_fuenf = false;
    bool analog_sechs = false;
    bool analog_sieben = false;
    bool analog_acht = false;
    bool analog_neun = false;
    std::string secondaryName;
    std::string secondaryIp;
    std::string secondaryPort;
    TVideoServerType secondaryType = KorvatServer;
    std::string secondaryPath;
    std::string secondaryUserName;
    std::string secondaryPassword;
    std::string secondaryResString;
    std::string commonName;
    std::string secondaryCommonName;  // run time only
    std::string mirabPath;
    std::int32_t mirabReduction = 0;
};

// A camera the user added by hand; listed under ipAddr + ":" + port.
class TManualConfig : public TPersistent {
public:
    void Assign(const TPersistent& source) override;
    std::string listKey() const { return ipAddr + ":" + std::to_string(port); }

    TVideoServerType typ = KorvatServer;
    std::string name;
    std::string ipAddr;
    std::int32_t port = 0;
    std::string path;
    std::string commonName;
};

struct TServerAttributes;

// One camera of the surveillance wall; listed under its tile number.
class TSurveillanceConfig : public TPersistent {
public:
    void Assign(const TPersistent& source) override;
    // Takes the camera from a stream description; recording stays as it is.
    void readFromAttributes(const TServerAttributes& attributes);
    // Fills the camera's part of a stream description; the rest is the caller's.
    void writeToAttributes(TServerAttributes& attributes) const;

    TVideoServerType typ = KorvatServer;
    std::string name;
    std::string commonName;
    std::string ipAddr;
    std::int32_t port = 0;
    std::string user;
    std::string password;
    std::string path;
    std::int32_t recording = 0;  // 0 never, 1 always, 2 the user starts it
    std::string mirabPath;
    std::int32_t mirabReduction = 0;
};

// The stream a window asks the decoder for, copied by value. Where the
// pictures and faults go is the window's business, handed to the decoder
// separately.
struct TServerAttributes {
    std::string CameraName;
    std::string Path;
    std::string IP;
    std::int32_t Port = 0;
    TVideoServerType ServerTyp = KorvatServer;
    std::string UserName;
    std::string Password;
    bool zeigeImmer = false;
    bool isMoxa = false;
    std::string moxaIP;
    bool ueberwachung = false;
    bool aufzeichnen = false;
    std::int32_t frameRate = 1;
    std::string mirabPath;
    std::int32_t mirabCrop = 0;
};

// Posted by a tile of the settings dialog to the wall (message 1035), which
// owns it from then on.
struct TSurvChange : platform::MessagePayload {
    std::int32_t number = 0;
    bool delete_ = false;  // remove the camera from the wall
    std::int32_t recording = 0;
};

struct TWindowSettings {
    std::int32_t top = 0;
    std::int32_t left = 0;
    std::int32_t height = 0;
    std::int32_t width = 0;

    friend bool operator==(const TWindowSettings&, const TWindowSettings&) = default;
};

}  // namespace oculon::config

// Message 1035 carries it.
template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WMSURVEILLANCESINGLE> {
    using type = oculon::config::TSurvChange;
};
