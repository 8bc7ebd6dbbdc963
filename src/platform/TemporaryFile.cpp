#include "platform/TemporaryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/PrivateFiles.h"

namespace oculon::platform {

namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";

std::string failure(const std::string& path, int error) { return path + ": " + std::strerror(error); }

// The process's umask, read without changing it (umask() itself would set it
// for every thread in between).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

// The process id a temporary name carries, or 0 when it is no such name.
pid_t temporaryOwner(const std::string& name) {
    const auto mark = name.rfind(kTemporaryMark);
    if (mark == std::string::npos || mark == 0) return 0;
    const std::string digits = name.substr(mark + kTemporaryMark.size());
    if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) return 0;
    return static_cast<pid_t>(std::stol(digits));
}

bool processGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

bool beginsWithOneOf(const std::string& path, off_t size, std::initializer_list<std::string_view> signatures) {
    if (size == 0) return true;
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    char head[16] = {};
    const ssize_t n = fd ? ::read(fd.get(), head, sizeof head) : -1;
    for (const std::string_view signature : signatures)
        if (n >= static_cast<ssize_t>(signature.size()) && std::string_view(head, signature.size()) == signature)
            return true;
    return false;
}

}  // namespace

UniqueFd createPrivateFile(const std::string& path) {
    // A folder of that name is no file to replace: unlink() leaves it, and
    // the open below then says so.
    ::unlink(path.c_str());
    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    struct stat info {};
    if (!fd && errno == EEXIST && ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) errno = EISDIR;
    return fd;
}

bool namesFile(const std::string& path, int fd) {
    struct stat byName {
    }, open{};
    return ::lstat(path.c_str(), &byName) == 0 && ::fstat(fd, &open) == 0 && byName.st_dev == open.st_dev &&
           byName.st_ino == open.st_ino;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::string publishTemporaryFile(const std::string& temporary, const std::string& target, mode_t mode) {
    const UniqueFd fd(::open(temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) return failure(temporary, errno);
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) return failure(temporary, errno);
    // Someone else's file put in place of ours is not made the user's document.
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1)
        return temporary + ": replaced by another file; not used";
    if (::fchmod(fd.get(), mode & ~currentUmask()) != 0 || ::fsync(fd.get()) != 0) return failure(temporary, errno);
    if (!namesFile(temporary, fd.get())) return temporary + ": replaced by another file; not used";
    if (::rename(temporary.c_str(), target.c_str()) != 0) return failure(target, errno);
    // Where others may remove our files (a folder without the sticky bit),
    // the name can change hands in the instant before the rename.
    if (!namesFile(target, fd.get())) return target + ": replaced by another file while it was put in place";
    // The rename itself survives a power cut only once the folder is synced.
    const UniqueFd folder(::open(folderOfFile(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
    return {};
}

void removeStaleTemporaryFiles(const std::string& folder, std::initializer_list<std::string_view> signatures) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    const pid_t self = ::getpid();
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t owner = temporaryOwner(name);
        if (owner <= 0 || owner == self) continue;
        struct stat info {};
        const std::string path = (folder == "/" ? "" : folder) + "/" + name;
        // Only plain files of this user: never a link, nor another account's file.
        if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) continue;
        if (processGone(owner) && beginsWithOneOf(path, info.st_size, signatures)) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

std::string writeFileThroughTemporary(const std::string& target, std::string_view content, mode_t mode) {
    removeStaleTemporaryFiles(folderOfFile(target), {content.substr(0, std::min<std::size_t>(content.size(), 4))});
    const std::string temporary = temporaryFileFor(target);
    UniqueFd fd = createPrivateFile(temporary);
    if (!fd) return failure(temporary, errno);
    std::string error;
    if (!writeAll(fd.get(), content) || !fd.close()) error = failure(temporary, errno);
    if (error.empty()) error = publishTemporaryFile(temporary, target, mode);
    if (!error.empty()) ::unlink(temporary.c_str());
    return error;
}

}  // namespace oculon::platform
