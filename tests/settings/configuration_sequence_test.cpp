// The configuration of a video server as the device sees it: the exact
// requests for each kind of change, recorded byte for byte by a loopback
// server, the gateway calls, what is stored, and that the reboot lock is
// free again whatever way the run ends.
#include <gtest/gtest.h>

#include <deque>
#include <set>
#include <tuple>

#include "platform/Base64.h"
#include "platform/Registry.h"
#include "settings/DeviceLinks.h"
#include "settings/VideoServerConfiguration.h"
#include "support/LoopbackHttpServer.h"

using namespace oculon;
using namespace oculon::settings;
using testsupport::LoopbackHttpServer;
using testsupport::RecordedRequest;
using testsupport::Script;

namespace {

const std::string kFixed[] = {"/SetChannel.cgi?Channel=0", "/ChangeCompressRatio.cgi?Ratio=1",
                              "/ChangeResolution.cgi?ResType=3"};
const std::string kReboot = "/Reboot.cgi?RebootNow=1";
const std::string kManualNetwork =
    "/Cmd.cgi?Cmd=SetIP.cgi&Interface=eth1&Enable=true&IPWay=manually&IP=10.0.0.9&Netmask=255.255.0.0"
    "&Gateway=10.0.0.1&IPWay0=manually&Cmd=SetIP.cgi&Interface=wlan0&IPWay=manually&IP=0.0.0.0&Netmask=0.0.0.0"
    "&Gateway=0.0.0.0&IPWay1=manually&MailOnDhcp=off&MailOnDhcp0=off&DhcpMailSubject=videoDorvik&DNS0=0.0.0.0"
    "&DNS1=0.0.0.0&DNS2=0.0.0.0&Cmd=PPPoE.cgi&User=&Pass=&MailServer=&MailUser=&MailPassWord=&Sender=&Receiver="
    "&Receiver_Cc=&Receiver_Bcc=&Subject=Oculon+PPP+Dialed%21&Action=Set&RedirectUrl="
    "http%3A%2F%2F192.168.1.100%2FNetwork.htm%3Fhttp%3A%2F%2F192.168.1.100%2F";

class Prompts : public RunPrompts {
public:
    explicit Prompts(const config::TRebootSperre& lock) : lock_(lock) {}
    std::optional<std::string> askPassword(const std::string& station, bool video) override {
        log.push_back("ask " + station + (video ? " video" : ""));
        if (passwords.empty()) return std::nullopt;
        auto answer = passwords.front();
        passwords.pop_front();
        return answer;
    }
    bool confirmReboot() override {
        log.push_back("confirm");
        if (confirms.empty()) return true;
        const bool ok = confirms.front();
        confirms.pop_front();
        return ok;
    }
    bool confirmSameDevice(const std::string& question) override {
        log.push_back("same? " + question);
        return sameDevice;
    }
    void error(const std::string& text) override { log.push_back("error " + text); }
    void report(const std::string& text, bool serverStored) override {
        log.push_back("error " + text + (serverStored ? "\r\nsaved: server" : ""));
    }
    void progress(int amount) override { progressed += amount; }
    void rebootCountdown(std::unique_ptr<RebootHold>) override {
        log.push_back(lock_.bblocked() ? "countdown, fetches held back" : "countdown, fetches free");
    }
    void gatewayWait(const std::string& text) override { waits.push_back(text); }
    bool pause(std::chrono::milliseconds) override { return true; }

    std::deque<std::optional<std::string>> passwords;
    std::deque<bool> confirms;
    bool sameDevice = false;
    std::vector<std::string> log;
    std::vector<std::string> waits;
    int progressed = 0;

private:
    const config::TRebootSperre& lock_;
};

class FakeGateway : public GatewaySettings {
public:
    std::string name() const override { return deviceName; }
    std::string hardwareAddress() const override { return mac; }
    std::vector<std::string> claimedFrom() const override { return claimants; }
    std::string address() const override { return "10.0.0.20"; }
    std::string gateway() const override { return "10.0.0.1"; }
    std::string netmask() const override { return netmask_; }
    bool dhcp() const override { return dhcp_; }
    bool hasPassword() const override { return !devicePassword.empty(); }
    std::string password() const override { return login_; }
    void setLoginPassword(const std::string& p) override { login_ = p; }
    devices::GatewayLogin checkPassword() override {
        note("check " + login_);
        if (silent) return devices::GatewayLogin::silent;
        return login_ == devicePassword ? devices::GatewayLogin::accepted : devices::GatewayLogin::refused;
    }
    // Notes each value and takes all but those in `refuses`.
    devices::GatewayOutcome change(const devices::GatewayChange& w) override {
        if (silentAtSet) return note("silent"), devices::GatewayOutcome{.notTaken = w, .silent = true};
        devices::GatewayOutcome outcome;
        devices::GatewayChange& refused = outcome.notTaken;
        const auto set = [&](const auto& value, const std::string& text, auto& refusedValue) {
            if (!value) return false;
            note(text);
            if (refuses.contains(text.substr(0, text.find(' ')))) refusedValue = value;
            return !refusedValue;
        };
        if (set(w.name, "name " + w.name.value_or(""), refused.name)) deviceName = *w.name;
        if (set(w.password, "password " + w.password.value_or(""), refused.password)) devicePassword = *w.password;
        set(w.address, "address " + w.address.value_or(""), refused.address);
        set(w.gateway, "gateway " + w.gateway.value_or(""), refused.gateway);
        if (set(w.netmask, "netmask " + w.netmask.value_or(""), refused.netmask)) netmask_ = *w.netmask;
        if (set(w.dhcp, w.dhcp.value_or(false) ? "dhcp on" : "dhcp off", refused.dhcp)) dhcp_ = *w.dhcp;
        note("save");
        // Unconfirmed: what it refused shows only when it is read back.
        if (unconfirmed) outcome = {.unconfirmed = true};
        return outcome;
    }
    bool readBack() override { return note("read back"), comesBack; }

