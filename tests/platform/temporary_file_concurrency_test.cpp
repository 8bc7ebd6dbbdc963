// The exports' temporary files in a folder another account can write: a
// second thread keeps re-creating the temporary name as a link to a victim
// file while files are written under it, and the victim stays as it was;
// what a killed writer left is cleared, and nothing else.

#include "platform/TemporaryFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/AviFile.h"
#include "platform/PrivateFiles.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::platform;

namespace {

constexpr int kTries = 1000;

// Plants `link` -> `victim` again and again until stopped.
class LinkPlanter {
public:
    LinkPlanter(std::string link, std::string victim)
        : link_(std::move(link)), victim_(std::move(victim)), thread_([this] {
              while (!stop_.load()) {
                  ::unlink(link_.c_str());
                  if (::symlink(victim_.c_str(), link_.c_str()) == 0) planted_.fetch_add(1);
              }
          }) {}
    ~LinkPlanter() {
        stop_.store(true);
        thread_.join();
    }
    int planted() const { return planted_.load(); }

private:
    const std::string link_, victim_;
    std::atomic<bool> stop_{false};
    std::atomic<int> planted_{0};
    std::thread thread_;
};

class TemporaryFiles : public ::testing::Test {
protected:
    void SetUp() override { victimPath = tmp.write("victim.txt", "the victim's own words"); }
    void expectVictimUnchanged() {
        EXPECT_EQ(testsupport::readFile(victimPath), "the victim's own words");
        struct stat info {};
        ASSERT_EQ(::lstat(victimPath.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
    }

    // What a publish that succeeded left: the file written, no link. (Where
    // the peer may remove our files, as here, a failed one may leave its
    // link at the target: it could have put it there itself.)
    static void expectPublished(const std::string& target, const std::string& start) {
        struct stat info {};
        ASSERT_EQ(::lstat(target.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode));
        EXPECT_EQ(testsupport::readFile(target).substr(0, start.size()), start);
    }

    testsupport::TempDir tmp;
    std::string victimPath;
};

TEST_F(TemporaryFiles, AnAviWriterNeverWritesThroughALinkPlantedAtItsName) {
    const std::string target = tmp.path() + "/door.avi";
    const std::string temporary = temporaryFileFor(target);
    {
        const LinkPlanter planter(temporary, victimPath);
        const std::uint8_t frame[64] = {1, 2, 3};
        for (int i = 0; i < kTries; ++i) {
            std::string error;
            const auto file = AviFile::create(temporary, error);
            if (!file) continue;
            const int stream = file->addUncompressedVideo({4, 4, BitmapLayout::bgrx32, true}, 1, 25, 0, error);
            if (stream < 0 || !file->writeVideo(stream, frame, sizeof frame, true) || !file->close()) continue;
            if (publishTemporaryFile(temporary, target, 0644).empty()) expectPublished(target, "RIFF");
        }
        EXPECT_GT(planter.planted(), 0);
    }
    expectVictimUnchanged();
}

TEST_F(TemporaryFiles, AFileWrittenThroughATemporaryNeverFollowsAPlantedLink) {
    const std::string target = tmp.path() + "/shot.jpg";
    {
        const LinkPlanter planter(temporaryFileFor(target), victimPath);
        for (int i = 0; i < kTries; ++i)
            if (writeFileThroughTemporary(target, "picture", 0644).empty()) expectPublished(target, "picture");
    }
    expectVictimUnchanged();
}

TEST_F(TemporaryFiles, AreCreatedPrivateAndPublishedWithTheDocumentsMode) {
    const std::string target = tmp.path() + "/shot.jpg";
    const std::string temporary = temporaryFileFor(target);
    UniqueFd fd = createPrivateFile(temporary);
    ASSERT_TRUE(fd);
    struct stat info {};
    ASSERT_EQ(::fstat(fd.get(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(namesFile(temporary, fd.get()));
    fd.reset();
    const mode_t mask = ::umask(027);
    EXPECT_EQ(publishTemporaryFile(temporary, target, 0666), "");
    ::umask(mask);
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    // A name that no longer holds a file of ours is not published.
    std::filesystem::create_symlink(victimPath, temporary);
    EXPECT_NE(publishTemporaryFile(temporary, target, 0666), "");
    expectVictimUnchanged();
}

TEST_F(TemporaryFiles, WhatAKilledWriterLeftGoesWithTheNextFileWrittenThere) {
    const std::string target = tmp.path() + "/shot.jpg";
    const pid_t gone = testsupport::unusedProcessId();
    const std::string suffix = ".tmp-" + std::to_string(gone);
    const std::string left = tmp.write("older.jpg" + suffix, "\xFF\xD8\xFF\xE0 half a picture");
    const std::string empty = tmp.write("empty.jpg" + suffix, "");
    const std::string running = tmp.write("other.jpg.tmp-" + std::to_string(::getppid()), "\xFF\xD8\xFF\xE0");
    const std::string usersOwn = tmp.write("notes" + suffix, "a user's notes");
    EXPECT_EQ(writeFileThroughTemporary(target, "\xFF\xD8\xFF\xE0 picture", 0644), "");
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_FALSE(std::filesystem::exists(empty));
    EXPECT_TRUE(std::filesystem::exists(running));
    EXPECT_TRUE(std::filesystem::exists(usersOwn));
}

}  // namespace
