#include "video/MJPEGFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <fstream>
#include <system_error>

#include "support/ChildProcess.h"
#include "support/FileSizeLimit.h"
#include "support/LinkPlanter.h"

using namespace oculon::video;
using oculon::testsupport::TempDir;
namespace fs = std::filesystem;

namespace {

const std::string kBoundary = "---KorvatFileBoundary";

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void appendBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
}

std::string le(std::uint64_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>(v >> (8 * i)));
    return out;
}

std::string fileHeader(std::int32_t frames, std::int32_t interval) {
    return "KRVID\x01" + le(static_cast<std::uint32_t>(frames), 4) + le(static_cast<std::uint32_t>(interval), 4);
}

std::string record(const TTimeStamp& t, std::int32_t number, const std::string& picture) {
    return le(static_cast<std::uint32_t>(t.Time), 4) + le(static_cast<std::uint32_t>(t.Date), 4) +
           le(picture.size(), 8) + le(static_cast<std::uint32_t>(number), 4) + picture + kBoundary;
}

// Picture bytes that say which frame they are, of a size that varies.
std::string picture(int n, std::size_t size) {
    std::string p = "frame " + std::to_string(n) + ";";
    p.resize(std::max(size, p.size()), static_cast<char>('a' + n % 26));
    return p;
}

std::string asString(const std::vector<std::uint8_t>& v) { return {v.begin(), v.end()}; }

// Holds a file the way a recorder does, so that readers leave it unrepaired.
struct RecorderLock {
    explicit RecorderLock(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_CLOEXEC)) {
        EXPECT_EQ(::flock(fd.get(), LOCK_EX | LOCK_NB), 0) << path;
    }
    oculon::platform::UniqueFd fd;
};

constexpr std::int32_t kDay = 739000;
TTimeStamp at(std::int32_t ms) { return {ms, kDay}; }

void writeRecording(const std::string& path, int frames, std::size_t (*size)(int), std::int32_t stepMs = 40) {
    TMJPEGFile file(path, TMJPEGFile::kWrite);
    for (int i = 0; i < frames; ++i) file.writeFrame(picture(i, size(i)), at(1000 + i * stepMs));
    file.close();
}

std::size_t smallSize(int i) { return 50 + (i * 37) % 200; }

// Frame count, interval and whether the reader found damage, in one line.
std::string facts(const TMJPEGFile& f) {
    return std::to_string(f.VideoFrames()) + " frames " + std::to_string(f.VideoFPS()) + " ms" +
           (f.NeedsRepair() ? " damaged" : "");
}

template <typename E>
void expectThrowsText(const std::function<void()>& f, const std::string& text) {
    try {
        f();
        ADD_FAILURE() << "no exception, expected \"" << text << "\"";
    } catch (const E& e) {
        EXPECT_EQ(e.what(), text);
    }
}

}  // namespace

TEST(MJPEGFile, RoundTripKeepsBytesTimesAndLayout) {
    TempDir dir;
    const std::string path = dir.path() + "/r.kvd";
    writeRecording(path, 5, smallSize);

    const std::string bytes = readAll(path);
    // 5 frames 40 ms apart: interval 160 / 4 = 40
    EXPECT_EQ(bytes.substr(0, 14), fileHeader(5, 40));
    EXPECT_EQ(bytes.substr(14, 20 + smallSize(0) + 21), record(at(1000), 0, picture(0, smallSize(0))));
    EXPECT_EQ(bytes.substr(bytes.size() - 21), kBoundary);

    TMJPEGFile file(path, TMJPEGFile::kRead);
    EXPECT_EQ(facts(file), "5 frames 40 ms");
    EXPECT_TRUE(file.BeginTime() == at(1000) && file.ActTime() == at(1000) && file.EndTime() == at(1160));
    std::vector<std::uint8_t> jpeg;
    for (int i = 0; i < 5; ++i) {
        file.readFrame(jpeg);
        EXPECT_EQ(asString(jpeg), picture(i, smallSize(i)));
        EXPECT_TRUE(file.FrameNumber() == i && file.ActTime() == at(1000 + 40 * i)) << i;
    }
    file.getPreview(jpeg);
    EXPECT_EQ(asString(jpeg), picture(0, smallSize(0)));
    file.readFrame(jpeg);  // the preview left the position on frame 0
    EXPECT_EQ(file.FrameNumber(), 0);
    expectThrowsText<EInvalidArgumentException>([&] { file.SetFrameNo(5); }, "Frame Number too large");
    expectThrowsText<EInvalidArgumentException>([&] { file.SetFrameNo(-1); }, "Frame must not be negative");
    expectThrowsText<EFileAccessException>([&] { file.writeFrame(std::string("x")); }, "File opened for read.");
}