    std::string deviceName = "GW1";
    std::string mac = "00:90:e8:00:00:01";
    std::vector<std::string> claimants;  // two devices answer with its hardware address
    std::string devicePassword = "old";
    std::vector<std::string> log;
    std::set<std::string> refuses;  // by the first word of the log line
    bool silent = false;            // at the login
    bool silentAtSet = false;
    bool unconfirmed = false;  // the save's answer never comes
    bool comesBack = true;     // answers again after that

private:
    bool note(const std::string& call) {
        log.push_back(call);
        return true;
    }
    std::string netmask_ = "255.0.0.0";
    bool dhcp_ = true;
    std::string login_;
};

class Sequence : public ::testing::Test {
protected:
    Sequence() {
        device.FIpAdresse = server.address();
        device.FPort = std::to_string(server.port());
        device.FName = "Door";
        device.FSubnet = "255.255.255.0";
        device.FGateway = "10.0.0.254";
        device.FAuthorization = true;
        device.FUserName = "door";
        device.FPasswort = "pw";
        device.FAdminPass = "8516";
        settings.addConfig(door());
        server.setHandler([this](const RecordedRequest&) {
            const auto answer = answers.find(server.requests().size() - 1);
            return answer != answers.end() ? answer->second : Script::reply(200, "OK", "<html>OK</html>");
        });
    }

    static config::TSingleConfig door() {
        config::TSingleConfig station;
        station.Name = "Door";
        station.AdminPass = "8516";
        station.videoPath = "/own.cgi";
        // What other pages gave the station: a run on the server page keeps it.
        station.commonName = "Front door";
        station.telefonIP = "10.0.0.40";
        station.telefonName = "Haustuer";
        station.tuerCode = "1234";
        station.tuerDauer = 7;
        station.secondaryName = "Garden";
        station.secondaryIp = "10.0.0.41";
        // A door output without a gateway: the door command goes to the server.
        station.ausgang = true;
        station.ausgangSchrift = "Open door";
        return station;
    }
    // The station's door output and gateway are as they were stored.
    static void expectDoorKept(const config::TSingleConfig& s) {
        const config::TSingleConfig own = door();
        EXPECT_EQ(std::tie(s.ausgang, s.ausgangSchrift, s.eingang, s.moxa, s.moxaNeedCred, s.moxaPass),
                  std::tie(own.ausgang, own.ausgangSchrift, own.eingang, own.moxa, own.moxaNeedCred, own.moxaPass));
    }
    // The stored station as it was before the run.
    void restore() { settings.updateConfig(settings.getConfigByNumber(0), door()); }
    ServerEdits unchanged() const {
        return {device.FName, device.FPort, device.FIpAdresse,    device.FSubnet, device.FGateway, "", "",
                "",           false,        device.FAuthorization};
    }
    VideoServerConfiguration::Result run(const ServerEdits& edits, GatewayEdits g = {}, bool modified = false,
                                         GatewaySettings* gw = nullptr, std::vector<ListedDevice> listed = {}) {
        VideoServerConfiguration configuration(
            {settings, &lock, client, prompts, gw, [this](const std::string& n) { return gatewaysNamed(n); },
             config::lang_en, std::chrono::milliseconds(4000), std::chrono::milliseconds(0), std::move(listed)});
        return configuration.run(device, edits, g, modified);
    }
    // "name@address:port" of each station, in number order.
    std::vector<std::string> stations() const {
        std::vector<std::string> all;
        for (int i = 0; i < settings.Count(); ++i) {
            const auto s = settings.getConfigByNumber(i);
            all.push_back(s->Name + "@" + s->Ip + ":" + s->Port);
        }
        return all;
    }
    std::vector<std::string> targets() const {
        std::vector<std::string> out;
        for (const RecordedRequest& r : server.requests()) out.push_back(r.target);
        return out;
    }
    // What the client sends, to the byte.
    std::string head(const std::string& target, const std::string& password) const {
        std::string h =
            "GET " + target + " HTTP/1.1\r\nHost: " + server.address() + ":" + device.FPort + "\r\nAccept: */*\r\n";
        if (!password.empty())
            h += "Authorization: Basic " + platform::base64Encode("administrator:" + password) + "\r\n";
        return h + "Connection: close\r\n\r\n";
    }
    std::vector<std::string> with(std::vector<std::string> more) const {
        std::vector<std::string> all(std::begin(kFixed), std::end(kFixed));
        all.insert(all.end(), more.begin(), more.end());
        return all;
    }
    config::TSingleConfig stored() const { return *settings.getConfigByNumber(0); }
    void forgetStations() {
        while (const auto station = settings.getConfigByNumber(0)) settings.deleteConfig(station);
    }

