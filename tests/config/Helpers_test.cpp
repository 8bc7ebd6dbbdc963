#include "config/Helpers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <clocale>
#include <cstring>
#include <functional>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "config/ConfigEntries.h"
#include "config/SavePath.h"
#include "config/cfgUnit.h"
#include "platform/TemporaryFile.h"
#include "support/ChildProcess.h"
#include "support/SharedPictureFolder.h"

namespace oculon::config {
namespace {

namespace fs = std::filesystem;

TEST(Helpers, HashIsLowerCaseMd5Hex) {
    // RFC 1321 test suite.
    EXPECT_EQ(Hash(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Hash("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Hash("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(Hash(std::string("a\0b", 3)).size(), 32u);
}

TEST(Helpers, EncodeURIComponentKeepsTheUnreservedSetOnly) {
    EXPECT_EQ(EncodeURIComponent("AZaz09!'()*-._~"), "AZaz09!'()*-._~");
    EXPECT_EQ(EncodeURIComponent("a b&c"), "a%20b%26c");
    EXPECT_EQ(EncodeURIComponent("\xe4/+?=%"), "%E4%2F%2B%3F%3D%25");
    EXPECT_EQ(EncodeURIComponent(std::string("\0\xff", 2)), "%00%FF");
    EXPECT_EQ(EncodeURIComponent(""), "");
    int safe = 0;
    for (int c = 0; c < 256; ++c) safe += IsSafeChar(static_cast<unsigned char>(c));
    EXPECT_EQ(safe, 10 + 26 + 26 + 9);
}

TEST(Helpers, ChecksumIsTheXorOfAllBytes) {
    EXPECT_EQ(checksum(""), 0);
    EXPECT_EQ(checksum("AB"), 0x03);
    EXPECT_EQ(checksum("\x1f"
                       "D"),
              0x5b);
    EXPECT_EQ(checksum("\xff\x0f"), 0xf0);
}

TEST(Helpers, DateTimeToUnixCountsLocalMilliseconds) {
    EXPECT_EQ(DateTimeToUnix(25569.0), 0);
    EXPECT_EQ(DateTimeToUnix(25569.5), 43200000);
    EXPECT_EQ(DateTimeToUnix(25568.5), -43200000);
    EXPECT_EQ(DateTimeToUnix(0.0), -2209161600000LL);
    // 2024-03-05 12:34:56.789 as a date-time value.
    EXPECT_EQ(DateTimeToUnix(45356.0 + (12 * 3600 + 34 * 60 + 56.789) / 86400.0), 1709642096789LL);
    // One millisecond after the epoch does not round away.
    EXPECT_EQ(DateTimeToUnix(25569.0 + 1.0 / 86400000.0), 1);
}

TEST(Helpers, DelimitedTextSplitsAtDelimiterAndBlanksUnlessQuoted) {
    using V = std::vector<std::string>;
    EXPECT_EQ(splitDelimitedText("", ';'), V{});
    EXPECT_EQ(splitDelimitedText("   ", ';'), V{});
    EXPECT_EQ(splitDelimitedText("a;b", ';'), (V{"a", "b"}));
    EXPECT_EQ(splitDelimitedText("a b", ';'), (V{"a", "b"}));
    EXPECT_EQ(splitDelimitedText("a;;b", ';'), (V{"a", "", "b"}));
    EXPECT_EQ(splitDelimitedText("a;", ';'), (V{"a", ""}));
    EXPECT_EQ(splitDelimitedText(" a ; b ", ';'), (V{"a", "b"}));
    EXPECT_EQ(splitDelimitedText("\"a b\";\"say \"\"hi\"\"\"", ';'), (V{"a b", "say \"hi\""}));
    EXPECT_EQ(splitDelimitedText("\"open", ';'), (V{"open"}));
}

// The settings dialog shows the id list joined and writes back what it
// shows: the join must read back as the same list.
TEST(Helpers, JoinedDelimitedTextReadsBackAsTheSameList) {
    for (const char* text : {"", "a;b", "a b", "a;;b", "a;", ";", "\"a b\";c", "\"say \"\"hi\"\"\";x", "\"open", "a\"b",
                             "\"\"", "\"x;y\"", "\"tab\there\""}) {
        const auto entries = splitDelimitedText(text, ';');
        EXPECT_EQ(splitDelimitedText(joinDelimitedText(entries, ';'), ';'), entries) << text;
    }
    EXPECT_EQ(joinDelimitedText({"11", "12"}, ';'), "11;12");
}

// ---------------------------------------------------------------- entries

TEST(Entries, AssignCopiesSameClassOnly) {
    TSingleConfig a;
    a.Name = "a";
    a.videoOnly = true;
    TSingleConfig b;
    b.Name = "b";
    b.videoOnly = false;
    b.mirabReduction = 7;
    a.Assign(b);
    EXPECT_EQ(a.Name, "b");
    EXPECT_EQ(a.mirabReduction, 7);
    EXPECT_TRUE(a.videoOnly);

    TManualConfig m;
    m.name = "m";
    TSurveillanceConfig s;
    s.name = "s";
    m.Assign(s);
    s.Assign(a);
    a.Assign(m);
    EXPECT_EQ(m.name, "m");
    EXPECT_EQ(s.name, "s");
    EXPECT_EQ(a.Name, "b");
}

TEST(Entries, WallCameraRoundTripsThroughStreamAttributes) {
    TServerAttributes in;
    in.CameraName = "Hof";
    in.Path = "/mjpg";
    in.IP = "10.0.0.4";
    in.Port = 8081;
    in.ServerTyp = MirabCam;
    in.UserName = "u";
    in.Password = "p";
    in.mirabPath = "opt";
    in.mirabCrop = 10;
    in.frameRate = 4;
    TSurveillanceConfig cam;
    cam.recording = 2;
    cam.readFromAttributes(in);
    EXPECT_EQ(cam.recording, 2);
    EXPECT_EQ(cam.commonName, "Hof");

    TServerAttributes out;
    out.frameRate = 8;
    cam.writeToAttributes(out);
    const auto fields = [](const TServerAttributes& a) {
        return std::tie(a.CameraName, a.Path, a.IP, a.Port, a.ServerTyp, a.UserName, a.Password, a.mirabPath,
                        a.mirabCrop);
    };
    EXPECT_TRUE(fields(out) == fields(in));
    EXPECT_EQ(out.frameRate, 8);

    cam.commonName.clear();
    cam.name = "Einfahrt";
    cam.writeToAttributes(out);
    EXPECT_EQ(out.CameraName, "Einfahrt");
}

// ---------------------------------------------------------------- folders

class SavePathTest : public ::testing::Test {
protected:
    void SetUp() override { std::setlocale(LC_TIME, "C"); }

    static std::tm march5() {
        std::tm t{};
        t.tm_year = 124;
        t.tm_mon = 2;
        t.tm_mday = 5;
        t.tm_wday = 2;
        return t;
    }

    testsupport::TempDir temp_;
    const fs::path dir_{temp_.path()};
};

TEST_F(SavePathTest, DatedFoldersAreCreatedBelowThePicturePath) {
    auto store = std::make_shared<platform::MemoryRegistryStore>();
    TVideoConfig cfg(store, march5);
    cfg.schreibeFirstPictPath(dir_.string() + "/Pics/");
    const std::string expected = dir_.string() + "/Pics/Door/2024/03 - March/05 - Tuesday/";
    EXPECT_EQ(cfg.getSavePath("Door").path, expected);
    EXPECT_TRUE(fs::is_directory(expected));

    // A path stored without its closing separator still gets one.
    cfg.schreibeFirstPictPath(dir_.string() + "/Pics");
    EXPECT_EQ(cfg.getSavePath("Door").path, expected);
}

TEST_F(SavePathTest, LongNamesComeFromTheLocale) {
    if (!std::setlocale(LC_TIME, "de_DE.UTF-8")) GTEST_SKIP() << "no German locale installed";
    EXPECT_EQ(buildSavePath("/p/", "Tuer", march5()), "/p/Tuer/2024/03 - M\xc3\xa4rz/05 - Dienstag/");
}

TEST_F(SavePathTest, DeviceNamesCannotLeaveThePictureFolder) {
    EXPECT_EQ(sanitisePathName("../../etc"), ".._.._etc");
    EXPECT_EQ(sanitisePathName(".."), "__");
    EXPECT_EQ(sanitisePathName("."), "_");
    EXPECT_EQ(sanitisePathName("a\\b\nc\x7f"), "a_b_c_");
    EXPECT_EQ(sanitisePathName("Haust\xc3\xbcr 1"), "Haust\xc3\xbcr 1");
    EXPECT_EQ(sanitisePathName("Haust\xfcr/1"), "Haust\xc3\xbcr_1");

    auto store = std::make_shared<platform::MemoryRegistryStore>();
    TVideoConfig cfg(store, march5);
    cfg.schreibeFirstPictPath(dir_.string() + "/");
    for (const char* name : {"..", "../x", "/abs", "a/../../b"}) {
        const fs::path made = fs::weakly_canonical(cfg.getSavePath(name).path);
        const auto rel = made.lexically_relative(fs::canonical(dir_));
        EXPECT_FALSE(rel.empty() || *rel.begin() == "..") << name << " -> " << made;
        EXPECT_EQ(std::distance(rel.begin(), rel.end()), 4) << name << " -> " << made;
    }
}

TEST_F(SavePathTest, MakingFoldersLeavesTheCurrentFolderAlone) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    EXPECT_EQ(makeSaveFolder("rel", "rel/a//b").path, "rel/a/b/");
    EXPECT_EQ(fs::current_path(), fs::canonical(dir_));
    EXPECT_TRUE(fs::is_directory(dir_ / "rel/a/b"));
    EXPECT_FALSE(makeSaveFolder("", "").failed());
    EXPECT_EQ(makeSaveFolder("", "x/y").path, "x/y/");
    // The chosen folder itself may be a link the user set.
    fs::create_directory_symlink(dir_ / "rel", dir_ / "chosen");
    EXPECT_EQ(makeSaveFolder("chosen", "chosen/a/c").path, "chosen/a/c/");
    EXPECT_TRUE(fs::is_directory(dir_ / "rel/a/c"));
    fs::current_path(before);

    // A file where the chosen folder belongs; what is not below the chosen
    // folder, or climbs out of it.
    std::ofstream(dir_ / "file").put('x');
    const std::string file = (dir_ / "file").string();
    for (const auto& [root, wanted, error] :
         {std::tuple{file, file + "/sub/", ENOTDIR}, std::tuple{file + "/sub", file + "/sub/", ENOTDIR},
          std::tuple{dir_.string(), dir_.string() + "x/y", EINVAL},
          std::tuple{dir_.string(), dir_.string() + "/x/../../y", EINVAL},
          std::tuple{std::string(), std::string("/abs"), EINVAL}}) {
        const SaveFolder made = makeSaveFolder(root, wanted);
        EXPECT_EQ(made.error, error) << root << " " << wanted;
        EXPECT_TRUE(made.path.empty()) << root << " " << wanted;
    }
}

// A shared picture folder (1777) in which another account made, ahead of
// the user's first snapshot of the day, levels at the names that are easy to
// foresee. Nothing the user writes goes into, or through, what it made; a
// folder of the user's own beside it takes it, and the next walk finds the
// same one. Rows with another account's folders need root to hand them over.
TEST_F(SavePathTest, LevelsThatAreNotTheUsersOwnAreNotUsed) {
    using testsupport::kNobody;
    const std::string day = "2024/03 - March/05 - Tuesday/";
    const auto others = [](const std::string& folder, mode_t mode) {
        testsupport::makeFolderOf(folder, mode, kNobody);
    };
    const auto own = [](const std::string& folder, mode_t mode) {
        testsupport::makeFolderOf(folder, mode, ::geteuid());
    };
    struct Row {
        const char* what;
        std::function<void(const std::string& pics)> plant;
        std::string used;  // below the picture folder; "Door (?)" for a name no one foresaw
        bool othersNeeded = true;
    };
    const std::vector<Row> rows{
        {"nothing made ahead", [](const std::string&) {}, "Door/" + day, false},
        {"the whole dated tree, another account's",
         [&](const std::string& pics) {
             for (const std::string& level : {std::string("Door/"), std::string("Door/2024/"),
                                              std::string("Door/2024/03 - March/"), "Door/" + day})
                 others(pics + level, 0777);
         },
         "Door (2)/" + day},
        {"a link at the camera's name to a folder of another's",
         [&](const std::string& pics) {
             fs::create_directory(pics + "theirs");
             fs::create_directory_symlink(pics + "theirs", pics + "Door");
         },
         "Door (2)/" + day, false},
        {"a file at the year",
         [&](const std::string& pics) {
             own(pics + "Door", 0755);
             std::ofstream(pics + "Door/2024").put('x');
         },
         "Door/2024 (2)/03 - March/05 - Tuesday/", false},
        {"the day closed, another account's",
         [&](const std::string& pics) { own(pics + "Door/2024/03 - March", 0755), others(pics + "Door/" + day, 0700); },
         "Door/2024/03 - March/05 - Tuesday (2)/"},
        {"the user's own beside another account's, from before",
         [&](const std::string& pics) { others(pics + "Door", 0777), own(pics + "Door (2)/2024", 0755); },
         "Door (2)/" + day},
        {"every numbered name another account's",
         [&](const std::string& pics) {
             others(pics + "Door", 0777);
             for (int n = 2; n <= 9; ++n) others(pics + "Door (" + std::to_string(n) + ")", 0777);
         },
         "Door (?)/" + day},
        {"a level of the user's own closed to writing", [&](const std::string& pics) { own(pics + "Door", 0555); },
         "Door (2)/" + day, false},
        {"a level of the user's own that anyone may write", [&](const std::string& pics) { own(pics + "Door", 0777); },
         "Door/" + day, false},
    };
    const mode_t umask = ::umask(0);  // as the other account's: nothing held back (restored below: no ASSERT)
    for (const Row& row : rows) {
        if (row.othersNeeded && ::geteuid() != 0) continue;
        testsupport::TempDir dir;
        ::chmod(dir.path().c_str(), 01777);
        const std::string pics = dir.path() + "/";
        row.plant(pics);
        const SaveFolder made = makeSaveFolder(dir.path(), pics + "Door/" + day);
        if (made.failed()) {
            ADD_FAILURE() << row.what << ": " << made.failedPath << " " << std::strerror(made.error);
            continue;
        }
        const std::string used = made.path.substr(pics.size());
        if (row.used.starts_with("Door (?)"))
            EXPECT_TRUE(used.size() == row.used.size() + 7 && used.starts_with("Door (") && used[14] == ')' &&
                        used.ends_with(row.used.substr(8)))
                << row.what << ": " << used;
        else EXPECT_EQ(used, row.used) << row.what;
        // Every level of it a real folder of the user's own that no one else may write.
        for (std::string level = made.path; level.size() > pics.size();
             level = level.substr(0, level.rfind('/', level.size() - 2) + 1)) {
            struct stat info {};
            EXPECT_EQ(::lstat(level.c_str(), &info), 0) << level;
            EXPECT_TRUE(S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & S_IWOTH) == 0)
                << row.what << ": " << level << " mode " << std::oct << info.st_mode;
        }
        EXPECT_EQ(makeSaveFolder(dir.path(), pics + "Door/" + day).path, made.path) << row.what;
        if (fs::exists(pics + "theirs")) {
            EXPECT_TRUE(fs::is_empty(pics + "theirs"));
        }
    }
    ::umask(umask);
}

// Another account swaps a level the walk went through for a link to a folder
// of its own, with the same dated tree below it, after the walk and before
// the file is made: every way the program makes a file in the folder the
// walk found puts it there still, and nothing into the other folder.
TEST_F(SavePathTest, ALevelSwappedForALinkAfterTheWalkTakesNoFile) {
    const std::string day = "Door/2024/03 - March/05 - Tuesday/";
    using Make = std::function<bool(const SaveFolder& folder)>;
    const std::pair<const char*, Make> makers[] = {
        {"a snapshot",
         [](const SaveFolder& f) {
             return !platform::writeFileThroughTemporary(f, "shot.jpg", "picture", 0644).failed();
         }},
        {"a recording",
         [](const SaveFolder& f) {
             std::string name = "rec.kvd";
             platform::FileFailure failure;
             return bool(platform::createFileAtFreeName(f, name, O_RDWR, 0666, failure));
         }},
        {"a private file",
         [](const SaveFolder& f) {
             platform::FileFailure failure;
             return bool(platform::createPrivateFile(f, "part.tmp", failure));
         }},
    };
    for (const std::string& swapped : {std::string("Door"), day.substr(0, day.size() - 1)}) {
        for (const auto& [what, make] : makers) {
            testsupport::TempDir dir;
            const std::string pics = dir.path() + "/";
            const SaveFolder made = makeSaveFolder(dir.path(), pics + day);
            ASSERT_FALSE(made.failed()) << std::strerror(made.error);
            fs::create_directories(pics + "theirs/" + day);
            fs::rename(pics + swapped, pics + "moved");
            fs::create_directory_symlink(pics + "theirs/" + swapped, pics + swapped);
            EXPECT_TRUE(make(made)) << what << ", " << swapped << " swapped";
            for (const auto& entry : fs::recursive_directory_iterator(pics + "theirs"))
                EXPECT_TRUE(entry.is_directory()) << what << ", " << swapped << " swapped: " << entry.path();
            const std::string kept = pics + "moved/" + day.substr(swapped.size() + 1);
            EXPECT_FALSE(fs::is_empty(kept)) << what << ", " << swapped << " swapped";
        }
    }
}

}  // namespace
}  // namespace oculon::config
