#pragma once
// Serial-to-Ethernet gateways: `TGatewayObject` (one gateway's name and
// network settings, read and changed through the gateway library) and
// `moxaThread`, which searches every 4 seconds and tells the main form with
// message 1028 that its sorted list `gateways` changed.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "devices/DeviceStations.h"
#include "devices/GatewayChange.h"
#include "devices/NeciLibrary.h"
#include "platform/MainLoop.h"
#include "platform/Thread.h"

namespace oculon::devices {

inline constexpr std::uint32_t kGatewayApplication = 256;  // `apid` of the gateways we use

// "192.168.1.10" for the integer whose bytes from lowest to highest are 192,
// 168, 1 and 10, and back; nullopt for text that is no dotted quad.
std::string ipToStr(std::uint32_t address);
std::optional<std::uint32_t> strToIp(const std::string& text);
// "00:90:e8:00:00:01": how a gateway's hardware address is shown and stored.
std::string macToStr(const std::uint8_t (&mac)[6]);

class TGatewayObject {
public:
    TGatewayObject() = default;
    // A found gateway, shown at its configured (pseudo) address, with its
    // name read; its settings come from the getters.
    TGatewayObject(std::shared_ptr<const NeciApi> api, const DS_INFO& info);
    // The same with nothing read yet: all it has is what the search heard.
    struct Unread {};
    TGatewayObject(std::shared_ptr<const NeciApi> api, const DS_INFO& info, Unread);

    // Each attaches on its own; a gateway that does not answer keeps the
    // values it had, and the getter returns false.
    bool getName();
    bool getIpConfig();
    bool getIFConfig();
    bool getKrnlInfo();
    // All of them with one attachment, the address included, as after a
    // restart; false when the gateway does not answer.
    bool readBack();
    // Whether any read reached the gateway: one that never answered has
    // nothing but the address the search found it at.
    bool answered() const { return FAnswered; }

    // The gateway restarted since it was found (every save restarts it), so
    // it may have come back at another address: from now on nothing goes to
    // it before a search has found its hardware address again, and then
    // only to where it answered that search.
    void restarted() { FRestarted = true; }
    bool restartedSinceFound() const { return FRestarted; }
    // Where a search found this gateway (the same hardware address): its
    // record, and the address it shows.
    void foundAt(const DS_INFO& info);
    // The search heard its hardware address from several addresses (these):
    // one of them is not the gateway, and nothing with a password goes to
    // either until a search hears it from one address alone.
    void claimedFrom(std::vector<std::string> addresses) { FClaimedFrom = std::move(addresses); }
    bool disputed() const { return FClaimedFrom.size() > 1; }
    const std::vector<std::string>& claimedFrom() const { return FClaimedFrom; }
    std::string hardwareAddress() const { return macToStr(gwInfo.mac); }
    // It answered from one of the workstation's own addresses: whatever
    // answers there (another account's program, say) is no gateway.
    void answeredFromHere(bool here) { FFromHere = here; }
    bool fromHere() const { return FFromHere; }

    // Whether the gateway accepts `Password()`.
    GatewayLogin checkPass();

    // Logs in with `Password()` (nothing when the gateway has none), sets
    // each value of `wanted`, and has the gateway save what it took and
    // restart, once. The values it saved are kept here; the outcome holds
    // those it did not take (password refused, value not accepted, address
    // text not valid, save refused, or all of them when it stopped
    // answering before the save), and those whose save it never confirmed.
    GatewayOutcome change(const GatewayChange& wanted);

    // One value each, with a restart of its own; false when it was not taken.
    bool setIP(const std::string& address);
    bool setNetmask(const std::string& mask);
    bool setGateway(const std::string& gateway);
    bool setDHCP(bool on);
    bool setName(const std::string& name);
    // An empty password removes it.
    bool setPassword(const std::string& password);

