#pragma once
// The folders below a folder the user chose, one level at a time. The chosen
// folder may be shared (a 1777 folder, a share others write) and may itself be
// a link the user set; below it, a name is used only as a real folder of this
// user's own, opened without following a link, so another account can neither
// plant a level we would write into nor turn one elsewhere.

#include <cstdint>
#include <string>

#include "platform/UniqueFd.h"

namespace oculon::platform {

// What stands at a name where a folder level is looked for.
enum class LevelKind : std::uint8_t {
    own,        // a folder of this user's own, open
    missing,    // nothing
    link,       // a symbolic link: never followed
    notFolder,  // a file, FIFO, device or socket
    others,     // a folder of another account
    closed,     // a folder of this user's own that we may not open
    failed,     // the system failed (error): the name says nothing yet
};

// A folder held open so that files are made in it through its descriptor:
// they land in the folder that was opened (and walked), whatever its path
// names meanwhile. `path` only shows where: empty for the current folder,
// else ending with '/'.
struct OpenFolder {
    UniqueFd fd;
    std::string path;
    // Where the file `name` in it is shown.
    std::string shown(const std::string& name) const { return path + name; }
};

// The folder a file the user chose (`file`, a path) is in, opened as the
// user named it (links followed: the choice is the user's); `name` gets the
// file's name in it. An invalid descriptor, errno set, when it cannot be.
OpenFolder openFolderOfFile(const std::string& file, std::string& name);

struct FolderLevel {
    UniqueFd fd;  // open for reading, only where kind is own
    LevelKind kind = LevelKind::failed;
    int error = 0;  // the system's error number where kind is failed or closed
};

// Opens the folder the user chose (links followed: the choice is the user's),
// read-only. An invalid descriptor, errno set, when it cannot be.
UniqueFd openChosenFolder(const std::string& path);

// Opens `name` in the folder open at `parent` as a level below a folder the
// user chose: never through a link, and only a folder of this user's own.
FolderLevel openFolderLevel(int parent, const std::string& name);

}  // namespace oculon::platform
