#pragma once
// What every simulated device shares: its command-line options, the event
// log a test reads back, the signals that steer it (SIGUSR1, SIGUSR2, and
// SIGTERM for a clean end), and the moving test picture it shows.
// Header-only, so each tool stays one program of its own.

#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Log.h"
#include "platform/Net.h"
#include "video/Jpeg.h"

namespace oculon::sim {

// --- Options ----------------------------------------------------------------

// "--key value" pairs and bare "--flag"s, checked against what the tool knows,
// so a typing error stops the tool instead of running a different test.
class Options {
public:
    Options(int argc, char** argv, std::string tool, std::set<std::string> valued, std::set<std::string> flags)
        : tool_(std::move(tool)) {
        for (int i = 1; i < argc; ++i) {
            const std::string arg = argv[i];
            if (arg == "--help" || arg == "-h") usage("");
            if (arg.rfind("--", 0) != 0) usage("unexpected argument " + arg);
            const std::string key = arg.substr(2);
            if (flags.count(key)) {
                flags_.insert(key);
            } else if (valued.count(key)) {
                if (i + 1 >= argc) usage("--" + key + " needs a value");
                values_[key] = argv[++i];
            } else {
                usage("unknown option " + arg);
            }
        }
    }

    std::string get(const std::string& key, const std::string& fallback = {}) const {
        const auto it = values_.find(key);
        return it == values_.end() ? fallback : it->second;
    }
    std::string required(const std::string& key) const {
        const auto it = values_.find(key);
        if (it == values_.end()) usage("--" + key + " is required");
        return it->second;
    }
    // A dotted IPv4 address; host names are refused so that a tool never
    // resolves (and sends to) a name it was not given as an address.
    std::string address(const std::string& key, const std::string& fallback = {}) const {
        const std::string value = fallback.empty() ? required(key) : get(key, fallback);
        if (!platform::parseIpv4(value)) usage("--" + key + " must be a dotted IPv4 address");
        return value;
    }
    long number(const std::string& key, long fallback, long low, long high) const {
        const auto it = values_.find(key);
        if (it == values_.end()) return fallback;
        char* end = nullptr;
        const long v = std::strtol(it->second.c_str(), &end, 10);
        if (it->second.empty() || *end != '\0' || v < low || v > high)
            usage("--" + key + " must be a number from " + std::to_string(low) + " to " + std::to_string(high));
        return v;
    }
    std::uint16_t port(const std::string& key, std::uint16_t fallback) const {
        return static_cast<std::uint16_t>(number(key, fallback, 1, 65535));
    }
    bool flag(const std::string& key) const { return flags_.count(key) > 0; }

    [[noreturn]] void usage(const std::string& why) const {
        if (!why.empty()) log::error(log::Category::tools, "%s", why.c_str());
        log::error(log::Category::tools, "see the comment at the top of tools/%s.cpp for the options", tool_.c_str());
        std::exit(2);
    }

private:
    std::string tool_;
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
};

// --- Event log --------------------------------------------------------------

inline std::int64_t wallClockMillis() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// One line per event: "<ms since 1970> <event> <detail>", flushed at once so
// that a test polling the file sees each event as it happens. The wall clock
// (not a steady one) lets a harness compare these times with file times and
// the logs of other processes.
class EventLog {
public:
    explicit EventLog(const std::string& path) {
        if (!path.empty()) {
            file_ = std::fopen(path.c_str(), "a");
            if (!file_) {
                log::error(log::Category::tools, "%s: %s", path.c_str(), std::strerror(errno));
                std::exit(2);
            }
        }
    }
    ~EventLog() {
        if (file_) std::fclose(file_);
    }
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    void write(std::string_view event, std::string_view detail = {}) {
        std::string line = std::to_string(wallClockMillis()) + " " + std::string(event);
        if (!detail.empty()) line += " " + printable(detail);
        line += "\n";
        std::lock_guard lock(mutex_);
        std::FILE* out = file_ ? file_ : stdout;
        std::fputs(line.c_str(), out);
        std::fflush(out);
    }

private:
    // Keeps one event on one line whatever the device was sent.
    static std::string printable(std::string_view text) {
        std::string out;
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            if (u >= 0x20 && u < 0x7F) {
                out += c;
            } else {
                char hex[5];
                std::snprintf(hex, sizeof hex, "\\x%02X", u);
                out += hex;
            }
        }
        return out;
    }

