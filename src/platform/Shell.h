#pragma once
// The desktop services the program asks of its surroundings: one instance per
// settings file, the Startup folders (XDG autostart entries), opening a
// document or web page with the desktop's handler, the program's own path,
// and the small X11 services (screen saver, bell, hiding another program's
// windows) where an X server is there.

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/UniqueFd.h"

namespace oculon::platform {

// Holds the lock file of one instance for as long as it lives. The lock goes
// with the process, so a crash never leaves a stale one behind.
class SingleInstance {
public:
    // Null when another process holds `lockFile`, or when it cannot be taken
    // at all; `problem` (when given) then says why, and stays empty when the
    // lock is merely held. The file is made with O_EXCL and O_NOFOLLOW; an
    // existing one must be a plain file of this user.
    static std::unique_ptr<SingleInstance> acquire(const std::string& lockFile, std::string* problem = nullptr);

    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

private:
    explicit SingleInstance(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;
};

// Where a second start of the program finds the instance that runs: a Unix
// socket of this user's in a private folder. Nothing but the connection
// travels: it is the request, and the running instance answers it with one
// byte once it has taken it up.
class SecondStarts {
public:
    // Listens at `socketPath`. Only the holder of the instance lock calls it,
    // so a socket of this user's left there by an earlier run (a crash) is
    // replaced; any other file there is kept, and nothing listens. Null when
    // it cannot listen; `problem` then says why.
    static std::unique_ptr<SecondStarts> listen(const std::string& socketPath, std::string& problem);

    // Removes its socket, unless something else has taken its name.
    ~SecondStarts();
    SecondStarts(const SecondStarts&) = delete;
    SecondStarts& operator=(const SecondStarts&) = delete;

    // Readable while a second start waits.
    int fd() const { return fd_.get(); }
    // Answers the second starts that wait; true when one of them was this
    // user's (no other user's start is taken up).
    bool takeUp();

private:
    SecondStarts(UniqueFd fd, std::string path, dev_t device, ino_t inode)
        : fd_(std::move(fd)), path_(std::move(path)), device_(device), inode_(inode) {}
    UniqueFd fd_;
    std::string path_;
    dev_t device_;
    ino_t inode_;
};

// The second start: tells the instance of this user's that listens at
// `socketPath`, and waits up to `bound` for it to take that up; one that
// holds the lock but does not listen yet is waited for as well. False when
// none listens, it is another user's, or it did not answer in time;
// `problem` (when given) then says why, and `unanswered` (when given)
// whether it was the last: one listened but did not answer.
bool tellRunningInstance(const std::string& socketPath, std::chrono::milliseconds bound, std::string* problem = nullptr,
                         bool* unanswered = nullptr);

// The environment variable an autostart entry of ours sets, so the program
// knows it was started from a Startup folder.
inline constexpr const char* kAutostartVariable = "OCULON_AUTOSTART";

// The user's Startup folder (configFolder() + "/autostart", empty when no
// home is known) and the common one (/etc/xdg/autostart).
std::string userStartupFolder();
std::string commonStartupFolder();
// The program was started by an autostart entry of ours.
bool startedFromStartupFolder();

// The autostart entry that starts `program`: "<file name of program>.desktop".
std::string startupEntryName(const std::string& program);
// Its contents.
std::string startupEntry(const std::string& program);
// Writes the entry for `program` into `folder` (created when missing),
// replacing an older one. False when it cannot be written.
bool installStartupEntry(const std::string& folder, const std::string& program);
// The desktop starts `program` at log-on through our entry: the user's
// folder holds it as we write it, or holds no entry of that name (which
// would hide the common one) and the common folder holds it.
bool startupEntryInstalled(const std::string& program, const std::string& userFolder, const std::string& commonFolder);

// Opens a web page or file with the desktop's handler (xdg-open), without
// waiting for it. False when the handler could not be started.
bool shellExecute(const std::string& target);

// The running executable (/proc/self/exe); empty when it cannot be read.
std::string ownPath();

// X11 services; each does nothing where no X server can be reached.
void stopScreenSaver();
void beep();
// Hides (withdraws) every top-level window whose title is exactly `title`;
// returns how many.
int hideWindowsTitled(const std::string& title);

}  // namespace oculon::platform
