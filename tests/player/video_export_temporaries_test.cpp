// The AVI export's temporary file among other writers of the same folder: an
// export of a second copy in another PID namespace keeps its file while an
// export here cleans up; a killed export's temporary goes with the next one;
// FIFOs and links another user planted at guessable names stop nothing; a
// link put in place of the temporary is named as what it is, in the user's
// language.

#include <grp.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "ExportTestKit.h"
#include "TestRecordings.h"
#include "config/sprachen.h"
#include "platform/MainLoop.h"
#include "platform/TemporaryFile.h"
#include "player/VideoExport.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using namespace oculon;
using namespace oculon::player;
using namespace oculon::player::test;
using Outcome = VideoExportResult::Outcome;

namespace {

constexpr int kFrames = 120;
const std::string kProbed = "MJPG 160 120 25/1 " + std::to_string(kFrames);

// An export to its end on a main loop of its own; `onProgress` runs at each step.
VideoExportResult exportOnce(
    const std::string& recording, const std::string& file, const std::function<void()>& onProgress = [] {}) {
    platform::ManualLoopBackend loop;
    TVideoExport videoExport;
    std::optional<VideoExportResult> result;
    videoExport.Start(
        {recording, file, "MJPG", {}}, [&](int) { onProgress(); }, [&](const VideoExportResult& r) { result = r; });
    loop.pumpUntil([&] { return result.has_value(); }, std::chrono::seconds(120));
    return result.value_or(VideoExportResult{Outcome::Failed, 0, "no end"});
}

std::vector<std::string> temporariesIn(const std::string& folder) {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder))
        if (platform::isTemporaryName(entry.path().filename().string())) found.push_back(entry.path().string());
    return found;
}

// One byte through a pipe: how the processes of a test wait for each other.
struct Signal {
    int ends[2] = {-1, -1};
    Signal() { EXPECT_EQ(::pipe(ends), 0); }
    ~Signal() { close(); }
    void close() {
        for (int& end : ends) ::close(std::exchange(end, -1));
    }
    void give(char what) const { EXPECT_EQ(::write(ends[1], &what, 1), 1); }
    // The byte given, or 0 once every giver has gone without one.
    char take() {
        ::close(std::exchange(ends[1], -1));
        char what = 0;
        return ::read(ends[0], &what, 1) == 1 ? what : 0;
    }
};

int exitCodeOf(pid_t child) {
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {}
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class VideoExportTemporaries : public ::testing::Test {
protected:
    void SetUp() override { writeRecording(recording, kFrames, 160, 120); }
    std::string out(const std::string& name) const { return tmp.path() + "/" + name; }

    testsupport::TempDir tmp;
    const std::string recording = tmp.path() + "/12-30-05.kvd";
};

TEST_F(VideoExportTemporaries, AnExportInAnotherPidNamespaceKeepsItsFileWhileASecondExportCleansUp) {
    Signal started, cleaned;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A second copy of the program, whose process numbers mean nothing here.
        if (::unshare(CLONE_NEWPID) != 0) {
            started.give('x');
            ::_exit(2);
        }
        const pid_t copy = ::fork();
        if (copy == 0) {
            bool told = false;
            const VideoExportResult result = exportOnce(recording, out("first.avi"), [&] {
                if (std::exchange(told, true)) return;
                started.give('s');
                cleaned.take();
            });
            ::_exit(result.outcome == Outcome::Done && result.framesWritten == kFrames ? 0 : 1);
        }
        started.close();
        cleaned.close();
        ::_exit(copy > 0 ? exitCodeOf(copy) : 3);
    }
    const char said = started.take();
    if (said == 'x') {
        exitCodeOf(child);
        GTEST_SKIP() << "a PID namespace of its own needs root";
    }
    ASSERT_EQ(said, 's');
    ASSERT_EQ(temporariesIn(tmp.path()).size(), 1u);
    const VideoExportResult second = exportOnce(recording, out("second.avi"));
    EXPECT_EQ(second.outcome, Outcome::Done) << second.error;
    EXPECT_EQ(temporariesIn(tmp.path()).size(), 1u);
    cleaned.give('c');
    EXPECT_EQ(exitCodeOf(child), 0);
    EXPECT_EQ(probeAvi(out("first.avi")), kProbed);
    EXPECT_EQ(probeAvi(out("second.avi")), kProbed);
}

