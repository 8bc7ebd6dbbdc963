#include "config/cfgUnit.h"

#include <algorithm>
#include <charconv>

#include "config/EntryRegistry.h"
#include "config/SavePath.h"
#include "platform/LocalTime.h"
#include "platform/ShownText.h"

namespace oculon::config {

using platform::Registry;
using platform::RegistryBatch;

TVideoConfig* videoConfig = nullptr;
TRebootSperre* rebootSperre = nullptr;

std::string stationNameKey(const std::string& name) { return platform::utf8OrLatin1(name); }

bool sameStationName(const std::string& a, const std::string& b) {
    return a == b || stationNameKey(a) == stationNameKey(b);
}

namespace {

constexpr TWindowSettings kPopupDefault{40, 80, 552, 648};
constexpr TWindowSettings kWallDefault{10, 10, 480, 640};

std::string subkey(const char* key, const std::string& name) { return std::string(key) + "\\" + name; }

// Station and manual subkeys are named by their number; anything else in
// those keys is not ours and is neither loaded nor deleted.
std::optional<int> subkeyNumber(const std::string& name) {
    if (name.empty() || name.size() > 9 || (name.size() > 1 && name[0] == '0')) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), value);
    if (ec != std::errc() || end != name.data() + name.size()) return std::nullopt;
    return value;
}

// The numbers of the numbered subkeys of `key`, ascending.
std::vector<int> numberedSubkeys(Registry& reg, const char* key) {
    std::vector<int> numbers;
    if (!reg.OpenKey(key, true)) return numbers;
    for (const auto& name : reg.GetKeyNames()) {
        if (const auto n = subkeyNumber(name)) numbers.push_back(*n);
    }
    reg.CloseKey();
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// Deletes every numbered subkey, then writes entry i to subkey i.
template <typename Ptr, typename Write>
void rewriteNumbered(Registry& reg, const char* key, const std::vector<Ptr>& entries, Write write) {
    for (int n : numberedSubkeys(reg, key)) reg.DeleteKey(subkey(key, std::to_string(n)));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!reg.OpenKey(subkey(key, std::to_string(i)), true)) continue;
        write(reg, *entries[i]);
        reg.CloseKey();
    }
}

TWindowSettings readWindow(const Registry& reg, const char* leftName, const TWindowSettings& fallback) {
    return {readInt(reg, "windowTop", fallback.top), readInt(reg, leftName, fallback.left),
            readInt(reg, "windowHeight", fallback.height), readInt(reg, "windowWidth", fallback.width)};
}

void writeWindow(Registry& reg, const TWindowSettings& w) {
    reg.WriteInteger("windowTop", w.top);
    reg.WriteInteger("windowleft", w.left);
    reg.WriteInteger("windowWidth", w.width);
    reg.WriteInteger("windowHeight", w.height);
}

void writeTyped(Registry& reg, const char* name, bool value) { reg.WriteBool(name, value); }
void writeTyped(Registry& reg, const char* name, std::int32_t value) { reg.WriteInteger(name, value); }
void writeTyped(Registry& reg, const char* name, TLayoutTyp value) { reg.WriteInteger(name, value); }
void writeTyped(Registry& reg, const char* name, const std::string& value) { reg.WriteString(name, value); }

}  // namespace

// ---------------------------------------------------------------- loading

TVideoConfig::TVideoConfig(std::shared_ptr<platform::RegistryStore> store, LocalClock clock)
    : store_(std::move(store)), clock_(clock ? std::move(clock) : LocalClock(platform::localNow)) {
    liesConfig();
}

void TVideoConfig::liesConfig() {
    // The load writes a few values (version, wall window, upgraded hash):
    // all of them in one write.
    RegistryBatch batch(*store_);
    Options o;
    Lists lists;
    {
        Registry reg(store_);
        if (!reg.OpenKey(kRootKey, true)) return;
        liesCommonConfig(reg, o);
        o.black = readInt(reg, "blackLevel", 45);
    }
    liesUeberwachungConfig(o, lists);
    liesStations(lists);
    liesManual(lists);

    std::unique_lock lock(mutex_);
    options_ = std::move(o);
    lists_ = std::move(lists);
}

