#pragma once
// A program started by a test (a real peer such as lighttpd or ffmpeg),
// stopped by its PID when the object goes away.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace oculon::testsupport {

class ChildProcess {
public:
    // Runs argv[0] (looked up in PATH) with its output going to `logFile`
    // (or /dev/null when empty).
    explicit ChildProcess(std::vector<std::string> argv, const std::string& logFile = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // SIGTERM, then SIGKILL after `grace`; reaps the child.
    void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

private:
    pid_t pid_ = -1;
};

// True once something accepts TCP connections on host:port.
bool waitForTcpPort(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);

// A fresh folder below the temp folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Writes a file below the folder and returns its full path.
    std::string write(const std::string& name, const std::string& content) const;

private:
    std::string path_;
};

// A process id that no process has (the kernel's bound for them): the
// owner of what a killed process left.
pid_t unusedProcessId();

// The whole content of a file; empty when it cannot be read.
std::string readFile(const std::string& path);

// Sets (or, with nullopt, removes) an environment variable for its lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The unprivileged user tests hand files and folders to, to play another
// account (needs root).
inline constexpr unsigned kNobody = 65534;
// Hands `path` (a link itself, not what it points to) to kNobody, to play
// another account's entry; false where the test has not the rights.
bool handToNobody(const std::string& path);
// What stands at `path` (not followed), to compare before and after: its
// type and mode, owner, and a file's content; "nothing" where nothing is.
std::string entryAt(const std::string& path);
// Runs `body` in a child process with nobody's rights and returns its result;
// false when the rights could not be dropped.
bool asNobody(const std::function<bool()>& body);

}  // namespace oculon::testsupport
