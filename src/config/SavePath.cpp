#include "config/SavePath.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

#include "platform/PrivateFiles.h"

namespace oculon::config {

using platform::isDirectory;

namespace {

std::string formatTime(const char* format, const std::tm& date) {
    char buffer[128];
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, &date);
    return std::string(buffer, n);
}

std::string twoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

}  // namespace

std::string sanitisePathName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (char ch : name) {
        const auto c = static_cast<unsigned char>(ch);
        out += (c < 0x20 || c == 0x7f || ch == '/' || ch == '\\') ? '_' : ch;
    }
    if (out == "." || out == "..") out.assign(out.size(), '_');
    return out;
}

std::string buildSavePath(const std::string& root, std::string_view name, const std::tm& date) {
    std::string path = root;
    if (!path.empty() && path.back() != kPathDelimiter) path += kPathDelimiter;
    path += sanitisePathName(name);
    path += kPathDelimiter;
    path += std::to_string(date.tm_year + 1900);
    path += kPathDelimiter;
    path += twoDigits(date.tm_mon + 1) + " - " + formatTime("%B", date);
    path += kPathDelimiter;
    path += twoDigits(date.tm_mday) + " - " + formatTime("%A", date);
    path += kPathDelimiter;
    return path;
}

bool generatePath(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] != kPathDelimiter || path[i - 1] == kPathDelimiter) continue;
        const std::string level = path.substr(0, i);
        if (isDirectory(level)) continue;
        if (::mkdir(level.c_str(), 0777) == 0) continue;
        if (errno != EEXIST) return false;
        if (isDirectory(level)) continue;
        // A file where the folder belongs: what writing below it would say.
        errno = ENOTDIR;
        return false;
    }
    return true;
}

}  // namespace oculon::config