void TVideoConfig::liesCommonConfig(Registry& reg, Options& o) {
    std::int32_t version = kVersion;
    if (const auto stored = tryReadInt(reg, "version")) {
        version = *stored;
    } else {
        reg.WriteInteger("version", kVersion);
    }
    if (version > kVersion) {
        const auto language = tryReadInt(reg, "language");
        throw EInvalidVersionException(text(txtNewerVersion, toLanguage(language.value_or(lang_de))));
    }
    if (version < kVersion) reg.WriteInteger("version", kVersion);

    if (const auto id = tryReadStr(reg, "myid")) {
        o.id = *id;
        o.exID = true;
    }
    o.useCamRes = readBool(reg, "useCamRes", false);
    o.window = reg.ValueExists("windowTop") ? readWindow(reg, "windowLeft", kPopupDefault) : kPopupDefault;
    o.hasVideoPass = readBool(reg, "hasVideoPass", false);
    o.storeFirstPict = readBool(reg, "storeFirstPict", false);
    o.storeVideo = readBool(reg, "storeVideo", false);
    o.allowCapture = readBool(reg, "allowCapture", false);
    if (o.storeFirstPict || o.storeVideo || o.allowCapture) o.firstPictPath = readStr(reg, "firstPictPath");
    if (const auto language = tryReadInt(reg, "language")) {
        o.sprache = toLanguage(*language);
        o.exSprache = true;
    }

    if (const auto pass = tryReadStr(reg, "AdminPass")) {
        o.exAdminPass = true;
        o.adminPass = *pass;
        if (version < kVersion && !reg.ValueExists("hashed")) {
            // Older programs stored the password itself.
            o.adminPass = Hash(*pass);
            schreibPassConfig(reg, o);
        }
    }

    o.codeTuerOffen = readBool(reg, "codeTuerOffen", false);
    o.allowMultipleWindows = readBool(reg, "allowMultipleWindows", false);
    if (reg.ValueExists("protTuerOffen")) {
        o.protTuerOffen = readBool(reg, "protTuerOffen", false);
        o.kommentarTuerOffen = readBool(reg, "kommentarTuerOffen", false);
    }
    o.useServer = readBool(reg, "useServer", false);
    o.serverIP = readStr(reg, "serverIP", "127.0.0.1");
    o.serverPort = readInt(reg, "serverPort", 8255);
    o.showSplashScreen = readBool(reg, "ShowSplashScreen", true);
    o.surveillance = readBool(reg, "surveillance", false);
}

void TVideoConfig::liesUeberwachungConfig(Options& o, Lists& lists) {
    Registry reg(store_);
    if (!reg.OpenKey(kSurveillanceKey, true)) return;
    if (reg.ValueExists("windowTop")) {
        o.ueberwachung = readWindow(reg, "windowleft", kWallDefault);
    } else {
        o.ueberwachung = kWallDefault;
        writeWindow(reg, kWallDefault);
    }
    o.survLayout = toLayout(readInt(reg, "layout", r2x2));
    // The wall shows every n-th picture: a divisor below 1 would stop it.
    o.frameRate = std::max(1, readInt(reg, "frameRate", 1));
    o.showDoor = readBool(reg, "showDoor", false);
    o.recLength = readInt(reg, "recordLength", 30);
    const auto names = reg.GetKeyNames();
    reg.CloseKey();

    for (const auto& name : names) {
        if (!reg.OpenKey(subkey(kSurveillanceKey, name), false)) continue;
        try {
            lists.surv.insertUnique(name, std::make_shared<const TSurveillanceConfig>(readSurveillanceConfig(reg)));
        } catch (const platform::RegistryError&) {
            // A damaged camera is left out; the others load.
        }
        reg.CloseKey();
    }
}

void TVideoConfig::liesStations(Lists& lists) {
    Registry reg(store_);
    // Every numbered subkey loads, also past a gap in the numbering.
    for (int n : numberedSubkeys(reg, kConfigurationsKey)) {
        if (!reg.OpenKey(subkey(kConfigurationsKey, std::to_string(n)), false)) continue;
        auto entry = std::make_shared<const TSingleConfig>(readSingleConfig(reg));
        reg.CloseKey();
        lists.ip.insert(entry->Ip + ":" + entry->Port, entry);
        lists.tel.insert(entry->telefonIP, entry);
        lists.name.insert(stationNameKey(entry->Name), entry);
        lists.reg.insertUnique(std::to_string(n), entry);
    }
}

