#pragma once
// What the logic must tell the person at the screen (settings that cannot be
// read or saved, a gateway library that is not loaded), without knowing how:
// the windows install a shower at start-up; until then, and without one, the
// notice goes to stderr. tellUser may be called from any thread.

#include <cstdint>
#include <functional>
#include <string>

namespace oculon::platform {

enum class Notice : std::uint8_t {
    settingsNotSaved,       // a change could not be written; the file keeps the last saved state
    settingsUnusable,       // the settings cannot be read or kept safe; the program ends
    settingsStartedAfresh,  // a damaged file was set aside; the settings start empty
    settingsPartlyRead,     // lines of the file were left out and it was kept as it was; the rest loaded
    gatewayLibraryRefused,  // the gateway library is not loaded; gateways are not searched
    pictureNotSaved,        // a snapshot was not written, and its call has ended
    folderNotUsed,          // a folder below the picture folder is not used; files go beside it
};

// `detail` names what failed and why (a path and the system's reason).
using NoticeShower = std::function<void(Notice notice, const std::string& detail)>;

// Replaces the shower; an empty one restores stderr. The shower runs on the
// caller's thread while this seam's lock is held, so it must hand the notice
// on (post it) rather than block, and must not call tellUser itself. Once
// setNoticeShower returns, the previous shower is no longer running.
void setNoticeShower(NoticeShower shower);
void tellUser(Notice notice, const std::string& detail);

}  // namespace oculon::platform
