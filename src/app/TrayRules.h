#pragma once
// Small rules of the tray program's start: the version text of the caption,
// the popup's stored position kept on the desktop, and when the autostart
// offer is shown.

#include <string>
#include <string_view>

#include "config/ConfigEntries.h"

namespace oculon::app {

// The file version of this build, in four numbers: the project's version.
inline constexpr std::string_view kFileVersion = OCULON_FILE_VERSION;

// "3.2.1.45" gives "3.2.45": the first two numbers and everything after the
// third dot; with fewer than four numbers the text as it stands; "-" for none.
std::string getProgramVersion(std::string_view fileVersion);

// A left edge more than 10 pixels beyond the desktop's width comes back to
// 50 pixels inside it, a negative one to 0; the same for the top.
config::TWindowSettings clampPopupGeometry(const config::TWindowSettings& stored, int desktopWidth, int desktopHeight);

// Whether the start-up offers autostart: not when the user asked never to be
// asked, and not when the program starts from a Startup folder (by an entry
// of ours, or living in one of the folders).
bool offerAutostart(bool neverAsk, bool startsFromEntry, const std::string& programFolder,
                    const std::string& userStartupFolder, const std::string& commonStartupFolder);

}  // namespace oculon::app
