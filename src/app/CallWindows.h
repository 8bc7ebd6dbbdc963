#pragma once
// The windows and lists the door-call dispatch works with, seen through
// small interfaces: the live-video popups, the surveillance wall with its
// door frame, the discovery and gateway lists, and the prompts of the manual
// "Show video". The program fills them with its real windows and threads;
// tests with fakes, so the rules run without a display.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandChannel.h"
#include "config/ConfigEntries.h"
#include "devices/DeviceStations.h"
#include "video/PopupPlacement.h"

namespace oculon::devices {
class serverObjekt;
}

namespace oculon::app {

// A live-video popup (the main one or a further one).
class CallWindow {
public:
    virtual ~CallWindow() = default;
    virtual bool visible() const = 0;
    virtual bool videoOnly() const = 0;         // shows a telephone's video-only call
    virtual std::string telefonIP() const = 0;  // the telephone of that call
    // `preview`: opened by the user, shown even when the picture is black.
    virtual void startVideo(const config::TSingleConfig& station, bool preview) = 0;
    virtual void stopVideo() = 0;
    virtual void setInput(bool on) = 0;
    virtual void refreshVideoOnly() = 0;
    virtual void setVideoOnly(bool on) = 0;
    // The name panel turns red while its gateway calls (off: normal colour).
    virtual void highlightName(bool on) = 0;
    virtual void bringToFront() = 0;
    // Where the window goes and how large it is (its frame's place and its
    // client size); a shown window moves there at once.
    virtual void setBounds(const config::TWindowSettings& bounds) = 0;
    // A further popup's place among the others: it stays within that size
    // as it takes its picture's aspect.
    virtual void placeAmongOthers(const config::TWindowSettings& bounds) { setBounds(bounds); }
    // Where and how large the window shows now, or is about to while the
    // window manager has not framed it yet; none while it is hidden.
    virtual std::optional<config::TWindowSettings> shownBounds() const { return std::nullopt; }
    // `settled` runs once the shown window has come to stand somewhere else
    // than its bounds said: framed by the window manager, moved or sized by
    // it, or brought back onto a screen; not for the user's moves. None:
    // nothing runs.
    virtual void whenSettled([[maybe_unused]] std::function<void()> settled) {}
    // The user moved or sized the shown window: it stays where it is put.
    virtual bool placedByUser() const { return false; }
    // What the window puts into message 1039 when its stream turns black.
    virtual std::uintptr_t handle() const = 0;
};

// The surveillance wall, as far as it takes door calls in its door frame.
class DoorWall {
public:
    virtual ~DoorWall() = default;
    virtual bool doorVisible() const = 0;
    virtual bool doorVideoOnly() const = 0;
    virtual std::string doorTelefonIP() const = 0;
    virtual void restore() = 0;  // out of the minimised state
    virtual void bringToFront() = 0;
    virtual void startDoorVideo(const config::TSingleConfig& station) = 0;
    virtual void stopDoorVideo() = 0;
    virtual void refreshVideoOnly() = 0;
    virtual void setVideoOnly(bool on) = 0;
};

// How a further popup is made.
struct PopupSetup {
    SendFunction sendFunction;
    SendFunction sendFunctionLindavor;
    // Its stream turning black posts 1039 to the main form (else it closes).
    bool blackToMainForm = false;
    // Called by the window when the user closes it (manual windows only).
    std::function<void(CallWindow&)> callEnd;
};

class WindowFactory {
public:
    virtual ~WindowFactory() = default;
    virtual std::unique_ptr<CallWindow> createPopup(const PopupSetup& setup) = 0;
    // The free area of the screen that holds `at`, and the popups' frame
    // there; none when there is no screen to ask.
    virtual std::optional<video::ScreenRoom> screenRoom([[maybe_unused]] const config::TWindowSettings& at) const {
        return std::nullopt;
    }
};

struct DiscoveredServer {
    std::string name;
    std::string address;
    std::string port;
    bool credentialsAllowed = false;  // the station's credentials may go to this address
    bool answering = true;            // it answered the latest search round under this name
};

// The discovery thread's lists, each call under its lock.
class DiscoveryAccess {
public:
    virtual ~DiscoveryAccess() = default;
    // Files a probed server under address + ":" + port (an older entry is
    // freed) and, when `station` is a camera that reports its input through
    // an input monitor, starts one for the address unless one runs.
    virtual void updateServer(std::unique_ptr<devices::serverObjekt> server, const config::TSingleConfig* station) = 0;
    // Copies of the servers' keys, in list order.
    virtual std::vector<DiscoveredServer> servers() const = 0;
    // The video servers that answered the latest search round.
    virtual std::vector<devices::ListedDevice> answering() const = 0;
};

// A gateway of the latest search: known by its hardware address, at the
// address it answered from.
using GatewayEntry = devices::FoundGateway;

// The gateway thread's list, read under its lock.
class GatewayAccess {
public:
    virtual ~GatewayAccess() = default;
    virtual std::vector<GatewayEntry> gateways() const = 0;
};

// The dialogs of the manual "Show video"; each is modal.
class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // The administrator password prompt: the typed text, nothing on Cancel.
    virtual std::optional<std::string> askAdminPassword() = 0;
    virtual void wrongPassword() = 0;
    // "No video-server configured ... start configuration now?": Yes.
    virtual bool askStartConfiguration() = 0;
    // The server choice with these texts: the chosen index after OK.
    virtual std::optional<int> chooseServer(const std::vector<std::string>& items) = 0;
    virtual void openSettings() = 0;
};

}  // namespace oculon::app
