#pragma once
// What a call view (the popup or the wall's door frame) works out from a
// station before it touches a window: the options it reads, the visibility
// and captions of its controls, the stream records for the decoders and the
// door target. Shared by both views; each has its own builder
// (HauptProgrammModel.h, tuerVideoModel.h).

#include <cstdint>
#include <optional>
#include <string>

#include "config/CameraTypes.h"
#include "config/ConfigEntries.h"
#include "config/cfgUnit.h"

namespace oculon::video {

// The settings a call reads when it starts.
struct CallOptions {
    bool allowCapture = false;
    bool storeFirstPict = false;
    bool storeVideo = false;
    bool codeTuerOffen = false;
    bool protTuerOffen = false;
    bool kommentarTuerOffen = false;
    bool useCamRes = false;
    std::string firstPictPath;
    // A picture folder is set but is not a folder.
    bool pictureFolderMissing = false;

    // "allowCapture" is read fresh from the store, the rest from memory.
    static CallOptions read(config::TVideoConfig& settings);
};

// Fills the record's credentials the way every call view does: only when the
// station needs credentials; its user and password when either is set,
// otherwise "administrator" with its administrator password.
void setStreamCredentials(config::TServerAttributes& record, const config::TSingleConfig& station);

// The port text as a number; 0 for anything that is not a port.
std::int32_t portNumber(const std::string& text);

// The door panel in the bottom right corner: input state, light and door
// buttons. Tops are relative to the panel; the panel's own top is the
// client height minus its height.
struct DoorPanelLayout {
    bool panelVisible = false;
    bool doorVisible = false;
    bool lichtVisible = false;
    bool inputVisible = false;  // the station has an input (Label1)
    int doorTop = 0;
    int lichtTop = 0;
    int panelHeight = 26;
    std::string doorCaption;
    std::string lichtCaption;

    int panelTop(int clientHeight) const { return clientHeight - panelHeight; }
};

// How the station's input state shows: a picture file per state, or a text.
struct InputDisplay {
    bool usesPicture = false;
    std::string pictOn, pictOff;
    std::string labelOn, labelOff;

    const std::string& picture(bool on) const { return on ? pictOn : pictOff; }
    const std::string& label(bool on) const { return on ? labelOn : labelOff; }
};

// What the door button needs to know of the station.
struct DoorTarget {
    config::TVideoServerType typ = config::KorvatServer;
    bool hasTelephone = false;  // FHasIPPhone
    bool camAusgang = false;    // opened through the camera's relay output
    std::string doorCode;
    std::int32_t doorDuration = 0;  // seconds
    std::string moxaIP;             // target of the UDP command or telephone frame
    std::string videoIP;
    std::int32_t videoPort = 0;
    std::string userName;
    std::string password;
    std::string myName;
    bool ohneBT = false;
    bool preview = false;
};

// Everything startVideo sets up, for one call.
struct CallSetup {
    std::string myName;
    std::string caption;   // window caption, with the preview suffix
    std::string nameText;  // the name panel: two blanks and the name
    bool saverVisible = false;
    DoorPanelLayout door;
    InputDisplay input;
    DoorTarget target;
    bool videoOnly = false;
    std::int32_t tuerDauer = 0;
    config::TServerAttributes main;
    std::optional<config::TServerAttributes> second;
    bool firstPictureCallback = false;  // the decoder gets saveToFile
    // The error the popup tells as it starts, when there is one.
    std::optional<std::string> invalidPathMessage;
    // The picture folder the popup has looked at as it starts, when the
    // first picture or the recording needs it (lookAtPictureFolder): found
    // missing, the popup tells invalidPathMessageFor it and takes no first
    // picture.
    std::string pictureFolderToLook;
};

// What a popup tells when the picture folder `folder` is missing.
std::string invalidPathMessageFor(const std::string& folder);

// The parts both views fill alike: door panel, input display, door target,
// credentials and the common stream fields. `myName` is the view's choice of
// name.
void fillCommonSetup(CallSetup& setup, const config::TSingleConfig& station, bool preview, const CallOptions& options,
                     const std::string& myName);

}  // namespace oculon::video
