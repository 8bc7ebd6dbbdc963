#pragma once
// Everything that sets one camera type (`TVideoServerType`) apart from the
// others, in one table: how a device of the type is found and probed, where
// its stream and its single pictures are, how its key travels, and what a
// call does with it. Discovery, the probe, the call views, the decoder, the
// door button and the dispatch all read it here.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "config/sprachen.h"

namespace oculon::config {

// What follows the type's built-in stream path.
enum class StreamSuffix : std::uint8_t {
    none,
    resolution,  // the camera's resolution choice ("?resolution=WxH")
    appId,       // a number that tells this viewer's stream apart
    key,         // the URL-encoded password: the stream's only credential
};

// Where a device that answered with a device record is reached.
enum class RecordAddress : std::uint8_t {
    record,  // the address, subnet, gateway and DHCP flag of the record
    sender,  // the sender's address; no subnet, gateway or DHCP
};
enum class RecordPort : std::uint8_t {
    port1,         // the record's port up to its first zero byte
    port1NonZero,  // every non-zero character of the record's port
    fixed,         // `fixedPort`
    none,          // empty
};

struct CameraTraits {
    TVideoServerType type = unknown;
    std::string_view prefix = {};              // of its device record; empty: no record names it
    std::string_view streamPath = {};          // built-in; empty: only a stored path
    StreamSuffix suffix = StreamSuffix::none;  // what the stream path takes after it
    std::string_view snapshotPath = {};        // single picture; empty: none
    RecordAddress address = RecordAddress::sender;
    RecordPort port = RecordPort::fixed;
    std::string_view fixedPort = "80";
    std::string_view adminPass = "8516";        // factory default of a device found on the network
    std::string_view adminPassManual = "8516";  // the same, of a manually added camera

    bool probedOnSearchAnswer = false;   // an answer to the broadcast search starts a probe
    bool probePictureAtOnce = false;     // the probe fetches its picture when the object is made
    bool probeBySnapshot = false;        // that picture is a single picture, not a stream frame
    bool resolutionQuery = false;        // a configured camera is asked for its largest resolution
    bool callsByProbe = false;           // a probe with a picture is a door call
    bool callsByInput = false;           // an input change of the camera is a door call
    bool inputMonitor = false;           // its input is watched over a long-lived request
    bool monitorEndsWithEntry = false;   // an aged-out entry stops the monitor at its address
    std::string_view inputPort = "1";    // the input a monitor asks for and reads the states of
    bool inputTokenOnEveryLine = false;  // its states come on any line, not after a text part's header
    bool blackTest = false;              // the stream's pictures are tested for black
    bool popupShowsEverySecond = false;  // outside the wall only every second part is shown
    bool crops = false;                  // an announced width reduction crops its picture
    bool doorByCommand = false;          // without a telephone the door opens by the UDP command
    std::string_view relayOutput = {};   // door through the camera's own relay CGI; empty: none
    bool light = false;                  // the camera switches a light
    bool frameUsesStoredPath = false;    // the wall's door frame plays the station's stored path
};

// The traits of `type`; any value outside the enumeration reads as `unknown`.
const CameraTraits& cameraTraits(TVideoServerType type);

// The type a record prefix names (compared exactly); `unknown` for any other.
TVideoServerType typeOfPrefix(std::string_view prefix);

// The type's built-in stream path followed by `resolution` or `appId` where
// the type takes them; nullopt for a type without a path of its own. The key
// is not in it: withStreamKey adds it where the request is made.
std::optional<std::string> builtInStreamPath(TVideoServerType type, std::string_view resolution,
                                             std::string_view appId);
// `path` as it is requested: for a type whose key travels in the path, the
// URL-encoded `password` appended (nothing for an empty password).
std::string withStreamKey(TVideoServerType type, std::string path, std::string_view password);

// The factory-default administrator password.
std::string_view defaultAdminPass(TVideoServerType type, bool manualEntry);

// Local date and time as milliseconds since 1970, without time-zone
// conversion: the app id a device object gives type 6's stream.
std::int64_t localUnixMillisNow();

}  // namespace oculon::config