void TVideoConfig::liesManual(Lists& lists) {
    Registry reg(store_);
    for (int n : numberedSubkeys(reg, kManualKey)) {
        if (!reg.OpenKey(subkey(kManualKey, std::to_string(n)), false)) continue;
        auto entry = std::make_shared<const TManualConfig>(readManualConfig(reg));
        reg.CloseKey();
        lists.manual.insertUnique(entry->listKey(), entry);
    }
}

void TVideoConfig::schreibPassConfig(Registry& reg, const Options& o) {
    if (o.exAdminPass) {
        reg.WriteString("adminPass", o.adminPass);
        reg.WriteInteger("version", kVersion);
        reg.WriteInteger("hashed", 1);
    } else {
        reg.DeleteValue("adminPass");
    }
}

// ---------------------------------------------------------------- lookups

TVideoConfig::StationPtr TVideoConfig::getConfigByName(const std::string& name) const {
    std::shared_lock lock(mutex_);
    return lists_.name.find(stationNameKey(name));
}

TVideoConfig::StationPtr TVideoConfig::getConfigByIP(const std::string& ipAndPort) const {
    std::shared_lock lock(mutex_);
    return lists_.ip.find(ipAndPort);
}

TVideoConfig::StationPtr TVideoConfig::getConfigByPhone(const std::string& telefonIP) const {
    std::shared_lock lock(mutex_);
    return lists_.tel.find(telefonIP);
}

TVideoConfig::StationPtr TVideoConfig::getConfigByNumber(int position) const {
    std::shared_lock lock(mutex_);
    if (position < 0 || static_cast<std::size_t>(position) >= lists_.reg.size()) return nullptr;
    return lists_.reg.at(static_cast<std::size_t>(position)).second;
}

TVideoConfig::SurvPtr TVideoConfig::getSurvConfigByIp(const std::string& ipAndPort) const {
    std::shared_lock lock(mutex_);
    for (const auto& [key, camera] : lists_.surv.items()) {
        if (camera->ipAddr + ":" + std::to_string(camera->port) == ipAndPort) return camera;
    }
    return nullptr;
}

int TVideoConfig::Count() const {
    std::shared_lock lock(mutex_);
    return static_cast<int>(lists_.reg.size());
}

std::vector<std::pair<std::string, TVideoConfig::ManualPtr>> TVideoConfig::manualList() const {
    std::shared_lock lock(mutex_);
    return lists_.manual.items();
}

std::vector<std::pair<std::string, TVideoConfig::SurvPtr>> TVideoConfig::survList() const {
    std::shared_lock lock(mutex_);
    return lists_.surv.items();
}

// ---------------------------------------------------------------- stations and manual cameras

int TVideoConfig::insertStation(Lists& lists, StationPtr entry) {
    lists.ip.insert(entry->Ip + ":" + entry->Port, entry);
    lists.tel.insert(entry->telefonIP, entry);
    lists.name.insert(stationNameKey(entry->Name), entry);
    const int count = static_cast<int>(lists.reg.size());
    int number = 0;
    while (number < count && lists.reg.indexOf(std::to_string(number))) ++number;
    return static_cast<int>(lists.reg.insert(std::to_string(number), std::move(entry)));
}

void TVideoConfig::loescheListe(Lists& lists, const TSingleConfig* entry) {
    lists.ip.removeEntry(entry);
    lists.name.removeEntry(entry);
    lists.reg.removeEntry(entry);
    lists.tel.removeEntry(entry);
}

int TVideoConfig::addConfig(TSingleConfig entry) {
    std::lock_guard write(writeMutex_);
    int position = 0;
    {
        std::unique_lock lock(mutex_);
        position = insertStation(lists_, std::make_shared<const TSingleConfig>(std::move(entry)));
    }
    saveStationsAndManual();
    return position;
}

void TVideoConfig::deleteConfig(const StationPtr& entry) {
    std::lock_guard write(writeMutex_);
    {
        std::unique_lock lock(mutex_);
        loescheListe(lists_, entry.get());
    }
    saveStationsAndManual();
}

int TVideoConfig::updateConfig(const StationPtr& old, TSingleConfig replacement) {
    std::lock_guard write(writeMutex_);
    int position = 0;
    {
        std::unique_lock lock(mutex_);
        loescheListe(lists_, old.get());
        position = insertStation(lists_, std::make_shared<const TSingleConfig>(std::move(replacement)));
    }
    saveStationsAndManual();
    return position;
}

