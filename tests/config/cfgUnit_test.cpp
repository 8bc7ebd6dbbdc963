#include "config/cfgUnit.h"
#include "config/EntryRegistry.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace oculon::config {
namespace {

using platform::MemoryRegistryStore;
using platform::Registry;
using platform::RegistryKey;
using platform::RegistryStore;

constexpr const char* kRoot = "\\SOFTWARE\\Korvat\\Oculon";
constexpr const char* kConf = "\\SOFTWARE\\Korvat\\Oculon\\Configurations";
constexpr const char* kManual = "\\SOFTWARE\\Korvat\\Oculon\\Manual";
constexpr const char* kSurv = "\\SOFTWARE\\Korvat\\Oculon\\Surveillance";

std::shared_ptr<MemoryRegistryStore> storeFrom(const std::string& body) {
    return std::make_shared<MemoryRegistryStore>(platform::parseRegedit4("REGEDIT4\n" + body));
}

std::vector<std::string> keyNames(const std::shared_ptr<RegistryStore>& store, const std::string& path) {
    Registry reg(store);
    if (!reg.OpenKey(path, false)) return {};
    return reg.GetKeyNames();
}

std::int32_t readInt(const std::shared_ptr<RegistryStore>& store, const std::string& path, const std::string& name) {
    Registry reg(store);
    EXPECT_TRUE(reg.OpenKey(path, false)) << path;
    return reg.ReadInteger(name);
}

std::string readStr(const std::shared_ptr<RegistryStore>& store, const std::string& path, const std::string& name) {
    Registry reg(store);
    EXPECT_TRUE(reg.OpenKey(path, false)) << path;
    return reg.ReadString(name);
}

bool hasValue(const std::shared_ptr<RegistryStore>& store, const std::string& path, const std::string& name) {
    Registry reg(store);
    return reg.OpenKey(path, false) && reg.ValueExists(name);
}

TSingleConfig station(const std::string& name, const std::string& ip = "10.0.0.1", const std::string& port = "80") {
    TSingleConfig c;
    c.Name = name;
    c.Ip = ip;
    c.Port = port;
    return c;
}

// A station with every stored field set to something other than its default.
TSingleConfig fullStation() {
    TSingleConfig c;
    c.typ = AxisCam, c.teltyp = KorvatV2, c.telefonIP = "10.0.0.9", c.telefonName = "Flur";
    c.Ip = "10.0.0.2", c.Net = "255.255.255.0", c.gateway = "10.0.0.254", c.Name = "Haustuer";
    c.UserName = "user", c.AdminPass = "admin", c.Passwort = "pw", c.Port = "8080";
    c.NeedCredentials = c.IsDhcp = c.moxa = c.video = c.moxaNeedCred = c.moxaDhcp = true;
    c.moxaPass = "mp", c.moxaPassBefore = "", c.moxaMac = "00:90:e8:00:00:01", c.eingang = c.ausgang = true;
    c.ausgangSchrift = "Licht";
    c.eingangSchriftEin = "an", c.eingangBildEin = "an.bmp", c.eingangSchriftAus = "aus", c.eingangBildAus = "aus.bmp";
    c.tuerCode = "1234", c.tuerDauer = 9, c.camAusgang = true, c.camAusgangSchrift = "Tor", c.ohneBT = true;
    c.videoPath = "/stream", c.analog_multi = true;
    c.analog_eins = c.analog_drei = c.analog_fuenf = c.analog_sieben = c.analog_neun = true;
    c.secondaryName = "Hof", c.secondaryIp = "10.0.0.3", c.secondaryPort = "81", c.secondaryType = MobotixCam;
    c.secondaryPath = "/hof", c.secondaryUserName = "su", c.secondaryPassword = "sp";
    c.secondaryResString = "?resolution=640x480", c.commonName = "Vordertuer", c.mirabPath = "a b",
    c.mirabReduction = 12;
    return c;
}

TManualConfig fullManual() {
    TManualConfig m;
    m.typ = HikVision, m.name = "Garage", m.ipAddr = "10.0.0.7", m.port = 8000, m.path = "/cam";
    m.commonName = "Garagentor";
    return m;
}

TSurveillanceConfig fullWallCamera() {
    TSurveillanceConfig w;
    w.typ = MirabCam, w.name = "Einfahrt", w.commonName = "Zufahrt", w.ipAddr = "10.0.0.8", w.port = 81;
    w.user = "u", w.password = "p", w.path = "/?mjpg&key=", w.recording = 2, w.mirabPath = "opt";
    w.mirabReduction = 15;
    return w;
}

// An entry as its subkey holds it: equal forms mean equal stored fields.
template <typename T>
std::string storedForm(const T& entry, void (*write)(Registry&, const T&), std::size_t* valueCount = nullptr) {
    auto store = std::make_shared<MemoryRegistryStore>();
    Registry reg(store);
    reg.OpenKey("\\s", true);
    write(reg, entry);
    return store->withTree([&](RegistryKey& root) {
        if (valueCount) *valueCount = root.find("s")->values.size();
        return platform::serializeRegedit4(root);
    });
}

// Counts the writes of the store and keeps what each one held.
class RecordingStore : public RegistryStore {
public:
    RecordingStore() : RegistryStore(std::make_unique<RegistryKey>()) {}
    std::vector<std::string> writes;

protected:
    void persist(const RegistryKey& root) override { writes.push_back(platform::serializeRegedit4(root)); }
};

// ---------------------------------------------------------------- defaults and round trip

TEST(VideoConfigTree, EmptyRegistryLoadsDefaultsAndWritesTheSkeleton) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);

    EXPECT_EQ(readInt(store, kRoot, "version"), 10);
    EXPECT_EQ(readInt(store, kSurv, "windowTop"), 10);
    EXPECT_EQ(readInt(store, kSurv, "windowleft"), 10);
    EXPECT_EQ(readInt(store, kSurv, "windowWidth"), 640);
    EXPECT_EQ(readInt(store, kSurv, "windowHeight"), 480);
    Registry reg(store);
    EXPECT_TRUE(reg.KeyExists(kConf));
    EXPECT_TRUE(reg.KeyExists(kManual));
    // The popup's defaults are not written.
    EXPECT_FALSE(hasValue(store, kRoot, "windowTop"));

    EXPECT_EQ(cfg.fensterKoordinaten(), (TWindowSettings{40, 80, 552, 648}));
    EXPECT_EQ(cfg.ueberwachungKoordinaten(), (TWindowSettings{10, 10, 480, 640}));
    EXPECT_EQ(cfg.serverIP(), "127.0.0.1");
    EXPECT_EQ(cfg.serverPort(), 8255);
    EXPECT_EQ(cfg.blackValue(), 45);
    EXPECT_EQ(cfg.survLayout(), r2x2);
    EXPECT_EQ(cfg.framerate(), 1);
    EXPECT_EQ(cfg.recordLength(), 30);
    EXPECT_EQ(cfg.firstPictpath(), "");
    EXPECT_TRUE(cfg.splashScreen());
    int i = 0;
    for (const bool on :
         {cfg.useServer(), cfg.showDoor(), cfg.surveillance(), cfg.allowCapture(), cfg.hasVideoPass(),
          cfg.storeFirstPict(), cfg.storeVideo(), cfg.codeTuerOffen(), cfg.protTuerOffen(), cfg.kommentarTuerOffen(),
          cfg.allowMultipleWindows(), cfg.useCamRes(), cfg.autostart(), cfg.isWine()})
        EXPECT_FALSE(on) << "option " << i++;
    TSprachenTyp lang = lang_fr;
    EXPECT_FALSE(cfg.liesSprache(lang));
    std::vector<std::string> ids{"stale"};
    EXPECT_FALSE(cfg.liesID(ids));
    EXPECT_TRUE(ids.empty());
    EXPECT_TRUE(cfg.authenticate(""));
    EXPECT_EQ(cfg.Count(), 0);
    EXPECT_EQ(cfg.getConfigByNumber(0), nullptr);
    EXPECT_TRUE(cfg.manualList().empty());
    EXPECT_TRUE(cfg.survList().empty());
}

