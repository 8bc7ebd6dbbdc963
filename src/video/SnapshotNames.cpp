#include "video/SnapshotNames.h"

#include <cstdio>

#include "config/SavePath.h"

namespace oculon::video {

std::string GetFileName(const std::tm& t, const std::string& name) {
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%.4d-%.2d-%.2d_%.2d-%.2d-%.2d_", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return stamp + config::sanitisePathName(name);
}

namespace {

std::string format(const char* pattern, const std::tm& t) {
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &t);
    return std::string(buffer, n);
}

}  // namespace

std::string shortDate(const std::tm& t) { return format("%x", t); }
std::string shortTime(const std::tm& t) { return format("%X", t); }

std::string snapshotCaption(const std::string& nameText, const std::tm& t) {
    return nameText + "  " + shortDate(t) + "  " + shortTime(t);
}

std::string frameClockText(const std::tm& t) { return shortDate(t) + "  " + shortTime(t) + " "; }

}  // namespace oculon::video
