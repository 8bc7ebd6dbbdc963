// The AVI export's worker against the main thread: an export freed while it
// runs (the recording closed, the window gone) ends at once with a valid
// file or none and no temporary file.

#include <gtest/gtest.h>

#include <filesystem>

#include "ExportTestKit.h"
#include "TestRecordings.h"
#include "platform/MainLoop.h"
#include "platform/TemporaryFile.h"
#include "player/VideoExport.h"
#include "support/ChildProcess.h"

using namespace oculon;
using namespace oculon::player;
using namespace oculon::player::test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The encoders' own slice threads hand work over through atomics of the
// FFmpeg libraries, which are not built for the thread sanitizer: it cannot
// see that hand-over and would take their buffers for shared ones.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libavcodec.so\ncalled_from_lib:libavutil.so\n";
}

TEST(VideoExportConcurrency, FreedWhileRunningLeavesAValidFileOrNone) {
    platform::ManualLoopBackend loop;
    testsupport::TempDir tmp;
    const std::string recording = tmp.path() + "/rec.kvd";
    writeRecording(recording, 120, 160, 120);
    // freed before its start on the main thread, and at several points after
    for (const int percent : {-1, 0, 10, 40}) {
        SCOPED_TRACE(percent);
        const std::string file = tmp.path() + "/out" + std::to_string(percent) + ".avi";
        std::atomic<int> seen{-1};
        bool finished = false;
        {
            TVideoExport videoExport;
            videoExport.Start(
                {recording, file, "MJPG", {}}, [&](int p) { seen = p; },
                [&](const VideoExportResult&) { finished = true; });
            if (percent >= 0) {
                ASSERT_TRUE(loop.pumpUntil([&] { return seen >= percent || finished; }, 30s));
            }
        }
        loop.pumpFor(20ms);
        for (const auto& entry : fs::directory_iterator(tmp.path()))
            EXPECT_FALSE(platform::isTemporaryName(entry.path().filename().string())) << entry.path();
        if (fs::exists(file)) {
            const std::string probed = probeAvi(file);
            EXPECT_EQ(probed.rfind("MJPG 160 120 25/1 ", 0), 0u) << probed;
        }
    }
}
