// The AVI export's temporary file among other writers of the same folder: an
// export of a second copy in another PID namespace keeps its file while an
// export here cleans up; a killed export's temporary goes with the next one,
// also under the longest name the folder allows; FIFOs and links another user
// planted at guessable names stop nothing; a link put in place of the
// temporary, whatever stands at the chosen name or comes there while the
// export runs (and stays) and a folder removed meanwhile are told of as such
// under the chosen name, in the user's language; a system without random
// numbers ends the exports at once.

#include <dlfcn.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <tuple>
#include <vector>

#include "ExportTestKit.h"
#include "TestRecordings.h"
#include "config/sprachen.h"
#include "platform/MainLoop.h"
#include "platform/TemporaryFile.h"
#include "player/VideoExport.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;

// Found before the C library's: a folder named "fat" tells what FAT and exFAT
// tell, 1530 (255 UTF-16 units of 6 bytes); the one beneath takes 255 bytes.
extern "C" long pathconf(const char* path, int name) noexcept {
    static const auto real = reinterpret_cast<long (*)(const char*, int)>(::dlsym(RTLD_NEXT, "pathconf"));
    return name == _PC_NAME_MAX && std::string_view(path).ends_with("/fat") ? 1530 : real(path, name);
}

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

// A file name of `length` bytes: `character` repeated up to `extension`.
std::string longName(std::size_t length, const std::string& character, const std::string& extension) {
    std::string name;
    while (name.size() + character.size() + extension.size() <= length) name += character;
    return name + std::string(length - name.size() - extension.size(), 'x') + extension;
}

// The inode at `path` (a link not followed); 0 where nothing stands.
ino_t inodeAt(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 ? info.st_ino : 0;
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

// The frame export's error; empty when it wrote the file.
std::string frameExportError(const std::string& recording, const std::string& file) {
    try {
        exportFrame(video::decodeJpeg(testJpeg(32, 24, 0)), {0, kMay2024}, {}, file, recording);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return {};
}

// The user's language while the object lives.
class UsersLanguage {
public:
    explicit UsersLanguage(config::TSprachenTyp language) : before_(std::exchange(config::sprache, language)) {}
    ~UsersLanguage() { config::sprache = before_; }
    UsersLanguage(const UsersLanguage&) = delete;
    UsersLanguage& operator=(const UsersLanguage&) = delete;

private:
    config::TSprachenTyp before_;
};

using Calls = std::vector<std::pair<long, int>>;

// Confines this process as a sandbox whose seccomp filter refuses the calls
// `refused` with their error numbers, as a system without them does; with
// `noDevice` also without /dev/urandom. False when it cannot be confined so.
bool confine(const Calls& refused, bool noDevice) {
    if (noDevice && (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                     ::mount("/dev/null", "/dev/urandom", nullptr, MS_BIND, nullptr) != 0))
        return false;
#if defined(__x86_64__)
    std::vector<sock_filter> filter = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    for (const auto& [call, error] : refused) {
        filter.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), 0, 1));
        filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | static_cast<unsigned>(error)));
    }
    filter.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
#else
    return false;
#endif
}

