#include "config/Helpers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "config/ConfigEntries.h"
#include "config/SavePath.h"
#include "config/cfgUnit.h"
#include "support/ChildProcess.h"

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
    EXPECT_EQ(cfg.getSavePath("Door"), expected);
    EXPECT_TRUE(fs::is_directory(expected));

    // A path stored without its closing separator still gets one.
    cfg.schreibeFirstPictPath(dir_.string() + "/Pics");
    EXPECT_EQ(cfg.getSavePath("Door"), expected);
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

    auto store = std::make_shared<platform::MemoryRegistryStore>();
    TVideoConfig cfg(store, march5);
    cfg.schreibeFirstPictPath(dir_.string() + "/");
    for (const char* name : {"..", "../x", "/abs", "a/../../b"}) {
        const fs::path made = fs::weakly_canonical(cfg.getSavePath(name));
        const auto rel = made.lexically_relative(fs::canonical(dir_));
        EXPECT_FALSE(rel.empty() || *rel.begin() == "..") << name << " -> " << made;
        EXPECT_EQ(std::distance(rel.begin(), rel.end()), 4) << name << " -> " << made;
    }
}

TEST_F(SavePathTest, GeneratePathLeavesTheCurrentFolderAlone) {
    const fs::path before = fs::current_path();
    fs::current_path(dir_);
    EXPECT_TRUE(TVideoConfig::generatePath("rel/a//b/ignored"));
    EXPECT_EQ(fs::current_path(), fs::canonical(dir_));
    EXPECT_TRUE(fs::is_directory(dir_ / "rel/a/b"));
    EXPECT_FALSE(fs::exists(dir_ / "rel/a/b/ignored"));
    EXPECT_TRUE(TVideoConfig::generatePath(""));

    std::ofstream(dir_ / "file").put('x');
    EXPECT_FALSE(TVideoConfig::generatePath((dir_ / "file/sub/").string()));
    fs::current_path(before);
}

}  // namespace
}  // namespace oculon::config
