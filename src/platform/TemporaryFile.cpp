#include "platform/TemporaryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <thread>

#include "platform/OwnFolders.h"
#include "platform/PrivateFiles.h"
#include "platform/RandomBytes.h"

namespace oculon::platform {

namespace {

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::string_view kNameCharacters = "0123456789abcdefghijklmnopqrstuvwxyz";
// 12 of 36 characters: 62 bits no one can guess.
constexpr std::size_t kRandomLength = 12;
// How much longer than the part of its target's name a temporary name is.
constexpr std::size_t kTemporarySuffixLength = kTemporaryMark.size() + kRandomLength;
// How often random bytes are drawn for one name.
constexpr int kRandomDraws = 8;
// A temporary name someone got hold of is given up for a new one this often.
constexpr int kNameAttempts = 10;
// How often a name whose entry vanished between our look and our open is tried again.
constexpr int kCreateAttempts = 3;
// A document's name taken by others is followed by names numbered up to
// this, then by ones no one can know before.
constexpr int kNumberedNames = 9;
constexpr int kRandomNames = 4;
constexpr std::size_t kRandomSuffixLength = 8;
// How often a new file's lock is asked for again while someone holds it for a moment.
constexpr int kLockAttempts = 20;
// What the clean-up reads of a file to know it.
constexpr std::size_t kHeadLength = 64;
// The exports' heads: the first bytes of what they write.
constexpr std::size_t kSignatureLength = 4;

FileFailure systemFailure(const std::string& path) { return {path, Intruder::none, errno}; }

// How long, in bytes, a name may be in a folder whose file system tells
// `room` (pathconf's _PC_NAME_MAX): at most 255 (NAME_MAX). The FAT family
// tells 6 times its 255 characters, and a name of 255 bytes has no more
// characters in any character set.
std::size_t nameRoom(long room) {
    return room > 0 ? std::min<std::size_t>(static_cast<std::size_t>(room), NAME_MAX) : NAME_MAX;
}

std::size_t nameRoomIn(const OpenFolder& folder) { return nameRoom(::fpathconf(folder.fd.get(), _PC_NAME_MAX)); }

constexpr int kNewFileFlags = O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// The one way a file comes into being here: new, in the folder held open,
// never one that was there nor where a link points.
UniqueFd makeNewFile(const OpenFolder& folder, const std::string& name, int access, mode_t mode) {
    return UniqueFd(::openat(folder.fd.get(), name.c_str(), access | kNewFileFlags, mode));
}

// What stands at `name` in `folder`, not followed.
bool entryIn(const OpenFolder& folder, const std::string& name, struct stat& info) {
    return ::fstatat(folder.fd.get(), name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool removeEntry(const OpenFolder& folder, const std::string& name) {
    return ::unlinkat(folder.fd.get(), name.c_str(), 0) == 0;
}

// The name's file only while `name` still holds the file open at `fd`.
void removeIfStillOurs(const OpenFolder& folder, const std::string& name, int fd) {
    if (namesFile(folder.fd.get(), name, fd)) removeEntry(folder, name);
}

// The most bytes a file system that counts characters tells for each.
constexpr long kBytesPerCountedCharacter = 6;

// The UTF-16 units of a UTF-8 name: one per character, two for those of
// 4 bytes. A byte that starts no character counts as one.
std::size_t utf16Units(std::string_view name) {
    std::size_t units = 0;
    for (const char byte : name) {
        const auto b = static_cast<unsigned char>(byte);
        if ((b & 0xC0) != 0x80) ++units;
        if (b >= 0xF0) ++units;
    }
    return units;
}

bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The process's umask, read without changing it (umask() itself would set it
// for every thread in between).
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
    return 022;
}

// What the entry `info` describes is, where a file of ours belongs; none for
// a plain file of ours with no other name.
Intruder intruderOf(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) return Intruder::link;
    if (S_ISFIFO(info.st_mode)) return Intruder::fifo;
    if (S_ISDIR(info.st_mode)) return Intruder::folder;
    if (!S_ISREG(info.st_mode)) return Intruder::special;
    if (info.st_uid != ::geteuid()) return Intruder::othersFile;
    // An open file that has lost its name: someone removed it.
    if (info.st_nlink == 0) return Intruder::taken;
    if (info.st_nlink != 1) return Intruder::otherFile;
    return Intruder::none;
}

// Why a file of ours in `folder` has gone: the folder went, or someone took
// its name.
Intruder goneFrom(const OpenFolder& folder) {
    struct stat info {};
    const bool folderGone = ::fstat(folder.fd.get(), &info) == 0 && info.st_nlink == 0;
    return folderGone ? Intruder::folderGone : Intruder::taken;
}

// What the entry `info` is where a file of ours should be, or none: a plain
// file of ours too is another one.
Intruder intruderInPlace(const struct stat& info) {
    const Intruder found = intruderOf(info);
    return found == Intruder::none ? Intruder::otherFile : found;
}

// What stands at `name` in place of the file of ours that should be there.
Intruder intruderAt(const OpenFolder& folder, const std::string& name) {
    struct stat info {};
    return entryIn(folder, name, info) ? intruderInPlace(info) : goneFrom(folder);
}

flock wholeFile(short type) {
    flock lock{};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    return lock;
}

// Takes the lock that marks `fd`'s file as being written: a lock of the open
// file, which every other open of it meets, in this process too (a process's
// own locks would not, and would go with any close of the file). Where the
// file system keeps no locks, no clean-up can take one either, and the file
// is written without.
bool lockForWriting(int fd) {
    flock lock = wholeFile(F_WRLCK);
    for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
        if (::fcntl(fd, F_OFD_SETLK, &lock) == 0) return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return true;
        // Someone looks at the new file for a moment.
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
}

// True when no writer holds `fd`'s file; the lock taken keeps it so until
// `fd` is closed.
bool lockAbandoned(int fd) {
    flock lock = wholeFile(F_RDLCK);
    return ::fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

std::string headOf(int fd) {
    std::string head(kHeadLength, '\0');
    const ssize_t n = ::pread(fd, head.data(), head.size(), 0);
    head.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return head;
}

// True when `info` is the user's file `seen` at the check: the same file,
// and still a plain one of this user (an inode number is given anew once
// its file has gone).
bool isSeenFile(const struct stat& info, const TargetAtCheck& seen) {
    const Intruder found = intruderOf(info);
    return info.st_dev == seen.device && info.st_ino == seen.inode &&
           (found == Intruder::none || found == Intruder::otherFile);
}

// Why `temporary` (the file open at `fd`) could not be put in place at
// `target`, where the rename gave errno: what took our name or stands at the
// target, or else the system's reason.
FileFailure whatStopped(const OpenFolder& folder, const std::string& temporary, const std::string& target, int fd) {
    const FileFailure failure = systemFailure(folder.shown(target));
    if (!namesFile(folder.fd.get(), temporary, fd)) return {folder.shown(temporary), intruderAt(folder, temporary)};
    // Rather than "File exists", "Operation not permitted" (another user's
    // entry in a sticky folder) or "Is a directory": what it is.
    struct stat there {};
    return entryIn(folder, target, there) ? FileFailure{folder.shown(target), intruderInPlace(there)} : failure;
}

// The rename's failures that mean a file system without renameat2's flags.
bool renameFlagsUnknown(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

int renameIn(const OpenFolder& folder, const std::string& from, const std::string& to, unsigned flags) {
    const int fd = folder.fd.get();
    return flags != 0 ? ::renameat2(fd, from.c_str(), fd, to.c_str(), flags)
                      : ::renameat(fd, from.c_str(), fd, to.c_str());
}

// Renames `temporary` to `target` where no entry has that name: an entry put
// there meanwhile is never replaced.
FileFailure renameToFreeName(const OpenFolder& folder, const std::string& temporary, const std::string& target,
                             int fd) {
    if (renameIn(folder, temporary, target, RENAME_NOREPLACE) == 0) return {};
    if (!renameFlagsUnknown(errno)) return whatStopped(folder, temporary, target, fd);
    // A second name, which is made only where there is none, then the first goes.
    if (::linkat(folder.fd.get(), temporary.c_str(), folder.fd.get(), target.c_str(), 0) == 0) {
        removeIfStillOurs(folder, temporary, fd);
        return {};
    }
    if (errno != EPERM && !renameFlagsUnknown(errno)) return whatStopped(folder, temporary, target, fd);
    // Nor that: the name is looked at just before a plain rename.
    struct stat there {};
    if (entryIn(folder, target, there)) errno = EEXIST;
    else if (errno == ENOENT && renameIn(folder, temporary, target, 0) == 0) return {};
    return whatStopped(folder, temporary, target, fd);
}

// Renames `temporary` over `target` while that still holds the file `seen`
// there, and over nothing else.
FileFailure renameOverSeenFile(const OpenFolder& folder, const std::string& temporary, const std::string& target,
                               const TargetAtCheck& seen, int fd) {
    if (renameIn(folder, temporary, target, RENAME_EXCHANGE) == 0) {
        // The temporary's name holds what stood at the target now.
        struct stat out {};
        const bool outThere = entryIn(folder, temporary, out);
        if (outThere && isSeenFile(out, seen)) {
            removeEntry(folder, temporary);
            return {};
        }
        // Not the user's file: it goes back to where it stood. What went
        // away from there meanwhile is not brought back.
        const FileFailure failure{folder.shown(target), outThere ? intruderInPlace(out) : goneFrom(folder)};
        renameIn(folder, temporary, target, RENAME_EXCHANGE);
        return namesFile(folder.fd.get(), target, fd) ? FileFailure{} : failure;
    }
    const int error = errno;
    struct stat there {};
    const bool targetThere = entryIn(folder, target, there);
    // The user's file went meanwhile: the name is taken while it is free.
    if (!targetThere && errno == ENOENT && namesFile(folder.fd.get(), temporary, fd))
        return renameToFreeName(folder, temporary, target, fd);
    errno = error;
    if (!renameFlagsUnknown(error)) return whatStopped(folder, temporary, target, fd);
    // A file system that cannot swap two names: the name is looked at just
    // before a plain rename.
    if (targetThere && !isSeenFile(there, seen)) return {folder.shown(target), intruderInPlace(there)};
    if (renameIn(folder, temporary, target, 0) == 0) return {};
    return whatStopped(folder, temporary, target, fd);
}

// publishTemporaryFile for the file open at `fd`.
FileFailure publishOpenFile(const OpenFolder& folder, int fd, const std::string& temporary, const std::string& target,
                            mode_t mode, const TargetAtCheck& seen) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return systemFailure(folder.shown(target));
    // Someone else's file put in place of ours is not made the user's document.
    if (const Intruder found = intruderOf(info); found != Intruder::none)
        return {folder.shown(temporary), found == Intruder::taken ? goneFrom(folder) : found};
    if (::fchmod(fd, mode & ~currentUmask()) != 0 || ::fsync(fd) != 0) return systemFailure(folder.shown(target));
    if (!namesFile(folder.fd.get(), temporary, fd)) return {folder.shown(temporary), intruderAt(folder, temporary)};
    const FileFailure placed = seen.occupied ? renameOverSeenFile(folder, temporary, target, seen, fd)
                                             : renameToFreeName(folder, temporary, target, fd);
    if (placed.failed()) return placed;
    // Where others may remove our files (a folder without the sticky bit),
    // the name can change hands in the instant before the rename.
    if (!namesFile(folder.fd.get(), target, fd)) return {folder.shown(target), intruderAt(folder, target)};
    // The rename itself survives a power cut only once the folder is synced.
    ::fsync(folder.fd.get());
    return {};
}

// `path` up to `stemEnd`, shortened where needed so that what is left of
// its file name and `extra` more bytes fit `room` bytes; never cut inside a
// UTF-8 character.
std::string withRoomFor(const std::string& path, std::size_t stemEnd, std::size_t extra, std::size_t room) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (stemEnd - nameStart + extra > room) {
        stemEnd = nameStart + std::max(room, extra + 1) - extra;
        // A UTF-8 character is cut before its first byte, not after it.
        while (stemEnd > nameStart + 1 && isContinuationByte(path[stemEnd])) --stemEnd;
    }
    return path.substr(0, stemEnd);
}

// Appends `count` random lower-case letters and digits to `name`; false,
// with `failure` saying so for `target`, when the system gives no random
// numbers.
bool appendRandomCharacters(std::string& name, std::size_t count, const std::string& target, FileFailure& failure) {
    const std::size_t length = name.size() + count;
    // Bytes past the largest multiple of 36 are drawn again: every character
    // equally likely. A source that gives nothing else that often is broken.
    constexpr unsigned kFair = 256 / kNameCharacters.size() * kNameCharacters.size();
    for (int draw = 0; draw < kRandomDraws && name.size() < length; ++draw) {
        unsigned char random[2 * kRandomLength];
        if (!randomBytes(random, sizeof random)) break;
        for (const unsigned char byte : random)
            if (byte < kFair && name.size() < length) name += kNameCharacters[byte % kNameCharacters.size()];
    }
    if (name.size() == length) {
        failure = {};
        return true;
    }
    failure = {target, Intruder::none, errno != 0 ? errno : EIO, true};
    return false;
}

// Where the file name in `path` has an extension, its position; else the end.
std::size_t extensionAt(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    // A leading dot makes a hidden name, not an extension.
    return dot != std::string::npos && dot > nameStart ? dot : path.size();
}

// The `attempt`th name for a file that would be `path`: `path` itself, then
// "<stem> (2)<extension>" and on, then names with a random part; all within
// `room` bytes.
std::string candidateName(const std::string& path, int attempt, std::size_t room, FileFailure& failure) {
    if (attempt == 0) return path;
    const std::size_t extension = extensionAt(path);
    const std::string tail = path.substr(extension);
    if (attempt < kNumberedNames) {
        const std::string number = " (" + std::to_string(attempt + 1) + ")";
        return withRoomFor(path, extension, number.size() + tail.size(), room) + number + tail;
    }
    std::string name = withRoomFor(path, extension, kRandomSuffixLength + 3 + tail.size(), room) + " (";
    if (!appendRandomCharacters(name, kRandomSuffixLength, path, failure)) return {};
    return name + ")" + tail;
}

// A temporary name for `target` within `room` bytes.
std::string temporaryNameFor(const std::string& target, std::size_t room, FileFailure& failure) {
    std::string name = withRoomFor(target, target.size(), kTemporarySuffixLength, room) + std::string(kTemporaryMark);
    if (!appendRandomCharacters(name, kRandomLength, target, failure)) return {};
    return name;
}

// A file the user named by its path: its folder as the user named it, and
// the name in it; the folder's failure, for `path`, where it cannot be opened.
OpenFolder folderOf(const std::string& path, std::string& name, FileFailure& failure) {
    OpenFolder folder = openFolderOfFile(path, name);
    failure = folder.fd ? FileFailure{} : systemFailure(path);
    return folder;
}

}  // namespace

std::string FileFailure::reason() const {
    if (noRandomness)
        return std::string("the system gives no random numbers for a new file name (") + std::strerror(error) + ")";
    switch (intruder) {
        case Intruder::none: break;
        case Intruder::link: return "a symbolic link is in the way; it was not followed";
        case Intruder::fifo: return "a named pipe is in the way";
        case Intruder::folder: return "a folder is in the way";
        case Intruder::special: return "a device or socket is in the way";
        case Intruder::othersFile: return "a file of another user is in the way";
        case Intruder::otherFile: return "another file took the place of the file being written";
        case Intruder::taken: return "the name was taken by someone else while the file was written";
        case Intruder::folderGone: return "the folder was removed while the file was written";
    }
    return std::strerror(error);
}

std::string newTemporaryName(const std::string& target, FileFailure& failure) {
    return temporaryNameFor(target, nameRoom(::pathconf(folderOfFile(target).c_str(), _PC_NAME_MAX)), failure);
}

bool isTemporaryName(std::string_view name) {
    if (name.size() <= kTemporarySuffixLength ||
        name.substr(name.size() - kTemporarySuffixLength, kTemporaryMark.size()) != kTemporaryMark)
        return false;
    return name.substr(name.size() - kRandomLength).find_first_not_of(kNameCharacters) == std::string_view::npos;
}

UniqueFd createPrivateFile(const OpenFolder& folder, const std::string& name, FileFailure& failure) {
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        // A folder of that name is no file to replace: unlink() leaves it, and
        // the open below then says so. Another account's entry stays too.
        if (struct stat info{}; entryIn(folder, name, info) && info.st_uid == ::geteuid()) removeEntry(folder, name);
        UniqueFd fd = makeNewFile(folder, name, O_WRONLY, 0600);
        if (fd && lockForWriting(fd.get())) {
            failure = {};
            return fd;
        }
        failure = systemFailure(folder.shown(name));
        if (fd) {
            // Never written, so never taken for a stale file: ours to remove.
            removeIfStillOurs(folder, name, fd.get());
        } else if (failure.error == EEXIST) {
            // Named before errno can change, and as it was seen: a planted
            // entry that vanishes again is tried once more.
            failure.intruder = intruderAt(folder, name);
            if (failure.intruder == Intruder::taken) continue;
            if (failure.intruder == Intruder::folder) failure.error = EISDIR;
        }
        break;
    }
    errno = failure.error;
    return {};
}