int TVideoConfig::addManual(TManualConfig entry) {
    std::lock_guard write(writeMutex_);
    std::optional<std::size_t> position;
    {
        std::unique_lock lock(mutex_);
        auto key = entry.listKey();
        position = lists_.manual.insertUnique(std::move(key), std::make_shared<const TManualConfig>(std::move(entry)));
    }
    if (!position) return -1;
    saveStationsAndManual();
    return static_cast<int>(*position);
}

void TVideoConfig::deleteManualConfig(const std::string& ipAndPort) {
    std::lock_guard write(writeMutex_);
    bool removed = false;
    {
        std::unique_lock lock(mutex_);
        removed = lists_.manual.removeKey(ipAndPort);
    }
    if (removed) saveStationsAndManual();
}

void TVideoConfig::schreibConfig() {
    std::lock_guard write(writeMutex_);
    saveStationsAndManual();
}

void TVideoConfig::saveStationsAndManual() {
    std::vector<StationPtr> stations;
    std::vector<ManualPtr> manual;
    {
        std::shared_lock lock(mutex_);
        for (const auto& item : lists_.reg.items()) stations.push_back(item.second);
        for (const auto& item : lists_.manual.items()) manual.push_back(item.second);
    }
    // Delete and rewrite in one write, so the file never holds half a list.
    RegistryBatch batch(*store_);
    Registry reg(store_);
    rewriteNumbered(reg, kConfigurationsKey, stations, writeSingleConfig);
    rewriteNumbered(reg, kManualKey, manual, writeManualConfig);
}

void TVideoConfig::deleteAllConfig() {
    std::lock_guard write(writeMutex_);
    Registry reg(store_);
    reg.DeleteKey(kRootKey);
}

// ---------------------------------------------------------------- wall cameras

bool TVideoConfig::putSurvConfig(const std::string& key, TSurveillanceConfig camera) {
    if (key.empty() || key.find('\\') != std::string::npos) return false;
    std::lock_guard write(writeMutex_);
    std::unique_lock lock(mutex_);
    lists_.surv.removeKey(key);
    lists_.surv.insert(key, std::make_shared<const TSurveillanceConfig>(std::move(camera)));
    return true;
}

bool TVideoConfig::removeSurvConfig(const std::string& key) {
    std::lock_guard write(writeMutex_);
    std::unique_lock lock(mutex_);
    return lists_.surv.removeKey(key);
}

void TVideoConfig::schreibeUeberwachungKameras() {
    std::lock_guard write(writeMutex_);
    const auto cameras = survList();
    RegistryBatch batch(*store_);
    Registry reg(store_);
    if (!reg.OpenKey(kSurveillanceKey, true)) return;
    const auto names = reg.GetKeyNames();
    reg.CloseKey();
    for (const auto& name : names) reg.DeleteKey(subkey(kSurveillanceKey, name));
    for (const auto& [key, camera] : cameras) {
        if (!reg.OpenKey(subkey(kSurveillanceKey, key), true)) continue;
        writeSurveillanceConfig(reg, *camera);
        reg.CloseKey();
    }
}

// ---------------------------------------------------------------- options

void TVideoConfig::storeValue(const char* key, bool create, const std::function<void(Registry&)>& write) {
    // Opening with create counts as a change too: one write for both.
    RegistryBatch batch(*store_);
    Registry reg(store_);
    if (!reg.OpenKey(key, create)) return;
    write(reg);
    reg.CloseKey();
}

template <typename T>
void TVideoConfig::setAndStore(T Options::*field, const T& value, const char* key, bool create,
                               const std::function<void(Registry&)>& write) {
    std::lock_guard guard(writeMutex_);
    {
        std::unique_lock lock(mutex_);
        options_.*field = value;
    }
    storeValue(key, create, write);
}

template <typename T>
void TVideoConfig::setAndStore(T Options::*field, T value, const char* key, const char* valueName) {
    setAndStore(field, value, key, true, [&](Registry& reg) { writeTyped(reg, valueName, value); });
}

bool TVideoConfig::liesSprache(TSprachenTyp& language) const {
    std::shared_lock lock(mutex_);
    if (!options_.exSprache) return false;
    language = options_.sprache;
    return true;
}

