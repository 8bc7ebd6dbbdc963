#pragma once
// The dated folder tree below the picture path into which snapshots and
// recordings go: <root>/<name>/<year>/<MM - month>/<DD - weekday>/.

#include <ctime>
#include <string>
#include <string_view>

namespace oculon::config {

constexpr char kPathDelimiter = '/';

// A device-supplied name made safe as one folder name: separators and control
// characters become '_', and "." or ".." cannot climb out of the folder.
std::string sanitisePathName(std::string_view name);

// The folder for `name` on the given local date, ending with the delimiter.
// Month and weekday long names come from the LC_TIME locale. A root without
// its closing delimiter gets one.
std::string buildSavePath(const std::string& root, std::string_view name, const std::tm& date);

// Creates every missing folder level of `path` without touching the process's
// current folder. Only levels that end with a delimiter count, so text after
// the last delimiter is ignored. True when every level exists afterwards;
// otherwise errno says why the first missing one could not be made.
bool generatePath(const std::string& path);

}  // namespace oculon::config
