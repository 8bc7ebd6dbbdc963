#pragma once
// Running a peer's command line (ffmpeg, ffprobe) from a benchmark: what it
// prints, the frames it decodes, and the CPU time it took.

#include <sys/resource.h>
#include <sys/time.h>

#include <cstdio>
#include <memory>
#include <string>

namespace oculon::bench {

// What `command` writes to its standard output; its errors go on to ours.
inline std::string commandOutput(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    std::string out;
    char buffer[1 << 16];
    for (std::size_t n; pipe && (n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) out.append(buffer, n);
    return out;
}

// The same without the line ends it closes with: a one-line answer, as ffprobe's.
inline std::string commandAnswer(const std::string& command) {
    std::string out = commandOutput(command);
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

// Frames 0, every, 2 every, ... of the video `file` as ffmpeg decodes them,
// in 4-byte BGRA pixels, one after another, from one run of the command
// line.
inline std::string ffmpegBgraFrames(const std::string& file, int every) {
    return commandOutput("ffmpeg -v error -i '" + file + "' -vf 'select=not(mod(n\\," + std::to_string(every) +
                         "))' -fps_mode passthrough -f rawvideo -pix_fmt bgra -");
}

// CPU seconds used so far by the child processes that have ended.
inline double childCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace oculon::bench
