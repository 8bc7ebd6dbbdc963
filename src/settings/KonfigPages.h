#pragma once
// The rules of the settings dialog's general page and video-server page:
// what they show when the dialog opens or a server is selected, what they
// check before anything is written or sent, and the order in which they
// store. Each check answers with the catalogue text to show, or nullptr.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "settings/KonfigSeams.h"
#include "settings/VideoServerConfiguration.h"

namespace oculon::settings {

// The next selection of the selected video server loads it afresh (set by
// a configuration run and by deleting a station). Main thread.
extern bool reloadSelectedServer;

struct GeneralValues {
    config::TSprachenTyp language = config::lang_de;
    bool splash = false;
    bool multipleWindows = false;
    std::string ids;           // the workstation ids, ";"-separated
    bool passwordSet = false;  // an administrator password is stored
    bool pwdChanged = false;   // the password edits or "Delete password" were touched
    std::string adminPass, adminPassConfirm;
    bool allowVideoView = false;
    bool allowCapture = false;
    bool captureFirst = false;
    bool storeVideo = false;
    std::string path;
    int black = 0;
    bool autostartOffered = false;  // "Install program in autostart" is shown
    bool useRelay = false;
    std::string relayServer, relayPort;
    // The door options, on the door-intercom page.
    bool codeForDoor = false, logDoor = false, askComment = false;
};

// What the dialog shows when it opens: the values as stored, so that an OK
// that changed nothing writes back nothing different.
GeneralValues loadGeneral(config::TVideoConfig& settings);

// The first part of the apply: door options, the relay mode (switched by
// `switchRelay`, which stores it) and the relay server's address.
const config::TText* applyCommon(config::TVideoConfig& settings, const GeneralValues& values,
                                 const std::function<void(bool relayOn)>& switchRelay);

// The general page's part of the apply. `confirmDelete` asks whether an
// emptied password is to be deleted; on No the password stays as it was
// (`passwordKept` is then set) and the rest is stored all the same.
const config::TText* applyGeneral(config::TVideoConfig& settings, const GeneralValues& values,
                                  const std::function<bool()>& confirmDelete, bool& passwordKept);

// Whether `now` differs from `shown` in anything that applyGeneral stores
// (the password edits count as soon as they were touched).
bool generalEdited(const GeneralValues& shown, const GeneralValues& now);

// The selected video server of the video-server page.
class ServerPage {
public:
    explicit ServerPage(const config::TVideoConfig& settings) : settings_(settings) {}

    // A server selected in the list. True when `edits` were loaded from it;
    // false for the server already loaded (unless reloadSelectedServer) and
    // for one that has left the discovery list, whose values stay shown.
    bool select(const std::string& key, const DiscoverySource& discovery, ServerEdits& edits);
    void clear();
    // The next selection loads afresh, also of the server shown now.
    void forgetSelection() { selectedIP_.clear(); }
    // A configuration run went through: the server's list entry and the
    // page's copy of it take the name and user settings it took, so that
    // neither a rebuild before its next search answer nor the next run goes
    // by what it held before.
    void ran(const devices::ServerFields& device, DiscoverySource* discovery);

    const std::string& selectedIP() const { return selectedIP_; }
    const std::optional<devices::ServerFields>& server() const { return actObject_; }
    // The station of the selected server, when it is known without asking
    // the user (`found`: the discovery list).
    config::TVideoConfig::StationPtr station(const std::vector<FoundDevice>& found) const;

    // The checks before a configuration run. A name that another listed
    // server carries is emptied.
    const config::TText* check(ServerEdits& edits, const std::vector<FoundDevice>& found) const;

private:
    const config::TVideoConfig& settings_;
    std::string selectedIP_;
    std::optional<devices::ServerFields> actObject_;
};

}  // namespace oculon::settings
