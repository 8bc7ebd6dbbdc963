#pragma once
// The folders this user's files live in, and how files are written there.
// The folders follow the XDG variables where those are set, fall back to the
// user database rather than to a shared folder where they are not, and are
// kept private: the settings (with device passwords), the instance lock and
// the gateway library never sit in a folder another account could have made
// or can write.

#include <sys/types.h>

#include <string>
#include <string_view>

namespace oculon::platform {

// True when `path` names a folder, or a link to one.
bool isDirectory(const std::string& path);

// $HOME when it is absolute, else the home folder of the user database; empty
// when neither is known.
std::string homeFolder();
// $XDG_CONFIG_HOME when it is absolute, else homeFolder() + "/.config"; empty
// when no home is known.
std::string configFolder();
// $TMPDIR when it names a folder, else /tmp; without a trailing slash.
std::string tempFolder();
// This user's own folder in the temp folder: "<tempFolder()>/oculon-<uid>".
std::string privateTempFolder();

// Creates `folder` (missing parents too) with mode 0700 and checks that it is
// this user's own: empty when it is, otherwise why it must not be used (it
// belongs to another user, it is a link or no folder, it cannot be made). A
// folder of ours that others may enter is closed to 0700.
std::string makePrivateFolder(const std::string& folder);

// The temporary file writeFileAtomically uses for `path`: "<path>.tmp-<pid>".
std::string temporaryFileFor(const std::string& path);
// Removes the temporary files of `path` that other processes left behind.
void removeTemporaryFiles(const std::string& path);
// Writes `content` to a new temporary file (made with O_EXCL and O_NOFOLLOW,
// with `mode`), syncs it and renames it over `path`, so a reader or a crash
// finds the old file or the new one whole. Empty on success, otherwise why
// not; the temporary file is gone either way.
std::string writeFileAtomically(const std::string& path, std::string_view content, mode_t mode);

// The folder a file name is in ("." for a bare name).
std::string folderOfFile(const std::string& path);
// Writes all of `data` to `fd`, going on after interruptions; false with
// errno set when it cannot (ENOSPC when nothing more is taken).
bool writeAll(int fd, std::string_view data);

// True when `path` (not followed, if a link) is the file open at `fd`.
bool namesFile(const std::string& path, int fd);
// True when `name` in the folder open at `folder` (not followed) is the file open at `fd`.
bool namesFile(int folder, const std::string& name, int fd);

}  // namespace oculon::platform