void TVideoConfig::schreibeSprache(TSprachenTyp language) {
    std::lock_guard write(writeMutex_);
    language = toLanguage(language);
    {
        std::unique_lock lock(mutex_);
        options_.sprache = language;
        options_.exSprache = true;
    }
    storeValue(kRootKey, true, [&](Registry& reg) { reg.WriteInteger("language", language); });
}

bool TVideoConfig::liesID(std::vector<std::string>& ids) const {
    std::shared_lock lock(mutex_);
    ids = splitDelimitedText(options_.id, ';');
    return options_.exID;
}

void TVideoConfig::schreibeID(const std::string& ids) {
    std::lock_guard write(writeMutex_);
    {
        std::unique_lock lock(mutex_);
        options_.id = ids;
        options_.exID = true;
    }
    storeValue(kRootKey, true, [&](Registry& reg) { reg.WriteString("myid", ids); });
}

void TVideoConfig::storePasswd(const std::string& password) {
    std::lock_guard write(writeMutex_);
    Options snapshot;
    {
        std::unique_lock lock(mutex_);
        options_.exAdminPass = !password.empty();
        options_.adminPass = Hash(password);
        snapshot = options_;
    }
    storeValue(kRootKey, true, [&](Registry& reg) { schreibPassConfig(reg, snapshot); });
}

bool TVideoConfig::authenticate(const std::string& password) const {
    std::shared_lock lock(mutex_);
    return !options_.exAdminPass || Hash(password) == options_.adminPass;
}

bool TVideoConfig::allowCapture() const { return get(&Options::allowCapture); }

void TVideoConfig::schreibeAllowConfig(bool allow) {
    std::lock_guard write(writeMutex_);
    storeValue(kRootKey, true, [&](Registry& reg) { reg.WriteBool("allowCapture", allow); });
}

bool TVideoConfig::liesAllowConfig2() {
    std::lock_guard write(writeMutex_);
    Registry reg(store_);
    if (!reg.OpenKey(kRootKey, false)) return false;
    const auto stored = tryReadInt(reg, "allowCapture");
    if (!stored) return false;
    std::unique_lock lock(mutex_);
    options_.allowCapture = *stored != 0;
    return options_.allowCapture;
}

bool TVideoConfig::hasVideoPass() const { return get(&Options::hasVideoPass); }
void TVideoConfig::schreibeHasVideoPass(bool on) { setAndStore(&Options::hasVideoPass, on, kRootKey, "hasVideoPass"); }
std::int32_t TVideoConfig::blackValue() const { return get(&Options::black); }
void TVideoConfig::schreibBlackConfig(std::int32_t level) {
    setAndStore(&Options::black, level, kRootKey, "blackLevel");
}
bool TVideoConfig::storeFirstPict() const { return get(&Options::storeFirstPict); }
void TVideoConfig::schreibeStoreFirstPict(bool on) {
    setAndStore(&Options::storeFirstPict, on, kRootKey, "storeFirstPict");
}
bool TVideoConfig::storeVideo() const { return get(&Options::storeVideo); }
void TVideoConfig::schreibeStoreVideo(bool on) { setAndStore(&Options::storeVideo, on, kRootKey, "storeVideo"); }
std::string TVideoConfig::firstPictpath() const { return get(&Options::firstPictPath); }
void TVideoConfig::schreibeFirstPictPath(const std::string& path) {
    setAndStore(&Options::firstPictPath, path, kRootKey, "firstPictPath");
}
bool TVideoConfig::codeTuerOffen() const { return get(&Options::codeTuerOffen); }
void TVideoConfig::schreibeCodeTuerOffen(bool on) {
    setAndStore(&Options::codeTuerOffen, on, kRootKey, "codeTuerOffen");
}
bool TVideoConfig::protTuerOffen() const { return get(&Options::protTuerOffen); }
void TVideoConfig::schreibeProtTuerOffen(bool on) {
    setAndStore(&Options::protTuerOffen, on, kRootKey, "protTuerOffen");
}
bool TVideoConfig::kommentarTuerOffen() const { return get(&Options::kommentarTuerOffen); }
void TVideoConfig::schreibeKommentarTuerOffen(bool on) {
    setAndStore(&Options::kommentarTuerOffen, on, kRootKey, "kommentarTuerOffen");
}
TWindowSettings TVideoConfig::fensterKoordinaten() const { return get(&Options::window); }

