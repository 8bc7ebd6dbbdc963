#include "config/SavePath.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/Log.h"
#include "platform/OwnFolders.h"
#include "platform/RandomBytes.h"
#include "platform/ShownText.h"
#include "platform/UserNotice.h"

namespace oculon::config {

using platform::FolderLevel;
using platform::LevelKind;
using platform::UniqueFd;

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
    // A name in a device's Latin-1 bytes is named with its letters: one
    // folder for a station whichever encoding its name is stored in.
    for (char ch : platform::utf8OrLatin1(name)) {
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

namespace {

// Less the umask; with umask 000 a folder still takes no one else's entries.
constexpr mode_t kFolderMode = 0775;
// A level's name taken by others is followed by names numbered up to this,
// then by ones no one can foresee.
constexpr int kNumberedLevels = 9;
constexpr int kRandomLevels = 4;
// How often a name whose entry vanished between our look and our mkdir is tried again.
constexpr int kLevelAttempts = 3;

struct DirCloser {
    void operator()(DIR* d) const { ::closedir(d); }
};

const char* describe(LevelKind kind) {
    switch (kind) {
        case LevelKind::link: return "a link";
        case LevelKind::notFolder: return "no folder";
        case LevelKind::others: return "another account's";
        default: return "closed to us";
    }
}

// A level of ours takes what is written only where we may enter and write
// it, and only where no one else may rename what we make in it.
bool makeUsable(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || (info.st_mode & (S_IWUSR | S_IXUSR)) != (S_IWUSR | S_IXUSR)) return false;
    if ((info.st_mode & S_IWOTH) == 0 || (info.st_mode & S_ISVTX) != 0) return true;
    return ::fchmod(fd, info.st_mode & 07777 & ~mode_t{S_IWOTH}) == 0;
}

// Tells the user, once for each folder, that what would go into `unused`
// goes into `instead`: the user who made a link there (to a bigger disk)
// would otherwise look for it in vain.
void tellOnce(const std::string& unused, const std::string& instead) {
    static std::mutex mutex;
    static auto* told = new std::set<std::string>;  // walks may run after the program's end
    {
        std::lock_guard lock(mutex);
        if (!told->insert(unused).second) return;
    }
    platform::tellUser(platform::Notice::folderNotUsed, unused + " \u2192 " + instead);
}

enum class Outcome : std::uint8_t { used, taken, failed };

// The level `name` in `parent`, made where it is missing (when `make`).
Outcome tryLevel(int parent, const std::string& name, bool make, UniqueFd& fd, LevelKind& found, int& error) {
    for (int attempt = 0; attempt < kLevelAttempts; ++attempt) {
        FolderLevel level = platform::openFolderLevel(parent, name);
        found = level.kind;
        error = level.error;
        switch (level.kind) {
            case LevelKind::own:
                if (!makeUsable(level.fd.get())) {
                    found = LevelKind::closed;
                    return Outcome::taken;
                }
                fd = std::move(level.fd);
                return Outcome::used;
            case LevelKind::missing:
                if (!make) return Outcome::taken;
                if (::mkdirat(parent, name.c_str(), kFolderMode) != 0 && errno != EEXIST) {
                    error = errno;
                    return Outcome::failed;
                }
                continue;  // open what stands there now, ours or not
            case LevelKind::failed: return Outcome::failed;
            default: return Outcome::taken;
        }
    }
    return Outcome::taken;
}

// Our folders beside `name` that others could not foresee, as an earlier
// walk named them: "<name> (" ... ")", sorted, so every walk finds the same.
std::vector<std::string> unforeseenNamesBeside(int parent, const std::string& name) {
    std::vector<std::string> found;
    const std::string head = name + " (";
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(::openat(parent, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)));
    if (!dir) return found;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string entryName = entry->d_name;
        if (entryName.size() > head.size() + 1 && entryName.starts_with(head) && entryName.back() == ')')
            found.push_back(entryName);
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::string unforeseenName(const std::string& name) {
    unsigned char random[4];
    if (!platform::randomBytes(random, sizeof random)) return {};
    char text[16];
    std::snprintf(text, sizeof text, "%02x%02x%02x%02x", random[0], random[1], random[2], random[3]);
    return name + " (" + text + ")";
}

// The level of ours standing for `name` in `parent` (whose path is
// `parentPath`): `name` itself or a folder beside it. Its name goes into
// `used`; a failure of the system into `failure`.
UniqueFd useLevel(int parent, const std::string& parentPath, const std::string& name, std::string& used,
                  SaveFolder& failure) {
    UniqueFd fd;
    LevelKind firstFound = LevelKind::failed;
    LevelKind found = LevelKind::failed;
    int error = 0;
    const auto outcome = [&](const std::string& candidate, bool make) {
        const Outcome result = tryLevel(parent, candidate, make, fd, found, error);
        if (result == Outcome::failed) failure = {{}, error != 0 ? error : EIO, parentPath + candidate};
        if (result == Outcome::used) used = candidate;
        if (candidate == name) firstFound = found;
        return result;
    };
    Outcome result = Outcome::taken;
    for (int number = 1; number <= kNumberedLevels && result == Outcome::taken; ++number)
        result = outcome(number == 1 ? name : name + " (" + std::to_string(number) + ")", true);
    // Every numbered name taken by others.
    if (result == Outcome::taken) {
        for (const std::string& candidate : unforeseenNamesBeside(parent, name)) {
            if ((result = outcome(candidate, false)) != Outcome::taken) break;
        }
    }
    for (int attempt = 0; attempt < kRandomLevels && result == Outcome::taken; ++attempt) {
        const std::string candidate = unforeseenName(name);
        if (candidate.empty()) {
            failure = {{}, errno != 0 ? errno : EIO, parentPath + name};
            return {};
        }
        result = outcome(candidate, true);
    }
    if (result == Outcome::taken) failure = {{}, EEXIST, parentPath + name};
    if (result == Outcome::used && used != name) {
        log::warning(log::Category::config, "%s%s is %s; not used: %s%s instead", parentPath.c_str(), name.c_str(),
                     describe(firstFound), parentPath.c_str(), used.c_str());
        tellOnce(parentPath + name, parentPath + used);
    }
    return fd;
}

// The chosen folder open, its missing levels made first; links on its way
// are the user's to set.
UniqueFd openRoot(const std::string& root, SaveFolder& failure) {
    UniqueFd fd = platform::openChosenFolder(root);
    if (fd || errno != ENOENT) {
        if (!fd) failure = {{}, errno, root};
        return fd;
    }
    for (std::size_t end = 1; end <= root.size(); ++end) {
        if (end < root.size() && (root[end] != kPathDelimiter || root[end - 1] == kPathDelimiter)) continue;
        const std::string level = root.substr(0, end);
        if (::mkdir(level.c_str(), kFolderMode) == 0 || errno == EEXIST) continue;
        // The level's own error tells a full disk from a drive that is not there.
        failure = {{}, errno, level};
        return {};
    }
    fd = platform::openChosenFolder(root);
    if (!fd) failure = {{}, errno, root};
    return fd;
}

// The levels of `wanted` below `prefix`; none, with `failure` set, when
// `wanted` is not below it or would climb out of it.
std::vector<std::string> levelsBelow(const std::string& prefix, const std::string& wanted, SaveFolder& failure) {
    std::vector<std::string> levels;
    const bool below = prefix.empty() ? (wanted.empty() || wanted.front() != kPathDelimiter)
                                      : (wanted.starts_with(prefix) || wanted + kPathDelimiter == prefix);
    for (std::size_t start = prefix.size(); below && start < wanted.size();) {
        std::size_t end = wanted.find(kPathDelimiter, start);
        if (end == std::string::npos) end = wanted.size();
        if (end > start) levels.push_back(wanted.substr(start, end - start));
        start = end + 1;
    }
    const bool climbs = std::any_of(levels.begin(), levels.end(), [](const auto& l) { return l == "." || l == ".."; });
    if (!below || climbs) {
        failure = {{}, EINVAL, wanted};
        levels.clear();
    }
    return levels;
}

}  // namespace

SaveFolder makeSaveFolder(const std::string& root, const std::string& wanted) {
    std::string path = root;
    if (!path.empty() && path.back() != kPathDelimiter) path += kPathDelimiter;
    SaveFolder result;
    const std::vector<std::string> levels = levelsBelow(path, wanted, result);
    if (result.failed()) return result;
    UniqueFd fd = openRoot(root, result);
    for (std::size_t i = 0; fd && i < levels.size(); ++i) {
        std::string used;
        fd = useLevel(fd.get(), path, levels[i], used, result);
        path += used + kPathDelimiter;
    }
    if (result.failed()) return result;
    result.path = path;
    result.fd = std::move(fd);
    return result;
}

}  // namespace oculon::config