TEST(MJPEGFile, SmallAndEmptyRecordings) {
    TempDir dir;
    const std::string one = dir.path() + "/one.kvd";
    {
        TMJPEGFile file(one, TMJPEGFile::kWrite);
        std::vector<std::uint8_t> jpeg;
        expectThrowsText<EFileAccessException>([&] { file.readFrame(jpeg); }, "File opened for write.");
        file.writeFrame(std::string("only"));
    }
    TMJPEGFile single(one, TMJPEGFile::kRead);
    EXPECT_EQ(facts(single), "1 frames 1 ms");
    EXPECT_TRUE(fs::file_size(one) < 256u && single.EndTime() == single.BeginTime());

    // frames within one millisecond: the interval is 1, never 0, which would
    // make the file look unfinished
    const std::string fast = dir.path() + "/fast.kvd";
    writeRecording(fast, 3, smallSize, 0);
    EXPECT_EQ(readAll(fast).substr(6, 8), le(3, 4) + le(1, 4));

    const std::string empty = dir.path() + "/empty.kvd";
    { TMJPEGFile file(empty, TMJPEGFile::kWrite); }
    EXPECT_FALSE(fs::exists(empty));

    TMJPEGFile none(dir.path() + "/x.kvd", 7);
    EXPECT_FALSE(fs::exists(dir.path() + "/x.kvd"));
}

TEST(MJPEGFile, BadHeadersAndRecordsRaiseTheirMessages) {
    TempDir dir;
    auto open = [&](const std::string& content) {
        const std::string path = dir.write("f.kvd", content);
        return [path] { TMJPEGFile file(path, TMJPEGFile::kRead); };
    };
    expectThrowsText<EFileFormatException>(open("KRV"), "Wrong FileFormat");
    expectThrowsText<EFileFormatException>(open("KRVIX\x01" + le(0, 8)), "Wrong FileFormat");
    expectThrowsText<EFileFormatException>(open("KRVID"), "Wrong FileFormat");
    expectThrowsText<EFileVersionException>(open("KRVID\x02"), "Wrong File Version");
    expectThrowsText<EFileFormatException>(open("KRVID\x01\x01\x00"), "Wrong FileFormat");
    expectThrowsText<EFileEmptyException>(open(fileHeader(0, 0)), "File is empty");
    expectThrowsText<EFileEmptyException>(open(fileHeader(0, 0) + std::string(5000, 'x')), "File is empty");
    // a length field far beyond the file is not believed, so nothing is allocated
    std::string huge = record(at(0), 0, "abc");
    huge.replace(8, 8, le(std::uint64_t{1} << 62, 8));
    expectThrowsText<EFileEmptyException>(open(fileHeader(1, 1) + huge), "File is empty");
    EXPECT_THROW(TMJPEGFile(dir.path() + "/missing.kvd", TMJPEGFile::kRead), std::system_error);
}

