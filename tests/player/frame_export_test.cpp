// The name proposed for an export, from a recording's time stamp, a frame
// export that fails, and one aimed at the recording itself.

#include "player/FrameExport.h"

#include <gtest/gtest.h>

#include "TestRecordings.h"
#include "support/ChildProcess.h"

using namespace oculon::player;
using namespace oculon::player::test;
using oculon::video::TTimeStamp;

TEST(FrameExport, ProposedNamesCarryTheStampAndTheCamera) {
    EXPECT_EQ(exportFileName({(12 * 60 + 30) * 60000 + 5000, kMay2024}, "Door"), "2024-05-01_12-30-05_ Door");
    // a name from a folder never leads out of the chosen one
    EXPECT_EQ(exportFileName({0, kMay2024}, "a/b"), "2024-05-01_00-00-00_ a_b");
    // A folder named in Latin-1 keeps its letters through the dialog's
    // Unicode text; a UTF-8 name stays as it is.
    EXPECT_EQ(exportFileName({0, kMay2024}, "T\xFCr \xC4"), "2024-05-01_00-00-00_ T\u00FCr \u00C4");
    EXPECT_EQ(exportFileName({0, kMay2024}, "T\u00FCr"), "2024-05-01_00-00-00_ T\u00FCr");
    const struct {
        TTimeStamp stamp;
        const char* name;
    } days[] = {
        {{86399999, 1}, "0001-01-01_23-59-59_ "},  // the first day of the calendar
        {{0, 730179}, "2000-02-29_00-00-00_ "},    // a leap day of a century
        {{0, 730180}, "2000-03-01_00-00-00_ "},   {{0, 719163}, "1970-01-01_00-00-00_ "},
        {{0, 767009}, "2100-12-31_00-00-00_ "},
    };
    for (const auto& d : days) EXPECT_EQ(exportFileName(d.stamp, ""), d.name) << d.stamp.Date;
}

TEST(FrameExport, AFileThatCannotBeWrittenIsNamedAsChosen) {
    const oculon::testsupport::TempDir tmp;
    const std::string file = tmp.path() + "/missing/shot.jpg";
    try {
        exportFrame(oculon::video::decodeJpeg(testJpeg(32, 24, 0)), {0, kMay2024}, {}, file, tmp.path() + "/x.kvd");
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), file + ": No such file or directory");
    }
}

TEST(FrameExport, NeverReplacesTheRecordingItComesFrom) {
    const oculon::testsupport::TempDir tmp;
    const std::string recording = tmp.path() + "/12-30-05.kvd";
    writeRecording(recording, 2, 32, 24, {0, kMay2024}, 100);
    const std::string before = readAll(recording);
    try {
        exportFrame(oculon::video::decodeJpeg(testJpeg(32, 24, 0)), {0, kMay2024}, {}, recording, recording);
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), recording + " is the recording being exported; choose another name.");
    }
    EXPECT_TRUE(readAll(recording) == before);
}
