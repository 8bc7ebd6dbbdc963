#include "platform/Shell.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "platform/DynLib.h"
#include "platform/PrivateFiles.h"

namespace oculon::platform {

namespace fs = std::filesystem;

namespace {

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// A path that a desktop entry cannot carry on one line.
bool hasControlCharacters(const std::string& s) {
    for (const unsigned char c : s) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// One argument of an Exec line: quoted, with the characters the desktop
// entry format reserves escaped, then escaped once more as a string value.
std::string execArgument(const std::string& arg) {
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
        if (c == '%') quoted += '%';
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (const char c : quoted) {
        if (c == '\\') value += '\\';
        value += c;
    }
    return value;
}

}  // namespace

// --- single instance ---------------------------------------------------------

std::unique_ptr<SingleInstance> SingleInstance::acquire(const std::string& lockFile, std::string* problem) {
    auto fail = [&](const std::string& why) {
        if (problem) *problem = lockFile + ": " + why;
        return nullptr;
    };
    // Open the existing lock, or make a new one; a file planted under its
    // name, or a link, is never taken for it.
    UniqueFd fd;
    for (int attempt = 0; !fd && attempt < 2; ++attempt) {
        fd.reset(::open(lockFile.c_str(), O_RDWR | O_NOFOLLOW | O_CLOEXEC));
        if (!fd && errno == ENOENT)
            fd.reset(::open(lockFile.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        if (!fd && errno != EEXIST && errno != ENOENT) break;
    }
    if (!fd) return fail(errno == ELOOP ? "a link, not a lock file" : std::strerror(errno));
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid())
        return fail("not a lock file of this user");
    for (;;) {
        if (::flock(fd.get(), LOCK_EX | LOCK_NB) == 0)
            return std::unique_ptr<SingleInstance>(new SingleInstance(std::move(fd)));
        if (errno != EINTR) break;
    }
    const int error = errno;
    if (error != EWOULDBLOCK) return fail(std::strerror(error));
    if (problem) problem->clear();
    return nullptr;
}

SingleInstance::~SingleInstance() { ::flock(fd_.get(), LOCK_UN); }

// --- second starts -------------------------------------------------------------

namespace {

// The address of `path`; false when the path does not fit one.
bool socketAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

bool peerIsThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == ::geteuid();
}

}  // namespace

std::unique_ptr<SecondStarts> SecondStarts::listen(const std::string& socketPath, std::string& problem) {
    auto fail = [&](const std::string& why) {
        problem = socketPath + ": " + why;
        return nullptr;
    };
    sockaddr_un address{};
    if (!socketAddress(socketPath, address)) return fail("too long a name for a socket");
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return fail(std::strerror(errno));
    const auto bindTo = [&] {
        return ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    struct stat info {};
    if (!bindTo()) {
        if (errno != EADDRINUSE) return fail(std::strerror(errno));
        // Only a socket of ours goes: the instance lock says no run of ours
        // listens there any more.
        if (::lstat(socketPath.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::geteuid())
            return fail("a file that is not our socket has its name");
        if (::unlink(socketPath.c_str()) != 0 || !bindTo()) return fail(std::strerror(errno));
    }
    if (::lstat(socketPath.c_str(), &info) != 0 || ::listen(fd.get(), 8) != 0) {
        const std::string why = std::strerror(errno);
        ::unlink(socketPath.c_str());
        return fail(why);
    }
    return std::unique_ptr<SecondStarts>(new SecondStarts(std::move(fd), socketPath, info.st_dev, info.st_ino));
}

SecondStarts::~SecondStarts() {
    struct stat info {};
    if (::lstat(path_.c_str(), &info) == 0 && info.st_dev == device_ && info.st_ino == inode_) ::unlink(path_.c_str());
}

bool SecondStarts::takeUp() {
    bool came = false;
    for (;;) {
        const UniqueFd start(::accept4(fd_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!start) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            return came;
        }
        if (!peerIsThisUser(start.get())) continue;
        came = true;
        const char answer = 1;
        // One that has given up waiting is still taken up.
        [[maybe_unused]] const auto sent = ::send(start.get(), &answer, 1, MSG_NOSIGNAL);
    }
}

namespace {

// What stands at `path` in place of a listening socket of ours, for a second
// start that could not connect (`error`).
std::string whatIsInTheWay(const std::string& path, int error) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) return "no socket: the running program could not make it (its log says why)";
        return std::strerror(errno);
    }
    if (S_ISSOCK(info.st_mode)) {
        if (info.st_uid != ::geteuid()) return "a socket of another user has its name";
        return error == ECONNREFUSED ? "nothing listens at the socket: the running program no longer has it"
                                     : std::strerror(error);
    }
    const char* kind = S_ISREG(info.st_mode)    ? "a file"
                       : S_ISFIFO(info.st_mode) ? "a FIFO"
                       : S_ISDIR(info.st_mode)  ? "a folder"
                       : S_ISLNK(info.st_mode)  ? "a link"
                                                : "a device";
    return std::string(kind) + ", not the program's socket, has its name";
}

// Whether a connect that failed with `error` may still succeed: the running
// program takes its lock before it listens, and replaces a socket an
// earlier run left.
bool mayListenSoon(const std::string& path, int error) {
    if (error == EAGAIN || error == ENOENT) return true;
    struct stat info {};
    return error == ECONNREFUSED && ::lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) &&
           info.st_uid == ::geteuid();
}

}  // namespace

