#pragma once
// Asks every installed encoder whether it takes pictures of a size, in a
// child process: an encoder that ends the process over a size (a failed
// assertion) fails the test instead of the test program.

#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/UniqueFd.h"
#include "platform/VideoCompressors.h"

namespace oculon::platform::test {

// What the child said: "<encoder>=<0|1>\n" for each encoder asked, and the
// name of one whose trial did not end.
inline std::string readAll(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// Every encoder of every listed compressor at `width` x `height`, 24 bits;
// the test fails when the child does not come back whole.
inline void expectEveryEncoderAnswers(int width, int height) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    UniqueFd reading(ends[0]), writing(ends[1]);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        reading.reset();
        for (const auto& compressor : installedVideoCompressors())
            for (const auto& encoder : compressor.encoders) {
                std::string line = compressor.code + " " + encoder + "=";
                (void)!::write(writing.get(), line.data(), line.size());
                line = videoEncoderAccepts(compressor, encoder, {width, height, BitmapLayout::bgr24, true}) ? "1\n"
                                                                                                            : "0\n";
                (void)!::write(writing.get(), line.data(), line.size());
            }
        ::_exit(0);
    }
    writing.reset();
    const std::string answers = readAll(reading.get());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::size_t lastLine = answers.rfind('\n', answers.size() - 2);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the trial ended the process at " << answers.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
    EXPECT_NE(answers.find("MJPG mjpeg=1\n"), std::string::npos) << answers;
}

}  // namespace oculon::platform::test