TEST(VideoConfigTree, EveryValueWrittenIsReadBackByTheNextLoad) {
    auto store = std::make_shared<MemoryRegistryStore>();
    {
        TVideoConfig cfg(store);
        cfg.schreibeSprache(lang_nl);
        cfg.schreibeID("ws1;ws2");
        cfg.storePasswd("geheim");
        EXPECT_FALSE(cfg.liesAllowConfig2());
        cfg.schreibeAllowConfig(true);
        EXPECT_FALSE(cfg.allowCapture());  // only the read-back takes it
        EXPECT_TRUE(cfg.liesAllowConfig2());
        cfg.schreibeHasVideoPass(true);
        cfg.schreibBlackConfig(60);
        cfg.schreibeStoreFirstPict(true);
        cfg.schreibeStoreVideo(true);
        cfg.schreibeFirstPictPath("/data/pics/");
        cfg.schreibeCodeTuerOffen(true);
        cfg.schreibeProtTuerOffen(true);
        cfg.schreibeKommentarTuerOffen(true);
        cfg.schreibeFensterKoordinaten({1, 2, 3, 4});
        cfg.schreibeUeberwachungKoordinaten({5, 6, 7, 8});
        cfg.schreibeSplashScreen(false);
        cfg.schreibeUseServer(true);
        cfg.schreibeServerIP("10.1.1.1");
        cfg.schreibeServerPort(9000);
        cfg.schreibeAllowMultipleWindows(true);
        cfg.schreibeSurveillance(true);
        cfg.schreibeLayout(r4x4G);
        cfg.schreibeDoor(true);
        cfg.schreibeFrameRate(4);
        cfg.schreibeRecLen(12);
        cfg.schreibeAutostart(true);
        cfg.addConfig(fullStation());
        EXPECT_EQ(cfg.addManual(fullManual()), 0);
        EXPECT_TRUE(cfg.putSurvConfig("3", fullWallCamera()));
        cfg.schreibeUeberwachungKameras();
    }
    // The spellings the stored tree has always used.
    EXPECT_TRUE(hasValue(store, kRoot, "adminPass"));
    EXPECT_EQ(readInt(store, kRoot, "hashed"), 1);
    EXPECT_EQ(readStr(store, kRoot, "ServerIP"), "10.1.1.1");
    EXPECT_EQ(readInt(store, kRoot, "windowleft"), 2);
    EXPECT_EQ(readInt(store, std::string(kSurv) + "\\3", "mirabreduction"), 15);

    TVideoConfig cfg(store);
    TSprachenTyp lang = lang_de;
    EXPECT_TRUE(cfg.liesSprache(lang));
    EXPECT_EQ(lang, lang_nl);
    std::vector<std::string> ids;
    EXPECT_TRUE(cfg.liesID(ids));
    EXPECT_EQ(ids, (std::vector<std::string>{"ws1", "ws2"}));
    EXPECT_FALSE(cfg.authenticate(""));
    EXPECT_FALSE(cfg.authenticate("Geheim"));
    EXPECT_TRUE(cfg.authenticate("geheim"));
    EXPECT_EQ(cfg.blackValue(), 60);
    EXPECT_EQ(cfg.firstPictpath(), "/data/pics/");
    EXPECT_EQ(cfg.fensterKoordinaten(), (TWindowSettings{1, 2, 3, 4}));
    EXPECT_EQ(cfg.ueberwachungKoordinaten(), (TWindowSettings{5, 6, 7, 8}));
    EXPECT_FALSE(cfg.splashScreen());
    EXPECT_EQ(cfg.serverIP(), "10.1.1.1");
    EXPECT_EQ(cfg.serverPort(), 9000);
    EXPECT_EQ(cfg.survLayout(), r4x4G);
    EXPECT_EQ(cfg.framerate(), 4);
    EXPECT_EQ(cfg.recordLength(), 12);
    int i = 0;
    for (const bool on : {cfg.allowCapture(), cfg.hasVideoPass(), cfg.storeFirstPict(), cfg.storeVideo(),
                          cfg.codeTuerOffen(), cfg.protTuerOffen(), cfg.kommentarTuerOffen(), cfg.useServer(),
                          cfg.allowMultipleWindows(), cfg.surveillance(), cfg.showDoor(), cfg.autostart()})
        EXPECT_TRUE(on) << "option " << i++;

    ASSERT_EQ(cfg.Count(), 1);
    std::size_t values = 0;
    EXPECT_EQ(storedForm(*cfg.getConfigByNumber(0), writeSingleConfig),
              storedForm(fullStation(), writeSingleConfig, &values));
    EXPECT_EQ(values, 55u);
    const auto manual = cfg.manualList();
    ASSERT_EQ(manual.size(), 1u);
    EXPECT_EQ(manual[0].first, "10.0.0.7:8000");
    EXPECT_EQ(storedForm(*manual[0].second, writeManualConfig), storedForm(fullManual(), writeManualConfig));
    const auto wall = cfg.survList();
    ASSERT_EQ(wall.size(), 1u);
    EXPECT_EQ(wall[0].first, "3");
    EXPECT_EQ(storedForm(*wall[0].second, writeSurveillanceConfig),
              storedForm(fullWallCamera(), writeSurveillanceConfig));
}

