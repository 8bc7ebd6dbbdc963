// Picture sizes at the edges of what encoders take: every encoder takes or
// refuses them, none ends the process (each size is tried in a child), and
// every file written at a size taken decodes to each of its frames.
// 4096x2304 and other large sizes for every encoder run in the slow test.

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "CompressorSizeTrial.h"
#include "platform/VideoEncoderSession.h"

using namespace oculon::platform;
using oculon::platform::test::expectEveryEncoderAnswers;

TEST(VideoCompressorSizes, EveryEncoderAnswersForTinyLinesAndOddSizes) {
    const std::vector<std::pair<int, int>> sizes = {{1, 1},   {1, 2},    {2, 1},   {1, 17},  {17, 1},
                                                    {3, 3},   {17, 9},   {16, 16}, {32, 32}, {33, 17},
                                                    {64, 16}, {320, 16}, {16, 48}, {16, 64}, {321, 201}};
    expectEveryEncoderAnswers(sizes);
}

TEST(VideoCompressorSizes, EncodersThatWouldAbortRefuseTheSizeAndTheirNeighboursStillWork) {
    struct Case {
        const char* code;
        int width, height;
        bool takes;
    };
    // Each encoder's limit and the size just inside it. AZPR's 1x2 and the
    // rest below SVQ1 would write files that their decoders reject.
    const Case cases[] = {
        {"FSV1", 1, 1, false},      {"FSV1", 2, 1, true},        {"AZPR", 1, 1, false},    {"AZPR", 1, 2, false},
        {"AZPR", 3, 40, false},     {"AZPR", 40, 3, false},      {"AZPR", 4, 4, true},     {"SVQ1", 2048, 3729, false},
        {"SVQ1", 2048, 3728, true}, {"SVQ1", 4096, 2304, false}, {"SHQ0", 320, 32, false}, {"SHQ0", 320, 33, true},
        {"SHQ0", 24, 64, false},    {"SHQ0", 16, 64, true},      {"ULRA", 1, 3, false},    {"ULRA", 2, 2, true},
        {"CFHD", 16, 64, false},    {"CFHD", 32, 64, true},      {"MJPG", 1, 1, true}};
    for (const auto& c : cases) {
        const auto* compressor = findVideoCompressor(c.code);
        if (!compressor) continue;
        SCOPED_TRACE(std::string(c.code) + " " + std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(videoCompressorAccepts(*compressor, {c.width, c.height, BitmapLayout::bgr24, true}), c.takes);
        VideoEncoderSettings settings;
        settings.format = {c.width, c.height, BitmapLayout::bgr24, true};
        std::string error;
        EXPECT_EQ(VideoEncoderSession::open(c.code, settings, error) != nullptr, c.takes) << error;
    }
}
