#include "platform/OwnFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace oculon::platform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

}  // namespace

UniqueFd openChosenFolder(const std::string& path) {
    return UniqueFd(::open(path.empty() ? "." : path.c_str(), kFolderFlags));
}

OpenFolder openFolderOfFile(const std::string& file, std::string& name) {
    const std::size_t slash = file.rfind('/');
    OpenFolder folder;
    folder.path = slash == std::string::npos ? std::string() : file.substr(0, slash + 1);
    name = file.substr(folder.path.size());
    folder.fd = openChosenFolder(folder.path);
    return folder;
}

FolderLevel openFolderLevel(int parent, const std::string& name) {
    FolderLevel level;
    level.fd.reset(::openat(parent, name.c_str(), kFolderFlags | O_NOFOLLOW));
    if (level.fd) {
        // What is open counts, not what the name held a moment before.
        struct stat info {};
        if (::fstat(level.fd.get(), &info) != 0) {
            level.error = errno;
            level.fd.reset();
            return level;
        }
        level.kind = info.st_uid == ::geteuid() ? LevelKind::own : LevelKind::others;
        if (level.kind != LevelKind::own) level.fd.reset();
        return level;
    }
    level.error = errno;
    if (level.error == ENOENT) {
        level.kind = LevelKind::missing;
        return level;
    }
    // What stands there, to tell a link (ELOOP or ENOTDIR, as the kernel
    // checks) from a file, and a folder closed to us from a failing system.
    struct stat info {};
    if (::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return level;
    if (S_ISLNK(info.st_mode)) level.kind = LevelKind::link;
    else if (!S_ISDIR(info.st_mode)) level.kind = LevelKind::notFolder;
    else if (info.st_uid != ::geteuid()) level.kind = LevelKind::others;
    else if (level.error == EACCES || level.error == EPERM) level.kind = LevelKind::closed;
    return level;
}

}  // namespace oculon::platform