// ---------------------------------------------------------------- version gate and upgrade

TEST(VideoConfigVersion, OlderVersionIsUpgradedAndItsPlainPasswordHashed) {
    auto store = storeFrom(R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon]
"version"=dword:00000009
"AdminPass"="secret"
)");
    TVideoConfig cfg(store);
    EXPECT_EQ(readInt(store, kRoot, "version"), 10);
    EXPECT_EQ(readInt(store, kRoot, "hashed"), 1);
    EXPECT_EQ(readStr(store, kRoot, "adminPass"), Hash("secret"));
    EXPECT_TRUE(cfg.authenticate("secret"));
    EXPECT_FALSE(cfg.authenticate(""));

    // Loaded again, the hash is taken as it is.
    TVideoConfig again(store);
    EXPECT_TRUE(again.authenticate("secret"));
}

TEST(VideoConfigVersion, StoredHashIsKeptWhenMarkedOrCurrent) {
    const std::string hash = Hash("pw");
    for (const std::string head :
         {"\"version\"=dword:00000009\n\"hashed\"=dword:00000001\n", "\"version\"=dword:0000000a\n", ""}) {
        auto store =
            storeFrom("[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\n" + head + "\"AdminPass\"=\"" + hash + "\"\n");
        TVideoConfig cfg(store);
        EXPECT_TRUE(cfg.authenticate("pw")) << head;
        EXPECT_EQ(readStr(store, kRoot, "AdminPass"), hash) << head;
        EXPECT_EQ(readInt(store, kRoot, "version"), 10) << head;
    }
}

