#include "platform/PrivateFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/UniqueFd.h"

namespace oculon::platform {

namespace {

std::string absoluteVariable(const char* name) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? std::string(value) : std::string();
}

std::string userDatabaseHome() {
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
        found->pw_dir[0] != '/')
        return {};
    return found->pw_dir;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::string failure(const std::string& path, int error) { return path + ": " + std::strerror(error); }

}  // namespace

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string folderOfFile(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string homeFolder() {
    std::string home = absoluteVariable("HOME");
    return withoutTrailingSlashes(home.empty() ? userDatabaseHome() : home);
}

std::string configFolder() {
    const std::string config = absoluteVariable("XDG_CONFIG_HOME");
    if (!config.empty()) return withoutTrailingSlashes(config);
    const std::string home = homeFolder();
    return home.empty() ? std::string() : (home == "/" ? "" : home) + "/.config";
}

std::string tempFolder() {
    const char* variable = std::getenv("TMPDIR");
    const std::string folder = variable ? variable : "";
    return isDirectory(folder) ? withoutTrailingSlashes(folder) : std::string("/tmp");
}

std::string privateTempFolder() {
    const std::string temp = tempFolder();
    return (temp == "/" ? "" : temp) + "/oculon-" + std::to_string(::geteuid());
}

std::string makePrivateFolder(const std::string& folder) {
    if (folder.empty() || folder.front() != '/') return "no absolute folder: \"" + folder + "\"";
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos; slash = folder.find('/', slash + 1)) {
        const std::string parent = folder.substr(0, slash);
        if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) return failure(parent, errno);
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return failure(folder, errno);
    // Not followed: a link in a shared folder could be turned elsewhere after
    // this check.
    const UniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        if (errno == ELOOP || errno == ENOTDIR) return folder + ": a link or no folder; not used";
        return failure(folder, errno);
    }
    struct stat info {};
    std::string problem;
    if (::fstat(fd.get(), &info) != 0) {
        problem = failure(folder, errno);
    } else if (info.st_uid != ::geteuid()) {
        problem = folder + ": belongs to another user (user id " + std::to_string(info.st_uid) + "); not used";
    } else if ((info.st_mode & 077) != 0 && ::fchmod(fd.get(), 0700) != 0) {
        problem = failure(folder, errno);
    }
    return problem;
}

std::string temporaryFileFor(const std::string& path) { return path + ".tmp-" + std::to_string(::getpid()); }

void removeTemporaryFiles(const std::string& path) {
    const std::string own = temporaryFileFor(path);
    const std::string stem = own.substr(0, own.rfind('-') + 1);
    DIR* folder = ::opendir(folderOfFile(path).c_str());
    if (!folder) return;
    const std::string base = stem.substr(stem.rfind('/') + 1);
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() <= base.size() || name.compare(0, base.size(), base) != 0 ||
            name.find_first_not_of("0123456789", base.size()) != std::string::npos)
            continue;
        const std::string full = stem.substr(0, stem.size() - base.size()) + name;
        if (full != own) ::unlink(full.c_str());
    }
    ::closedir(folder);
}

std::string writeFileAtomically(const std::string& path, std::string_view content, mode_t mode) {
    const std::string temporary = temporaryFileFor(path);
    // Only ever a new file of our own: never one that was there, nor where a
    // link points.
    ::unlink(temporary.c_str());
    UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
    if (!fd) return failure(temporary, errno);
    bool ok = writeAll(fd.get(), content) && ::fsync(fd.get()) == 0;
    int error = errno;
    if (!fd.close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return failure(path, error);
    }
    // The rename itself survives a power cut only once the folder is synced.
    const UniqueFd folder(::open(folderOfFile(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
    return {};
}

bool namesFile(const std::string& path, int fd) { return namesFile(AT_FDCWD, path, fd); }

bool namesFile(int folder, const std::string& name, int fd) {
    struct stat byName {
    }, open{};
    return ::fstatat(folder, name.c_str(), &byName, AT_SYMLINK_NOFOLLOW) == 0 && ::fstat(fd, &open) == 0 &&
           byName.st_dev == open.st_dev && byName.st_ino == open.st_ino;
}

}  // namespace oculon::platform