TEST_F(VideoExportTemporaries, AKilledExportsTemporaryGoesWithTheNextExportAndLookAlikesStay) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        exportOnce(recording, out("killed.avi"), [] { ::raise(SIGKILL); });
        ::_exit(1);
    }
    ASSERT_EQ(exitCodeOf(child), 128 + SIGKILL);
    const std::vector<std::string> killed = temporariesIn(tmp.path());
    ASSERT_EQ(killed.size(), 1u);
    const std::string empty = tmp.write("notes.txt.tmp-99999", ""),
                      wave = tmp.write("song.wav.tmp-99998", std::string("RIFF\x24\0\0\0WAVEfmt ", 16));
    EXPECT_EQ(exportOnce(recording, out("next.avi")).outcome, Outcome::Done);
    EXPECT_FALSE(fs::exists(killed[0]));
    EXPECT_TRUE(fs::exists(empty) && fs::exists(wave));
}

TEST_F(VideoExportTemporaries, FifosAndLinksAnotherUserPlantedAtGuessableNamesStopNoExport) {
    if (::geteuid() != 0) GTEST_SKIP() << "two users other than this one need root";
    // A folder every user writes, as /tmp.
    fs::permissions(tmp.path(), fs::perms::others_exec, fs::perm_options::add);
    fs::permissions(recording, fs::perms::others_read, fs::perm_options::add);
    const std::string shared = out("shared");
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
    const std::string victim = tmp.write("shared/victim.txt", "keep");
    fs::permissions(victim, fs::perms::all);
    Signal planted;
    const pid_t exporter = ::fork();
    ASSERT_GE(exporter, 0);
    if (exporter == 0) {
        // Neither root nor the planter; it starts once the names of its process number are taken.
        const unsigned user = testsupport::kNobody - 1;
        if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0 || planted.take() != 'p')
            ::_exit(2);
        const bool video = exportOnce(recording, shared + "/door.avi").outcome == Outcome::Done;
        exportFrame(video::decodeJpeg(testJpeg(32, 24, 0)), {0, kMay2024}, {}, shared + "/door.jpg", recording);
        ::_exit(video ? 0 : 1);
    }
    const std::string fifo = shared + "/door.avi.tmp-" + std::to_string(exporter),
                      link = shared + "/door.jpg.tmp-" + std::to_string(exporter);
    ASSERT_TRUE(testsupport::asNobody(
        [&] { return ::mkfifo(fifo.c_str(), 0666) == 0 && ::symlink(victim.c_str(), link.c_str()) == 0; }));
    planted.give('p');
    EXPECT_EQ(exitCodeOf(exporter), 0);
    EXPECT_EQ(probeAvi(shared + "/door.avi"), kProbed);
    EXPECT_EQ(testsupport::readFile(shared + "/door.jpg").substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(testsupport::readFile(victim), "keep");
    EXPECT_TRUE(fs::is_fifo(fifo) && fs::is_symlink(link));
}

TEST_F(VideoExportTemporaries, ALinkPutInPlaceOfTheTemporaryIsNamedInTheUsersLanguage) {
    const std::string victim = tmp.write("victim.txt", "keep");
    std::string swapped;
    const config::TSprachenTyp language = std::exchange(config::sprache, config::lang_de);
    const VideoExportResult result = exportOnce(recording, out("door.avi"), [&] {
        if (!swapped.empty()) return;
        swapped = temporariesIn(tmp.path()).at(0);
        fs::remove(swapped);
        fs::create_symlink(victim, swapped);
    });
    config::sprache = language;
    EXPECT_EQ(result.error, swapped + ": " + config::text(config::txtLinkInTheWay, config::lang_de));
    EXPECT_EQ(testsupport::readFile(victim), "keep");
    EXPECT_FALSE(fs::exists(fs::symlink_status(out("door.avi"))));
    EXPECT_TRUE(temporariesIn(tmp.path()).empty());
}

}  // namespace