TEST(VideoConfigVersion, NewerVersionStopsTheLoadWithTheMessageInTheStoredLanguage) {
    struct Case {
        const char* language;
        TSprachenTyp expected;
    };
    for (const Case c : {Case{"", lang_de}, Case{"\"language\"=dword:00000001\n", lang_en},
                         Case{"\"language\"=dword:00000003\n", lang_nl},
                         // A damaged language byte falls back to German.
                         Case{"\"language\"=dword:000000c8\n", lang_de}}) {
        auto store = storeFrom(std::string("[HKEY_CURRENT_USER\\SOFTWARE\\Korvat\\Oculon]\n"
                                           "\"version\"=dword:0000000b\n") +
                               c.language);
        try {
            TVideoConfig cfg(store);
            ADD_FAILURE() << "no exception for " << c.language;
        } catch (const EInvalidVersionException& e) {
            EXPECT_EQ(std::string(e.what()), text(txtNewerVersion, c.expected));
        }
        EXPECT_EQ(readInt(store, kRoot, "version"), 11);
    }
}

// ---------------------------------------------------------------- read rules

TEST(VideoConfigReadRules, GroupsAreSwitchedByPresenceNotValue) {
    auto store = storeFrom(R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\0]
"Name"="ohneTyp"
"TelefonIP"="10.0.0.9"
"tuerCode"="99"
"camAusgang"=dword:00000001
"NeedCredentials"=dword:00000000
"Dhcp"=dword:00000000
"moxa"=dword:00000000
"eingang"=dword:00000001
"ausgangSchrift"="Licht"
"secondaryIp"="10.0.0.3"
"secondaryType"=dword:00000002
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\1]
"Name"="mitTyp"
"Typ"=dword:00000004
"TelefonIP"="10.0.0.9"
"camAusgangSchrift"="ohne Schalter"
"NeedCredentials"=dword:00000001
"Dhcp"=dword:00000001
"secondaryName"=""
"secondaryType"=dword:00000002
)");
    TVideoConfig cfg(store);
    ASSERT_EQ(cfg.Count(), 2);
    const auto withoutType = cfg.getConfigByName("ohneTyp");
    ASSERT_TRUE(withoutType);
    EXPECT_EQ(withoutType->typ, KorvatServer);
    EXPECT_EQ(withoutType->telefonIP, "");
    EXPECT_EQ(withoutType->tuerCode, "");
    EXPECT_FALSE(withoutType->camAusgang);
    EXPECT_FALSE(withoutType->moxa);
    EXPECT_TRUE(withoutType->eingang);
    EXPECT_EQ(withoutType->ausgangSchrift, "Licht");
    EXPECT_EQ(withoutType->secondaryIp, "");
    EXPECT_EQ(withoutType->secondaryType, KorvatServer);
    EXPECT_EQ(withoutType->tuerDauer, 5);

    const auto withType = cfg.getConfigByName("mitTyp");
    ASSERT_TRUE(withType);
    EXPECT_EQ(withType->typ, AxisCam);
    EXPECT_EQ(withType->telefonIP, "10.0.0.9");
    EXPECT_EQ(withType->camAusgangSchrift, "");
    EXPECT_TRUE(withType->NeedCredentials);
    EXPECT_TRUE(withType->IsDhcp);
    EXPECT_FALSE(withType->eingang);
    EXPECT_EQ(withType->secondaryType, MobotixCam);
    EXPECT_EQ(cfg.getConfigByPhone("10.0.0.9"), withType);
}

