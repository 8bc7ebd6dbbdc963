// The exports' temporary files in a folder others can write: a peer that
// puts a link in place of our temporary never has our bytes written through
// it and is named with what it put there; what a killed writer left is
// cleared, and nothing else, also while writers make, finish and publish
// their files all the time beside the clean-up, and under names as long as
// the folder allows.

#include "platform/TemporaryFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/AviFile.h"
#include "platform/PrivateFiles.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::platform;
namespace fs = std::filesystem;

namespace {

constexpr int kTries = 300;
// A peer that runs beside the writers gets its turn long before this many.
constexpr int kMostTries = 100000;
const std::string kAviHead("RIFF\0\0\0\0AVI JUNK", 16);
const std::string kJpegHead = "\xFF\xD8\xFF\xE0";

// Runs `body` again and again on a thread of its own until the object goes.
class Peer {
public:
    explicit Peer(std::function<void()> body)
        : thread_([this, body = std::move(body)] {
              while (!stop_.load()) body();
          }) {}
    ~Peer() {
        stop_.store(true);
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir))
            if (isTemporaryName(entry->d_name)) found.push_back(folder + "/" + entry->d_name);
        ::closedir(dir);
    }
    return found;
}

// A new temporary name of `target`: the system here gives random numbers.
std::string temporaryOf(const std::string& target) {
    FileFailure failure;
    return newTemporaryName(target, failure);
}

// An AVI file of one frame written under a new temporary name of `target`, then published.
FileFailure writeAvi(const std::string& target) {
    TargetAtCheck seen;
    if (const FileFailure blocked = whatBlocksTarget(target, seen); blocked.failed()) return blocked;
    const std::string temporary = temporaryOf(target);
    std::string error;
    const auto file = AviFile::create(temporary, error);
    const std::uint8_t frame[64] = {1, 2, 3};
    const int stream = file ? file->addUncompressedVideo({4, 4, BitmapLayout::bgrx32, true}, 1, 25, 0, error) : -1;
    EXPECT_TRUE(stream >= 0 && file->writeVideo(stream, frame, sizeof frame, true) && file->close()) << error;
    return publishTemporaryFile(temporary, target, 0644, seen);
}

class TemporaryFiles : public ::testing::Test {
protected:
    void SetUp() override { victimPath = tmp.write("victim.txt", "the victim's own words"); }
    void expectVictimUnchanged() { EXPECT_EQ(testsupport::readFile(victimPath), "the victim's own words"); }
    // A temporary of `target` holding `content`, as a killed writer left it: its lock went with it.
    std::string left(const std::string& target, const std::string& content) {
        const std::string path = temporaryOf(tmp.path() + "/" + target);
        FileFailure failure;
        const UniqueFd fd = createPrivateFile(path, failure);
        EXPECT_TRUE(fd && writeAll(fd.get(), content)) << failure.reason();
        return path;
    }

    testsupport::TempDir tmp;
    std::string victimPath;
};

TEST_F(TemporaryFiles, NoWriterWritesThroughALinkPutInPlaceOfItsTemporary) {
    const std::map<std::string, std::function<FileFailure(const std::string&)>> writers = {
        {"door.avi", writeAvi},
        {"shot.jpg", [](const std::string& target) { return writeFileThroughTemporary(target, "picture", 0644); }},
    };
    for (const auto& [name, write] : writers) {
        SCOPED_TRACE(name);
        const std::string target = tmp.path() + "/" + name;
        // A peer that may remove our files (a folder without the sticky bit).
        std::atomic<int> swapped{0};
        const Peer peer([&] {
            for (const std::string& temporary : temporariesIn(tmp.path()))
                if (::unlink(temporary.c_str()) == 0 && ::symlink(victimPath.c_str(), temporary.c_str()) == 0)
                    swapped.fetch_add(1);
        });
        for (int i = 0; i < kTries || (swapped.load() == 0 && i < kMostTries); ++i) {
            const FileFailure failure = write(target);
            if (!failure.failed()) continue;
            // Named where it stands: renamed with our name in the instant before, it stands at the target.
            EXPECT_TRUE(failure.path == target || isTemporaryName(fs::path(failure.path).filename().string()));
            EXPECT_TRUE(failure.intruder == Intruder::link || failure.intruder == Intruder::taken) << failure.reason();
            // A link renamed there stops the next writer before it writes: it goes, so that each races anew.
            if (failure.path == target) ::unlink(target.c_str());
        }
    }
    expectVictimUnchanged();
}