TEST(MJPEGFile, ReaderRepairsADamagedEndAndKeepsEveryFrame) {
    TempDir dir;
    const std::string path = dir.path() + "/cut.kvd";
    writeRecording(path, 5, smallSize);
    const std::string whole = readAll(path);
    // cut inside the last picture, header still claiming 5 frames
    const std::string cut = whole.substr(0, whole.size() - 21 - smallSize(4) / 2);
    dir.write("cut.kvd", cut);
    const std::string repaired = fileHeader(4, 40) + whole.substr(14, whole.size() - 14 - 20 - 21 - smallSize(4));

    {
        const RecorderLock recorder(path);
        EXPECT_EQ(facts(TMJPEGFile(path, TMJPEGFile::kRead)), "4 frames 40 ms damaged");
        EXPECT_EQ(readAll(path), cut);
    }
    for (int pass = 0; pass < 2; ++pass) {
        TMJPEGFile file(path, TMJPEGFile::kRead);
        EXPECT_EQ(facts(file), "4 frames 40 ms");
        EXPECT_EQ(file.EndTime(), at(1120));
        std::vector<std::uint8_t> jpeg;
        file.SetFrameNo(3);
        file.readFrame(jpeg);
        EXPECT_EQ(asString(jpeg), picture(3, smallSize(3)));
        EXPECT_EQ(readAll(path), repaired);
    }
    EXPECT_EQ(TMJPEGFile::repair(path), TMJPEGFile::RepairResult::Intact);

    // a tail of nothing but boundary texts hides no frame, and is cut
    appendBytes(path, [] {
        std::string junk;
        for (int i = 0; i < 3000; ++i) junk += kBoundary + "x";
        return junk;
    }());
    EXPECT_EQ(TMJPEGFile(path, TMJPEGFile::kRead).VideoFrames(), 4);
    EXPECT_EQ(readAll(path), repaired);
}

TEST(MJPEGFile, BoundaryTextOverTheHeaderCountsStartsNoRecord) {
    // Its record would sit where a repair rewrites the counts: once taken for
    // a frame, the repair destroyed it again.
    TempDir dir;
    const std::string bytes =
        "KRVID\x01" + kBoundary + std::string("\0\0\0\0\x01", 5) + std::string(15, '\0') + kBoundary;
    ASSERT_EQ(bytes.size(), 68u);
    const std::string path = dir.write("header.kvd", bytes);
    for (int pass = 0; pass < 2; ++pass) {
        expectThrowsText<EFileEmptyException>([&] { TMJPEGFile(path, TMJPEGFile::kRead); }, "File is empty");
    }
    EXPECT_EQ(readAll(path), bytes);

    // a true first record behind such a header still counts
    std::string withFrame = bytes.substr(0, 14) + record(at(5), 0, picture(0, 60));
    const std::string framed = dir.write("framed.kvd", withFrame);
    EXPECT_EQ(facts(TMJPEGFile(framed, TMJPEGFile::kRead)), "1 frames 1 ms");
    EXPECT_EQ(readAll(framed), fileHeader(1, 1) + withFrame.substr(14));
}