TEST(VideoConfigReadRules, RootValuesFollowTheirSwitches) {
    auto store = storeFrom(R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon]
"firstPictPath"="/ignored/"
"kommentarTuerOffen"=dword:00000001
"windowTop"=dword:00000005
"WINDOWLEFT"=dword:00000006
"windowWidth"=dword:00000007
"windowHeight"=dword:00000008
"showsplashscreen"=dword:00000000
"serverip"="10.9.9.9"
)");
    TVideoConfig cfg(store);
    // No reason to keep pictures: the path is not taken.
    EXPECT_EQ(cfg.firstPictpath(), "");
    // Without "protTuerOffen" both door-log flags are off.
    EXPECT_FALSE(cfg.kommentarTuerOffen());
    EXPECT_EQ(cfg.fensterKoordinaten(), (TWindowSettings{5, 6, 8, 7}));
    EXPECT_FALSE(cfg.splashScreen());
    EXPECT_EQ(cfg.serverIP(), "10.9.9.9");
}

TEST(VideoConfigReadRules, DamagedValuesNeitherStopTheLoadNorLoseAStation) {
    auto store = storeFrom(R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon]
"blackLevel"="hoch"
"language"="de"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Surveillance]
"layout"=dword:000000ff
"frameRate"=dword:00000000
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Surveillance\0]
"typ"=dword:00000001
"port"=dword:00000050
"recording"=dword:00000001
"name"="gut"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Surveillance\1]
"typ"=dword:00000001
"recording"=dword:00000001
"name"="ohne Port"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Surveillance\2]
"typ"="eins"
"port"=dword:00000050
"recording"=dword:00000001
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\0]
"Name"="kaputt"
"Typ"=dword:000000fe
"teltyp"=dword:00000009
"NeedCredentials"="ja"
"Port"=dword:00000050
"tuerDauer"="-12"
"Dhcp"="0x1"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\1]
)"
                           "\"Name\"=\"Haust\xFCr\"\n\"commonName\"=\"Hof s\xFC"
                           "d\"\n"
                           R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Manual\0]