    std::mutex mutex_;
    std::FILE* file_ = nullptr;
};

inline std::string hexBytes(std::string_view data) {
    std::string out;
    char hex[3];
    for (const char c : data) {
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
        out += hex;
    }
    return out;
}

// --- Signals ----------------------------------------------------------------

// The steering signals are blocked in every thread and taken by the main
// thread alone, so a worker is never interrupted in the middle of a send.
// Construct it before any thread starts: threads inherit the mask.
class SignalSteering {
public:
    enum class Signal { first, second, stop };

    SignalSteering() {
        sigemptyset(&set_);
        for (const int s : {SIGTERM, SIGINT, SIGHUP, SIGUSR1, SIGUSR2}) sigaddset(&set_, s);
        pthread_sigmask(SIG_BLOCK, &set_, nullptr);
    }
    // SIGUSR1 is the first steering signal, SIGUSR2 the second; SIGTERM,
    // SIGINT and SIGHUP end the tool.
    Signal next() {
        for (;;) {
            int received = 0;
            if (sigwait(&set_, &received) != 0) continue;
            if (received == SIGUSR1) return Signal::first;
            if (received == SIGUSR2) return Signal::second;
            return Signal::stop;
        }
    }

private:
    sigset_t set_;
};

// Runs a tool's body: an error (a port in use, say) ends the tool with
// status 1 and a note in the log, a normal end with "stop".
template <typename Body>
int runPeer(EventLog& log, Body body) {
    try {
        body();
    } catch (const std::exception& e) {
        log.write("error", e.what());
        oculon::log::error(oculon::log::Category::tools, "%s", e.what());
        return 1;
    }
    log.write("stop");
    return 0;
}

// --- Test picture -----------------------------------------------------------

// A picture that plainly moves: a colour ramp with a bright bar sweeping
// across and a row of blocks counting the frames in binary, so a screenshot
// shows a live stream and which frame it caught. Black is black everywhere,
// as a door station shows while nobody calls.
class TestPicture {
public:
    TestPicture(int width, int height, std::uint8_t tint) : width_(width), height_(height), tint_(tint) {}

    std::string jpeg(std::uint64_t frame, bool black) const {
        video::Image image;
        image.reshape(width_, height_, video::PixelFormat::Bgrx32);
        const int bar = static_cast<int>((frame * 12) % static_cast<std::uint64_t>(std::max(width_, 1)));
        const int block = std::max(width_ / 20, 4);
        for (int y = 0; y < height_; ++y) {
            std::uint8_t* p = image.row(y);
            for (int x = 0; x < width_; ++x, p += 4) {
                std::uint8_t r = 0, g = 0, b = 0;
                if (!black) {
                    r = static_cast<std::uint8_t>(60 + 150 * x / std::max(width_, 1));
                    g = static_cast<std::uint8_t>(60 + 150 * y / std::max(height_, 1));
                    b = tint_;
                    if (x >= bar && x < bar + block) r = g = b = 255;
                    const int bit = x / block;
                    if (y >= height_ - block && y < height_ - 2 && bit < 16 && x % block < block - 2)
                        r = g = b = ((frame >> (15 - bit)) & 1) ? 255 : 20;
                }
                p[0] = b;
                p[1] = g;
                p[2] = r;
                p[3] = 0xFF;
            }
        }
        const auto bytes = video::encodeJpeg(video::viewOf(image), 80);
        return std::string(bytes.begin(), bytes.end());
    }

private:
    int width_;
    int height_;
    std::uint8_t tint_;
};

}  // namespace oculon::sim