UniqueFd createPrivateFile(const std::string& path, FileFailure& failure) {
    std::string name;
    const OpenFolder folder = folderOf(path, name, failure);
    return folder.fd ? createPrivateFile(folder, name, failure) : UniqueFd();
}

UniqueFd createFileAtFreeName(const OpenFolder& folder, std::string& name, int access, mode_t mode,
                              FileFailure& failure) {
    const std::string asked = name;
    const std::size_t room = nameRoomIn(folder);
    Intruder firstInTheWay = Intruder::none;
    for (int attempt = 0; attempt < kNumberedNames + kRandomNames; ++attempt) {
        const std::string candidate = candidateName(asked, attempt, room, failure);
        if (candidate.empty()) return {};
        // Only ever made new: whatever stands at a name (another account's
        // file, a link, a FIFO, a folder) is neither opened nor removed.
        UniqueFd fd = makeNewFile(folder, candidate, access, mode);
        if (fd) {
            name = candidate;
            failure = {};
            return fd;
        }
        failure = systemFailure(folder.shown(asked));
        if (failure.error != EEXIST) break;
        if (attempt == 0) firstInTheWay = intruderAt(folder, asked);
    }
    // Every name taken: what stood at the one asked for says why.
    if (failure.error == EEXIST) failure.intruder = firstInTheWay;
    errno = failure.error;
    return {};
}