"name"="ohne Port"
"ipAddr"="10.0.0.5"
)");
    TVideoConfig cfg(store);
    EXPECT_EQ(cfg.blackValue(), 45);
    TSprachenTyp lang = lang_en;
    EXPECT_FALSE(cfg.liesSprache(lang));
    // Bytes outside their enumeration cannot index past a table.
    EXPECT_EQ(cfg.survLayout(), r2x2);
    EXPECT_EQ(cfg.framerate(), 1);

    const auto wall = cfg.survList();
    ASSERT_EQ(wall.size(), 1u);
    EXPECT_EQ(wall[0].second->name, "gut");

    const auto s = cfg.getConfigByName("kaputt");
    ASSERT_TRUE(s);
    EXPECT_EQ(s->typ, unknown);
    EXPECT_EQ(s->teltyp, telUnknown);
    EXPECT_FALSE(s->NeedCredentials);
    EXPECT_FALSE(s->IsDhcp);
    EXPECT_EQ(s->Port, "");
    ASSERT_EQ(cfg.manualList().size(), 1u);
    EXPECT_EQ(cfg.manualList()[0].first, "10.0.0.5:0");

    // Digits in a text read as the number they spell; what cannot be used is named for the user.
    EXPECT_EQ(s->tuerDauer, -12);
    std::string noted;
    for (const auto& value : store->unusableValues().listed)
        noted += value.key.substr(value.key.rfind('\\') + 1) + " " + value.line + " (" +
                 platform::faultText(value.why) + ")\n";
    EXPECT_EQ(noted,
              "Oculon] \"language\"=\"de\" (not a number)\n"
              "Oculon] \"blackLevel\"=\"hoch\" (not a number)\n"
              "2] \"typ\"=\"eins\" (not a number)\n"
              "0] \"Port\"=dword:00000050 (not a text)\n"
              "0] \"NeedCredentials\"=\"ja\" (not a number)\n"
              "0] \"Dhcp\"=\"0x1\" (not a number)\n"
              // A device's name is kept in the bytes it sends; a text for the user is meant to be UTF-8.
              "1] \"commonName\"=\"Hof s\xFC"
              "d\" (a text that is no UTF-8; taken as it is)\n");

    // Once the user has been told, each is written as the program took it, or left out where it took nothing:
    // the next load notes only the text that is no UTF-8, which is used as it is.
    store->writeUnusableAsTaken();
    const std::string rewritten =
        store->withTree([](platform::RegistryKey& root) { return platform::serializeRegedit4(root); });
    for (const char* line : {"\"blackLevel\"=dword:0000002d", "\"NeedCredentials\"=dword:00000000", "\"Port\"=\"\"",
                             "\"Dhcp\"=dword:00000000", "\"commonName\"=\"Hof s\xFC"})
        EXPECT_NE(rewritten.find(line), std::string::npos) << line;
    EXPECT_EQ(rewritten.find("\"language\""), std::string::npos);
    EXPECT_EQ(rewritten.find("\"typ\"=\"eins\""), std::string::npos);
    auto again = std::make_shared<MemoryRegistryStore>(platform::parseRegedit4(rewritten));
    TVideoConfig reloaded(again);
    EXPECT_EQ(again->unusableValues().count, 1u);
}

// ---------------------------------------------------------------- numbering and lookups

TEST(VideoConfigStations, StationsAfterAGapInTheNumberingAreLoadedAndRenumberedOnSave) {
    auto store = storeFrom(R"([HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\0]
"Name"="null"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\2]
"Name"="zwei"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\5]
"Name"="fuenf"
[HKEY_CURRENT_USER\SOFTWARE\Korvat\Oculon\Configurations\notes]
"Name"="fremd"
)");
    TVideoConfig cfg(store);
    ASSERT_EQ(cfg.Count(), 3);
    EXPECT_TRUE(cfg.getConfigByName("zwei"));
    EXPECT_TRUE(cfg.getConfigByName("fuenf"));
    EXPECT_FALSE(cfg.getConfigByName("fremd"));

    // The lowest free number goes to the new station: 1.
    EXPECT_EQ(cfg.addConfig(station("eins")), 1);
    EXPECT_EQ(cfg.getConfigByNumber(1)->Name, "eins");
    EXPECT_EQ(keyNames(store, kConf), (std::vector<std::string>{"0", "1", "2", "3", "notes"}));

    TVideoConfig reloaded(store);
    ASSERT_EQ(reloaded.Count(), 4);
    const char* order[] = {"null", "eins", "zwei", "fuenf"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(reloaded.getConfigByNumber(i)->Name, order[i]);
}

TEST(VideoConfigStations, NumberListSortsAsTextAndFillsTheLowestGap) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);
    // Station i gets number i; number 10 sorts in right after "1".
    for (int i = 0; i < 11; ++i) EXPECT_EQ(cfg.addConfig(station("s" + std::to_string(i))), i == 10 ? 2 : i);
    // Positions of "0", "1", "10", "2", ...: position 2 holds number 10.
    EXPECT_EQ(cfg.getConfigByNumber(2)->Name, "s10");
    EXPECT_EQ(cfg.getConfigByNumber(3)->Name, "s2");
    EXPECT_EQ(cfg.getConfigByNumber(11), nullptr);
    EXPECT_EQ(cfg.getConfigByNumber(-1), nullptr);

    cfg.deleteConfig(cfg.getConfigByName("s3"));
    EXPECT_EQ(cfg.Count(), 10);
    // "3" is free again and is the lowest gap.
    const int pos = cfg.addConfig(station("neu"));
    EXPECT_EQ(cfg.getConfigByNumber(pos)->Name, "neu");
    EXPECT_EQ(pos, 4);  // "0", "1", "10", "2", "3"
}