TEST(MJPEGFile, DamagedRecordsCostTheirOwnFramesOnly) {
    TempDir dir;
    const std::string path = dir.path() + "/whole.kvd";
    writeRecording(path, 20, smallSize);
    const std::string whole = readAll(path);
    auto recordPos = [](int n) {
        std::size_t pos = 14;
        for (int i = 0; i < n; ++i) pos += 41 + smallSize(i);
        return pos;
    };
    std::string boundaries;
    for (int i = 0; i < 30; ++i) boundaries += kBoundary;
    // Each damage and the frame it costs; applied from the end, so that
    // the positions of those before stay true.
    const struct {
        const char* what;
        int lost;
        std::function<void(std::string&)> damage;
    } damages[] = {
        {"boundary texts after the end", -1, [&](std::string& f) { f += boundaries; }},
        {"number out of order", 15, [&](std::string& f) { f.replace(recordPos(15) + 16, 4, le(3, 4)); }},
        {"header zeroed", 12, [&](std::string& f) { f.replace(recordPos(12), 20, std::string(20, '\0')); }},
        {"picture bytes lost", 9, [&](std::string& f) { f.erase(recordPos(9) + 30, 10); }},
        {"boundary overwritten", 5, [&](std::string& f) { f.replace(recordPos(6) - 21, 21, std::string(21, 'x')); }},
        {"first length wrong", 0, [&](std::string& f) { f.replace(recordPos(0) + 8, 8, le(7777, 8)); }},
    };
    auto readAllFrames = [](const std::string& file) {
        TMJPEGFile reader(file, TMJPEGFile::kRead);
        EXPECT_EQ(reader.VideoFrames(), 20);
        std::vector<int> numbers;
        std::vector<std::uint8_t> jpeg;
        for (;;) {
            try {
                reader.readFrame(jpeg);
            } catch (const EFileFormatException&) {
                return numbers;
            }
            EXPECT_EQ(asString(jpeg), picture(reader.FrameNumber(), smallSize(reader.FrameNumber())));
            EXPECT_EQ(reader.ActTime(), at(1000 + 40 * reader.FrameNumber()));
            numbers.push_back(reader.FrameNumber());
        }
    };
    auto check = [&](const std::string& bytes, const std::set<int>& lost, const std::string& what) {
        SCOPED_TRACE(what);
        const std::string file = dir.write("damaged.kvd", bytes);
        std::vector<int> expected;
        for (int i = 0; i < 20; ++i)
            if (!lost.count(i)) expected.push_back(i);
        std::optional<RecorderLock> recorder(file);  // the file stays as it is while read
        EXPECT_EQ(readAllFrames(file), expected);
        {
            TMJPEGFile reader(file, TMJPEGFile::kRead);
            EXPECT_EQ(reader.BeginTime(), at(1000 + 40 * expected.front()));
            std::vector<std::uint8_t> jpeg;
            reader.getPreview(jpeg);
            EXPECT_EQ(asString(jpeg), picture(expected.front(), smallSize(expected.front())));
            // a seek to a lost frame lands on the next one
            for (int n : lost) {
                reader.SetFrameNo(n);
                reader.readFrame(jpeg);
                EXPECT_EQ(reader.FrameNumber(), n + 1);
            }
        }
        EXPECT_EQ(readAll(file), bytes);
        recorder.reset();
        EXPECT_FALSE(TMJPEGFile(file, TMJPEGFile::kRead).NeedsRepair());
        EXPECT_EQ(readAllFrames(file), expected);
        EXPECT_EQ(TMJPEGFile::repair(file), TMJPEGFile::RepairResult::Intact);
    };
    std::string all = whole;
    std::set<int> allLost;
    for (const auto& d : damages) {
        std::string one = whole;
        d.damage(one);
        std::set<int> lost;
        if (d.lost >= 0) lost.insert(d.lost);
        check(one, lost, d.what);
        d.damage(all);
        allLost.insert(lost.begin(), lost.end());
    }
    check(all, allLost, "all at once");
    // the tail alone is cut by the repair
    dir.write("tail.kvd", whole + boundaries);
    TMJPEGFile::repair(dir.path() + "/tail.kvd");
    EXPECT_EQ(readAll(dir.path() + "/tail.kvd"), whole);
}

TEST(MJPEGFile, UnfinishedRecordingWithEqualTimesRepairsOnce) {
    // the header of an unfinished file holds zeros; all frames share one
    // time, so the mean interval comes out as 0 and must not stay 0
    TempDir dir;
    std::string bytes = fileHeader(0, 0);
    for (int i = 0; i < 3; ++i) bytes += record(at(500), i, picture(i, 30));
    const std::string path = dir.write("same.kvd", bytes);
    EXPECT_EQ(TMJPEGFile(path, TMJPEGFile::kRead).VideoFPS(), 1);
    EXPECT_EQ(readAll(path).substr(0, 14), fileHeader(3, 1));
    EXPECT_EQ(TMJPEGFile::repair(path), TMJPEGFile::RepairResult::Intact);

    // header says 5, last record is number 3: four frames
    std::string skewed = fileHeader(5, 40);
    for (int i = 0; i < 4; ++i) skewed += record(at(i * 40), i, picture(i, 30));
    EXPECT_EQ(TMJPEGFile(dir.write("skew.kvd", skewed), TMJPEGFile::kRead).VideoFrames(), 4);
}

