#pragma once
// Files the exports write under a temporary name beside the one the user
// chose, then rename into place, so that an export that fails or is killed
// never leaves a half-written file under that name.
//
// A shared folder (1777, or one a group writes) is hostile ground: another
// account may plant a link or a FIFO at the temporary name to have our write
// land in a file of its choice or fail. So the temporary name is one no one
// can know before the file exists, the file is only ever made new (O_EXCL,
// O_NOFOLLOW), private (0600) until it is complete, written through the
// descriptor that made it, and renamed only while its name still holds that
// very file.
//
// Other copies of the program may write into the same folder at the same
// time, also from another PID namespace or, on a shared file system, from
// another host. A writer therefore holds an open-file-description lock on its
// temporary from before the first byte is written until the file is finished,
// and the clean-up of what killed writers left removes only files it can lock.
//
// Every file is made in a folder held open (OpenFolder), by its name in it:
// a folder the walk below the user's folder opened stays the one written
// into, though another account swap it for a link a moment later. The
// overloads that take a path open the folder the user named for the one call.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/OwnFolders.h"
#include "platform/UniqueFd.h"

namespace oculon::platform {

// What was found at a name where a file of ours was to be made or put in place.
enum class Intruder : std::uint8_t {
    none,        // nothing: the failure is the system's (FileFailure::error)
    link,        // a symbolic link
    fifo,        // a named pipe
    folder,      // a folder
    special,     // a device or a socket
    othersFile,  // a file of another user
    otherFile,   // a file, but not the one written (or one with further names)
    taken,       // the name lost its file to someone else, who left nothing or took it away again
    folderGone,  // the folder the file was in was removed, and the file with it
};

// Why a file could not be made or put in place; failed() is false when it was.
struct FileFailure {
    std::string path;  // the file concerned, or the entry that was in the way
    Intruder intruder = Intruder::none;
    int error = 0;  // the system's error number
    // No temporary name could be made: the system gives no random numbers.
    bool noRandomness = false;
    bool failed() const { return !path.empty(); }
    // In English, for the log: the system's reason, or what was in the way.
    std::string reason() const;
};

// A new name for a temporary file of `target`: "<target>.tmp-" and 12 random
// lower-case letters and digits, which no one can know before the file exists.
// Where that is longer than the folder allows a name to be, or than 255
// bytes, the part taken from the target's name is shortened (never inside a
// UTF-8 character).
// Empty, with `failure` saying so, when the system gives no random numbers.
std::string newTemporaryName(const std::string& target, FileFailure& failure);
// True when `name` (without its folder) has the form newTemporaryName makes.
bool isTemporaryName(std::string_view name);

// True when a file system whose longest name is `room` (pathconf's
// _PC_NAME_MAX; unknown when not above 0) takes `name` (without its folder).
// One that tells more than 255 bytes counts characters, telling 6 bytes for
// each (the FAT family: 255 UTF-16 units, told as 1530).
bool nameFits(std::string_view name, long room);

// What stood at a target when it was looked at, before anything was written:
// nothing, or a file of the user's own (which the user chose to replace),
// known by its device and inode.
struct TargetAtCheck {
    bool occupied = false;
    dev_t device = 0;
    ino_t inode = 0;
};

// What stands at `target` that a file put in place there must not replace: a
// link, a FIFO, a folder, a device or socket, or a file of another user; or a
// name longer than its folder takes (error ENAMETOOLONG). No failure when the
// name is free, holds a plain file of this user (which is replaced), or
// cannot be looked at (what follows then says why); `seen` then tells which.
FileFailure whatBlocksTarget(const OpenFolder& folder, const std::string& target, TargetAtCheck& seen);
FileFailure whatBlocksTarget(const std::string& target, TargetAtCheck& seen);

// A new, empty file at `path`, mode 0600, never one that was there nor where a
// link points; an entry of this user's at that name is removed first (a link
// goes, not what it points to), another account's never. The descriptor
// holds the lock that marks the file as being written until it is closed. An
// invalid descriptor, errno and `failure` set, when it cannot be made;
// `failure` then names what was in the way.
UniqueFd createPrivateFile(const OpenFolder& folder, const std::string& name, FileFailure& failure);
UniqueFd createPrivateFile(const std::string& path, FileFailure& failure);

// A new file for a document whose name others can foresee (a recording
// named by its time): made at `path` or, where any entry stands there, at
// the first free of "<stem> (2)<extension>" to "<stem> (9)<extension>", then
// of names with a random part no one knows before; `path` is set to the name
// taken. Only ever made new (O_EXCL, O_NOFOLLOW, `mode` less the umask) and
// opened for `access`: what stands at a name is never opened, emptied or
// removed. An invalid descriptor, errno and `failure` set, when none can be
// made; where every name was taken, `failure` names what stood at `path`.
// With a folder, `name` is the file's name in it, and is set alike.
UniqueFd createFileAtFreeName(const OpenFolder& folder, std::string& name, int access, mode_t mode,
                              FileFailure& failure);
UniqueFd createFileAtFreeName(std::string& path, int access, mode_t mode, FileFailure& failure);

// True when both names lead to one file (device and inode, links followed).
bool sameFile(const std::string& a, const std::string& b);

// Makes the complete file at `temporary` the file `target`: checks that the
// name still holds a regular file of ours, gives it `mode` less the umask,
// syncs it and renames it to `target`, replacing only what whatBlocksTarget
// saw there (`seen`): where the name was free, nothing; where the user's file
// stood, that file and no other. A failure of the system names `target`; an
// entry found in place of ours, or one at `target` that was not there before,
// is named with what it is. The temporary is beside the target.
FileFailure publishTemporaryFile(const OpenFolder& folder, const std::string& temporary, const std::string& target,
                                 mode_t mode, const TargetAtCheck& seen);
FileFailure publishTemporaryFile(const std::string& temporary, const std::string& target, mode_t mode,
                                 const TargetAtCheck& seen);

// Tells from its first bytes (up to 64) whether a temporary file that no
// writer holds is one a writer of ours left unfinished.
using UnfinishedHead = std::function<bool(std::string_view head)>;

// Removes from `folder` what killed writers left: files of this user under a
// temporary name (isTemporaryName), private, unlocked, and whose head is
// `unfinished`. A file whose writer still runs (in whichever PID namespace or
// on whichever host that passes locks on), a finished file, and anything a
// user named alike stay.
void removeStaleTemporaryFiles(const OpenFolder& folder, const UnfinishedHead& unfinished);
void removeStaleTemporaryFiles(const std::string& folder, const UnfinishedHead& unfinished);

// Writes `content` to a new private temporary file beside `target` and
// publishes it with `mode`, unless something blocks `target`
// (whatBlocksTarget); stale temporaries that begin as `content` does (its
// first 4 bytes) go first. Nothing is left under the temporary name either
// way.
FileFailure writeFileThroughTemporary(const OpenFolder& folder, const std::string& target, std::string_view content,
                                      mode_t mode);
FileFailure writeFileThroughTemporary(const std::string& target, std::string_view content, mode_t mode);

}  // namespace oculon::platform
