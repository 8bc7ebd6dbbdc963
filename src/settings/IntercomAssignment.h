#pragma once
// What the door-intercom page stores: a camera assigned to an intercom (or
// marked as one with an analog door station or with none), a second camera
// added to an assignment or taken from it, and an assignment removed.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/cfgUnit.h"
#include "devices/TelefonTelegram.h"
#include "settings/IntercomPage.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

// The page's edits at the time of the apply.
struct AssignmentEdits {
    std::string cameraKey;  // the camera selected in the camera list
    std::string intercom;   // address in the selected intercom row; may be empty
    bool analogPhone = false;
    bool withoutIntercom = false;
    bool output = false;
    std::string outputText;
    std::string code;
    std::string duration;
    bool usePass = false;
    std::string user, password, passwordConfirm;
    AnalogFlags analog;
};

struct AssignmentResult {
    const config::TText* problem = nullptr;  // why nothing was stored
    bool incomplete = false;                 // the problem is a camera or intercom not chosen yet
    bool stored = false;
};

// `lindavorUebernehmen`. An assignment whose intercom is silent now (an
// intercom speaks only when something happens at its door) is edited with
// the intercom it has, and a stored camera that has left the discovery list
// with its stored addresses. Nothing is stored, and the result says why,
// for a camera neither found nor stored, a camera without an intercom (none
// chosen or heard, no box checked, none assigned), an intercom that another
// camera's station holds, or unequal passwords.
AssignmentResult assignCamera(const AssignmentEdits& edits, const DiscoverySource& discovery,
                              const std::vector<devices::telefonObjekt>& telephones, config::TVideoConfig& settings);

// One entry of the second-camera submenu.
struct SecondCameraItem {
    std::string caption;  // key, two blanks, the camera's name part; or "delete" for the last one
    std::string key;      // empty for "delete"
    bool checked = false;
};
// `cameraCaptions`: the camera list's captions in order. The station of the
// assignment row (camera key, intercom address) decides the checked item.
std::vector<SecondCameraItem> secondCameraMenu(const std::string& rowKey, const std::string& rowIntercom,
                                               const std::vector<std::string>& cameraCaptions,
                                               const config::TVideoConfig& settings, config::TSprachenTyp language);

// The credentials of a camera that needs them, asked with no lock held;
// nothing when the user cancels.
struct Credentials {
    std::string user, password;
};
using AskCredentials = std::function<std::optional<Credentials>(const std::string& cameraName)>;

// The camera of `secondKey` becomes the row's second camera; an empty key
// takes the second camera away. False when nothing was stored: no station
// for the row, or the chosen camera left the list while its credentials
// were asked.
bool setSecondCamera(const std::string& rowKey, const std::string& rowIntercom, const std::string& secondKey,
                     config::TVideoConfig& settings, DiscoverySource& discovery, const AskCredentials& ask);

// The station of an assignment row: by its intercom, or by its camera key
// when it has none. False when there was none to delete.
bool removeAssignment(const std::string& rowKey, const std::string& rowIntercom, config::TVideoConfig& settings);

}  // namespace oculon::settings