    // Before the server: its thread may still be in a handler that reads
    // them while the fixture goes.
    std::map<std::size_t, Script> answers;  // by request index; others 200
    LoopbackHttpServer server;
    config::TVideoConfig settings{std::make_shared<platform::MemoryRegistryStore>()};
    config::TRebootSperre lock;
    Prompts prompts{lock};
    // How many gateways of the search carry a name.
    std::function<std::size_t(const std::string&)> gatewaysNamed = [](const std::string& n) { return n == "Door"; };
    HttpCgiClient client{std::chrono::milliseconds(2000), std::chrono::milliseconds(2000)};
    devices::ServerFields device;
};

}  // namespace

TEST_F(Sequence, EachKindOfChangeSendsItsRequestsToTheByte) {
    struct Case {
        const char* what;
        std::function<void(ServerEdits&, devices::ServerFields&)> change;
        std::vector<std::string> more;  // after the three fixed requests
        bool reboot;
    };
    const std::vector<Case> cases = {
        {"nothing", [](ServerEdits&, devices::ServerFields&) {}, {}, false},
        {"name",
         [](ServerEdits& e, devices::ServerFields&) { e.name = "A&B=C ü"; },
         {"/SetIP.cgi?CameraName=A%26B%3DC%20%C3%BC"},
         false},
        {"port",
         [](ServerEdits& e, devices::ServerFields&) { e.port = "08081"; },
         {"/Cmd.cgi?Cmd=SetHttp.cgi&Port0=8081&Port1=0", kReboot},
         true},
        {"address",
         [](ServerEdits& e, devices::ServerFields&) {
             e.ip = "10.0.0.9";
             e.subnet = "255.255.0.0";
             e.gateway = "10.0.0.1";
         },
         {kManualNetwork, kReboot},
         true},
        {"dhcp",
         [](ServerEdits& e, devices::ServerFields&) { e.dhcp = true; },
         {"/Cmd.cgi?Cmd=SetIP.cgi&Interface=eth1&Enable=true&IPWay=dhcp&IP=127.0.0.1&Netmask=255.255.255.0"
          "&Gateway=10.0.0.254&IPWay0=dhcp&Cmd=SetIP.cgi&Interface=wlan0&IPWay=dhcp&IP=0.0.0.0&Netmask=0.0.0.0"
          "&Gateway=0.0.0.0&IPWay1=dhcp" +
              kManualNetwork.substr(kManualNetwork.find("&MailOnDhcp")),
          kReboot},
         true},
        {"user on",
         [](ServerEdits& e, devices::ServerFields& d) {
             d.FAuthorization = false;
             e.useUserName = true;
             e.user = "us er&";
             e.pass = "p=ä";
         },
         {"/SetUserCheck.cgi?Check=true", "/SetUser.cgi?User=us%20er%26&Pass=p%3D%C3%A4&PassConfirm=p%3D%C3%A4"},
         false},
        {"user off",
         [](ServerEdits& e, devices::ServerFields&) { e.useUserName = false; },
         {"/SetUserCheck.cgi?Check=false"},
         false},
        {"password alone",
         [](ServerEdits& e, devices::ServerFields&) { e.user = "door", e.pass = e.passConfirm = "neu"; },
         {"/SetUserCheck.cgi?Check=true", "/SetUser.cgi?User=door&Pass=neu&PassConfirm=neu"},
         false},
    };
    const devices::ServerFields original = device;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        device = original;
        ServerEdits edits = unchanged();
        c.change(edits, device);
        const std::size_t before = server.requests().size();
        prompts.log.clear();
        prompts.progressed = 0;
        const auto result = run(edits);
        EXPECT_TRUE(result.finished);
        EXPECT_FALSE(result.error);
        EXPECT_EQ(prompts.progressed, 100);
        const std::vector<RecordedRequest> requests = server.requests();
        const std::vector<std::string> expected = with(c.more);
        ASSERT_EQ(requests.size() - before, expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const bool basic = device.FAuthorization || expected[i].rfind("/SetUser.cgi", 0) == 0;
            EXPECT_EQ(requests[before + i].head, head(expected[i], basic ? "8516" : ""));
        }
        EXPECT_EQ(std::count(prompts.log.begin(), prompts.log.end(), "countdown, fetches held back"), c.reboot ? 1 : 0);
        EXPECT_FALSE(lock.bblocked());
        // The station is stored with what was sent; its own fields stay.
        const config::TSingleConfig s = stored();
        EXPECT_EQ(s.Name, edits.name);
        EXPECT_EQ(s.Port, c.reboot && edits.port != device.FPort ? "8081" : device.FPort);
        EXPECT_EQ(s.videoPath, "/own.cgi");
        EXPECT_EQ(s.NeedCredentials, edits.useUserName);
        const config::TSingleConfig own = door();
        EXPECT_EQ(
            std::tie(s.commonName, s.telefonIP, s.telefonName, s.tuerCode, s.tuerDauer, s.secondaryName, s.secondaryIp),
            std::tie(own.commonName, own.telefonIP, own.telefonName, own.tuerCode, own.tuerDauer, own.secondaryName,
                     own.secondaryIp));
        expectDoorKept(s);
        restore();
    }
}