// What `body` returns when run in a child so confined; "no sandbox" when it
// could not be, "no end" when the child had not ended after a minute.
std::string inSandbox(const Calls& refused, bool noDevice, const std::function<std::string()>& body) {
    Signal told;
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(60);
        const std::string said = confine(refused, noDevice) ? body() : "no sandbox";
        ::_exit(::write(told.ends[1], said.data(), said.size()) == static_cast<ssize_t>(said.size()) ? 0 : 1);
    }
    ::close(std::exchange(told.ends[1], -1));
    std::string said;
    char buffer[1024];
    for (ssize_t n = 0; (n = ::read(told.ends[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    return exitCodeOf(child) == 128 + SIGALRM ? "no end" : said;
}

class VideoExportTemporaries : public ::testing::Test {
protected:
    void SetUp() override { writeRecording(recording, kFrames, 160, 120); }
    std::string out(const std::string& name) const { return tmp.path() + "/" + name; }
    // A folder every user writes, as /tmp; the recording readable by all.
    std::string sharedFolder() {
        fs::permissions(tmp.path(), fs::perms::others_exec, fs::perm_options::add);
        fs::permissions(recording, fs::perms::others_read, fs::perm_options::add);
        const std::string shared = out("shared");
        fs::create_directory(shared);
        fs::permissions(shared, fs::perms::all | fs::perms::sticky_bit);
        return shared;
    }

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
    const std::string empty = tmp.write("notes.txt.tmp-99999", ""),
                      wave = tmp.write("song.wav.tmp-99998", std::string("RIFF\x24\0\0\0WAVEfmt ", 16));
    // Also under a name as long as the folder allows, whose temporary's is shortened.
    for (const std::string& name : {std::string("door.avi"), longName(255, "\u00fc", ".avi")}) {
        SCOPED_TRACE(name);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            exportOnce(recording, out(name), [] { ::raise(SIGKILL); });
            ::_exit(1);
        }
        ASSERT_EQ(exitCodeOf(child), 128 + SIGKILL);
        const std::vector<std::string> killed = temporariesIn(tmp.path());
        ASSERT_EQ(killed.size(), 1u);
        const VideoExportResult next = exportOnce(recording, out(name));
        EXPECT_EQ(next.outcome, Outcome::Done) << next.error;
        EXPECT_EQ(probeAvi(out(name)), kProbed);
        EXPECT_FALSE(fs::exists(killed[0]));
    }
    EXPECT_TRUE(fs::exists(empty) && fs::exists(wave));
}

TEST_F(VideoExportTemporaries, FifosAndLinksAnotherUserPlantedAtGuessableNamesStopNoExport) {
    if (::geteuid() != 0) GTEST_SKIP() << "two users other than this one need root";
    const std::string shared = sharedFolder();
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
        ::_exit(video && frameExportError(recording, shared + "/door.jpg").empty() ? 0 : 1);
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

TEST_F(VideoExportTemporaries, ALinkPutInPlaceOfTheTemporaryIsToldOfUnderTheChosenNameInTheUsersLanguage) {
    const std::string victim = tmp.write("victim.txt", "keep");
    const UsersLanguage german(config::lang_de);
    std::string swapped;
    const VideoExportResult result = exportOnce(recording, out("door.avi"), [&] {
        if (!swapped.empty()) return;
        swapped = temporariesIn(tmp.path()).at(0);
        fs::remove(swapped);
        fs::create_symlink(victim, swapped);
    });
    EXPECT_EQ(result.error, out("door.avi") + ": " + config::text(config::txtLinkInTheWay, config::lang_de));
    EXPECT_EQ(testsupport::readFile(victim), "keep");
    EXPECT_FALSE(fs::exists(fs::symlink_status(out("door.avi"))));
    EXPECT_TRUE(temporariesIn(tmp.path()).empty());
}

TEST_F(VideoExportTemporaries, WhatStandsAtTheChosenNameOrComesThereWhileTheExportRunsStaysAndIsToldOf) {
    const bool root = ::geteuid() == 0;
    const std::string folder = root ? sharedFolder() : tmp.path();
    const std::string victim = tmp.write("victim.txt", "keep");
    using Plant = std::function<bool(const std::string&)>;
    const Plant link = [&](const std::string& at) { return ::symlink(victim.c_str(), at.c_str()) == 0; };
    const Plant fifo = [](const std::string& at) { return ::mkfifo(at.c_str(), 0666) == 0; };
    const Plant folderAt = [](const std::string& at) { return ::mkdir(at.c_str(), 0777) == 0; };
    const Plant file = [](const std::string& at) { return ::close(::creat(at.c_str(), 0666)) == 0; };
    // Made beside, then renamed: over a file of the user's own while that
    // still stands, so never with the inode number it frees.
    const std::string beside = out("beside");
    const auto renamedIn = [&](const Plant& make) -> Plant {
        return [&, make](const std::string& at) { return make(beside) && !::rename(beside.c_str(), at.c_str()); };
    };
    const Plant ownFile = renamedIn(file), ownLink = renamedIn(link);
    const struct {
        std::string name;
        const config::TText& said;
        const Plant& plant;
        bool byAnotherUser;
        bool onlyWhileTheExportRuns = false;
        bool overOwnFile = false;  // that file stands at the chosen name when the export begins
    } planted[] = {
        {"link", config::txtLinkInTheWay, link, false},
        {"fifo", config::txtFifoInTheWay, fifo, false},
        {"folder", config::txtFolderInTheWay, folderAt, false},
        {"others-file", config::txtOthersFileInTheWay, file, true},
        {"others-link", config::txtLinkInTheWay, link, true},
        {"others-fifo", config::txtFifoInTheWay, fifo, true},
        {"others-folder", config::txtFolderInTheWay, folderAt, true},
        {"own-file", config::txtOtherFileInTheWay, ownFile, false, true},
        {"own-file-over-own", config::txtOtherFileInTheWay, ownFile, false, true, true},
        {"own-link-over-own", config::txtLinkInTheWay, ownLink, false, true, true},
    };
    const UsersLanguage dutch(config::lang_nl);
    for (const auto& entry : planted) {
        if (entry.byAnotherUser && !root) continue;
        SCOPED_TRACE(entry.name);
        // Put there while the export runs, also where others may replace the user's files (root): it stays.
        const std::string late = folder + "/late-" + entry.name + ".avi";
        if (entry.overOwnFile) ownFile(late);
        ino_t there = 0;
        const VideoExportResult whileRunning = exportOnce(recording, late, [&] {
            const auto plantLate = [&] { return entry.plant(late); };
            if (!there && (entry.byAnotherUser ? testsupport::asNobody(plantLate) : plantLate())) there = inodeAt(late);
        });
        EXPECT_EQ(whileRunning.error, late + ": " + config::text(entry.said, config::lang_nl));
        EXPECT_TRUE(there != 0 && inodeAt(late) == there);
        if (entry.onlyWhileTheExportRuns) continue;
        const std::string video = folder + "/" + entry.name + ".avi", picture = folder + "/" + entry.name + ".jpg";
        const auto plant = [&] { return entry.plant(video) && entry.plant(picture); };
        ASSERT_TRUE(entry.byAnotherUser ? testsupport::asNobody(plant) : plant());
        const fs::file_type kind = fs::symlink_status(video).type();
        int progress = 0;
        const VideoExportResult result = exportOnce(recording, video, [&] { ++progress; });
        EXPECT_EQ(result.outcome, Outcome::Failed);
        EXPECT_EQ(result.framesWritten + progress, 0);
        const std::string said = ": " + config::text(entry.said, config::lang_nl);
        EXPECT_EQ(result.error, video + said);
        EXPECT_EQ(frameExportError(recording, picture), picture + said);
        EXPECT_EQ(fs::symlink_status(video).type(), kind);
    }
    // The folder removed while the export writes, and its temporary with it.
    fs::create_directory(folder + "/gone");
    EXPECT_EQ(exportOnce(recording, folder + "/gone/door.avi", [&] { fs::remove_all(folder + "/gone"); }).error,
              folder + "/gone/door.avi: " + config::text(config::txtFolderRemoved, config::lang_nl));
    // A plain file of the user's own is replaced, as the save dialog asked.
    const std::string own = tmp.write("own.avi", "old");
    EXPECT_EQ(exportOnce(recording, own).outcome, Outcome::Done);
    EXPECT_EQ(probeAvi(own), kProbed);
    EXPECT_EQ(frameExportError(recording, tmp.write("own.jpg", "old")), "");
    EXPECT_EQ(testsupport::readFile(victim), "keep");
    EXPECT_TRUE(temporariesIn(folder).empty());
}

// Where FAT tells 1530 bytes, temporaries' names keep within 255 too; a chosen
// name longer than its folder takes ends both exports before the first frame.
TEST_F(VideoExportTemporaries, NamesAsLongAsTheFolderTakesAreWrittenAndLongerOnesRefusedAtOnce) {
    fs::create_directory(out("fat"));
    const std::string tooLong = std::string(": ") + std::strerror(ENAMETOOLONG);
    for (const std::size_t length : {239, 255, 256}) {
        SCOPED_TRACE(length);
        const bool fits = length <= 255;
        const std::string video = out((fits ? "fat/" : "") + longName(length, "a", ".avi")),
                          picture = video.substr(0, video.size() - 3) + "jpg";
        int progress = 0;
        EXPECT_EQ(exportOnce(recording, video, [&] { ++progress; }).error, fits ? "" : video + tooLong);
        EXPECT_EQ(frameExportError(recording, picture), fits ? "" : picture + tooLong);
        EXPECT_EQ(probeAvi(video), fits ? kProbed : "");
        EXPECT_EQ(progress > 0, fits);
    }
    EXPECT_TRUE(temporariesIn(tmp.path()).empty() && temporariesIn(out("fat")).empty());
}

// The longest name a folder takes, as its file system tells it: bytes, or,
// where it tells more than 255, characters as UTF-16 units (told as 6 bytes).
TEST(NameRoom, ANameFitsByBytesOrByTheUtf16UnitsOfAFileSystemThatCountsCharacters) {
    // A character repeated to a name's length in bytes, the room told, and whether it fits.
    const std::tuple<const char*, std::size_t, long, bool> cases[] = {
        {"a", 255, 255, true},       {"a", 256, 255, false},          {"a", 101, 100, false},
        {"a", 255, 1530, true},      {"a", 256, 1530, false},         {"\u00fc", 510, 1530, true},
        {"\u00fc", 256, 255, false}, {"\U0001F600", 509, 1530, true}, {"\U0001F600", 512, 1530, false},
        {"a", 300, -1, true}};
    for (const auto& [character, bytes, room, fits] : cases)
        EXPECT_EQ(platform::nameFits(longName(bytes, character, ""), room), fits) << bytes << " bytes, room " << room;
}

// Without renameat2's flags, and also without hard links: the export's file
// still goes to a free name or over the user's own, and over nothing else.
TEST_F(VideoExportTemporaries, WithoutRenamesThatReplaceNothingTheExportStillReplacesNothingElse) {
    for (const Calls& refused : {Calls{{SYS_renameat2, EINVAL}}, Calls{{SYS_renameat2, EINVAL}, {SYS_link, EPERM}}}) {
        const std::string tag = std::to_string(refused.size()), free = out(tag + "free.avi"),
                          own = tmp.write(tag + "own.avi", "old"), late = out(tag + "late.avi");
        SCOPED_TRACE(tag);
        const std::string said = inSandbox(refused, false, [&] {
            const auto plant = [&] { std::ignore = ::symlink("victim", late.c_str()); };  // the first one stays
            return exportOnce(recording, free).error + exportOnce(recording, own).error +
                   exportOnce(recording, late, plant).error;
        });
        if (said == "no sandbox") GTEST_SKIP() << "no seccomp filter can be set here";
        EXPECT_EQ(said, late + ": " + config::tr(config::txtLinkInTheWay));
        for (const std::string& written : {free, own}) EXPECT_EQ(probeAvi(written), kProbed);
        EXPECT_TRUE(fs::is_symlink(late));
    }
    EXPECT_TRUE(temporariesIn(tmp.path()).empty());
}

TEST_F(VideoExportTemporaries, WhereTheSystemGivesNoRandomNumbersBothExportsEndAtOnce) {
    const UsersLanguage german(config::lang_de);
    const auto exports = [&](const std::string& name) {
        return [&, name] {
            const VideoExportResult video = exportOnce(recording, out(name + ".avi"));
            return std::to_string(video.framesWritten) + " " + video.error + "\n" +
                   frameExportError(recording, out(name + ".jpg"));
        };
    };
    // getrandom refused: the kernel's device serves.
    const std::string served = inSandbox({{SYS_getrandom, ENOSYS}}, false, exports("door"));
    if (served == "no sandbox") GTEST_SKIP() << "no seccomp filter can be set here";
    EXPECT_EQ(served, std::to_string(kFrames) + " \n");
    EXPECT_EQ(probeAvi(out("door.avi")), kProbed);
    // Neither: both fail at once, in the user's language.
    if (::geteuid() != 0) GTEST_SKIP() << "a file system without /dev/urandom needs root";
    const std::string said = ": " + config::text(config::txtNoRandomNumbers, config::lang_de);
    EXPECT_EQ(inSandbox({{SYS_getrandom, ENOSYS}}, true, exports("none")),
              "0 " + out("none.avi") + said + "\n" + out("none.jpg") + said);
    EXPECT_FALSE(fs::exists(out("none.avi")) || fs::exists(out("none.jpg")));
}

}  // namespace
