#pragma once
// The camera list's own commands: its context menu, adding a camera by hand
// (with the add-camera form's checks), renaming a camera and changing its
// stream path in the station, the discovery list and the wall at once, and
// removing a camera added by hand.

#include <string>

#include "config/cfgUnit.h"
#include "settings/KonfigSeams.h"

namespace oculon::settings {

struct CameraMenu {
    bool rename = false;
    bool path = false;
    bool remove = false;
    std::string removeCaption;  // "Delete entry", with ": " and the key when it can be removed
};

// The menu for the item of `key` (empty: none or several selected).
// `discovery` may be null (nothing found).
CameraMenu cameraMenu(const std::string& key, const DiscoverySource* discovery, const config::TVideoConfig& settings,
                      config::TSprachenTyp language);

// The add-camera form's entries, as typed.
struct NewCamera {
    std::string name, ip, port, path;
    int typeIndex = 0;  // in the type box, which has no type 7
};

// The add-camera form's checks in their order; nullptr: it may close.
const config::TText* checkNewCamera(const NewCamera& camera, const config::TVideoConfig& settings,
                                    const DiscoverySource* discovery);
// The camera to store (after the checks).
config::TManualConfig manualCamera(const NewCamera& camera);
// The type box's entries in order: the camera types without type 7.
config::TVideoServerType typeOfBoxIndex(int index);

// The name and stream path the rename and path prompts start from: the
// station's under that key, else the wall camera's.
std::string cameraName(const std::string& key, const config::TVideoConfig& settings);
std::string cameraPath(const std::string& key, const config::TVideoConfig& settings);

// Each returns true when a wall camera changed, so the wall must rebuild.
bool renameCamera(const std::string& key, const std::string& name, config::TVideoConfig& settings,
                  DiscoverySource& discovery);
bool changeCameraPath(const std::string& key, const std::string& path, config::TVideoConfig& settings,
                      DiscoverySource& discovery);

}  // namespace oculon::settings