void TVideoConfig::schreibeFensterKoordinaten(const TWindowSettings& popup) {
    // Not created: after the whole configuration was deleted, the popup that
    // closes with the program must not bring the settings key back.
    setAndStore(&Options::window, popup, kRootKey, false, [&](Registry& reg) { writeWindow(reg, popup); });
}

TWindowSettings TVideoConfig::ueberwachungKoordinaten() const { return get(&Options::ueberwachung); }

void TVideoConfig::schreibeUeberwachungKoordinaten(const TWindowSettings& wall) {
    setAndStore(&Options::ueberwachung, wall, kSurveillanceKey, true, [&](Registry& reg) { writeWindow(reg, wall); });
}

bool TVideoConfig::splashScreen() const { return get(&Options::showSplashScreen); }
void TVideoConfig::schreibeSplashScreen(bool on) {
    setAndStore(&Options::showSplashScreen, on, kRootKey, "showSplashScreen");
}
bool TVideoConfig::useServer() const { return get(&Options::useServer); }
void TVideoConfig::schreibeUseServer(bool on) { setAndStore(&Options::useServer, on, kRootKey, "useServer"); }
std::string TVideoConfig::serverIP() const { return get(&Options::serverIP); }
void TVideoConfig::schreibeServerIP(const std::string& address) {
    setAndStore(&Options::serverIP, address, kRootKey, "ServerIP");
}
std::int32_t TVideoConfig::serverPort() const { return get(&Options::serverPort); }
void TVideoConfig::schreibeServerPort(std::int32_t port) {
    setAndStore(&Options::serverPort, port, kRootKey, "ServerPort");
}
bool TVideoConfig::allowMultipleWindows() const { return get(&Options::allowMultipleWindows); }
void TVideoConfig::schreibeAllowMultipleWindows(bool on) {
    setAndStore(&Options::allowMultipleWindows, on, kRootKey, "allowMultipleWindows");
}
bool TVideoConfig::surveillance() const { return get(&Options::surveillance); }
void TVideoConfig::schreibeSurveillance(bool on) { setAndStore(&Options::surveillance, on, kRootKey, "surveillance"); }
TLayoutTyp TVideoConfig::survLayout() const { return get(&Options::survLayout); }
void TVideoConfig::schreibeLayout(TLayoutTyp layout) {
    setAndStore(&Options::survLayout, toLayout(layout), kSurveillanceKey, "layout");
}
bool TVideoConfig::showDoor() const { return get(&Options::showDoor); }
void TVideoConfig::schreibeDoor(bool on) { setAndStore(&Options::showDoor, on, kSurveillanceKey, "showDoor"); }
std::int32_t TVideoConfig::framerate() const { return get(&Options::frameRate); }
void TVideoConfig::schreibeFrameRate(std::int32_t divisor) {
    setAndStore(&Options::frameRate, std::max(1, divisor), kSurveillanceKey, "frameRate");
}
std::int32_t TVideoConfig::recordLength() const { return get(&Options::recLength); }
void TVideoConfig::schreibeRecLen(std::int32_t minutes) {
    setAndStore(&Options::recLength, minutes, kSurveillanceKey, "recordLength");
}
bool TVideoConfig::useCamRes() const { return get(&Options::useCamRes); }

std::string TVideoConfig::liesFirstPictPath() const {
    Registry reg(store_);
    return reg.OpenKey(kRootKey, false) ? readStr(reg, "firstPictPath") : firstPictpath();
}

bool TVideoConfig::liesAutostart() const {
    Registry reg(store_);
    return reg.OpenKey(kRootKey, false) && readBool(reg, "autostart", false);
}

void TVideoConfig::schreibeAutostart(bool neverAsk) {
    std::lock_guard write(writeMutex_);
    storeValue(kRootKey, true, [&](Registry& reg) { reg.WriteBool("autostart", neverAsk); });
}

bool TVideoConfig::liesWineRegKey() const {
    Registry reg(store_);
    return reg.KeyExists("\\SOFTWARE\\Wine");
}

// ---------------------------------------------------------------- folders

std::string TVideoConfig::wantedSavePath(const std::string& name) const {
    return buildSavePath(firstPictpath(), name, clock_());
}

SaveFolder TVideoConfig::getSavePath(const std::string& name) const {
    const std::string root = firstPictpath();
    return makeSaveFolder(root, buildSavePath(root, name, clock_()));
}

}  // namespace oculon::config