bool tellRunningInstance(const std::string& socketPath, std::chrono::milliseconds bound, std::string* problem,
                         bool* unanswered) {
    if (unanswered) *unanswered = false;
    const auto fail = [&](const std::string& why) {
        if (problem) *problem = socketPath + ": " + why;
        return false;
    };
    sockaddr_un address{};
    if (!socketAddress(socketPath, address)) return fail("too long a name for a socket");
    const auto end = std::chrono::steady_clock::now() + bound;
    const auto left = [&] {
        return std::max<std::int64_t>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    };
    UniqueFd fd;
    for (;;) {
        fd.reset(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (!fd) return fail(std::strerror(errno));
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) break;
        const int error = errno;
        if (error == EINTR) continue;
        if (!mayListenSoon(socketPath, error) || left() == 0) return fail(whatIsInTheWay(socketPath, error));
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<std::int64_t>(50, left())));
    }
    if (!peerIsThisUser(fd.get())) return fail("the program of another user listens there");
    for (;;) {
        pollfd wait{fd.get(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return fail(std::strerror(errno));
        char answer = 0;
        if (ready > 0 && ::recv(fd.get(), &answer, 1, 0) == 1) return true;
        if (ready > 0) return fail("the running program closed the connection without an answer");
        const auto seconds = std::chrono::duration_cast<std::chrono::duration<double>>(bound).count();
        char text[96];
        std::snprintf(text, sizeof text, "the running program did not answer within %.3g s", seconds);
        if (unanswered) *unanswered = true;
        return fail(text);
    }
}

// --- Startup folders ----------------------------------------------------------

std::string userStartupFolder() {
    const std::string config = configFolder();
    return config.empty() ? std::string() : config + "/autostart";
}

std::string commonStartupFolder() { return "/etc/xdg/autostart"; }

bool startedFromStartupFolder() { return environment(kAutostartVariable) == "1"; }

std::string startupEntryName(const std::string& program) { return fs::path(program).filename().string() + ".desktop"; }

std::string startupEntry(const std::string& program) {
    std::string entry = "[Desktop Entry]\n";
    entry += "Type=Application\n";
    entry += "Name=Korvat Oculon\n";
    entry += "Exec=env " + std::string(kAutostartVariable) + "=1 " + execArgument(program) + "\n";
    entry += "Terminal=false\n";
    entry += "X-GNOME-Autostart-enabled=true\n";
    return entry;
}

bool installStartupEntry(const std::string& folder, const std::string& program) {
    if (folder.empty() || program.empty() || hasControlCharacters(program)) return false;
    std::error_code ec;
    fs::create_directories(folder, ec);
    return writeFileAtomically((fs::path(folder) / startupEntryName(program)).string(), startupEntry(program), 0644)
        .empty();
}

bool startupEntryInstalled(const std::string& program, const std::string& userFolder, const std::string& commonFolder) {
    const std::string ours = startupEntry(program);
    for (const std::string& folder : {userFolder, commonFolder}) {
        if (folder.empty()) continue;
        const std::string path = (fs::path(folder) / startupEntryName(program)).string();
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd) {
            if (errno == ENOENT) continue;
            return false;  // an entry of that name that is not ours to read
        }
        // One byte more than ours tells a longer file from it.
        std::string content(ours.size() + 1, '\0');
        std::size_t got = 0;
        while (got < content.size()) {
            const ssize_t n = ::read(fd.get(), content.data() + got, content.size() - got);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            got += static_cast<std::size_t>(n);
        }
        content.resize(got);
        return content == ours;
    }
    return false;
}

