#pragma once
// TVideoConfig: the one settings object of the process. It loads the whole
// settings tree at construction, answers lookups of the configured stations
// and cameras, and writes every change back at once.
//
// Threads: every member may be called from any thread. The lists and options
// sit under a reader-writer lock; lookups take it shared and hand out the
// entry as shared_ptr<const ...>. An entry is never changed once listed: a
// change replaces it (updateConfig), so a worker that looked a station up
// keeps a consistent entry for as long as it holds the pointer, even when the
// main thread removes or replaces it meanwhile. Changes are serialised among
// themselves, and each save of a list is one atomic write of the store.

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "config/ConfigEntries.h"
#include "config/Helpers.h"
#include "config/RebootSperre.h"
#include "config/SavePath.h"
#include "config/SortedIndex.h"
#include "config/sprachen.h"
#include "platform/Registry.h"

namespace oculon::config {

// The stored settings come from a newer program; the message says so in the
// stored language. The start-up shows it and ends.
class EInvalidVersionException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TVideoConfig {
public:
    using StationPtr = std::shared_ptr<const TSingleConfig>;
    using ManualPtr = std::shared_ptr<const TManualConfig>;
    using SurvPtr = std::shared_ptr<const TSurveillanceConfig>;
    using LocalClock = std::function<std::tm()>;

    static constexpr std::int32_t kVersion = 10;
    static constexpr const char* kRootKey = "\\SOFTWARE\\Korvat\\Oculon";
    static constexpr const char* kConfigurationsKey = "\\SOFTWARE\\Korvat\\Oculon\\Configurations";
    static constexpr const char* kManualKey = "\\SOFTWARE\\Korvat\\Oculon\\Manual";
    static constexpr const char* kSurveillanceKey = "\\SOFTWARE\\Korvat\\Oculon\\Surveillance";

    // Loads the tree. Throws EInvalidVersionException for settings newer than
    // kVersion. `clock` gives the local date for getSavePath (tests fix it).
    explicit TVideoConfig(std::shared_ptr<platform::RegistryStore> store, LocalClock clock = {});
    TVideoConfig(const TVideoConfig&) = delete;
    TVideoConfig& operator=(const TVideoConfig&) = delete;

    // ---- Lookups: nullptr when there is none. With duplicate keys the entry
    // added last wins.
    // By name, as sameStationName compares.
    StationPtr getConfigByName(const std::string& name) const;
    StationPtr getConfigByIP(const std::string& ipAndPort) const;
    StationPtr getConfigByPhone(const std::string& telefonIP) const;
    // The entry at this position of the number list, which sorts as text
    // ("0", "1", "10", "2"): not the entry whose number equals `position`.
    StationPtr getConfigByNumber(int position) const;
    // First wall camera, in list order, whose ipAddr + ":" + port matches.
    SurvPtr getSurvConfigByIp(const std::string& ipAndPort) const;
    int Count() const;
    // Snapshots in list order: (key, entry).
    std::vector<std::pair<std::string, ManualPtr>> manualList() const;
    std::vector<std::pair<std::string, SurvPtr>> survList() const;

    // ---- Stations and manual cameras; each change saves both lists.
    // Gives the entry the lowest free number and returns its position in the
    // number list.
    int addConfig(TSingleConfig entry);
    void deleteConfig(const StationPtr& entry);
    // Replaces `old` (by identity) with `replacement` in one step: a reader
    // sees the one or the other, never neither.
    int updateConfig(const StationPtr& old, TSingleConfig replacement);
    // -1 and nothing stored when a camera with the same address and port is
    // listed already; otherwise its position.
    int addManual(TManualConfig entry);
    void deleteManualConfig(const std::string& ipAndPort);
    void schreibConfig();
    // Deletes the whole settings key; the lists in memory stay (the program
    // ends next).
    void deleteAllConfig();

    // ---- Wall cameras, keyed by tile number in decimal. These change the
    // list only; schreibeUeberwachungKameras() writes it.
    // False (nothing stored) for a key that cannot name a subkey.
    bool putSurvConfig(const std::string& key, TSurveillanceConfig camera);
    bool removeSurvConfig(const std::string& key);
    void schreibeUeberwachungKameras();

    // ---- Options.
    bool liesSprache(TSprachenTyp& language) const;  // false when none is stored
    void schreibeSprache(TSprachenTyp language);
    bool liesID(std::vector<std::string>& ids) const;  // returns whether an id is stored
    void schreibeID(const std::string& ids);
    void storePasswd(const std::string& password);
    // True when no administrator password is set or this is it.
    bool authenticate(const std::string& password) const;