    const std::string& name() const { return FName; }
    const std::string& IPAddress() const { return FIPAddress; }
    const std::string& gateway() const { return FGateway; }
    const std::string& netmask() const { return FNetmask; }
    bool dhcp() const { return FDHCP; }
    bool needPass() const { return FHasPwd; }
    std::uint32_t firmware() const { return FFirmware; }
    std::uint32_t bios() const { return FBIOS; }
    const DS_INFO& info() const { return gwInfo; }
    // The password the user entered for this gateway.
    const std::string& Password() const { return FPassword; }
    void Password(std::string password) { FPassword = std::move(password); }

private:
    class Attachment;
    // False, with nothing sent, while the gateway restarted or is disputed
    // and no search has found it again at one address.
    bool located();
    // Runs `read` over an attachment of its own when the entry point it
    // needs is `bound`; false only when the gateway did not answer.
    bool attached(bool bound, const std::function<void(int handle)>& read);
    // What the getters read, over an attachment made already.
    void readName(int handle);
    void readIpConfig(int handle);
    // The address too when `withAddress`; the search shows the one it found.
    void readIFConfig(int handle, bool withAddress);
    void readKrnlInfo(int handle);

    std::shared_ptr<const NeciApi> api_;
    DS_INFO gwInfo{};
    std::string FName;
    std::string FIPAddress;
    std::string FGateway;
    std::string FNetmask;
    bool FDHCP = false;
    std::uint32_t FFirmware = 0;
    std::uint32_t FBIOS = 0;
    bool FHasPwd = false;
    std::uint16_t FIFID = 0;
    std::string FPassword;
    bool FAnswered = false;
    bool FRestarted = false;
    std::vector<std::string> FClaimedFrom;  // where its hardware address answered, when more than once
    bool FFromHere = false;
};

using TGatewayList = std::vector<TGatewayObject>;

// The gateways as the rule of devices/DeviceStations.h takes them.
std::vector<FoundGateway> foundGateways(const TGatewayList& list);

// Orders by address compared as text, character by character, as the list
// shows them (".10" before ".9").
void sortByAddress(TGatewayList& list);
// Gives each gateway whose hardware address answered from several addresses
// those addresses.
void markDisputes(TGatewayList& list);

class moxaThread : public platform::Thread {
public:
    static constexpr std::chrono::milliseconds kInterval{4000};
    // What a round may spend on reading the gateways it found: each one that
    // never answers costs the library's whole wait, and a device may answer
    // the search with many. A round begun goes on with the read under way.
    static constexpr std::chrono::milliseconds kReadBudget{2000};

    // With the program's own library (written to the temp folder when
    // missing there).
    explicit moxaThread(platform::TargetId winHandle);
    moxaThread(platform::TargetId winHandle, std::shared_ptr<const NeciApi> api,
               std::chrono::milliseconds interval = kInterval);
    ~moxaThread() override;

    // A copy of the latest search's gateways, sorted (`gateways`).
    TGatewayList gateways() const;

protected:
    void Execute() override;

private:
    // One search (`dsList`): handed over as soon as it is heard, with what
    // `earlier` (the last search's) showed of each gateway, for the calls
    // that come meanwhile; then with the settings read of as many as the
    // round's time allows, the ones that answered before first, then those
    // never asked, then the silent.
    TGatewayList search(const TGatewayList& earlier);
    // The rest of the settings of a gateway that answered the name read.
    void readSettings(TGatewayObject& gateway) const;
    // Only a round's read list is told (message 1028): the settings dialog
    // shows what was read, not a gateway not asked yet as silent.
    void handOver(TGatewayList list, bool tell);

    platform::TargetId winHandle_;
    std::shared_ptr<const NeciApi> api_;
    std::chrono::milliseconds interval_;
    mutable std::mutex kritischerAbschnitt;
    TGatewayList openList;
    // Loop thread only: the gateways (hardware and answering address) that
    // were asked and stayed silent, asked last from then on.
    std::vector<std::string> silent_;
};

}  // namespace oculon::devices