TEST_F(Sequence, GatewayInFrontIsRenamedUnlockedAndReaddressed) {
    FakeGateway gw;
    GatewayEdits g;
    g.name = "GW2";
    g.pass = g.passConfirm = "new";
    g.usePass = true;
    g.selected = true;
    g.edited = true;  // not the station's gateway: it is given what the user changed
    g.ip = "10.0.0.21";
    g.gateway = "10.0.0.1";
    g.subnet = "255.0.0.0";
    // Nothing to give the gateway: it is neither logged in to nor asked for.
    GatewayEdits same = g;
    std::tie(same.name, same.ip, same.pass, same.passConfirm, same.dhcp) = std::tuple("GW1", "10.0.0.20", "", "", true);
    run(unchanged(), same, false, &gw);
    EXPECT_EQ(gw.log.size() + prompts.log.size(), 0u);

    prompts.passwords = {"wrong", "old"};
    GatewayEdits typo = g;
    typo.passConfirm = "nwe";
    EXPECT_TRUE(run(unchanged(), typo, false, &gw).error);
    EXPECT_TRUE(gw.log.empty());

    const auto result = run(unchanged(), g, false, &gw);
    EXPECT_FALSE(result.error);
    // Everything in one go after the password was found: one restart.
    EXPECT_EQ(gw.log, (std::vector<std::string>{"check ", "check wrong", "check old", "name GW2", "password new",
                                                "address 10.0.0.21", "gateway 10.0.0.1", "netmask 255.0.0.0",
                                                "dhcp off", "save"}));
    EXPECT_EQ(prompts.log[prompts.log.size() - 2], "ask Gateway GW1");
    EXPECT_EQ(targets().size(), 6u);  // the typo stopped its run before any request
    // The gateway is not named after this station: the page's door output is another's.
    expectDoorKept(stored());
    // The password tried first is the one stored for the gateway's own station.
    config::TSingleConfig own;
    std::tie(own.Name, own.moxaNeedCred, own.moxaPass) = std::tuple("GW2", true, "new");
    settings.addConfig(own);
    gw.log.clear();
    run(unchanged(), g, false, &gw);
    EXPECT_EQ(gw.log.front(), "check new");
}

TEST_F(Sequence, TheGatewayIsToldWhatIsWrongAndWhatItRefused) {
    FakeGateway gw;
    gw.devicePassword.clear();
    GatewayEdits g;
    g.name = "Door";  // the station's own gateway
    g.selected = true;
    g.edited = true;
    g.ip = "10.77.0.300";
    g.gateway = "abc";
    g.subnet = "255.255.255.0";
    // Bad addresses are named and stop the run before anyone is asked for a
    // password (that of a server not stored yet) or anything is sent.
    device.FName = "New";
    EXPECT_TRUE(run(unchanged(), g, false, &gw).error);
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"error On the page \"Gateways\":\r\n"
                                                     "One or more of the given IP-Adresses are invalid\r\n\r\n"
                                                     "IP-Address: 10.77.0.300\r\nStandard Gateway: abc"}));
    EXPECT_TRUE(server.requests().empty());
    EXPECT_TRUE(gw.log.empty());
    device.FName = "Door";

    // A value the gateway refuses is told, and shown and stored as the
    // gateway has it; the server's rename goes with the rest, one restart.
    gw.refuses = {"netmask"};
    g.ip = "10.0.0.21";
    g.gateway = "10.0.0.1";
    g.subnet = "255.255.0.0";
    g.usePass = true;
    g.pass = g.passConfirm = "neu";
    ServerEdits renamed = unchanged();
    renamed.name = "Door2";
    config::TSingleConfig behindGateway = door();  // which carries its name
    behindGateway.moxa = true;
    settings.updateConfig(settings.getConfigByNumber(0), std::move(behindGateway));
    const auto result = run(renamed, g, false, &gw);
    EXPECT_TRUE(result.error);
    EXPECT_EQ(gw.log, (std::vector<std::string>{"check ", "name Door2", "password neu", "address 10.0.0.21",
                                                "gateway 10.0.0.1", "netmask 255.255.0.0", "dhcp off", "save"}));
    // Told once the station is stored, which the lines after it say.
    EXPECT_EQ(prompts.log.back(), "error The gateway did not take these settings:\r\nSubnet mask\r\nsaved: server");
    EXPECT_EQ(result.gateway.subnet, "255.0.0.0");
    EXPECT_EQ(result.gateway.name, "Door2");
    ASSERT_TRUE(settings.getConfigByName("Door2"));
    EXPECT_EQ(settings.getConfigByName("Door2")->moxaPass, "neu");
    EXPECT_TRUE(settings.getConfigByName("Door2")->moxa);  // behind the gateway under its new name

    // A refused password is not the station's either.
    gw.log.clear();
    gw.refuses = {"password"};
    g.name = "Door2";
    g.pass = g.passConfirm = "neuer";
    device.FName = "Door2";
    EXPECT_TRUE(run(unchanged(), g, false, &gw).error);
    EXPECT_EQ(prompts.log.back(), "error The gateway did not take these settings:\r\nPassword\r\nsaved: server");
    EXPECT_EQ(settings.getConfigByName("Door2")->moxaPass, "neu");

    // A gateway that does not answer is told so, never asked for another
    // password; a save it did not confirm is read back once it answers, and
    // until then the station may log in with either password.
    const std::string notAnswering = "The gateway does not answer: Door2 (10.0.0.20)\r\n";
    const std::string allSent =
        "\r\nIP-Address\r\nStandard Gateway\r\nSubnet mask\r\nPassword\r\nIP-Configuration by DHCP";
    const std::string saved = "\r\nsaved: server";
    const struct {
        const char* what;
        std::function<void(FakeGateway&)> behave;
        std::string message;  // none: no error
        std::string moxaPass;
        std::optional<std::string> before;
        bool waits = false;  // for the gateway to answer again
    } cases[] = {
        // The run stops before the station is stored.
        {"silent at the login", [](FakeGateway& f) { f.silent = true; },
         notAnswering.substr(0, notAnswering.size() - 2), "old", std::nullopt},
        {"silent at the first setter", [](FakeGateway& f) { f.silentAtSet = true; },
         notAnswering + "The gateway did not take these settings:" + allSent + saved, "old", std::nullopt},
        {"save never confirmed", [](FakeGateway& f) { f.unconfirmed = true, f.comesBack = false; },
         notAnswering + "The gateway did not confirm that it saved these settings:" + allSent +
             "\r\nAt its next login to the gateway the program tries the old and the new password." + saved,
         "neu", "old", true},
        {"read back without the netmask", [](FakeGateway& f) { f.unconfirmed = true, f.refuses = {"netmask"}; },
         "The gateway did not take these settings:\r\nSubnet mask" + saved, "neu", std::nullopt, true},
        {"read back without the password", [](FakeGateway& f) { f.unconfirmed = true, f.refuses = {"password"}; },
         "The gateway did not take these settings:\r\nPassword" + saved, "old", std::nullopt, true},
        // The station as the unconfirmed save left it; the gateway kept the old one.
        {"the login after a save never confirmed", nullptr, "", "neu", std::nullopt},
    };
    // Still the station's own gateway: only that one's page gives the
    // station its gateway values.
    g.ip = "10.0.0.20";
    g.pass = g.passConfirm = "neu";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeGateway slow;
        slow.deviceName = "Door2";
        config::TSingleConfig station = *settings.getConfigByName("Door2");
        station.moxaNeedCred = true;
        station.moxaPass = c.behave ? "old" : "neu";
        station.moxaPassBefore = c.behave ? std::nullopt : std::optional<std::string>("old");
        if (c.behave) c.behave(slow);
        settings.updateConfig(settings.getConfigByName("Door2"), std::move(station));
        prompts.log.clear();
        prompts.waits.clear();
        EXPECT_EQ(run(unchanged(), g, false, &slow).error, !c.message.empty());
        EXPECT_EQ(prompts.waits.size(), c.waits ? 2u : 0u);  // shown and ended
        // Never asked for a password.
        EXPECT_EQ(prompts.log,
                  c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{"error " + c.message});
        const auto stored = settings.getConfigByName("Door2");
        EXPECT_EQ(std::pair(stored->moxaPass, stored->moxaPassBefore), std::pair(c.moxaPass, c.before));
    }
}