    bool allowCapture() const;
    void schreibeAllowConfig(bool allow);  // writes only; liesAllowConfig2 reads it back
    bool liesAllowConfig2();
    bool hasVideoPass() const;
    void schreibeHasVideoPass(bool on);
    std::int32_t blackValue() const;
    void schreibBlackConfig(std::int32_t level);
    bool storeFirstPict() const;
    void schreibeStoreFirstPict(bool on);
    bool storeVideo() const;
    void schreibeStoreVideo(bool on);
    // Empty while none of storeFirstPict, storeVideo and allowCapture was on
    // at the load; liesFirstPictPath reads the stored path all the same.
    std::string firstPictpath() const;
    void schreibeFirstPictPath(const std::string& path);
    std::string liesFirstPictPath() const;
    bool codeTuerOffen() const;
    void schreibeCodeTuerOffen(bool on);
    bool protTuerOffen() const;
    void schreibeProtTuerOffen(bool on);
    bool kommentarTuerOffen() const;
    void schreibeKommentarTuerOffen(bool on);
    TWindowSettings fensterKoordinaten() const;
    void schreibeFensterKoordinaten(const TWindowSettings& popup);
    TWindowSettings ueberwachungKoordinaten() const;
    void schreibeUeberwachungKoordinaten(const TWindowSettings& wall);
    bool splashScreen() const;
    void schreibeSplashScreen(bool on);
    bool useServer() const;
    void schreibeUseServer(bool on);
    std::string serverIP() const;
    void schreibeServerIP(const std::string& address);
    std::int32_t serverPort() const;
    void schreibeServerPort(std::int32_t port);
    bool allowMultipleWindows() const;
    void schreibeAllowMultipleWindows(bool on);
    bool surveillance() const;
    void schreibeSurveillance(bool on);
    TLayoutTyp survLayout() const;
    void schreibeLayout(TLayoutTyp layout);
    bool showDoor() const;
    void schreibeDoor(bool on);
    std::int32_t framerate() const;
    void schreibeFrameRate(std::int32_t divisor);
    std::int32_t recordLength() const;
    void schreibeRecLen(std::int32_t minutes);
    bool useCamRes() const;
    bool autostart() const { return liesAutostart(); }
    bool liesAutostart() const;
    void schreibeAutostart(bool neverAsk);
    bool isWine() const { return liesWineRegKey(); }
    bool liesWineRegKey() const;

    // ---- Folders.
    // The dated folder for a camera's snapshots and recordings, as named:
    // nothing is made. The name cannot climb out of the picture path.
    std::string wantedSavePath(const std::string& name) const;
    // That folder made, or the user's own beside it that is used instead
    // (makeSaveFolder), or why there is none.
    SaveFolder getSavePath(const std::string& name) const;

private:
    struct Options {
        TSprachenTyp sprache = lang_de;
        bool exSprache = false;
        std::string adminPass;
        bool exAdminPass = false;
        std::string id;
        bool exID = false;
        bool allowCapture = false;
        bool hasVideoPass = false;
        std::int32_t black = 0;
        bool storeFirstPict = false;
        bool storeVideo = false;
        std::string firstPictPath;
        bool codeTuerOffen = false;
        bool protTuerOffen = false;
        bool kommentarTuerOffen = false;
        TWindowSettings window;
        TWindowSettings ueberwachung;
        bool showSplashScreen = false;
        bool useServer = false;
        std::string serverIP;
        std::int32_t serverPort = 0;
        bool allowMultipleWindows = false;
        bool surveillance = false;
        TLayoutTyp survLayout = r2x2;
        bool showDoor = false;
        std::int32_t frameRate = 0;
        std::int32_t recLength = 0;
        bool useCamRes = false;
    };
    struct Lists {
        SortedIndex<TSingleConfig> ip, name, reg, tel;
        SortedIndex<TManualConfig> manual;
        SortedIndex<TSurveillanceConfig> surv;
    };

    void liesConfig();
    void liesCommonConfig(platform::Registry& reg, Options& o);
    void liesUeberwachungConfig(Options& o, Lists& lists);
    void liesStations(Lists& lists);
    void liesManual(Lists& lists);
    static void schreibPassConfig(platform::Registry& reg, const Options& o);

    // Callers hold writeMutex_ (and, for these two, mutex_ exclusively).
    static int insertStation(Lists& lists, StationPtr entry);
    static void loescheListe(Lists& lists, const TSingleConfig* entry);
    void saveStationsAndManual();

    template <typename T>
    T get(T Options::*field) const {
        std::shared_lock lock(mutex_);
        return options_.*field;
    }
    // Sets the field, then writes it to `key`; only the field changes when the
    // key cannot be opened.
    template <typename T>
    void setAndStore(T Options::*field, const T& value, const char* key, bool create,
                     const std::function<void(platform::Registry&)>& write);
    template <typename T>
    void setAndStore(T Options::*field, T value, const char* key, const char* valueName);
    void storeValue(const char* key, bool create, const std::function<void(platform::Registry&)>& write);

    std::shared_ptr<platform::RegistryStore> store_;
    LocalClock clock_;
    std::mutex writeMutex_;            // one change at a time, saved in order
    mutable std::shared_mutex mutex_;  // guards options_ and lists_
    Options options_;
    Lists lists_;
};

// A station's name as a device sends it, often in Latin-1, and the same name
// in UTF-8 (a user's hand edit, say) name one station: the key under which
// both are found. A name of valid UTF-8 is its own key.
std::string stationNameKey(const std::string& name);
bool sameStationName(const std::string& a, const std::string& b);

// The process's instances, owned by the start-up, which sets these before the
// first window and clears them after the last thread has ended.
extern TVideoConfig* videoConfig;
extern TRebootSperre* rebootSperre;

}  // namespace oculon::config