UniqueFd createFileAtFreeName(std::string& path, int access, mode_t mode, FileFailure& failure) {
    std::string name;
    const OpenFolder folder = folderOf(path, name, failure);
    if (!folder.fd) return {};
    UniqueFd fd = createFileAtFreeName(folder, name, access, mode, failure);
    if (fd) path = folder.shown(name);
    return fd;
}

bool nameFits(std::string_view name, long room) {
    if (room <= 0) return true;
    if (name.size() > static_cast<std::size_t>(room)) return false;
    return room <= NAME_MAX || utf16Units(name) <= static_cast<std::size_t>(room / kBytesPerCountedCharacter);
}

FileFailure whatBlocksTarget(const OpenFolder& folder, const std::string& target, TargetAtCheck& seen) {
    seen = {};
    // Before the first frame, not once the file is written: a name too long
    // for its folder.
    if (!nameFits(target, ::fpathconf(folder.fd.get(), _PC_NAME_MAX)))
        return {folder.shown(target), Intruder::none, ENAMETOOLONG};
    struct stat info {};
    if (!entryIn(folder, target, info))
        return errno == ENAMETOOLONG ? FileFailure{folder.shown(target), Intruder::none, ENAMETOOLONG} : FileFailure{};
    const Intruder found = intruderOf(info);
    // A file of this user's own is replaced, also one with further names:
    // those keep the old content.
    if (found != Intruder::none && found != Intruder::otherFile) return {folder.shown(target), found};
    seen = {true, info.st_dev, info.st_ino};
    return {};
}