// Another account foresees a recording's name: what it put there stays as
// it was, also when the disk is full, and the recording takes the next name.
TEST(MJPEGFile, WhatOthersPutAtTheNameStaysAndTheRecordingTakesTheNextName) {
    TempDir dir;
    const std::string victim = dir.write("victim", "theirs");
    const std::string path = dir.path() + "/12-30-05.kvd";
    fs::create_symlink(victim, path);
    EXPECT_THROW(TMJPEGFile::repair(path), std::system_error);  // a repair would shorten the victim
    EXPECT_EQ(readAll(victim), "theirs");
    fs::remove(path);

    const std::pair<const char*, std::function<void(const std::string&)>> planted[] = {
        {"another account's recording",
         [](const std::string& at) {
             writeRecording(at, 2, smallSize);
             oculon::testsupport::handToNobody(at);  // not root: ours, which must stay as well
         }},
        {"a link", [&](const std::string& at) { fs::create_symlink(victim, at); }},
        {"a FIFO", [](const std::string& at) { ::mkfifo(at.c_str(), 0666); }},
        {"a folder", [](const std::string& at) { fs::create_directory(at); }},
    };
    const std::string second = dir.path() + "/12-30-05 (2).kvd";
    for (const auto& [what, plant] : planted) {
        SCOPED_TRACE(what);
        plant(path);
        const std::string before = oculon::testsupport::entryAt(path);
        {
            TMJPEGFile file(path, TMJPEGFile::kWrite);
            EXPECT_EQ(file.FileName(), second);
            file.writeFrame(picture(0, 40), at(0));
        }
        {
            const oculon::testsupport::FileSizeLimit full(4);  // not even the header fits
            EXPECT_THROW(TMJPEGFile(path, TMJPEGFile::kWrite), std::system_error);
        }
        EXPECT_EQ(oculon::testsupport::entryAt(path), before);
        EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() + "/12-30-05 (3).kvd")));
        fs::remove_all(path);
        fs::remove(second);
    }
    EXPECT_EQ(readAll(victim), "theirs");

    // The link planted in the moment between a name found free and opened.
    int recorded = 0;
    {
        oculon::testsupport::LinkPlanter planter(path, victim);
        for (int i = 0; i < 1000; ++i) {
            try {
                TMJPEGFile file(path, TMJPEGFile::kWrite);
                file.writeFrame(picture(i, 40), at(0));
                file.close();
                ::unlink(file.FileName().c_str());
                ++recorded;
            } catch (const std::runtime_error&) {}
            ::unlink(path.c_str());
        }
    }
    EXPECT_EQ(readAll(victim), "theirs");
    EXPECT_EQ(recorded, 1000);
}

TEST(MJPEGFile, AnotherAccountsDamagedRecordingIsReadAsItIs) {
    TempDir dir;
    const std::string path = dir.path() + "/theirs.kvd";
    writeRecording(path, 3, smallSize);
    const std::string cut = readAll(path).substr(0, fs::file_size(path) - 30);
    dir.write("theirs.kvd", cut);
    if (!oculon::testsupport::handToNobody(path)) GTEST_SKIP() << "handing a file to another user needs root";
    EXPECT_EQ(facts(TMJPEGFile(path, TMJPEGFile::kRead)), "2 frames 40 ms damaged");
    EXPECT_EQ(TMJPEGFile::repair(path), TMJPEGFile::RepairResult::NotOurs);
    EXPECT_EQ(readAll(path), cut);
}

TEST(MJPEGFile, RecordingInProgressIsReadWithoutChange) {
    TempDir dir;
    const std::string path = dir.path() + "/live.kvd";
    TMJPEGFile writer(path, TMJPEGFile::kWrite);
    for (int i = 0; i < 10; ++i) writer.writeFrame(picture(i, smallSize(i)), at(i * 100));
    // the writer is in the middle of its next record
    appendBytes(path, record(at(1000), 10, picture(10, 300)).substr(0, 150));
    const std::string before = readAll(path);

    // A second recorder at the name takes the next one.
    EXPECT_EQ(TMJPEGFile(path, TMJPEGFile::kWrite).FileName(), dir.path() + "/live (2).kvd");
    EXPECT_EQ(TMJPEGFile::repair(path), TMJPEGFile::RepairResult::InUse);
    {
        TMJPEGFile reader(path, TMJPEGFile::kRead);
        EXPECT_EQ(facts(reader), "10 frames 100 ms damaged");
        std::vector<std::uint8_t> jpeg;
        for (int i = 0; i < 10; ++i) reader.readFrame(jpeg);
        EXPECT_EQ(asString(jpeg), picture(9, smallSize(9)));
        expectThrowsText<EFileFormatException>([&] { reader.readFrame(jpeg); }, "WrongFileFormat");
    }
    EXPECT_EQ(readAll(path), before);

    writer.writeFrame(picture(10, 300), at(1000));
    writer.close();
    EXPECT_EQ(facts(TMJPEGFile(path, TMJPEGFile::kRead)), "11 frames 100 ms");
}

