#pragma once
// The dated folder tree below the picture path into which snapshots and
// recordings go: <root>/<name>/<year>/<MM - month>/<DD - weekday>/, and the
// one rule by which its folders are made and used.

#include <ctime>
#include <string>
#include <string_view>

#include "platform/OwnFolders.h"

namespace oculon::config {

constexpr char kPathDelimiter = '/';

// A device-supplied name made safe as one folder name: separators and control
// characters become '_', "." or ".." cannot climb out of the folder, and
// bytes that are no UTF-8 are read as Latin-1.
std::string sanitisePathName(std::string_view name);

// The folder for `name` on the given local date, ending with the delimiter.
// Month and weekday long names come from the LC_TIME locale. A root without
// its closing delimiter gets one.
std::string buildSavePath(const std::string& root, std::string_view name, const std::tm& date);

// The folder a camera's snapshots and recordings actually go into, or why
// there is none. Where there is one, it is held open as the walk found it:
// files are made through it (platform::writeFileThroughTemporary,
// createFileAtFreeName), and `path`, ending with the delimiter, only shows
// where they went.
struct SaveFolder : platform::OpenFolder {
    int error = 0;           // the system's error number when none could be used
    std::string failedPath;  // then the folder that could not be made or entered
    bool failed() const { return error != 0; }
};

// Makes the folder `wanted` (a path below `root`, as buildSavePath gives)
// and says which folder to write into. `root` is the folder the user chose:
// it may be a link and may be shared; missing levels of it are made. Below
// it every level is walked and made without following a link, and only a
// folder of this user's own is used; where the name holds a link, something
// else, another account's folder or one of ours we may not write, the
// user's own folder beside it is used or made ("<name> (2)" to "(9)", then
// a name no one can foresee), so nothing made ahead of time by others can
// take or stop what is written. New levels get mode 0775 less the umask;
// a level of ours that others may write (not sticky) loses that right.
// An empty root stands for the current folder.
SaveFolder makeSaveFolder(const std::string& root, const std::string& wanted);

}  // namespace oculon::config
