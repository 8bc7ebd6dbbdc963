#include "app/TrayRules.h"

#include <vector>

namespace oculon::app {

std::string getProgramVersion(std::string_view fileVersion) {
    if (fileVersion.empty()) return "-";
    std::vector<std::size_t> dots;
    for (std::size_t i = 0; i < fileVersion.size() && dots.size() < 3; ++i) {
        if (fileVersion[i] == '.') dots.push_back(i);
    }
    if (dots.size() < 3) return std::string(fileVersion);
    return std::string(fileVersion.substr(0, dots[1])) + "." + std::string(fileVersion.substr(dots[2] + 1));
}

config::TWindowSettings clampPopupGeometry(const config::TWindowSettings& stored, int desktopWidth, int desktopHeight) {
    config::TWindowSettings w = stored;
    if (w.left > desktopWidth + 10) {
        w.left = desktopWidth - 50;
    } else if (w.left < 0) {
        w.left = 0;
    }
    if (w.top > desktopHeight + 10) {
        w.top = desktopHeight - 50;
    } else if (w.top < 0) {
        w.top = 0;
    }
    return w;
}

bool offerAutostart(bool neverAsk, bool startsFromEntry, const std::string& programFolder,
                    const std::string& userStartupFolder, const std::string& commonStartupFolder) {
    if (neverAsk || startsFromEntry) return false;
    return programFolder != userStartupFolder && programFolder != commonStartupFolder;
}

}  // namespace oculon::app
