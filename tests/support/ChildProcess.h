#pragma once
// A program started by a test (a real peer such as lighttpd or ffmpeg),
// stopped by its PID when the object goes away.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
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

}  // namespace oculon::testsupport
