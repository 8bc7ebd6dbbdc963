#pragma once
// What the file chooser learns of the folders and paths the user goes to:
// a folder's entries, what a path names, a new folder. Each of these touches
// the file system and runs on a worker (FolderQuestions), since the folder
// may be on a share that stops answering; the path arithmetic touches
// nothing.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oculon::video {

struct FolderEntry {
    std::string name;     // as the file system has it
    bool folder = false;  // a folder, or a link to one
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // seconds since the epoch
};

struct FolderContents {
    std::string folder;                // the folder listed: the one asked for, or the nearest above it
    std::vector<FolderEntry> entries;  // folders first, then by name; hidden ones left out
    bool cut = false;                  // it holds more than kMaxFolderEntries
    int error = 0;                     // errno when it could not be listed
};

// A folder of a million files costs no more than this in the chooser.
inline constexpr std::size_t kMaxFolderEntries = 20000;

// The entries of `folder`. Where it is missing (or no folder) and `orAbove`,
// those of the nearest folder above it that exists.
FolderContents listFolder(const std::string& folder, bool orAbove);

enum class PathKind { missing, file, folder, unreadable };

struct PathState {
    PathKind kind = PathKind::missing;
    int error = 0;          // errno where unreadable
    bool inFolder = false;  // the folder it would be in exists
};

// What `path` names, following links.
PathState lookAtPath(const std::string& path);

// Makes the folder `path` (mode 0777 less the umask); 0, or errno.
int makeFolder(const std::string& path);

// What the user typed, as a path: absolute as it stands, "~" for `home`,
// anything else below `shown`; "." and ".." taken away as written.
std::string typedPath(const std::string& shown, const std::string& typed, const std::string& home);
// The folder above `path` ("/" for "/").
std::string folderAbove(const std::string& path);
// `folder` + "/" + `name`, without a doubled slash.
std::string pathIn(const std::string& folder, const std::string& name);

}  // namespace oculon::video
