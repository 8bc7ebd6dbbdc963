#include "platform/OwnFolders.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace oculon::platform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

LevelKind kindOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) return LevelKind::link;
    if (!S_ISDIR(info.st_mode)) return LevelKind::notFolder;
    return info.st_uid == ::geteuid() ? LevelKind::closed : LevelKind::others;
}

}  // namespace

UniqueFd openChosenFolder(const std::string& path) {
    return UniqueFd(::open(path.empty() ? "." : path.c_str(), kFolderFlags));
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
    switch (level.error) {
        case ENOENT: level.kind = LevelKind::missing; return level;
        case ELOOP: level.kind = LevelKind::link; return level;
        case ENOTDIR: level.kind = LevelKind::notFolder; return level;
        default: break;
    }
    if (level.error != EACCES && level.error != EPERM) return level;
    // A folder we may not read: another account's closed one, or ours.
    if (struct stat info{}; ::fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) level.kind = kindOf(info);
    return level;
}

bool isForeign(LevelKind kind) {
    return kind == LevelKind::link || kind == LevelKind::notFolder || kind == LevelKind::others;
}

}  // namespace oculon::platform
