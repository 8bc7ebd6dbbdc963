#pragma once
// The wall's cameras without its window: the stream description of a tile,
// what a camera dropped on a tile becomes, how the stored wall cameras follow
// a layout change and a change sent by the settings dialog, and how a tile's
// recording button looks in each recording mode.

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "config/ConfigEntries.h"
#include "config/cfgUnit.h"

namespace oculon::video {

// ---- Stream description

// The stream path of a camera type; type 6 gets the current time as its
// stream id, types without a path of their own (9) an empty one.
std::string getPath(config::TVideoServerType typ, const std::string& resString, std::time_t now = std::time(nullptr));

// What the wall takes of a discovered device. The discovery list belongs to
// the devices module (which builds on this one); its owner copies an entry
// into this under the list's lock.
struct DiscoveredCamera {
    std::string name;
    std::string commonName;
    config::TVideoServerType typ = config::KorvatServer;
    std::string ip;
    std::string port;
    std::string videoPath;  // the device's own stream path (type 9)
    std::string resString;
    bool authorization = false;  // the device asks for credentials
    std::string mirabPath;
    std::int32_t reduction = 0;
};

// Finds a discovered device by its list key (address ":" HTTP port).
using DiscoveryLookup = std::function<std::optional<DiscoveredCamera>(const std::string& key)>;

// The three ways a tile's stream description is filled.
config::TServerAttributes setAttributes(const config::TSingleConfig& station, std::int32_t frameRate);
// Credentials stay empty; the caller asks for them when `authorization` is set.
config::TServerAttributes setAttributes(const DiscoveredCamera& device, std::int32_t frameRate);
// The tile's part: wall mode, shown always, not recorded.
void setAttributes(config::TServerAttributes& attributes, std::int32_t frameRate);

// The name a camera gets on the wall: its common name when it has one.
std::string cameraNameOf(const config::TSingleConfig& station);
std::string cameraNameOf(const DiscoveredCamera& device);

// ---- Drop of a camera on a tile

// The text a drop carries: the camera list item's caption up to its first
// line break, which is the camera's address ":" port.
std::string dropLookupText(const std::string& caption);

struct DropDecision {
    enum class Kind {
        unknownCamera,  // neither configured nor discovered: nothing changes
        duplicateName,  // already shown in a tile: refused with a message
        station,        // a configured station
        device,         // a discovered device
    };
    Kind kind = Kind::unknownCamera;
    config::TServerAttributes attributes;  // for station and device, without the tile's part
    bool askCredentials = false;           // a device that wants credentials
    bool keyOnly = false;                  // ... of which only the password (key) is asked
};

// `shownNames`: the camera names of the running tiles.
DropDecision decideDrop(const std::string& caption, const config::TVideoConfig& settings,
                        const DiscoveryLookup& discovery, const std::vector<std::string>& shownNames,
                        std::int32_t frameRate);

// Stores the dropped camera under the tile's key (recording off), replacing
// what was stored there, and writes the wall cameras.
void storeDroppedCamera(config::TVideoConfig& settings, int tile, const config::TServerAttributes& attributes);

// ---- Stored wall cameras

// One camera a layout keeps: its key, tile number and stored entry.
struct KeptCamera {
    std::string key;
    int tile = 0;
    config::TVideoConfig::SurvPtr camera;
};

// Deletes the stored cameras whose key is no tile of `layout` and writes
// the list; returns the kept ones, last key first.
std::vector<KeptCamera> keepCamerasOf(config::TVideoConfig& settings, config::TLayoutTyp layout);

// What a settings-dialog change did to the stored list.
struct SurvChangeResult {
    std::string key;
    bool remove = false;
    bool validRecording = true;  // a mode outside 0..2 changes nothing
    std::int32_t recording = 0;
};

// Applies the change to the stored wall cameras and writes them.
SurvChangeResult applySurvChange(config::TVideoConfig& settings, const config::TSurvChange& change);

// ---- Recording

inline constexpr int kRecNever = 0;
inline constexpr int kRecAlways = 1;
inline constexpr int kRecByUser = 2;

struct RecButtonState {
    bool visible = false;
    bool enabled = false;
    bool down = false;
    bool red = false;  // recording at the user's request: bright red caption
    // Set while the recording fails: why, for the tile to show in place of
    // the claim to record.
    std::string problem;
    friend bool operator==(const RecButtonState&, const RecButtonState&) = default;
};

// The button of a tile in `mode`; `userRecording` is the button's own state
// in mode 2.
RecButtonState recButtonFor(int mode, bool userRecording);
// Whether the tile's decoder records.
bool recordsIn(int mode, bool userRecording);

}  // namespace oculon::video