TEST(VideoConfigStations, LookupsWithDuplicateAndMissingKeys) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);
    auto first = station("Tuer", "10.0.0.1", "80");
    first.telefonIP = "10.0.0.50";
    auto second = station("Tuer", "10.0.0.1", "80");
    second.telefonIP = "10.0.0.50";
    second.commonName = "zweite";
    cfg.addConfig(first);
    cfg.addConfig(second);

    EXPECT_EQ(cfg.getConfigByName("Tuer")->commonName, "zweite");
    EXPECT_EQ(cfg.getConfigByIP("10.0.0.1:80")->commonName, "zweite");
    EXPECT_EQ(cfg.getConfigByPhone("10.0.0.50")->commonName, "zweite");
    EXPECT_EQ(cfg.getConfigByName("tuer"), nullptr);
    EXPECT_EQ(cfg.getConfigByIP("10.0.0.1"), nullptr);
    EXPECT_EQ(cfg.getConfigByPhone("10.0.0.51"), nullptr);

    // Deleting the later one uncovers the first.
    cfg.deleteConfig(cfg.getConfigByName("Tuer"));
    EXPECT_EQ(cfg.getConfigByName("Tuer")->commonName, "");

    // An update replaces the entry under all its keys.
    const auto old = cfg.getConfigByName("Tuer");
    auto changed = *old;
    changed.Name = "Tor";
    changed.Ip = "10.0.0.2";
    cfg.updateConfig(old, changed);
    EXPECT_EQ(cfg.Count(), 1);
    EXPECT_EQ(cfg.getConfigByName("Tuer"), nullptr);
    EXPECT_EQ(cfg.getConfigByIP("10.0.0.1:80"), nullptr);
    EXPECT_EQ(cfg.getConfigByIP("10.0.0.2:80")->Name, "Tor");
    // The looked-up entry stays valid and unchanged for whoever holds it.
    EXPECT_EQ(old->Name, "Tuer");

    // A device sends its name in Latin-1; stored as it sent it or in UTF-8, the station is the same.
    for (const std::string stored : {"Haust\xFCr", "Haust\xC3\xBCr"}) {
        TVideoConfig names(std::make_shared<MemoryRegistryStore>());
        names.addConfig(station(stored));
        for (const std::string sent : {"Haust\xFCr", "Haust\xC3\xBCr"})
            EXPECT_EQ(names.getConfigByName(sent) ? names.getConfigByName(sent)->Name : "", stored);
        EXPECT_EQ(names.getConfigByName("Haustuer"), nullptr);
        EXPECT_EQ(names.getConfigByName("Haust\xDCr"), nullptr);
    }
}

TEST(VideoConfigStations, ManualCamerasAreUniqueByAddressAndPort) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);
    TManualConfig a;
    a.ipAddr = "10.0.0.5";
    a.port = 80;
    TManualConfig b = a;
    b.port = 8080;
    EXPECT_EQ(cfg.addManual(a), 0);
    EXPECT_EQ(cfg.addManual(b), 1);
    EXPECT_EQ(cfg.addManual(a), -1);
    EXPECT_EQ(keyNames(store, kManual), (std::vector<std::string>{"0", "1"}));

    cfg.deleteManualConfig("10.0.0.5:80");
    cfg.deleteManualConfig("10.0.0.5:1");
    ASSERT_EQ(cfg.manualList().size(), 1u);
    EXPECT_EQ(cfg.manualList()[0].first, "10.0.0.5:8080");
    EXPECT_EQ(keyNames(store, kManual), (std::vector<std::string>{"0"}));
    EXPECT_EQ(readInt(store, std::string(kManual) + "\\0", "port"), 8080);
}

