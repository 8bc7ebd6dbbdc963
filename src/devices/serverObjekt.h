#pragma once
// One video server or IP camera as found on the network or configured: type,
// addresses, credentials, the options of its configured station, and a
// square preview with the verdict whether the picture is black. Probe
// threads make it and post it (message 1026); the main form then calls
// verarbeiteBild and keeps it in the discovery list.

#include <cstdint>
#include <memory>
#include <string>

#include "config/ConfigEntries.h"
#include "devices/DeviceContext.h"
#include "devices/DiscoveryTelegrams.h"
#include "platform/MainLoop.h"
#include "video/Jpeg.h"

namespace oculon::devices {

// The fields of a device object that Copy takes over: all but the preview.
struct ServerFields {
    config::TVideoServerType FTyp = config::KorvatServer;
    std::string FIpAdresseNAT;
    std::string FIpAdresse;
    std::string FIpTelefon;
    std::string FPort;
    std::string FSubnet;
    std::string FGateway;
    std::string FName;
    bool FDhcp = false;
    bool FAuthorization = false;
    std::string FUserName;
    std::string FPasswort;
    std::string FAdminPass;
    bool FHasPict = false;
    std::uint32_t FMilliseconds = 0;
    bool FIsConfigured = false;
    bool FHasMoxa = false;
    bool FcamAusgang = false;
    std::string FcamAusgangSchrift;
    std::int32_t FdauerAusgang = 0;
    std::string strom;  // the fetched JPEG
    bool success = false;
    bool FOhneBT = false;
    std::string FresString;
    bool FManuell = false;
    std::string FVideoPath;
    bool FAnalogMulti = false, FAnalogEins = false, FAnalogZwei = false, FAnalogDrei = false, FAnalogVier = false,
         FAnalogFuenf = false, FAnalogSechs = false, FAnalogSieben = false, FAnalogAcht = false, FAnalogNeun = false;
    bool FWhileConfig = false;
    std::string FPfad;
    std::int32_t FReduktion = 0;
    std::string FcommonName;
    std::string boundary;  // of the last stream read, with leading "--"
    std::string FSender;   // where the answer came from (for a manual entry: its address)
    // The configured station's credentials may go to FIpAdresse: it is where
    // the answer came from, or the station's own address.
    bool FCredentialsAllowed = false;
};

// Where the device that answered from `address` with `record` is listed:
// "address:port", as listKey() of its device object.
std::string listKeyOf(const paket& record, const std::string& address);

// While the settings dialog is open, every new device object fetches its
// probe picture, so the dialog can show each device with its picture. Any
// thread.
void setSettingsDialogOpen(bool open);
bool settingsDialogOpen();

class serverObjekt : public platform::MessagePayload, public ServerFields {
public:
    // Empty, to be filled by Copy.
    serverObjekt();
    // A manually added camera.
    serverObjekt(const config::TManualConfig& entry, const DeviceContext& context);
    // A device that answered from `address` with `record`. `sender`: where
    // the answer came from when that is not `address` itself (a multicast-DNS
    // answer naming an address).
    serverObjekt(const std::string& address, const paket& record, const DeviceContext& context,
                 const std::string& sender = {});
    // The same, with the name that multicast DNS or the relay gave.
    serverObjekt(const std::string& address, const std::string& name, const paket& record, const DeviceContext& context,
                 const std::string& sender = {});
    // The same, with the width reduction and stream path it announced.
    serverObjekt(const std::string& address, int reduction, const std::string& path, const std::string& name,
                 const paket& record, const DeviceContext& context, const std::string& sender = {});

    // Every field except the preview picture.
    void Copy(const serverObjekt& source);
    // Copy, then the preview picture too.
    void Assign(const serverObjekt& source);

    // Fetches one picture into `strom` and sets `success`; `authorization`
    // becomes true when the device asked for credentials.
    void nimmBild(const std::string& host, const std::string& port, bool& authorization, const DeviceContext& context);
    // One frame of the MJPEG stream at `path`; true on success.
    bool nimmMJPGBild(const std::string& host, const std::string& port, bool& authorization, const std::string& path,
                      const DeviceContext& context);

    // Main thread, when the object arrives: decodes the fetched picture,
    // tests it for black with `blackLevel` and makes the preview (93 pixels
    // wide under Wine, else 128). A picture that cannot be decoded is no
    // picture.
    void verarbeiteBild(int blackLevel, bool wine);
    // The same with the process's settings.
    void verarbeiteBild();

    // True when the picture is black at level `blackLevel`.
    static bool checkPict(const video::Image& picture, int blackLevel);
    static bool isBlack(int r, int g, int b, int blackLevel);
    video::Image resizeBmp(const video::Image& picture, int width) const;
    void setBoundary(const std::string& headerLine);

    // The stream path of this device: the custom path, else its type's.
    std::string streamPath() const;
    std::string listKey() const { return FIpAdresse + ":" + FPort; }

    std::unique_ptr<video::Image> FBild;  // preview, Bgrx32, owned

    // Properties under their usual names.
    config::TVideoServerType typ() const { return FTyp; }
    const video::Image* image() const { return FBild.get(); }
    const std::string& IPAdresse() const { return FIpAdresse; }
    const std::string& Port() const { return FPort; }
    const std::string& Name() const { return FName; }
    bool hasPicture() const { return FHasPict; }
    std::uint32_t timing() const { return FMilliseconds; }
    bool isConfigured() const { return FIsConfigured; }
    bool isManual() const { return FManuell; }
    bool credentialsAllowed() const { return FCredentialsAllowed; }

private:
    void fromRecord(const std::string& address, const paket& record, const std::string* name, const std::string& sender,
                    const DeviceContext& context);
    // Takes the options of the device's configured station (known by its
    // address and port, devices/DeviceStations.h), or the defaults.
    void takeStation(const DeviceContext& context);
    // The probe picture for the types that get one at construction.
    void probePicture(const DeviceContext& context);
};

}  // namespace oculon::devices

// Message 1026 carries it.
template <>
struct oculon::platform::MessagePayloadOf<oculon::platform::WM_UPDATEEVENT> {
    using type = oculon::devices::serverObjekt;
};
