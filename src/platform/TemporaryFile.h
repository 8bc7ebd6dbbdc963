#pragma once
// Files the exports write under a temporary name beside the one the user
// chose, then rename into place, so that an export that fails or is killed
// never leaves a half-written file under that name.
//
// A shared folder (1777, or one a group writes) is hostile ground: another
// account may plant a link at the temporary name to have our write land in
// a file of its choice. So the temporary file is only ever made new
// (O_EXCL, O_NOFOLLOW), private (0600) until it is complete, written through
// the descriptor that made it, and renamed only while its name still holds
// that very file.

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/UniqueFd.h"

namespace oculon::platform {

// A new, empty file at `path`, mode 0600, never one that was there nor
// where a link points; an existing entry of that name is removed first (a
// link goes, not what it points to). An invalid descriptor, with errno set,
// when it cannot be made (also when a link is planted in between).
UniqueFd createPrivateFile(const std::string& path);

// True when `path` (not followed, if a link) is the file open at `fd`.
bool namesFile(const std::string& path, int fd);
// True when both names lead to one file (device and inode, links followed).
bool sameFile(const std::string& a, const std::string& b);

// Makes the complete file at `temporary` the file `target`: checks that the
// name still holds a regular file of ours, gives it `mode` less the umask,
// syncs it and renames it over `target`. Empty on success (the target then
// is that file), otherwise why not.
std::string publishTemporaryFile(const std::string& temporary, const std::string& target, mode_t mode);

// Removes from `folder` the temporary files ("<name>.tmp-<pid>", the names
// of temporaryFileFor in PrivateFiles.h) of this user whose process is gone
// and that are empty or begin with one of `signatures`: what a killed export
// of such files left behind, and nothing a user may have named alike.
void removeStaleTemporaryFiles(const std::string& folder, std::initializer_list<std::string_view> signatures);

// Writes `content` to a new private temporary file beside `target` and
// publishes it with `mode`; stale temporaries that begin as `content` does
// (its first 4 bytes) go first. Empty on success, otherwise why not; nothing is
// left under the temporary name either way.
std::string writeFileThroughTemporary(const std::string& target, std::string_view content, mode_t mode);

}  // namespace oculon::platform