FileFailure whatBlocksTarget(const std::string& target, TargetAtCheck& seen) {
    std::string name;
    FileFailure failure;
    const OpenFolder folder = folderOf(target, name, failure);
    if (folder.fd) return whatBlocksTarget(folder, name, seen);
    // A folder that cannot be opened says why when the file is made.
    seen = {};
    return failure.error == ENAMETOOLONG ? failure : FileFailure{};
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

FileFailure publishTemporaryFile(const OpenFolder& folder, const std::string& temporary, const std::string& target,
                                 mode_t mode, const TargetAtCheck& seen) {
    struct stat info {};
    if (!entryIn(folder, temporary, info))
        return errno == ENOENT ? FileFailure{folder.shown(temporary), goneFrom(folder)}
                               : systemFailure(folder.shown(target));
    if (const Intruder found = intruderOf(info); found != Intruder::none) return {folder.shown(temporary), found};
    // Never through a link, nor waiting on a FIFO put there after that look.
    const UniqueFd fd(
        ::openat(folder.fd.get(), temporary.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd)
        return errno == ENOENT || errno == ELOOP ? FileFailure{folder.shown(temporary), intruderAt(folder, temporary)}
                                                 : systemFailure(folder.shown(target));
    return publishOpenFile(folder, fd.get(), temporary, target, mode, seen);
}

FileFailure publishTemporaryFile(const std::string& temporary, const std::string& target, mode_t mode,
                                 const TargetAtCheck& seen) {
    std::string name;
    FileFailure failure;
    const OpenFolder folder = folderOf(target, name, failure);
    // The folder went, and the temporary with it.
    if (!folder.fd)
        return failure.error == ENOENT || failure.error == ENOTDIR ? FileFailure{temporary, Intruder::folderGone}
                                                                   : failure;
    return publishTemporaryFile(folder, temporary.substr(temporary.rfind('/') + 1), name, mode, seen);
}

void removeStaleTemporaryFiles(const OpenFolder& folder, const UnfinishedHead& unfinished) {
    DIR* dir = ::fdopendir(::openat(folder.fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!isTemporaryName(name)) continue;
        // Only a private plain file of this user: never a link, nor another
        // account's file, nor one a user has opened to others.
        struct stat info {};
        if (!entryIn(folder, name, info) || intruderOf(info) != Intruder::none || (info.st_mode & 077) != 0) continue;
        const UniqueFd fd(
            ::openat(folder.fd.get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (!fd || !namesFile(folder.fd.get(), name, fd.get())) continue;
        // A writer locks its file before it writes a byte, so a file without
        // our head may be one being made: it is left alone, unlocked, and its
        // writer's lock never meets ours.
        if (!unfinished(headOf(fd.get()))) continue;
        if (!lockAbandoned(fd.get())) continue;
        // Its writer may have finished it and let go just before: the head is
        // read again, now that no writer can change it.
        if (unfinished(headOf(fd.get()))) removeIfStillOurs(folder, name, fd.get());
    }
    ::closedir(dir);
}

void removeStaleTemporaryFiles(const std::string& folder, const UnfinishedHead& unfinished) {
    removeStaleTemporaryFiles(OpenFolder{openChosenFolder(folder), folder + "/"}, unfinished);
}

FileFailure writeFileThroughTemporary(const OpenFolder& folder, const std::string& target, std::string_view content,
                                      mode_t mode) {
    const std::string_view signature = content.substr(0, std::min(content.size(), kSignatureLength));
    // This writer holds its lock until the file is renamed: what has its head
    // and no lock was left by a killed one.
    removeStaleTemporaryFiles(folder, [signature](std::string_view head) {
        return !signature.empty() && head.substr(0, signature.size()) == signature;
    });
    TargetAtCheck seen;
    FileFailure failure = whatBlocksTarget(folder, target, seen);
    if (failure.failed()) return failure;
    const std::size_t room = nameRoomIn(folder);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const std::string temporary = temporaryNameFor(target, room, failure);
        if (temporary.empty()) return failure;
        UniqueFd fd = createPrivateFile(folder, temporary, failure);
        // A name someone got hold of is given up for another.
        if (!fd && failure.intruder != Intruder::none) continue;
        if (!fd) return {folder.shown(target), Intruder::none, failure.error};
        failure = writeAll(fd.get(), content) ? publishOpenFile(folder, fd.get(), temporary, target, mode, seen)
                                              : systemFailure(folder.shown(target));
        if (failure.failed()) removeIfStillOurs(folder, temporary, fd.get());
        return failure;
    }
    return failure;
}

FileFailure writeFileThroughTemporary(const std::string& target, std::string_view content, mode_t mode) {
    std::string name;
    FileFailure failure;
    const OpenFolder folder = folderOf(target, name, failure);
    return folder.fd ? writeFileThroughTemporary(folder, name, content, mode) : failure;
}

}  // namespace oculon::platform