TEST_F(Sequence, EveryRoadOutLeavesPictureFetchesFree) {
    ServerEdits all = unchanged();
    all.port = "8081";
    all.ip = "10.0.0.9";
    all.subnet = "255.255.0.0";
    all.gateway = "10.0.0.1";
    all.name = "Gate";
    all.useUserName = true;
    all.user = "admin2";
    all.pass = "x";
    const std::vector<std::string> full =
        with({"/Cmd.cgi?Cmd=SetHttp.cgi&Port0=8081&Port1=0", kManualNetwork, "/SetIP.cgi?CameraName=Gate",
              "/SetUserCheck.cgi?Check=true", "/SetUser.cgi?User=admin2&Pass=x&PassConfirm=x", kReboot});
    for (std::size_t k = 0; k < full.size(); ++k) {
        SCOPED_TRACE(k);
        const std::size_t before = server.requests().size();
        answers.clear();
        answers[before + k] = Script::reply(500, "Internal Server Error", "no");
        const auto result = run(all);
        EXPECT_TRUE(result.error);
        EXPECT_FALSE(lock.bblocked());
        const std::size_t sent = server.requests().size() - before;
        // The three fixed requests stop the run; later failures are shown
        // and the run goes on, without storing what the device refused.
        if (k < 3) {
            EXPECT_EQ(sent, k + 1);
            EXPECT_EQ(prompts.log.back(),
                      "error The video server could not carry out the request. Its answer:\r\n"
                      "HTTP/1.1 500 Internal Server Error");
        } else {
            EXPECT_EQ(sent, full.size() - (k == 6 ? 1 : 0));
        }
        EXPECT_EQ(stored().Name, k == full.size() - 1 ? "Gate" : "Door");
        if (k == full.size() - 1) restore();
    }

    // What the user can mend stops the run before any question or request,
    // and the message says nothing was saved.
    answers.clear();
    const struct {
        const char* what;
        std::function<void(ServerEdits&)> edit;
        std::string message;
    } mendable[] = {
        {"address", [](ServerEdits& e) { e.ip = "10.0.0.256"; }, "One or more of the given IP-Adresses are invalid"},
        {"port", [](ServerEdits& e) { e.port = "99999"; }, "The Port-Number must be a number between 0 and 65535"},
        {"password", [](ServerEdits& e) { e.pass = std::string(21, 'x'); },
         "The user name and the password may each have at most 20 characters: the video server would cut them "
         "short."},
    };
    std::size_t before = server.requests().size();
    for (const auto& row : mendable) {
        SCOPED_TRACE(row.what);
        ServerEdits edits = all;
        row.edit(edits);
        prompts.log.clear();
        prompts.confirms = {false, false};  // a question asked would be told by them
        EXPECT_TRUE(run(edits).error);
        EXPECT_EQ(prompts.log, std::vector<std::string>{"error On the page \"Videoserver setup\":\r\n" + row.message});
        EXPECT_EQ(server.requests().size(), before);
        EXPECT_FALSE(lock.bblocked());
    }

    // Cancelled questions: the port stays; the device's password is not
    // given. Each says what was not sent or saved.
    prompts.confirms = {false, false};
    const auto kept = run(all);
    EXPECT_EQ(kept.server.port, device.FPort);
    EXPECT_EQ(server.requests().size() - before, 6u);  // fixed, name, user check, user
    EXPECT_EQ(settings.getConfigByName("Gate")->Port, device.FPort);
    EXPECT_EQ(prompts.log.back(),
              "error The video server was not restarted: its new port and network settings were not sent.");
    forgetStations();
    device.FName = "Unknown";
    before = server.requests().size();
    EXPECT_TRUE(run(unchanged()).error);
    EXPECT_EQ(prompts.log[prompts.log.size() - 2], "ask Unknown video");
    EXPECT_EQ(prompts.log.back(), "error Cancelled: nothing more was sent to the devices.");
    EXPECT_EQ(server.requests().size(), before);
    EXPECT_FALSE(lock.bblocked());
}