TEST_F(TemporaryFiles, AreCreatedPrivateAndLockedAndPublishedWithTheDocumentsMode) {
    const std::string target = tmp.path() + "/shot.jpg";
    const std::string temporary = temporaryOf(target);
    FileFailure failure;
    UniqueFd fd = createPrivateFile(temporary, failure);
    ASSERT_TRUE(fd);
    struct stat info {};
    ASSERT_EQ(::fstat(fd.get(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    // Held as being written while its descriptor is open.
    const auto lockable = [&] {
        const UniqueFd other(::open(temporary.c_str(), O_RDONLY | O_CLOEXEC));
        flock lock{};
        lock.l_type = F_RDLCK;
        return ::fcntl(other.get(), F_OFD_SETLK, &lock) == 0;
    };
    EXPECT_FALSE(lockable());
    fd.reset();
    EXPECT_TRUE(lockable());
    const mode_t mask = ::umask(027);
    EXPECT_FALSE(publishTemporaryFile(temporary, target, 0666, {}).failed());
    ::umask(mask);
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(TemporaryFiles, WhatStandsInPlaceOfOurFileIsNamedWithWhatItIs) {
    // In place of a temporary to publish (a FIFO does not hold the publish up).
    const std::pair<Intruder, std::function<void(const std::string&)>> planted[] = {
        {Intruder::link, [&](const std::string& at) { fs::create_symlink(victimPath, at); }},
        {Intruder::fifo, [](const std::string& at) { ::mkfifo(at.c_str(), 0600); }},
        {Intruder::otherFile, [&](const std::string& at) { fs::create_hard_link(victimPath, at); }},
        {Intruder::taken, [](const std::string&) {}},
    };
    for (const auto& [intruder, plant] : planted) {
        const std::string temporary = left("door.avi", kAviHead);
        fs::remove(temporary);
        plant(temporary);
        const FileFailure failure = publishTemporaryFile(temporary, tmp.path() + "/door.avi", 0644, {});
        EXPECT_EQ(failure.path, temporary);
        EXPECT_EQ(failure.intruder, intruder) << failure.reason();
    }
    EXPECT_FALSE(fs::exists(tmp.path() + "/door.avi"));
    // In the way of a new file: a folder; a link planted and taken away
    // again, whose failure keeps "File exists" rather than "No such file".
    FileFailure failure;
    EXPECT_FALSE(createPrivateFile(tmp.path(), failure));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_EQ(failure.intruder, Intruder::folder);
    // Another account's file is in the way, and stays.
    const std::string theirs = tmp.write("theirs.avi", "theirs");
    if (testsupport::handToNobody(theirs)) {
        EXPECT_FALSE(createPrivateFile(theirs, failure));
        EXPECT_EQ(failure.intruder, Intruder::othersFile);
        EXPECT_EQ(testsupport::readFile(theirs), "theirs");
    }
    const std::string name = temporaryOf(tmp.path() + "/a.avi");
    const Peer peer([&] {
        if (::symlink(victimPath.c_str(), name.c_str()) == 0) ::unlink(name.c_str());
    });
    for (int i = 0; i < kTries * 10; ++i) {
        if (createPrivateFile(name, failure)) continue;
        EXPECT_EQ(errno, EEXIST);
        EXPECT_TRUE(failure.intruder == Intruder::link || failure.intruder == Intruder::taken) << failure.reason();
    }
    expectVictimUnchanged();
}

TEST_F(TemporaryFiles, WhatAKilledWriterLeftGoesWithTheNextFileWrittenThere) {
    const std::string gone = left("older.jpg", kJpegHead + " half a picture");
    // A writer at work holds its lock; one made an instant ago has not written its head yet.
    FileFailure failure;
    const std::string running = temporaryOf(tmp.path() + "/other.jpg");
    const UniqueFd writer = createPrivateFile(running, failure);
    ASSERT_TRUE(writer && writeAll(writer.get(), kJpegHead));
    // And what only looks like ours: other heads, a finished AVI file, a file made readable, a link, other names.
    const std::string finished = left("whole.avi", std::string("RIFF\x10\0\0\0AVI LIST", 16));
    const std::string readable = left("shared.jpg", kJpegHead);
    fs::permissions(readable, fs::perms::group_read, fs::perm_options::add);
    const std::string link = temporaryOf(tmp.path() + "/link.jpg");
    fs::create_symlink(gone, link);
    const std::vector<std::string> kept = {
        running, left("new.jpg", ""), finished, readable, link, tmp.write("older.jpg.tmp-12345", kJpegHead)};
    EXPECT_FALSE(writeFileThroughTemporary(tmp.path() + "/shot.jpg", kJpegHead + " picture", 0644).failed());
    EXPECT_FALSE(fs::exists(gone));
    for (const std::string& path : kept) EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path;
}

TEST_F(TemporaryFiles, EveryNameTheFolderAllowsGetsATemporaryThatFitsAndIsKnownAsOurs) {
    const long room = ::pathconf(tmp.path().c_str(), _PC_NAME_MAX);
    ASSERT_EQ(room, 255) << "names of 238 to 255 bytes need a folder that allows them";
    // Characters of one to four bytes, the name's end at every place in one.
    for (const std::string character : {"a", "\u00e9", "\u20ac", "\U0001F600"})
        for (std::size_t length = 238; length <= 255; ++length) {
            std::string name(length % character.size(), 'x');
            while (name.size() < length) name += character;
            SCOPED_TRACE(character + " " + std::to_string(length));
            const std::string target = tmp.path() + "/" + name;
            const std::string temporary = left(name, kAviHead);
            const std::string own = fs::path(temporary).filename().string();
            ASSERT_LE(own.size(), 255u);
            EXPECT_TRUE(isTemporaryName(own));
            // As much of the name as fits, ending before a character.
            const std::size_t kept = own.size() - 17;
            EXPECT_EQ(own.substr(0, kept), name.substr(0, kept));
            EXPECT_GT(kept, 255u - 17 - character.size());
            EXPECT_TRUE(kept == name.size() || (name[kept] & 0xC0) != 0x80);
            // What a killed writer left under it goes; a file written so is put in place.
            removeStaleTemporaryFiles(tmp.path(), AviFile::isUnfinished);
            EXPECT_FALSE(fs::exists(temporary));
            EXPECT_FALSE(writeFileThroughTemporary(target, kJpegHead, 0644).failed());
            EXPECT_EQ(testsupport::readFile(target), kJpegHead);
        }
    EXPECT_TRUE(temporariesIn(tmp.path()).empty());
}

// Writers of both kinds make, finish and publish their files while clean-ups
// run all the time beside them: none loses its file, in whichever instant the
// clean-up looks (made and not yet locked, written, finished and let go, renamed).
TEST_F(TemporaryFiles, ACleanUpThatRunsAllTheTimeNeverTakesAFileBeingWritten) {
    std::atomic<int> lost{0};
    {
        const Peer cleanUp([&] { removeStaleTemporaryFiles(tmp.path(), AviFile::isUnfinished); });
        const Peer pictures([&] {
            if (writeFileThroughTemporary(tmp.path() + "/shot.jpg", kJpegHead + " picture", 0644).failed())
                lost.fetch_add(1);
        });
        for (int i = 0; i < kTries; ++i) {
            const FileFailure failure = writeAvi(tmp.path() + "/door.avi");
            EXPECT_FALSE(failure.failed()) << failure.path << ": " << failure.reason();
        }
    }
    EXPECT_EQ(lost.load(), 0);
    EXPECT_TRUE(temporariesIn(tmp.path()).empty());
}

}  // namespace