TEST(MJPEGFile, BoundaryTextInsidePicturesIsNotARecordEnd) {
    TempDir dir;
    const std::string path = dir.path() + "/tricky.kvd";
    // a picture that holds the boundary followed by something shaped like a
    // record header of frame 2
    auto tricky = [](int i) {
        return picture(i, 40) + kBoundary + record(at(0), 2, "zz").substr(0, 20) + picture(i, 60);
    };
    {
        TMJPEGFile file(path, TMJPEGFile::kWrite);
        for (int i = 0; i < 40; ++i) file.writeFrame(tricky(i), at(i));
    }
    const std::string whole = readAll(path);
    // cut right after a fake boundary inside the last picture
    dir.write("tricky.kvd", whole.substr(0, whole.size() - 21 - 80));

    // a picture ending in boundary + header of "frame 7": both it and the
    // real record 0 end at the same place; a frame 7 cannot lie that early
    const std::string inner = kBoundary + record(at(0), 7, "cd").substr(0, 20) + "cd";
    const std::string ambiguous = dir.write("ambiguous.kvd", fileHeader(0, 0) + record(at(0), 0, "ab" + inner));
    EXPECT_EQ(TMJPEGFile(ambiguous, TMJPEGFile::kRead).VideoFrames(), 1);

    TMJPEGFile file(path, TMJPEGFile::kRead);
    EXPECT_EQ(file.VideoFrames(), 39);
    std::vector<std::uint8_t> jpeg;
    for (int n : {38, 2, 21, 1, 37}) {
        file.SetFrameNo(n);
        file.readFrame(jpeg);
        EXPECT_EQ(asString(jpeg), tricky(n));
    }
}

TEST(MJPEGFile, SeeksInLongRecording) {
    TempDir dir;
    const std::string path = dir.path() + "/long.kvd";
    constexpr int kFrames = 6000;
    // sizes vary widely, so position estimates are off and must be corrected
    auto size = [](int i) -> std::size_t { return i % 500 < 250 ? 40 + i % 7 : 3000 + (i * 131) % 900; };
    {
        TMJPEGFile file(path, TMJPEGFile::kWrite);
        for (int i = 0; i < kFrames; ++i) file.writeFrame(picture(i, size(i)), at(i * 40));
    }
    TMJPEGFile file(path, TMJPEGFile::kRead);
    ASSERT_EQ(file.VideoFrames(), kFrames);
    std::vector<std::uint8_t> jpeg;
    for (int n : {kFrames - 1, 1, 249, 250, 251, 2999, 17, 5998, 4321, 0, 3000}) {
        file.SetFrameNo(n);
        file.readFrame(jpeg);
        ASSERT_EQ(asString(jpeg), picture(n, size(n))) << n;
        ASSERT_EQ(file.ActTime(), at(n * 40));
        if (n + 1 < kFrames) {
            file.readFrame(jpeg);
            EXPECT_EQ(file.FrameNumber(), n + 1);
        }
    }
}

TEST(MJPEGFile, TimeStampsCountDaysFromYearOne) {
    const auto local = [](int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
        std::tm t{};
        t.tm_year = year - 1900, t.tm_mon = month - 1, t.tm_mday = day;
        t.tm_hour = hour, t.tm_min = minute, t.tm_sec = second;
        return t;
    };
    EXPECT_EQ(timeStampFromLocal(local(1970, 1, 1), 0), (TTimeStamp{0, 719163}));
    EXPECT_EQ(timeStampFromLocal(local(1, 1, 1), 5).Date, 1);
    // 2024-02-29 23:59:59.500 to 2024-03-01 00:00:00.250 across midnight
    EXPECT_EQ(timeStampToMSecs(timeStampFromLocal(local(2024, 3, 1), 250)) -
                  timeStampToMSecs(timeStampFromLocal(local(2024, 2, 29, 23, 59, 59), 500)),
              750);
}