TEST_F(Sequence, StatusCodesDecideAndTheStoreWeighsEveryRequest) {
    // The device's redirect counts as success; a refusal is told by its code.
    ServerEdits renamed = unchanged();
    renamed.name = "Gate";
    answers[3] = Script::reply(302, "Found", "", {{"Location", "/index.htm"}});
    EXPECT_FALSE(run(renamed).error);
    EXPECT_TRUE(settings.getConfigByName("Gate"));
    answers.clear();
    answers[4] = Script::reply(401, "Nope", "");
    renamed.name = "Gate2";
    device.FName = "Gate";
    EXPECT_TRUE(run(renamed).error);
    EXPECT_EQ(prompts.log.back(), "error Access denied");

    // A refused rename is not stored although the user request after it went through.
    renamed.useUserName = false;
    answers.clear();
    answers[server.requests().size() + 3] = Script::reply(500, "Internal Server Error", "");
    EXPECT_TRUE(run(renamed).error);
    EXPECT_EQ(server.requests().back().target, "/SetUserCheck.cgi?Check=false");
    EXPECT_FALSE(settings.getConfigByName("Gate2"));
    // Unless the page holds edits that were not applied yet.
    answers.clear();
    answers[server.requests().size() + 3] = Script::reply(500, "Internal Server Error", "");
    EXPECT_TRUE(run(renamed, {}, true).error);
    EXPECT_TRUE(settings.getConfigByName("Gate2"));

    // The password typed for an unknown server is the one stored.
    forgetStations();
    device.FName = "Fresh";
    prompts.passwords = {"typed"};
    ServerEdits fresh = unchanged();
    fresh.user = "door";
    fresh.pass = fresh.passConfirm = "pw";
    // No gateway selected: the page's gateway of the station's name is its own.
    GatewayEdits named;
    named.name = "Fresh";
    EXPECT_FALSE(run(fresh, named).error);
    EXPECT_EQ(server.requests().back().head, head(kFixed[2], "typed"));
    const auto station = settings.getConfigByName("Fresh");
    ASSERT_TRUE(station);
    EXPECT_EQ(station->AdminPass, "typed");
    EXPECT_EQ(station->UserName, "door");
    EXPECT_EQ(station->typ, config::KorvatServer);
    EXPECT_TRUE(station->moxa);

    // A new password the server refuses is told; the station keeps the one that works.
    fresh.pass = fresh.passConfirm = "neu";
    answers[server.requests().size() + 4] = Script::reply(401, "Nope", "");
    run(fresh, {}, true);
    EXPECT_TRUE(prompts.log.back().starts_with("error The video server did not take the new user settings."));
    EXPECT_EQ(settings.getConfigByName("Fresh")->Passwort, "pw");
    // Its reason in words, and the server's own text after them.
    answers[server.requests().size() + 4] = Script::reply(403, "Password rejected by policy", "");
    run(fresh, {}, true);
    EXPECT_EQ(prompts.log.back(),
              "error The video server did not take the new user settings. The program keeps the ones that work with "
              "it.\r\nThe video server refused the request. Its answer:\r\nHTTP/1.1 403 Password rejected by policy");
    EXPECT_EQ(settings.getConfigByName("Fresh")->Passwort, "pw");
}