TEST(VideoConfigStations, WallCamerasAreRewrittenWholeAndFoundByAddress) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);
    TSurveillanceConfig cam;
    cam.ipAddr = "10.0.0.8";
    cam.port = 80;
    for (const char* key : {"0", "10", "2"}) {
        cam.name = key;
        EXPECT_TRUE(cfg.putSurvConfig(key, cam));
    }
    EXPECT_FALSE(cfg.putSurvConfig("a\\b", cam));
    EXPECT_FALSE(cfg.putSurvConfig("", cam));
    cfg.schreibeUeberwachungKameras();
    EXPECT_EQ(keyNames(store, kSurv), (std::vector<std::string>{"0", "10", "2"}));

    // First in list order.
    EXPECT_EQ(cfg.getSurvConfigByIp("10.0.0.8:80")->name, "0");
    EXPECT_EQ(cfg.getSurvConfigByIp("10.0.0.8:81"), nullptr);

    EXPECT_TRUE(cfg.removeSurvConfig("0"));
    EXPECT_FALSE(cfg.removeSurvConfig("7"));
    cfg.schreibeUeberwachungKameras();
    EXPECT_EQ(keyNames(store, kSurv), (std::vector<std::string>{"10", "2"}));
    EXPECT_EQ(cfg.getSurvConfigByIp("10.0.0.8:80")->name, "10");
}

// ---------------------------------------------------------------- options

TEST(VideoConfigOptions, IdListPasswordAndDeletion) {
    auto store = std::make_shared<MemoryRegistryStore>();
    TVideoConfig cfg(store);
    std::vector<std::string> ids;
    cfg.schreibeID("");
    EXPECT_TRUE(cfg.liesID(ids));
    EXPECT_TRUE(ids.empty());
    cfg.schreibeID("a b;\"c d\"");
    cfg.liesID(ids);
    EXPECT_EQ(ids, (std::vector<std::string>{"a", "b", "c d"}));

    cfg.storePasswd("x");
    EXPECT_FALSE(cfg.authenticate(""));
    cfg.storePasswd("");
    EXPECT_TRUE(cfg.authenticate(""));
    EXPECT_TRUE(cfg.authenticate("anything"));
    EXPECT_FALSE(hasValue(store, kRoot, "adminPass"));

    // A language outside the four is stored as German.
    cfg.schreibeSprache(static_cast<TSprachenTyp>(9));
    EXPECT_EQ(readInt(store, kRoot, "language"), lang_de);

    // The wine marker is only looked for, never written.
    {
        Registry reg(store);
        reg.OpenKey("\\SOFTWARE\\Wine", true);
    }
    EXPECT_TRUE(cfg.liesWineRegKey());

    cfg.deleteAllConfig();
    Registry reg(store);
    EXPECT_FALSE(reg.KeyExists(kRoot));
    EXPECT_TRUE(reg.KeyExists("\\SOFTWARE\\Wine"));
    // The popup closing with the program must not bring the key back.
    cfg.schreibeFensterKoordinaten({1, 2, 3, 4});
    EXPECT_FALSE(reg.KeyExists(kRoot));
    EXPECT_EQ(cfg.fensterKoordinaten(), (TWindowSettings{1, 2, 3, 4}));
}

// ---------------------------------------------------------------- atomic saves

TEST(VideoConfigSaving, EachChangeIsOneWriteThatNeverHoldsHalfAList) {
    auto store = std::make_shared<RecordingStore>();
    TVideoConfig cfg(store);
    EXPECT_EQ(store->writes.size(), 1u);  // the load's version and wall window
    for (int i = 0; i < 5; ++i) cfg.addConfig(station("s" + std::to_string(i)));
    TManualConfig m;
    m.ipAddr = "10.0.0.5";
    cfg.addManual(m);
    store->writes.clear();

    cfg.deleteConfig(cfg.getConfigByName("s0"));
    ASSERT_EQ(store->writes.size(), 1u);
    const auto& text = store->writes[0];
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(text.find("Configurations\\" + std::to_string(i) + "]"), std::string::npos) << i;
    EXPECT_EQ(text.find("Configurations\\4]"), std::string::npos);
    EXPECT_NE(text.find("Manual\\0]"), std::string::npos);

    store->writes.clear();
    cfg.schreibBlackConfig(50);
    cfg.schreibeUeberwachungKoordinaten({1, 2, 3, 4});
    cfg.schreibeUeberwachungKameras();
    EXPECT_EQ(store->writes.size(), 3u);
}

}  // namespace
}  // namespace oculon::config