// --- shell commands -------------------------------------------------------------

bool shellExecute(const std::string& target) {
    if (target.empty()) return false;
    // Everything the child needs is made before the fork: only exec and
    // _exit run in it.
    std::vector<char> program{'x', 'd', 'g', '-', 'o', 'p', 'e', 'n', '\0'};
    std::vector<char> argument(target.begin(), target.end());
    argument.push_back('\0');
    char* argv[] = {program.data(), argument.data(), nullptr};

    const pid_t child = ::fork();
    if (child < 0) return false;
    if (child == 0) {
        // The grandchild runs the handler; the child ends at once, so the
        // handler is never our zombie.
        const pid_t grandchild = ::fork();
        if (grandchild == 0) {
            ::setsid();
            ::execvp(argv[0], argv);
            ::_exit(127);
        }
        ::_exit(grandchild < 0 ? 1 : 0);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string ownPath() {
    std::error_code ec;
    const fs::path path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.string();
}

// --- X11 ----------------------------------------------------------------------

namespace {

// Just what we call of Xlib, bound at run time so that the program runs
// where the library is missing.
struct Xlib {
    using Display = void;
    using Window = unsigned long;
    using Atom = unsigned long;

    Display* (*XOpenDisplay)(const char*) = nullptr;
    int (*XCloseDisplay)(Display*) = nullptr;
    int (*XForceScreenSaver)(Display*, int) = nullptr;
    int (*XBell)(Display*, int) = nullptr;
    int (*XFlush)(Display*) = nullptr;
    Window (*XDefaultRootWindow)(Display*) = nullptr;
    int (*XDefaultScreen)(Display*) = nullptr;
    Atom (*XInternAtom)(Display*, const char*, int) = nullptr;
    int (*XGetWindowProperty)(Display*, Window, Atom, long, long, int, Atom, Atom*, int*, unsigned long*,
                              unsigned long*, unsigned char**) = nullptr;
    int (*XFree)(void*) = nullptr;
    int (*XFetchName)(Display*, Window, char**) = nullptr;
    int (*XWithdrawWindow)(Display*, Window, int) = nullptr;

    std::unique_ptr<DynLib> lib;

    static const Xlib* get() {
        static const Xlib* instance = load();
        return instance;
    }

private:
    template <typename F>
    bool bind(F& f, const char* name) {
        f = reinterpret_cast<F>(lib->symbol(name));
        return f != nullptr;
    }
    static const Xlib* load() {
        static Xlib x;
        x.lib = DynLib::open("libX11.so.6");
        if (!x.lib) return nullptr;
        const bool ok = x.bind(x.XOpenDisplay, "XOpenDisplay") && x.bind(x.XCloseDisplay, "XCloseDisplay") &&
                        x.bind(x.XForceScreenSaver, "XForceScreenSaver") && x.bind(x.XBell, "XBell") &&
                        x.bind(x.XFlush, "XFlush") && x.bind(x.XDefaultRootWindow, "XDefaultRootWindow") &&
                        x.bind(x.XDefaultScreen, "XDefaultScreen") && x.bind(x.XInternAtom, "XInternAtom") &&
                        x.bind(x.XGetWindowProperty, "XGetWindowProperty") && x.bind(x.XFree, "XFree") &&
                        x.bind(x.XFetchName, "XFetchName") && x.bind(x.XWithdrawWindow, "XWithdrawWindow");
        if (!ok) return nullptr;
        // Xlib may register handlers that outlive us at exit.
        x.lib->keepLoaded();
        return &x;
    }
};

// An open connection to the X server of $DISPLAY, or none.
class XConnection {
public:
    XConnection() : x_(Xlib::get()) {
        if (x_ && !environment("DISPLAY").empty()) display_ = x_->XOpenDisplay(nullptr);
    }
    ~XConnection() {
        if (display_) x_->XCloseDisplay(display_);
    }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;
    explicit operator bool() const { return display_ != nullptr; }
    const Xlib& x() const { return *x_; }
    Xlib::Display* display() const { return display_; }

private:
    const Xlib* x_;
    Xlib::Display* display_ = nullptr;
};

constexpr int kScreenSaverReset = 0;
constexpr long kAnyPropertyType = 0;
constexpr unsigned long kMaxClients = 4096;

std::string windowTitle(const XConnection& c, Xlib::Window w, Xlib::Atom netWmName, Xlib::Atom utf8) {
    const Xlib& x = c.x();
    Xlib::Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string title;
    if (x.XGetWindowProperty(c.display(), w, netWmName, 0, 1024, 0, utf8, &type, &format, &count, &after, &data) == 0 &&
        data) {
        if (format == 8) title.assign(reinterpret_cast<const char*>(data), count);
        x.XFree(data);
        if (!title.empty()) return title;
    }
    char* name = nullptr;
    if (x.XFetchName(c.display(), w, &name) && name) {
        title = name;
        x.XFree(name);
    }
    return title;
}

}  // namespace

void stopScreenSaver() {
    XConnection c;
    if (!c) return;
    c.x().XForceScreenSaver(c.display(), kScreenSaverReset);
    c.x().XFlush(c.display());
}

void beep() {
    XConnection c;
    if (!c) return;
    c.x().XBell(c.display(), 0);
    c.x().XFlush(c.display());
}

int hideWindowsTitled(const std::string& title) {
    XConnection c;
    if (!c) return 0;
    const Xlib& x = c.x();
    const Xlib::Atom clientList = x.XInternAtom(c.display(), "_NET_CLIENT_LIST", 1);
    const Xlib::Atom netWmName = x.XInternAtom(c.display(), "_NET_WM_NAME", 0);
    const Xlib::Atom utf8 = x.XInternAtom(c.display(), "UTF8_STRING", 0);
    if (!clientList) return 0;  // no window manager that lists its windows

    Xlib::Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (x.XGetWindowProperty(c.display(), x.XDefaultRootWindow(c.display()), clientList, 0, kMaxClients, 0,
                             kAnyPropertyType, &type, &format, &count, &after, &data) != 0 ||
        !data)
        return 0;
    std::vector<Xlib::Window> windows;
    if (format == 32) {
        const auto* ids = reinterpret_cast<const unsigned long*>(data);
        windows.assign(ids, ids + count);
    }
    x.XFree(data);

    int hidden = 0;
    for (const Xlib::Window w : windows) {
        if (windowTitle(c, w, netWmName, utf8) == title) {
            x.XWithdrawWindow(c.display(), w, x.XDefaultScreen(c.display()));
            ++hidden;
        }
    }
    if (hidden) x.XFlush(c.display());
    return hidden;
}

}  // namespace oculon::platform