// Two devices of one name: configuring one changes its own station only. A
// station stored for another address is this device's when nothing, or a
// device of another name, answers there now and no second device answers
// with its name (it moved, as by DHCP); where the rule cannot tell, when the
// user says so; else the device becomes a station of its own and the other
// stays as it was.
TEST_F(Sequence, ADeviceOfAnotherStationsNameNeverRewritesThatStation) {
    const std::string here = device.FIpAdresse + ":" + device.FPort;
    const struct {
        const char* what;
        std::vector<ListedDevice> listed;  // what answers besides the device
        bool same;                         // the user's answer, when asked
        bool asked;
        std::vector<std::string> after;
    } cases[] = {
        {"a device of its name answers where it was set up, and the user says it is another",
         {{"10.77.0.6:80", "Door"}},
         false,
         true,
         {"Door@10.77.0.6:80", "Side@" + here}},
        {"... a stranger of its name, and the user says this one moved",
         {{"10.77.0.6:80", "Door"}},
         true,
         true,
         {"Side@" + here}},
        {"nothing answers there: it moved", {}, false, false, {"Side@" + here}},
        {"another device took its address: it moved", {{"10.77.0.6:80", "Cam"}}, false, false, {"Side@" + here}},
        {"... and a second device answers with its name",
         {{"10.77.0.6:80", "Cam"}, {"10.77.0.7:80", "Door"}},
         false,
         true,
         {"Door@10.77.0.6:80", "Side@" + here}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        forgetStations();
        config::TSingleConfig other = door();
        std::tie(other.Ip, other.Port) = std::tuple("10.77.0.6", "80");
        settings.addConfig(other);
        prompts.log.clear();
        prompts.sameDevice = c.same;
        prompts.passwords = {"8516"};  // a station of its own asks for the device's
        ServerEdits side = unchanged();
        side.name = "Side";
        EXPECT_FALSE(run(side, {}, false, nullptr, c.listed).error);
        EXPECT_EQ(std::count_if(prompts.log.begin(), prompts.log.end(),
                                [](const std::string& line) { return line.starts_with("same? "); }),
                  c.asked ? 1 : 0);
        EXPECT_EQ(stations(), c.after);
        // A station of its own starts afresh; the one taken over keeps what
        // the other pages gave it.
        EXPECT_EQ(settings.getConfigByName("Side")->commonName, c.after.size() == 1 ? "Front door" : "");
        if (const auto kept = settings.getConfigByName("Door")) expectDoorKept(*kept);
    }
    EXPECT_EQ(prompts.log.front(),
              "same? Is the selected device at " + here +
                  " the device that the station \"Door\" was set up for? The station is stored for 10.77.0.6:80, "
                  "and another device answers there now.\r\n\r\nYes: the station follows this device. No: this "
                  "device becomes a station of its own, and \"Door\" stays as it is.");

    // Stored for the device's address under a name given elsewhere: its
    // station, not a second one, once the user says so.
    forgetStations();
    config::TSingleConfig renamed = door();
    std::tie(renamed.Name, renamed.Ip, renamed.Port) = std::tuple("Old", device.FIpAdresse, device.FPort);
    settings.addConfig(renamed);
    prompts.log.clear();
    prompts.sameDevice = true;
    EXPECT_FALSE(run(unchanged()).error);
    EXPECT_EQ(stations(), std::vector<std::string>{"Door@" + here});
    EXPECT_EQ(prompts.log.front(), "same? Is the selected device at " + here +
                                       " the device that the station \"Old\" was set up for? It answers at the "
                                       "station's address, but with another name (\"Door\").\r\n\r\nYes: the "
                                       "station follows this device. No: this device becomes a station of its own, "
                                       "and \"Old\" stays as it is.");

    // A name another station carries is refused before any request; so is
    // the name of the station the user says this device is not, told as it
    // is when that station's device reports another name now.
    const std::string onPage = "error On the page \"Videoserver setup\":\r\n";
    const std::string inUse = onPage + config::text(config::txtVideoserverNameInUse, config::lang_en);
    const struct {
        std::vector<ListedDevice> listed;
        std::string told;
    } refusals[] = {
        {{{"10.77.0.6:80", "Door"}}, inUse},
        {{{"10.77.0.6:80", "Cam"}, {"10.77.0.7:80", "Door"}},
         onPage + "The station \"Door\" carries this name, though its device at 10.77.0.6:80 now reports the name "
                  "\"Cam\". Two stations of one name cannot be told apart: please choose another name."},
    };
    for (const auto& c : refusals) {
        SCOPED_TRACE(c.told);
        forgetStations();
        config::TSingleConfig first = door();
        std::tie(first.Ip, first.Port) = std::tuple("10.77.0.6", "80");
        settings.addConfig(first);
        prompts.log.clear();
        prompts.sameDevice = false;
        const std::size_t before = server.requests().size();
        EXPECT_TRUE(run(unchanged(), {}, false, nullptr, c.listed).error);
        EXPECT_EQ(prompts.log.back(), c.told);
        EXPECT_EQ(server.requests().size(), before);
        EXPECT_EQ(stations(), std::vector<std::string>{"Door@10.77.0.6:80"});
    }

    // Names match in either encoding: the device's own name in Latin-1
    // bytes, as the page shows it (UTF-8), is no rename; the UTF-8 name of
    // a station stored in Latin-1 is in use.
    forgetStations();
    config::TSingleConfig own = door();
    std::tie(own.Name, own.Ip, own.Port) = std::tuple("Haust\xC3\xBCr", device.FIpAdresse, device.FPort);
    settings.addConfig(own);
    config::TSingleConfig latin1 = door();
    std::tie(latin1.Name, latin1.Ip, latin1.Port) = std::tuple("Hof\xFC", "10.77.0.6", "80");
    settings.addConfig(latin1);
    device.FName = "Haust\xFCr";
    ServerEdits shown = unchanged();
    shown.name = "Haust\xC3\xBCr";
    const std::size_t before = server.requests().size();
    EXPECT_FALSE(run(shown).error);
    for (std::size_t r = before; r < server.requests().size(); ++r)
        EXPECT_EQ(server.requests()[r].target.find("CameraName"), std::string::npos) << server.requests()[r].target;
    shown.name = "Hof\xC3\xBC";
    EXPECT_TRUE(run(shown).error);
    EXPECT_EQ(prompts.log.back(), inUse);
}

// The station's gateway is the one whose hardware address it keeps; a
// station stored before that was kept takes the one gateway of its name.
// Another gateway, a stranger of the same name included, is given only what
// the user changed on its page, never the station's password; one claimed
// from two addresses is given nothing.
TEST_F(Sequence, AGatewayIsTheStationsByItsHardwareAddressAlone) {
    const std::string own = "00:90:e8:00:00:01", stranger = "00:90:e8:00:00:02";
    const struct {
        const char* what;
        std::string keeps;  // the station's gateway hardware address
        bool behind;        // the station sits behind a gateway
        std::string mac;    // the page's gateway
        std::size_t ofName;
        std::vector<std::string> claimants;
        bool edited;  // the user changed the netmask
        std::vector<std::string> gateway, told;
        std::string keptAfter;  // the hardware address stored with it
    } cases[] = {
        {"its own, unchanged", own, true, own, 2, {}, false, {}, {}, own},
        {"its own, a new netmask",
         own,
         true,
         own,
         2,
         {},
         true,
         {"check old", "address 10.0.0.20", "gateway 10.0.0.1", "netmask 255.255.0.0", "dhcp off", "save"},
         {},
         own},
        {"a stranger of its name", own, true, stranger, 2, {}, false, {}, {}, own},
        {"a stranger of its name, edited",
         own,
         true,
         stranger,
         2,
         {},
         true,
         {"check "},
         {"ask Gateway Door", "error Cancelled: nothing more was sent to the devices."},
         own},
        {"stored before: the one gateway of its name", "", true, stranger, 1, {}, false, {}, {}, stranger},
        {"stored before: two gateways of its name", "", true, stranger, 2, {}, false, {}, {}, ""},
        {"no gateway, another's shown", "", false, stranger, 2, {}, false, {}, {}, ""},
        {"claimed from two addresses",
         own,
         true,
         own,
         1,
         {"10.0.0.20", "10.0.0.21"},
         true,
         {},
         {"error Two devices answer with the hardware address of the gateway Door (00:90:e8:00:00:01), from these "
          "addresses: 10.0.0.20, 10.0.0.21. Neither was sent a password or anything else."},
         own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        config::TSingleConfig station = door();
        station.moxa = c.behind;
        station.moxaNeedCred = c.behind;
        station.moxaPass = c.behind ? "old" : "";
        station.moxaMac = c.keeps;
        settings.updateConfig(settings.getConfigByNumber(0), station);
        FakeGateway gw;
        gw.deviceName = "Door";
        gw.mac = c.mac;
        gw.claimants = c.claimants;
        gw.devicePassword = c.mac == own ? "old" : "strangers";
        gatewaysNamed = [&c](const std::string& name) { return name == "Door" ? c.ofName : 0; };
        GatewayEdits g;
        std::tie(g.name, g.ip, g.gateway, g.subnet, g.dhcp) =
            std::tuple("Door", "10.0.0.20", "10.0.0.1", "255.0.0.0", true);
        g.selected = g.usePass = true;
        // The password the page shows is the station's, when it shows the station's gateway.
        g.pass = g.passConfirm = c.mac == c.keeps ? "old" : "";
        if (c.edited) std::tie(g.subnet, g.dhcp, g.edited) = std::tuple("255.255.0.0", false, true);
        prompts.log.clear();
        const std::size_t before = server.requests().size();
        run(unchanged(), g, false, &gw);
        EXPECT_EQ(gw.log, c.gateway);
        EXPECT_EQ(prompts.log, c.told);
        if (!c.claimants.empty()) {
            EXPECT_EQ(server.requests().size(), before);
        }
        const config::TSingleConfig after = stored();
        EXPECT_EQ(after.moxaMac, c.keptAfter);
        // Another gateway's page gives the station nothing.
        if (c.mac != c.keptAfter) {
            EXPECT_EQ(std::tie(after.moxa, after.moxaPass), std::tie(station.moxa, station.moxaPass));
        }
    }
}

TEST_F(Sequence, ARequestThatHangsEndsWithItsTimeOut) {
    HttpCgiClient quick(std::chrono::milliseconds(500), std::chrono::milliseconds(300));
    answers[0] = Script().hang();
    const auto start = std::chrono::steady_clock::now();
    const CgiAnswer answer = quick.get({server.address(), server.port(), kFixed[0], false, {}, {}});
    EXPECT_FALSE(answer.ok);
    EXPECT_FALSE(answer.message.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}
